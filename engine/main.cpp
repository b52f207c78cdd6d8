// nadilka: Santa's sleigh over the rooftops at night.
#include "run_game.h"

int main() { return nad::RunGameWithSdl({}); }
