#pragma once
// The high-score file extract.ext: seven lines `"name","points"` CR LF, best first, in the
// Central European Windows code page 1250 so that tables kept by older Windows versions of the
// game read right. Pure file logic: no window, no SDL.
#include <array>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "platform/atomic_file.h"
#include "platform/report.h"

namespace nad::hiscore {

inline constexpr int kRows = 7;
inline constexpr int kMaxNameChars = 20;
inline constexpr const char *kFileName = "extract.ext";

struct Record {
  std::string name = "-";   // UTF-8
  std::string points = "0"; // the field as read; numberValue() gives its value
  bool operator==(const Record &) const = default;
};
using Table = std::array<Record, kRows>;

// Never fails. Fields are separated by commas or line ends (CR LF, LF, CR); a field's leading
// blanks are skipped; a field opening with a double quote runs to the next double quote (line
// ends included) and whatever follows up to the next separator is ignored; any other field runs
// to the next separator with trailing blanks trimmed. Empty lines give no field. Fields 1-14 fill
// rows 0-6 in order, the rest is ignored; rows without fields keep "-" and "0". Names are
// converted from cp1250 to UTF-8 but otherwise kept as written.
Table parse(std::string_view fileBytes);
// The exact bytes of the file. Names pass through cleanName() and points through
// numberText(numberValue()) first, so whatever the table holds the result is always seven
// well-formed lines.
std::string format(const Table &t);

// The leading number of a text: blanks (space, tab), an optional sign, digits and an optional
// fraction after a point (".5" counts); no exponent. 0 when the text does not start with a number.
// The result is clamped to +-1e15 so that it always prints as whole digits; never -0.
double numberValue(std::string_view text);
// Plain decimal digits, '-' when negative, never "-0". Fractions (only a hand-edited file can hold
// them) round to the nearest whole number, exact halves to the even one; NaN gives "0", values
// beyond +-1e15 are clamped.
std::string numberText(double value);

// A name as it will be stored: control characters (C0, DEL, C1) and invalid UTF-8 dropped, '"'
// turned into '\'' (the format cannot carry a quote), characters with no cp1250 byte turned into
// '?' (so the table on screen shows what the file will hold), then cut to the first kMaxNameChars
// code points.
std::string cleanName(std::string_view utf8);

// cp1250 <-> UTF-8. The five bytes cp1250 leaves undefined (0x81 0x83 0x88 0x90 0x98) read as
// U+FFFD; on writing, every character outside cp1250 (U+FFFD included) and every invalid UTF-8
// byte becomes '?'.
std::string cp1250ToUtf8(std::string_view bytes);
std::string utf8ToCp1250(std::string_view utf8);

// Where the table lives: the program's folder when it is writable and not `shared` (a system
// package's data folder, which no player writes, not even root); otherwise the user's data
// folder ($XDG_DATA_HOME/nadilka/extract.ext, default $HOME/.local/share/nadilka/extract.ext;
// a relative XDG_DATA_HOME is ignored): read from there when that file exists, else from the
// program's folder (the installed table); always written there. With neither variable usable both
// paths stay in the program's folder and saving reports why it failed.
struct Location {
  std::filesystem::path readPath, writePath;
};
Location locate(const std::filesystem::path &programDir, const char *xdgDataHome, const char *home,
                bool shared = false);

struct LoadResult {
  Table table;
  bool complete = false; // the file held all fourteen fields
  bool readable = false; // the file was there and could be read, complete or not
  Status status;         // failed with a one-line reason when it was not read whole
};
// Never throws; the table is always usable. A missing, unreadable or short file gives the
// defaults for what is missing;
// anything but a regular file is unreadable and never blocks. Reads at most kMaxFileBytes.
inline constexpr std::size_t kMaxFileBytes = 1 << 20;
LoadResult load(const std::filesystem::path &path);
// The same from bytes read elsewhere (the game reads through its platform): `path` names the file
// in the reason.
LoadResult fromRead(const files::ReadResult &read, const std::filesystem::path &path);

// Test hooks, see files::WriteHooks.
using SaveHooks = files::WriteHooks;
// Writes format(t) with files::writeAtomically (its comment says what a crash or a failure
// leaves behind); a failure carries a one-line reason and reports nothing itself.
Status save(const std::filesystem::path &path, const Table &t, const SaveHooks *hooks = nullptr);

} // namespace nad::hiscore
