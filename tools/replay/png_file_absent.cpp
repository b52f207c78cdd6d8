// The PNG writer of builds without libpng (WebAssembly): --frames-png fails with the reason.
#include "replay/png_file.h"

namespace nad::replay {

std::string writePng(const std::filesystem::path &file, const Surface &) {
  return "cannot write " + file.string() + ": this build of nadilka-replay writes no PNG pictures";
}

} // namespace nad::replay
