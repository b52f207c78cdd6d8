#pragma once
// The program's command line, read the usual way: long options with their value after a blank
// or an equals sign, unambiguous abbreviations of them, "--" ending the options. Plain C++: the
// program turns the result into window options, a help text, or exit status 2.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nad::options {

inline constexpr int kMinScale = 1, kMaxScale = 8;

// What the player asked for on this run; an unset field is left to the settings file and then
// to the display.
struct WindowChoice {
  std::optional<int> scale;       // the window's size in whole multiples of the game's frame
  std::optional<bool> fullscreen; // desktop fullscreen instead of a window
  std::optional<bool> smooth;     // fill the window smoothly instead of whole-number steps
  bool operator==(const WindowChoice &) const = default;
};

enum class Action { Run, Help, Version, Fail };

struct CommandLine {
  Action action = Action::Run;
  WindowChoice window;
  std::string error; // with Action::Fail: one line, without the program's name
};

// The arguments after the program's name. Options are taken in order: the first --help or
// --version decides, unless a fault came before it; a later option overrides an earlier one.
CommandLine parse(const std::vector<std::string_view> &args);

// For --help and --version, on the standard output.
std::string helpText();
std::string versionText();

} // namespace nad::options
