#pragma once
#include <filesystem>
#include <string>

#include "platform/report.h"
#include "platform/surface.h"

namespace nad::replay {

// How hard the writer compresses, as zlib's levels count: a replay writes thousands of frames
// and wants them fast; the site's pictures are written once and sent to every player.
enum class PngEffort { kFast = 1, kSmall = 9 };

// Writes an 8-bit RGB PNG of the surface.
Status writePng(const std::filesystem::path &file, const Surface &image, PngEffort effort = PngEffort::kFast);

} // namespace nad::replay
