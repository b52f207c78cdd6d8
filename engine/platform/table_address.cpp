#include "platform/table_address.h"

#include <uriparser/Uri.h>

#include <memory>
#include <optional>

#include "platform/arguments.h"

namespace nad {
namespace {

std::string_view part(const UriTextRangeA &r) {
  return r.first ? std::string_view(r.first, std::size_t(r.afterLast - r.first)) : std::string_view();
}

bool idChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

struct UriFree {
  void operator()(UriUriA *u) const {
    uriFreeUriMembersA(u);
    delete u;
  }
};

// The value of the query's last `table` (a link may have gained other parameters on its way).
Result<std::string> tableId(const UriUriA &uri) {
  const std::string_view query = part(uri.query);
  if (query.empty()) return Result<std::string>::Failed("it has no ?table=ID");
  UriQueryListA *list = nullptr;
  int count = 0;
  if (uriDissectQueryMallocA(&list, &count, query.data(), query.data() + query.size()) != URI_SUCCESS)
    return Result<std::string>::Failed("its query cannot be read");
  std::optional<std::string> id;
  for (const UriQueryListA *q = list; q; q = q->next)
    if (std::string_view(q->key) == "table") id = q->value ? q->value : "";
  uriFreeQueryListA(list);
  if (!id) return Result<std::string>::Failed("it has no ?table=ID");
  if (id->empty() || id->size() > kMaxTableIdBytes)
    return Result<std::string>::Failed("the table's id is not 1 to " + std::to_string(kMaxTableIdBytes) +
                                       " characters long");
  for (char c : *id)
    if (!idChar(c))
      return Result<std::string>::Failed("the table's id holds other characters than letters, digits, - and _");
  return *id;
}

} // namespace

std::string TableAddress::origin() const { return scheme + "://" + host + ":" + std::to_string(port); }

std::string TableAddress::scoresPath() const { return "/api/tables/" + id + "/scores"; }

Result<TableAddress> readTableAddress(std::string_view text) {
  using R = Result<TableAddress>;
  if (text.size() > kMaxTableAddressBytes)
    return R::Failed("it is longer than " + std::to_string(kMaxTableAddressBytes) + " characters");
  std::unique_ptr<UriUriA, UriFree> uri(new UriUriA{});
  const char *errorAt = nullptr;
  if (uriParseSingleUriExA(uri.get(), text.data(), text.data() + text.size(), &errorAt) != URI_SUCCESS)
    return R::Failed("it is not a web address");
  TableAddress a;
  a.text = text;
  for (char c : part(uri->scheme)) a.scheme += char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  if (a.scheme != "http" && a.scheme != "https") return R::Failed("it does not start with http:// or https://");
  if (!part(uri->userInfo).empty()) return R::Failed("it holds a user name");
  a.host = part(uri->hostText);
  if (a.host.empty()) return R::Failed("it names no host");
  if (uri->hostData.ip6 || uri->hostData.ipFuture.first) a.host = "[" + a.host + "]";
  const std::string_view port = part(uri->portText);
  if (port.empty()) {
    a.port = a.scheme == "https" ? 443 : 80;
  } else {
    const std::optional<int> n = options::wholeNumber(port, 1, 65535);
    if (!n) return R::Failed("its port is not a whole number from 1 to 65535");
    a.port = *n;
  }
  Result<std::string> id = tableId(*uri);
  if (!id.ok()) return R::Failed(id.reason());
  a.id = id.value();
  return a;
}

} // namespace nad
