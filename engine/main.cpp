// nadilka: Santa's sleigh over the rooftops at night.
#include <string_view>
#include <vector>

#include "run_game.h"

int main(int argc, char **argv) {
  nad::SdlOptions options;
#ifdef NADILKA_DATA_DIR
  options.packagedDataDir = NADILKA_DATA_DIR; // set by the build of a system package
#endif
  return nad::runNadilka(std::vector<std::string_view>(argv + 1, argv + argc), options);
}
