// nadilka: Santa's sleigh over the rooftops at night.
#include "platform/report.h"
#include "run_game.h"

int main() {
  nad::SdlOptions options;
#ifdef NADILKA_DATA_DIR
  options.packagedDataDir = NADILKA_DATA_DIR; // set by the build of a system package
#endif
  try {
    return nad::RunGameWithSdl(options);
  } catch (const nad::StartupError &e) {
    nad::ReportProblem(e.what());
    return 1;
  }
}
