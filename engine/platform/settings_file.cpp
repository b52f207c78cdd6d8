#include "platform/settings_file.h"

#include <algorithm>
#include <iterator>
#include <optional>

#include "platform/arguments.h"
#include "platform/atomic_file.h"
#include "platform/utf8.h"

namespace nad::settings {
namespace {

constexpr std::string_view kWindow = "window", kTables = "tables";

std::string_view trim(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

std::string lower(std::string_view s) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
  return out;
}

// Text from the file as it can be shown in a message on a terminal: at most 40 characters, and
// every control character (C0, DEL, C1: escape sequences, BEL) or byte of broken UTF-8 as '?',
// so that a hostile file can neither ring, recolour nor rewrite the player's terminal.
std::string shown(std::string_view text) {
  constexpr std::size_t kShownChars = 40;
  std::string out;
  std::size_t chars = 0, i = 0;
  for (; i < text.size() && chars < kShownChars; ++chars) {
    const utf8::Char c = utf8::decode(text, i);
    if (c.valid && !utf8::isControl(c.code))
      out.append(text.substr(i, c.length));
    else
      out += '?';
    i += c.length;
  }
  return "'" + out + (i < text.size() ? "...'" : "'");
}

// The keys of each section, with how the value reads and is written: a new key is one row here.
// Values are read trimmed, and lowered unless the key keeps their case.
struct Key {
  std::string_view section, name;
  bool keepsCase;
  Status (*read)(std::string_view value, Settings &into);    // fails: why it is no value of this key
  std::optional<std::string> (*write)(const Settings &from); // nothing while unset
};

Status notAValueOf(std::string_view key) { return Status::Failed("is not a value of " + shown(key)); }

// A setting that is one of two words.
template <std::optional<bool> options::WindowChoice::*field>
Status readChoice(std::string_view value, std::string_view name, std::string_view yes, std::string_view no,
                  Settings &into) {
  if (value != yes && value != no) return notAValueOf(name);
  into.*field = value == yes;
  return {};
}

constexpr Key kKeys[] = {
    {kWindow, "mode", false,
     [](std::string_view v, Settings &s) {
       return readChoice<&options::WindowChoice::fullscreen>(v, "mode", "fullscreen", "windowed", s);
     },
     [](const Settings &s) {
       return s.fullscreen ? std::optional<std::string>(*s.fullscreen ? "fullscreen" : "windowed") : std::nullopt;
     }},
    {kWindow, "scale", false,
     [](std::string_view v, Settings &s) {
       const std::optional<int> scale = options::wholeNumber(v, options::kMinScale, options::kMaxScale);
       if (!scale) return notAValueOf("scale");
       s.scale = scale;
       return Status();
     },
     [](const Settings &s) { return s.scale ? std::optional<std::string>(std::to_string(*s.scale)) : std::nullopt; }},
    {kWindow, "scaling", false,
     [](std::string_view v, Settings &s) {
       return readChoice<&options::WindowChoice::smooth>(v, "scaling", "smooth", "sharp", s);
     },
     [](const Settings &s) {
       return s.smooth ? std::optional<std::string>(*s.smooth ? "smooth" : "sharp") : std::nullopt;
     }},
    {kTables, "table", true,
     [](std::string_view v, Settings &s) {
       Result<TableAddress> table = readTableAddress(v);
       if (!table.ok()) return Status::Failed("is not a shared table's address: " + table.reason());
       s.table = table.value();
       return Status();
     },
     [](const Settings &s) { return s.table ? std::optional<std::string>(s.table->text) : std::nullopt; }},
};

bool knownSection(std::string_view name) { return name == kWindow || name == kTables; }

} // namespace

Parsed parse(std::string_view text) {
  Parsed p;
  std::string section;
  bool inSection = false;
  int number = 0;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    const std::string_view raw = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++number;
    const std::string_view line = trim(raw);
    const std::string where = "line " + std::to_string(number) + ": ";
    if (line.empty() || line.front() == '#' || line.front() == ';') continue;

    if (line.front() == '[') {
      if (line.back() != ']') {
        p.problems.push_back(where + shown(line) + " is not a section name");
        inSection = false;
        continue;
      }
      section = lower(trim(line.substr(1, line.size() - 2)));
      inSection = knownSection(section);
      if (!inSection) p.problems.push_back(where + "unknown section " + shown("[" + section + "]"));
      continue;
    }
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
      p.problems.push_back(where + shown(line) + " is not a setting");
      continue;
    }
    const std::string key = lower(trim(line.substr(0, eq)));
    if (!inSection) {
      // Lines of an unknown section were reported with its header already.
      if (section.empty()) {
        const Key *home = std::find_if(std::begin(kKeys), std::end(kKeys), [&](const Key &x) { return x.name == key; });
        const std::string_view belongs = home == std::end(kKeys) ? kWindow : home->section;
        p.problems.push_back(where + shown(key) + " stands outside the [" + std::string(belongs) + "] section");
      }
      continue;
    }
    const Key *k = std::find_if(std::begin(kKeys), std::end(kKeys),
                                [&](const Key &x) { return x.section == section && x.name == key; });
    if (k == std::end(kKeys)) {
      p.problems.push_back(where + "unknown setting " + shown(key));
      continue;
    }
    const std::string_view given = trim(line.substr(eq + 1));
    if (const Status read = k->read(k->keepsCase ? std::string(given) : lower(given), p.values); !read.ok())
      p.problems.push_back(std::string(where).append(shown(line.substr(eq + 1))).append(" ").append(read.reason()));
  }
  return p;
}

std::string format(const Settings &s) {
  std::string out = "# nadilka: the window as it was when the game last ended. Written by the game;\n"
                    "# the command line's options take precedence (nadilka --help).\n"
                    "[window]\n";
  std::string_view section = kWindow;
  for (const Key &k : kKeys) {
    const std::optional<std::string> value = k.write(s);
    if (!value) continue;
    if (k.section != section) out.append("[").append(k.section).append("]\n"), section = k.section;
    out.append(k.name).append(" = ").append(*value).append("\n");
  }
  return out;
}

std::filesystem::path locate(const char *xdgConfigHome, const char *home) {
  std::filesystem::path base;
  if (xdgConfigHome && xdgConfigHome[0] == '/')
    base = xdgConfigHome;
  else if (home && home[0] != '\0')
    base = std::filesystem::path(home) / ".config";
  else
    return {};
  return base / "nadilka" / "settings.ini";
}

LoadResult load(const std::filesystem::path &path) {
  LoadResult res;
  files::ReadResult read = files::readAtMost(path, kMaxFileBytes);
  if (read.tooLarge)
    read.status = Status::Failed(path.string() + " is larger than " + std::to_string(kMaxFileBytes / 1024) +
                                 " KiB, so the file is ignored");
  if (read.missing) {
    res.status = Status::Failed("no settings in " + path.string() + " yet; the defaults apply");
    return res;
  }
  if (!read.status.ok()) {
    res.readable = false;
    res.status = Status::Failed(read.status.reason() + "; the defaults apply");
    return res;
  }
  Parsed p = parse(read.bytes);
  res.values = p.values;
  if (!p.problems.empty()) {
    const bool none = p.values == Settings{};
    std::string what = path.string() + ": " + p.problems.front();
    if (p.problems.size() > 1) what += " (and " + std::to_string(p.problems.size() - 1) + " more)";
    res.status = Status::Failed(what + (none ? "; the file is ignored" : "; such lines are ignored"));
  }
  return res;
}

Status save(const std::filesystem::path &path, const Settings &s) { return files::writeAtomically(path, format(s)); }

} // namespace nad::settings
