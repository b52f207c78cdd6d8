#pragma once
// The settings file, $XDG_CONFIG_HOME/nadilka/settings.ini: how the window was when the game
// last ended (fullscreen or not, its scale, sharp or smooth scaling), and the shared high-score
// table the player set by hand. The music switch is not kept: the game's rules start every run
// with the music on. Plain C++, no window.
//
//   [window]
//   mode = windowed        (or fullscreen)
//   scale = 2              (1 to 8)
//   scaling = sharp        (or smooth)
//   [tables]
//   table = https://example.org/?table=ID   (the table page's link; the only case-kept value)
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/report.h"
#include "platform/table_address.h"
#include "platform/window_choice.h"

namespace nad::settings {

inline constexpr std::size_t kMaxFileBytes = std::size_t{64} * 1024;

// The window's part is written anew at each game's end; the table is only ever read, and kept
// as it was when the file is written again.
struct Settings : options::WindowChoice {
  Settings() = default;
  Settings(std::optional<int> scale, std::optional<bool> fullscreen, std::optional<bool> smooth)
      : WindowChoice{scale, fullscreen, smooth} {}
  std::optional<TableAddress> table;
  bool operator==(const Settings &) const = default;
};

// Never fails. Blank lines and lines opening with '#' or ';' are skipped; keys and values are
// trimmed and read without regard to case. A line that is not a known key with a good value in
// its section ([window], [tables]) is reported ("line 3: ...") and otherwise ignored; a key given twice
// counts as last given.
struct Parsed {
  Settings values;
  std::vector<std::string> problems;
};
Parsed parse(std::string_view text);
// The file's text; unset values are left out.
std::string format(const Settings &s);

// $XDG_CONFIG_HOME/nadilka/settings.ini when XDG_CONFIG_HOME is an absolute path, else
// $HOME/.config/nadilka/settings.ini; empty when neither is usable.
std::filesystem::path locate(const char *xdgConfigHome, const char *home);

// Never throws; the values are always usable. `status` fails with the one line to say on
// stderr when the file is missing, cannot be read (then `readable` is false), or has lines that
// were ignored.
struct LoadResult {
  Settings values;
  bool readable = true;
  Status status;
};
LoadResult load(const std::filesystem::path &path);

// Writes format(s) atomically (see files::writeAtomically); a failure carries a one-line reason.
Status save(const std::filesystem::path &path, const Settings &s);

} // namespace nad::settings
