#include "platform/arguments.h"

namespace nad::options {

std::string quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

// An exact name wins; otherwise a prefix of exactly one name (as getopt_long does).
Result<const LongOption *> ArgumentReader::find(std::string_view name) const {
  const LongOption *found = nullptr;
  int matches = 0;
  std::string candidates;
  for (const LongOption &o : options_) {
    if (o.name == name) return &o;
    if (name.empty() || o.name.substr(0, name.size()) != name) continue;
    found = &o;
    ++matches;
    candidates += (candidates.empty() ? "--" : ", --") + std::string(o.name);
  }
  const std::string shown = quoted("--" + std::string(name));
  if (matches > 1) return Result<const LongOption *>::Failed("option " + shown + " is ambiguous (" + candidates + ")");
  if (matches == 0) return Result<const LongOption *>::Failed("unknown option " + shown);
  return found;
}

void ArgumentReader::skipEndOfOptions() {
  if (!optionsEnded_ && at_ < args_.size() && args_[at_] == "--") optionsEnded_ = true, ++at_;
}

Result<Item> ArgumentReader::next() {
  Result<Item> item = read();
  skipEndOfOptions();
  return item;
}

Result<Item> ArgumentReader::read() {
  Item item;
  const std::string_view arg = args_[at_++];
  if (optionsEnded_ || arg.size() < 2 || arg[0] != '-') {
    item.value = arg;
    return item;
  }
  std::string_view name = arg.substr(2), value;
  if (arg == "-h")
    name = "help";
  else if (arg[1] != '-')
    return Result<Item>::Failed("unknown option " + quoted(arg));
  const size_t eq = name.find('=');
  const bool hasValue = eq != std::string_view::npos;
  if (hasValue) value = name.substr(eq + 1), name = name.substr(0, eq);
  Result<const LongOption *> o = find(name);
  if (!o.ok()) return Result<Item>::Failed(o.reason());
  item.option = o.value();
  item.shownName = quoted("--" + std::string(item.option->name));
  if (!item.option->takesValue && hasValue) return Result<Item>::Failed("option " + item.shownName + " takes no value");
  if (item.option->takesValue && !hasValue) {
    if (atEnd()) return Result<Item>::Failed("option " + item.shownName + " needs a value");
    value = args_[at_++];
  }
  item.value = value;
  return item;
}

} // namespace nad::options
