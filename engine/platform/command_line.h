#pragma once
// The program's command line (read by options::ArgumentReader, platform/arguments.h). Plain C++:
// the program turns the result into window options, a help text, or exit status 2.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/table_address.h"
#include "platform/window_choice.h"

namespace nad::options {

enum class Action { Run, Help, Version, Fail };

struct CommandLine {
  Action action = Action::Run;
  WindowChoice window;               // what the player asked for on this run
  std::optional<TableAddress> table; // --table: the shared table the run's games go to
  std::string error;                 // with Action::Fail: one line, without the program's name
};

// The arguments after the program's name. Options are taken in order: the first --help or
// --version decides, unless a fault came before it; a later option overrides an earlier one.
CommandLine parse(const std::vector<std::string_view> &args);

// For --help and --version, on the standard output.
std::string helpText();
std::string versionText();

} // namespace nad::options
