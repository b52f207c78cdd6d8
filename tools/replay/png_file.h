#pragma once
#include <filesystem>
#include <string>

#include "platform/surface.h"

namespace nad::replay {

// Writes an 8-bit RGB PNG of the surface. Returns "" or a one-line reason for the failure.
std::string writePng(const std::filesystem::path &file, const Surface &image);

} // namespace nad::replay
