// nadilka: Santa's sleigh over the rooftops at night.
#include "run_game.h"

int main() {
  nad::SdlOptions options;
#ifdef NADILKA_DATA_DIR
  options.packagedDataDir = NADILKA_DATA_DIR; // set by the build of a system package
#endif
  return nad::RunGameWithSdl(options);
}
