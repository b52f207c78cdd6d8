// nadilka: Santa's sleigh over the rooftops. main picks the SDL backend and runs the window.
#include <cstdio>
#include <exception>
#include <memory>

#include "core/lifecycle.h"
#include "platform/sdl/sdl_backend.h"

int main() {
  using namespace nad;
  std::filesystem::path dir = ProgramFolder();
  std::string error;
  std::unique_ptr<SdlBackend> sdl = OpenSdlBackend({kWindowCaption, kClientWidth, kClientHeight, dir}, error);
  if (!sdl) {
    std::fprintf(stderr, "nadilka: %s\n", error.c_str());
    return 1;
  }
  auto form = std::make_unique<Form>(sdl->platform());
  try {
    form->scene.loadPictures(dir / "pictures");
  } catch (const std::exception &e) {
    std::fprintf(stderr, "nadilka: %s\n", e.what());
    return 1;
  }
  try {
    Form_Load(*form);
    RunProgram(*form);
  } catch (const ProgramEnd &end) {
    return end.status;
  }
  return 0;
}
