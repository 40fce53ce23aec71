#include "platform/rtl/resources.h"

#include <map>

#include "platform/rtl/strings.h"

namespace {
struct NameLess {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const { return CompareText(a, b) < 0; }
};
// Filled by static initialisers: a function-local static avoids the initialisation-order problem.
std::map<std::string, TResourceBlob, NameLess>& Table() {
  static std::map<std::string, TResourceBlob, NameLess> table;
  return table;
}
}  // namespace

void RegisterResource(std::string_view name, const unsigned char* data, size_t size) {
  Table()[std::string(name)] = TResourceBlob{data, size};
}

const TResourceBlob* FindResourceBlob(std::string_view name) {
  auto& t = Table();
  auto it = t.find(name);
  return it == t.end() ? nullptr : &it->second;
}

std::vector<std::string> ResourceNames() {
  std::vector<std::string> names;
  for (auto& [k, v] : Table()) names.push_back(k);
  return names;
}
