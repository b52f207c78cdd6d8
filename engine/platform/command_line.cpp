#include "platform/command_line.h"

#include <array>

#include "platform/arguments.h"
#include "platform/table_address.h"

namespace nad::options {
namespace {

enum Opt { Help, Version, Scale, Fullscreen, Windowed, Smooth, Sharp, Table };

constexpr std::array<LongOption, 8> kLong = {{
    {"help", Help, false},
    {"version", Version, false},
    {"scale", Scale, true},
    {"fullscreen", Fullscreen, false},
    {"windowed", Windowed, false},
    {"smooth", Smooth, false},
    {"sharp", Sharp, false},
    {"table", Table, true},
}};

CommandLine failure(std::string text) {
  CommandLine c;
  c.action = Action::Fail;
  c.error = std::move(text);
  return c;
}

} // namespace

CommandLine parse(const std::vector<std::string_view> &args) {
  CommandLine c;
  ArgumentReader reader(args, kLong);
  while (!reader.atEnd()) {
    const Result<Item> next = reader.next();
    if (!next.ok()) return failure(next.reason());
    const Item &item = next.value();
    if (!item.option) return failure("unexpected argument " + quoted(item.value));
    switch (item.option->id) {
    case Help: return CommandLine{Action::Help};
    case Version: return CommandLine{Action::Version};
    case Scale:
      c.window.scale = wholeNumber(item.value, kMinScale, kMaxScale);
      if (!c.window.scale)
        return failure("option " + item.shownName + ": " + quoted(item.value) + " is not a whole number from " +
                       std::to_string(kMinScale) + " to " + std::to_string(kMaxScale));
      break;
    case Fullscreen: c.window.fullscreen = true; break;
    case Windowed: c.window.fullscreen = false; break;
    case Smooth: c.window.smooth = true; break;
    case Sharp: c.window.smooth = false; break;
    case Table: {
      Result<TableAddress> table = readTableAddress(item.value);
      if (!table.ok())
        return failure("option " + item.shownName + ": " + quoted(item.value) +
                       " is not a shared table's address: " + table.reason());
      c.table = table.value();
      break;
    }
    default: break;
    }
  }
  return c;
}

std::string helpText() {
  return "Usage: nadilka [OPTION]...\n"
         "Nadílka, a Christmas arcade game: fly the sleigh over the rooftops and drop the\n"
         "presents into the chimneys.\n"
         "\n"
         "  --scale N     open the window N times the game's size (" +
         std::to_string(kMinScale) + " to " + std::to_string(kMaxScale) +
         ")\n"
         "  --fullscreen  start in desktop fullscreen\n"
         "  --windowed    start in a window\n"
         "  --sharp       scale in whole-number steps with sharp pixels (the default)\n"
         "  --smooth      fill the window smoothly, keeping the picture's shape\n"
         "  --table URL   enter each finished game in the shared high-score table at URL\n"
         "                (the table page's link, http(s)://HOST[:PORT]/...?table=ID)\n"
         "  -h, --help    show this help and exit\n"
         "  --version     show the version and exit\n"
         "\n"
         "F11 or Alt+Enter switches fullscreen on and off while the game runs. The window as\n"
         "it was when the game ended is kept for the next run in\n"
         "$XDG_CONFIG_HOME/nadilka/settings.ini (by default ~/.config/nadilka/settings.ini);\n"
         "the options above take precedence over it. A [tables] section there with\n"
         "table = URL sets the shared table without the option. Each run is taped in\n"
         "last-run.tape beside the high-score table: nadilka-replay --tape FILE replays it.\n";
}

std::string versionText() { return "nadilka " NADILKA_VERSION "\nLicence: MIT\n"; }

} // namespace nad::options
