#pragma once
// Order-by lists: a sort text such as "NAME DESC, ID" parsed into sort keys by column index.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/rtl/classinfo.h"

struct TOrderByItemGx {
  int FieldIndex = -1;
  bool Desc = false;

  friend bool operator==(const TOrderByItemGx&, const TOrderByItemGx&) = default;
};

class TOrderByList : public TObject {
  FANO_CLASS(TOrderByList)
 public:
  TOrderByList() = default;

  // Parses the text: items separated by "," or ";", each a field name optionally followed by ASC
  // or DESC (several may follow; once DESC has appeared the item stays descending, as the memory
  // table's SortOrder reads it, so one text orders alike both ways). An empty text leaves the
  // list as it was. On an error the list keeps its previous keys and the exception
  // names the field (" Field - "NAME" not found.") or the token (" Invalid token - "X"").
  void ParseOrderByStr(std::string_view text);
  // The column index of a name, -1 when there is none; the base knows no columns.
  virtual int FieldIndexByName(std::string_view name) const;

  int Count() const noexcept { return static_cast<int>(items_.size()); }
  bool Empty() const noexcept { return items_.empty(); }
  const TOrderByItemGx& GetItem(int index) const;
  const TOrderByItemGx& operator[](int index) const { return GetItem(index); }
  const std::vector<TOrderByItemGx>& Items() const noexcept { return items_; }
  void Add(TOrderByItemGx item) { items_.push_back(item); }
  void SetItems(std::vector<TOrderByItemGx> items) { items_ = std::move(items); }
  void Clear() noexcept { items_.clear(); }

 private:
  std::vector<TOrderByItemGx> items_;
};
