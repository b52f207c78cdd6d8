#pragma once
// How the window should be: asked on the command line, kept in the settings file, reported by
// the desktop's window at the end. Plain data, shared by the program's options and its backend.
#include <optional>

namespace nad::options {

inline constexpr int kMinScale = 1, kMaxScale = 8;

// An unset field is left to the next source (the settings file, then the display).
struct WindowChoice {
  std::optional<int> scale;       // the window's size in whole multiples of the game's frame
  std::optional<bool> fullscreen; // desktop fullscreen instead of a window
  std::optional<bool> smooth;     // fill the window smoothly instead of whole-number steps
  bool operator==(const WindowChoice &) const = default;
};

} // namespace nad::options
