#include "platform/arguments.h"

namespace nad::options {

std::string quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

// An exact name wins; otherwise a prefix of exactly one name (as getopt_long does).
const LongOption *ArgumentReader::find(std::string_view name, std::string &error) const {
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
  if (matches > 1) error = "option " + shown + " is ambiguous (" + candidates + ")";
  if (matches == 0) error = "unknown option " + shown;
  return matches == 1 ? found : nullptr;
}

bool ArgumentReader::next(Item &item, std::string &error) {
  item = Item{};
  if (at_ >= args_.size()) return false;
  const std::string_view arg = args_[at_++];
  if (optionsEnded_ || arg.size() < 2 || arg[0] != '-') {
    item.value = arg;
    return true;
  }
  if (arg == "--") {
    optionsEnded_ = true;
    return next(item, error);
  }
  std::string_view name = arg.substr(2), value;
  if (arg == "-h") {
    name = "help";
  } else if (arg[1] != '-') {
    error = "unknown option " + quoted(arg);
    return false;
  }
  const size_t eq = name.find('=');
  const bool hasValue = eq != std::string_view::npos;
  if (hasValue) value = name.substr(eq + 1), name = name.substr(0, eq);
  const LongOption *o = find(name, error);
  if (!o) return false;
  item.option = o;
  item.shownName = quoted("--" + std::string(o->name));
  if (!o->takesValue && hasValue) {
    error = "option " + item.shownName + " takes no value";
    return false;
  }
  if (o->takesValue && !hasValue) {
    if (at_ >= args_.size()) {
      error = "option " + item.shownName + " needs a value";
      return false;
    }
    value = args_[at_++];
  }
  item.value = value;
  return true;
}

} // namespace nad::options
