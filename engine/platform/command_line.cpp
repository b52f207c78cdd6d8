#include "platform/command_line.h"

#include <array>
#include <charconv>

namespace nad::options {
namespace {

enum class Opt { Help, Version, Scale, Fullscreen, Windowed, Smooth, Sharp };

struct LongOption {
  std::string_view name;
  Opt opt;
  bool takesValue;
};

constexpr std::array<LongOption, 7> kLong = {{
    {"help", Opt::Help, false},
    {"version", Opt::Version, false},
    {"scale", Opt::Scale, true},
    {"fullscreen", Opt::Fullscreen, false},
    {"windowed", Opt::Windowed, false},
    {"smooth", Opt::Smooth, false},
    {"sharp", Opt::Sharp, false},
}};

std::string quoted(std::string_view s) { return "'" + std::string(s) + "'"; }

CommandLine failure(std::string text) {
  CommandLine c;
  c.action = Action::Fail;
  c.error = std::move(text);
  return c;
}

// An exact name wins; otherwise a prefix of exactly one name (as getopt_long does).
const LongOption *findLong(std::string_view name, std::string &error) {
  const LongOption *found = nullptr;
  int matches = 0;
  std::string candidates;
  for (const LongOption &o : kLong) {
    if (o.name == name) return &o;
    if (name.empty() || o.name.substr(0, name.size()) != name) continue;
    found = &o;
    ++matches;
    candidates += (candidates.empty() ? "--" : ", --") + std::string(o.name);
  }
  const std::string shown = quoted("--" + std::string(name));
  if (matches > 1) error = "option " + shown + " is ambiguous (" + candidates + ")";
  if (matches == 0) error = "unknown option " + shown;
  return matches == 1 ? found : nullptr;
}

bool parseScale(std::string_view text, int &out) {
  int v = 0;
  const char *end = text.data() + text.size();
  auto [p, ec] = std::from_chars(text.data(), end, v);
  if (text.empty() || ec != std::errc() || p != end || v < kMinScale || v > kMaxScale) return false;
  out = v;
  return true;
}

} // namespace

CommandLine parse(const std::vector<std::string_view> &args) {
  CommandLine c;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == "--") {
      if (i + 1 < args.size()) return failure("unexpected argument " + quoted(args[i + 1]));
      break;
    }
    if (arg == "-h") return CommandLine{Action::Help};
    if (arg.size() < 2 || arg[0] != '-') return failure("unexpected argument " + quoted(arg));
    if (arg[1] != '-') return failure("unknown option " + quoted(arg));

    std::string_view name = arg.substr(2), value;
    const size_t eq = name.find('=');
    const bool hasValue = eq != std::string_view::npos;
    if (hasValue) value = name.substr(eq + 1), name = name.substr(0, eq);
    std::string error;
    const LongOption *o = findLong(name, error);
    if (!o) return failure(error);
    const std::string shown = quoted("--" + std::string(o->name));
    if (!o->takesValue && hasValue) return failure("option " + shown + " takes no value");
    if (o->takesValue && !hasValue) {
      if (i + 1 >= args.size()) return failure("option " + shown + " needs a value");
      value = args[++i];
    }

    switch (o->opt) {
    case Opt::Help: return CommandLine{Action::Help};
    case Opt::Version: return CommandLine{Action::Version};
    case Opt::Scale: {
      int scale = 0;
      if (!parseScale(value, scale))
        return failure("option " + shown + ": " + quoted(value) + " is not a whole number from " +
                       std::to_string(kMinScale) + " to " + std::to_string(kMaxScale));
      c.window.scale = scale;
      break;
    }
    case Opt::Fullscreen: c.window.fullscreen = true; break;
    case Opt::Windowed: c.window.fullscreen = false; break;
    case Opt::Smooth: c.window.smooth = true; break;
    case Opt::Sharp: c.window.smooth = false; break;
    }
  }
  return c;
}

std::string helpText() {
  return "Usage: nadilka [OPTION]...\n"
         "Nadílka, a Christmas arcade game: fly the sleigh over the rooftops and drop the\n"
         "presents into the chimneys.\n"
         "\n"
         "  --scale N     open the window N times the game's size (1 to 8)\n"
         "  --fullscreen  start in desktop fullscreen\n"
         "  --windowed    start in a window\n"
         "  --sharp       scale in whole-number steps with sharp pixels (the default)\n"
         "  --smooth      fill the window smoothly, keeping the picture's shape\n"
         "  -h, --help    show this help and exit\n"
         "  --version     show the version and exit\n"
         "\n"
         "F11 or Alt+Enter switches fullscreen on and off while the game runs. The window as\n"
         "it was when the game ended is kept for the next run in\n"
         "$XDG_CONFIG_HOME/nadilka/settings.ini (by default ~/.config/nadilka/settings.ini);\n"
         "the options above take precedence over it.\n";
}

std::string versionText() { return "nadilka " NADILKA_VERSION "\nLicence: MIT\n"; }

} // namespace nad::options
