// nadilka: Santa's sleigh over the rooftops at night.
#include "platform/report.h"
#include "run_game.h"

int main() {
  try {
    return nad::RunGameWithSdl({});
  } catch (const nad::StartupError &e) {
    nad::ReportProblem(e.what());
    return 1;
  }
}
