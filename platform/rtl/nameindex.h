#pragma once
// Positions of names in a list that grows at its end, for look-ups ignoring case. Names of
// printable ASCII characters alone are kept by their lower-cased text; the positions of the others
// are kept apart, in order, for the owner to compare one by one. The index covers the leading
// names of the list, is extended by the owner as names are appended, and is forgotten on any other
// change.
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/rtl/strings.h"

class TNameIndex {
 public:
  // The lower-cased name when it holds printable ASCII characters alone; two such names are the
  // same text ignoring case exactly when their keys are equal.
  static bool Key(std::string_view name, std::string& key) {
    key.assign(name);
    for (char& c : key) {
      if (c < 0x20 || c > 0x7E) return false;
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    }
    return true;
  }

  // How many leading names are in the index.
  int Indexed() const noexcept { return indexed_; }
  void Forget() noexcept { indexed_ = 0; }

  // Takes in the names up to `count`; `nameAt(i)` is the name at i. A list shorter than the index
  // is indexed again. An empty name (an item not yet named) is left out.
  template <class NameAt>
  void Extend(int count, NameAt nameAt) {
    if (indexed_ > count) indexed_ = 0;
    if (indexed_ == 0) {
      byKey_.clear();
      others_.clear();
    }
    std::string key;
    for (; indexed_ < count; ++indexed_) {
      const std::string_view name = nameAt(indexed_);
      if (name.empty()) continue;
      if (Key(name, key))
        byKey_.try_emplace(key, indexed_);
      else
        others_.push_back(indexed_);
    }
  }

  // The first position whose name has that key, or -1.
  int Find(const std::string& key) const {
    auto it = byKey_.find(key);
    return it == byKey_.end() ? -1 : it->second;
  }
  // The first of `count` names (`nameAt(i)` the name at i) that is the same as `name` by the
  // locale's comparison ignoring case, or -1. A printable ASCII name is found through the index,
  // extended first; the names without a key may still compare the same (characters the collation
  // ignores) and are compared one by one; any other name is compared with every name.
  template <class NameAt>
  int IndexOf(std::string_view name, int count, NameAt nameAt) {
    std::string key;
    if (name.empty() || !Key(name, key)) {
      for (int i = 0; i < count; ++i)
        if (AnsiSameText(nameAt(i), name)) return i;
      return -1;
    }
    Extend(count, nameAt);
    const int found = Find(key);
    for (int i : others_) {
      if (found >= 0 && i > found) break;
      if (AnsiSameText(nameAt(i), name)) return i;
    }
    return found;
  }
  // The positions of names that have no key, ascending.
  const std::vector<int>& Others() const noexcept { return others_; }

  // The name at `index` changed from `oldName`: a first name given to an indexed item joins the
  // index, any other renaming forgets it.
  void Renamed(int index, std::string_view oldName, std::string_view newName) {
    if (index < 0 || index >= indexed_ || (oldName.empty() && newName.empty())) return;
    std::string key;
    if (!oldName.empty() || !Key(newName, key)) {
      Forget();
      return;
    }
    auto [it, added] = byKey_.try_emplace(key, index);
    if (!added && it->second > index) it->second = index;
  }

 private:
  int indexed_ = 0;
  std::unordered_map<std::string, int> byKey_;
  std::vector<int> others_;
};
