#include "platform/settings_file.h"

#include <algorithm>
#include <iterator>
#include <optional>

#include "platform/arguments.h"
#include "platform/atomic_file.h"
#include "platform/utf8.h"

namespace nad::settings {
namespace {

constexpr std::string_view kSection = "window";

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

// The keys of the [window] section, each with how its value reads and is written: a new key is
// one row here. Values are read lowered and trimmed.
struct Key {
  std::string_view name;
  bool (*read)(std::string_view value, Settings &into);      // false: not a value of this key
  std::optional<std::string> (*write)(const Settings &from); // nothing while unset
};

// A setting that is one of two words.
template <std::optional<bool> Settings::*field>
bool readChoice(std::string_view value, std::string_view yes, std::string_view no, Settings &into) {
  if (value != yes && value != no) return false;
  into.*field = value == yes;
  return true;
}

constexpr Key kKeys[] = {
    {"mode",
     [](std::string_view v, Settings &s) { return readChoice<&Settings::fullscreen>(v, "fullscreen", "windowed", s); },
     [](const Settings &s) {
       return s.fullscreen ? std::optional<std::string>(*s.fullscreen ? "fullscreen" : "windowed") : std::nullopt;
     }},
    {"scale",
     [](std::string_view v, Settings &s) {
       const std::optional<int> scale = options::wholeNumber(v, options::kMinScale, options::kMaxScale);
       if (scale) s.scale = scale;
       return scale.has_value();
     },
     [](const Settings &s) { return s.scale ? std::optional<std::string>(std::to_string(*s.scale)) : std::nullopt; }},
    {"scaling", [](std::string_view v, Settings &s) { return readChoice<&Settings::smooth>(v, "smooth", "sharp", s); },
     [](const Settings &s) {
       return s.smooth ? std::optional<std::string>(*s.smooth ? "smooth" : "sharp") : std::nullopt;
     }},
};

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
      inSection = section == kSection;
      if (!inSection) p.problems.push_back(where + "unknown section " + shown("[" + section + "]"));
      continue;
    }
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
      p.problems.push_back(where + shown(line) + " is not a setting");
      continue;
    }
    const std::string key = lower(trim(line.substr(0, eq)));
    const std::string value = lower(trim(line.substr(eq + 1)));
    if (!inSection) {
      // Lines of an unknown section were reported with its header already.
      if (section.empty()) p.problems.push_back(where + shown(key) + " stands outside the [window] section");
      continue;
    }
    const Key *k = std::find_if(std::begin(kKeys), std::end(kKeys), [&](const Key &x) { return x.name == key; });
    if (k == std::end(kKeys))
      p.problems.push_back(where + "unknown setting " + shown(key));
    else if (!k->read(value, p.values))
      p.problems.push_back(
          std::string(where).append(shown(line.substr(eq + 1))).append(" is not a value of ").append(shown(key)));
  }
  return p;
}

std::string format(const Settings &s) {
  std::string out = "# nadilka: the window as it was when the game last ended. Written by the game;\n"
                    "# the command line's options take precedence (nadilka --help).\n"
                    "[window]\n";
  for (const Key &k : kKeys)
    if (const std::optional<std::string> value = k.write(s))
      out.append(k.name).append(" = ").append(*value).append("\n");
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
