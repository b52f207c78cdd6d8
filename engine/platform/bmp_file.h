#pragma once
// Reading and writing 24-bit uncompressed bottom-up BMP pictures.
#include <string>

#include "platform/report.h"
#include "platform/surface.h"

namespace nad {

// Reads a 24-bit uncompressed BMP (bottom-up or top-down). Throws StartupError naming the file
// when it is missing or not such a picture: the game reads its pictures only at start-up.
Surface readBmp(const std::string &path);
// Writes a 24-bit uncompressed bottom-up BMP with rows padded to 4 bytes.
Status writeBmp(const std::string &path, const Surface &s);

} // namespace nad
