#include "platform/rtl/lists.h"

#include <algorithm>
#include <utility>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"

FANO_IMPLEMENT_CLASS(TList, TObject)
FANO_IMPLEMENT_CLASS(TObjectList, TList)
FANO_IMPLEMENT_ABSTRACT(TStrings, TPersistent)
FANO_IMPLEMENT_CLASS(TStringList, TStrings)

const char* const sLineBreak = "\r\n";

namespace {
std::string WithNumber(const char* message, int data) {
  // The messages carry one %d.
  std::string text(message);
  size_t at = text.find("%d");
  if (at != std::string::npos) text.replace(at, 2, std::to_string(data));
  return text;
}
}  // namespace

// ---- TList ----

TList::~TList() {
  // Descendants that free their items do so in their own destructor (Notify no longer reaches
  // them here).
  items_.clear();
}

void TList::Error(const char* message, int data) { throw EListError(WithNumber(message, data)); }

void TList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) Error("List index out of bounds (%d)", index);
}

int TList::Add(void* item) {
  int index = Count();
  items_.push_back(item);
  if (item) Notify(item, lnAdded);
  return index;
}

void TList::Insert(int index, void* item) {
  if (index < 0 || index > Count()) Error("List index out of bounds (%d)", index);
  items_.insert(items_.begin() + index, item);
  if (item) Notify(item, lnAdded);
}

void TList::Delete(int index) {
  CheckIndex(index);
  void* item = items_[index];
  items_.erase(items_.begin() + index);
  if (item) Notify(item, lnDeleted);
}

int TList::Remove(void* item) {
  int index = IndexOf(item);
  if (index >= 0) Delete(index);
  return index;
}

void* TList::Extract(void* item) {
  int index = IndexOf(item);
  if (index < 0) return nullptr;
  items_.erase(items_.begin() + index);
  Notify(item, lnExtracted);
  return item;
}

void TList::Clear() {
  // Items go last first, so a notification sees the list without the items after it.
  while (!items_.empty()) Delete(Count() - 1);
  items_.shrink_to_fit();
}

void TList::Exchange(int index1, int index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  std::swap(items_[index1], items_[index2]);
}

void TList::Move(int curIndex, int newIndex) {
  if (curIndex == newIndex) return;
  CheckIndex(curIndex);
  CheckIndex(newIndex);
  void* item = items_[curIndex];
  items_.erase(items_.begin() + curIndex);
  items_.insert(items_.begin() + newIndex, item);
}

int TList::IndexOf(const void* item) const {
  auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void* TList::First() const { return Items(0); }
void* TList::Last() const { return Items(Count() - 1); }

void TList::Pack() { items_.erase(std::remove(items_.begin(), items_.end(), nullptr), items_.end()); }

void TList::Sort(const TListSortCompare& compare) {
  std::stable_sort(items_.begin(), items_.end(), [&](void* a, void* b) { return compare(a, b) < 0; });
}

void TList::SetCount(int newCount) {
  if (newCount < 0) Error("List count out of bounds (%d)", newCount);
  if (newCount > Count()) {
    items_.resize(static_cast<size_t>(newCount), nullptr);
  } else {
    while (Count() > newCount) Delete(Count() - 1);
  }
}

void TList::SetCapacity(int newCapacity) {
  if (newCapacity < Count()) Error("List capacity out of bounds (%d)", newCapacity);
  items_.reserve(static_cast<size_t>(newCapacity));
}

void* TList::Items(int index) const {
  CheckIndex(index);
  return items_[index];
}

void TList::SetItems(int index, void* item) {
  CheckIndex(index);
  void* old = items_[index];
  if (old == item) return;
  items_[index] = item;
  if (old) Notify(old, lnDeleted);
  if (item) Notify(item, lnAdded);
}

void TList::Notify(void*, TListNotification) {}

// ---- TObjectList ----

TObjectList::~TObjectList() {
  // Clear here, while Notify still frees owned objects.
  Clear();
}

void TObjectList::Notify(void* item, TListNotification action) {
  if (ownsObjects_ && action == lnDeleted) static_cast<TObject*>(item)->Free();
  TList::Notify(item, action);
}

int TObjectList::FindInstanceOf(TClass cls, bool exact, int startAt) const {
  for (int i = std::max(startAt, 0); i < Count(); ++i) {
    TObject* obj = Items(i);
    if (!obj) continue;
    if (exact ? obj->ClassType() == cls : obj->InheritsFrom(cls)) return i;
  }
  return -1;
}

// ---- TStrings ----

TStrings::~TStrings() = default;

void TStrings::Error(const char* message, int data) const { throw EStringListError(WithNumber(message, data)); }

int TStrings::Add(std::string_view s) {
  int index = GetCount();
  Insert(index, s);
  return index;
}

int TStrings::AddObject(std::string_view s, TObject* obj) {
  int index = Add(s);
  PutObject(index, obj);
  return index;
}

void TStrings::AddStrings(TStrings* strings) {
  if (!strings) return;
  // Copy first: adding a list to itself must not run forever.
  std::vector<std::pair<std::string, TObject*>> items;
  for (int i = 0; i < strings->Count(); ++i) items.emplace_back(strings->Get(i), strings->GetObject(i));
  WithUpdate(*this, [&] {
    for (auto& [s, obj] : items) AddObject(s, obj);
  });
}

void TStrings::AddStrings(const std::vector<std::string>& strings) {
  WithUpdate(*this, [&] {
    for (auto& s : strings) Add(s);
  });
}

void TStrings::Assign(TPersistent* source) {
  if (auto* src = dynamic_cast<TStrings*>(source)) {
    if (src == this) return;
    WithUpdate(*this, [&] {
      Clear();
      delimiter_ = src->delimiter_;
      quoteChar_ = src->quoteChar_;
      nameValueSeparator_ = src->nameValueSeparator_;
      AddStrings(src);
    });
    return;
  }
  TPersistent::Assign(source);
}

void TStrings::BeginUpdate() {
  if (updateCount_ == 0) SetUpdateState(true);
  ++updateCount_;
}

void TStrings::EndUpdate() {
  if (updateCount_ == 0) return;
  --updateCount_;
  if (updateCount_ == 0) SetUpdateState(false);
}

void TStrings::SetUpdateState(bool) {}

void TStrings::Exchange(int index1, int index2) {
  WithUpdate(*this, [&] {
    std::string s1 = Get(index1), s2 = Get(index2);
    TObject* o1 = GetObject(index1);
    TObject* o2 = GetObject(index2);
    Put(index1, s2);
    PutObject(index1, o2);
    Put(index2, s1);
    PutObject(index2, o1);
  });
}

void TStrings::InsertObject(int index, std::string_view s, TObject* obj) {
  Insert(index, s);
  PutObject(index, obj);
}

void TStrings::Move(int curIndex, int newIndex) {
  if (curIndex == newIndex) return;
  if (newIndex < 0 || newIndex >= GetCount()) Error("List index out of bounds (%d)", newIndex);
  WithUpdate(*this, [&] {
    std::string s = Get(curIndex);
    TObject* obj = GetObject(curIndex);
    Delete(curIndex);
    InsertObject(newIndex, s, obj);
  });
}

bool TStrings::Equals(const TStrings* other) const {
  if (!other) return false;
  int n = GetCount();
  if (n != other->GetCount()) return false;
  for (int i = 0; i < n; ++i)
    if (Get(i) != other->Get(i)) return false;
  return true;
}

int TStrings::IndexOf(std::string_view s) const {
  int n = GetCount();
  for (int i = 0; i < n; ++i)
    if (CompareStrings(Get(i), s) == 0) return i;
  return -1;
}

int TStrings::IndexOfName(std::string_view name) const {
  int n = GetCount();
  for (int i = 0; i < n; ++i) {
    std::string s = Get(i);
    size_t p = s.find(nameValueSeparator_);
    if (p != std::string::npos && CompareStrings(std::string_view(s).substr(0, p), name) == 0) return i;
  }
  return -1;
}

int TStrings::IndexOfObject(const TObject* obj) const {
  int n = GetCount();
  for (int i = 0; i < n; ++i)
    if (GetObject(i) == obj) return i;
  return -1;
}

std::string TStrings::Names(int index) const {
  std::string s = Get(index);
  size_t p = s.find(nameValueSeparator_);
  return p == std::string::npos ? std::string() : s.substr(0, p);
}

std::string TStrings::Values(std::string_view name) const {
  int i = IndexOfName(name);
  return i < 0 ? std::string() : ValueFromIndex(i);
}

void TStrings::SetValues(std::string_view name, std::string_view value) {
  int i = IndexOfName(name);
  if (!value.empty()) {
    std::string item = std::string(name) + nameValueSeparator_ + std::string(value);
    if (i < 0)
      Add(item);
    else
      Put(i, item);
  } else if (i >= 0) {
    Delete(i);
  }
}

std::string TStrings::ValueFromIndex(int index) const {
  if (index < 0) return {};
  std::string s = Get(index);
  size_t p = s.find(nameValueSeparator_);
  // An item without the separator has a name of "" and no value.
  return p == std::string::npos ? std::string() : s.substr(p + 1);
}

void TStrings::SetValueFromIndex(int index, std::string_view value) {
  if (!value.empty()) {
    if (index < 0) index = Add("");
    Put(index, Names(index) + nameValueSeparator_ + std::string(value));
  } else if (index >= 0) {
    Delete(index);
  }
}

std::string TStrings::GetTextStr() const {
  std::string text;
  int n = GetCount();
  for (int i = 0; i < n; ++i) {
    text += Get(i);
    text += sLineBreak;
  }
  return text;
}

void TStrings::SetTextStr(std::string_view text) {
  WithUpdate(*this, [&] {
    Clear();
    size_t i = 0;
    while (i < text.size()) {
      size_t start = i;
      while (i < text.size() && text[i] != '\r' && text[i] != '\n') ++i;
      Add(text.substr(start, i - start));
      if (i < text.size() && text[i] == '\r') ++i;
      if (i < text.size() && text[i] == '\n') ++i;
    }
  });
}

namespace {
bool NeedsQuoting(std::string_view s, char delimiter, char quote) {
  for (char c : s)
    if (static_cast<unsigned char>(c) <= ' ' || c == quote || c == delimiter) return true;
  return false;
}
bool IsListBlank(char c) { return c != '\0' && static_cast<unsigned char>(c) <= ' '; }
}  // namespace

std::string TStrings::DelimitedText() const {
  int n = GetCount();
  // A single empty item must survive a round trip.
  if (n == 1 && Get(0).empty()) return std::string(2, quoteChar_);
  std::string out;
  for (int i = 0; i < n; ++i) {
    if (i > 0) out.push_back(delimiter_);
    std::string s = Get(i);
    out += NeedsQuoting(s, delimiter_, quoteChar_) ? AnsiQuotedStr(s, quoteChar_) : s;
  }
  return out;
}

void TStrings::SetDelimitedText(std::string_view text) {
  WithUpdate(*this, [&] {
    Clear();
    size_t p = 0;
    while (p < text.size() && IsListBlank(text[p])) ++p;
    while (p < text.size()) {
      std::string item;
      if (text[p] == quoteChar_) {
        item = AnsiExtractQuotedStr(text, p, quoteChar_);
      } else {
        size_t start = p;
        while (p < text.size() && !IsListBlank(text[p]) && text[p] != delimiter_) ++p;
        item.assign(text.substr(start, p - start));
      }
      Add(item);
      while (p < text.size() && IsListBlank(text[p])) ++p;
      if (p < text.size() && text[p] == delimiter_) {
        // A trailing delimiter stands for one more, empty item.
        if (p + 1 == text.size()) Add("");
        do {
          ++p;
        } while (p < text.size() && IsListBlank(text[p]));
      }
    }
  });
}

std::string TStrings::CommaText() const {
  if (delimiter_ == ',' && quoteChar_ == '"') return DelimitedText();
  auto* self = const_cast<TStrings*>(this);
  char d = delimiter_, q = quoteChar_;
  self->delimiter_ = ',';
  self->quoteChar_ = '"';
  std::string text = DelimitedText();
  self->delimiter_ = d;
  self->quoteChar_ = q;
  return text;
}

void TStrings::SetCommaText(std::string_view text) {
  char d = delimiter_, q = quoteChar_;
  delimiter_ = ',';
  quoteChar_ = '"';
  try {
    SetDelimitedText(text);
  } catch (...) {
    delimiter_ = d;
    quoteChar_ = q;
    throw;
  }
  delimiter_ = d;
  quoteChar_ = q;
}

std::vector<std::string> TStrings::ToVector() const {
  std::vector<std::string> v;
  int n = GetCount();
  v.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) v.push_back(Get(i));
  return v;
}

void TStrings::LoadFromStream(TStream& stream) {
  int64_t size = stream.Size() - stream.Position();
  std::string text = stream.ReadString(size);
  std::string_view view(text);
  if (view.size() >= 3 && view.substr(0, 3) == "\xEF\xBB\xBF") view.remove_prefix(3);
  SetTextStr(view);
}

void TStrings::SaveToStream(TStream& stream) const { stream.WriteString(GetTextStr()); }

void TStrings::LoadFromFile(const std::string& fileName) {
  TFileStream f(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(f);
}

void TStrings::SaveToFile(const std::string& fileName) const {
  TFileStream f(fileName, fmCreate);
  SaveToStream(f);
}

int TStrings::CompareStrings(std::string_view a, std::string_view b) const { return AnsiCompareText(a, b); }

TObject* TStrings::GetObject(int) const { return nullptr; }

void TStrings::Put(int index, std::string_view s) {
  TObject* obj = GetObject(index);
  WithUpdate(*this, [&] {
    Delete(index);
    InsertObject(index, s, obj);
  });
}

void TStrings::PutObject(int, TObject*) {}

// ---- TStringList ----

TStringList::~TStringList() {
  OnChange = nullptr;
  OnChanging = nullptr;
  if (ownsObjects_)
    for (auto& item : items_)
      if (item.object) item.object->Free();
}

void TStringList::CheckIndex(int index) const {
  if (index < 0 || index >= GetCount()) Error("List index out of bounds (%d)", index);
}

void TStringList::Changed() {
  if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::Changing() {
  if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::SetUpdateState(bool updating) {
  if (updating)
    Changing();
  else
    Changed();
}

int TStringList::Add(std::string_view s) { return AddObject(s, nullptr); }

int TStringList::AddObject(std::string_view s, TObject* obj) {
  int index;
  if (!sorted_) {
    index = GetCount();
  } else if (Find(s, index)) {
    switch (duplicates_) {
      case dupIgnore: return index;
      case dupError: throw EStringListError("String list does not allow duplicates");
      case dupAccept: break;
    }
  }
  InsertItem(index, s, obj);
  return index;
}

void TStringList::InsertItem(int index, std::string_view s, TObject* obj) {
  Changing();
  items_.insert(items_.begin() + index, Item{std::string(s), obj});
  Changed();
}

void TStringList::Clear() {
  if (items_.empty()) return;
  Changing();
  std::vector<Item> old;
  old.swap(items_);
  if (ownsObjects_)
    for (auto& item : old)
      if (item.object) item.object->Free();
  Changed();
}

void TStringList::Delete(int index) {
  CheckIndex(index);
  Changing();
  TObject* obj = items_[index].object;
  items_.erase(items_.begin() + index);
  if (ownsObjects_ && obj) obj->Free();
  Changed();
}

void TStringList::Exchange(int index1, int index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  Changing();
  ExchangeItems(index1, index2);
  Changed();
}

bool TStringList::Find(std::string_view s, int& index) const {
  bool found = false;
  int lo = 0, hi = GetCount() - 1;
  while (lo <= hi) {
    int mid = lo + (hi - lo) / 2;
    int c = CompareStrings(items_[mid].text, s);
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
      if (c == 0) {
        found = true;
        if (duplicates_ != dupAccept) lo = mid;
      }
    }
  }
  index = lo;
  return found;
}

int TStringList::IndexOf(std::string_view s) const {
  if (!sorted_) return TStrings::IndexOf(s);
  int index;
  return Find(s, index) ? index : -1;
}

void TStringList::Insert(int index, std::string_view s) { InsertObject(index, s, nullptr); }

void TStringList::InsertObject(int index, std::string_view s, TObject* obj) {
  if (sorted_) throw EStringListError("Operation not allowed on sorted list");
  if (index < 0 || index > GetCount()) Error("List index out of bounds (%d)", index);
  InsertItem(index, s, obj);
}

std::string TStringList::Get(int index) const {
  CheckIndex(index);
  return items_[index].text;
}

TObject* TStringList::GetObject(int index) const {
  CheckIndex(index);
  return items_[index].object;
}

void TStringList::Put(int index, std::string_view s) {
  if (sorted_) throw EStringListError("Operation not allowed on sorted list");
  CheckIndex(index);
  Changing();
  items_[index].text.assign(s);
  Changed();
}

void TStringList::PutObject(int index, TObject* obj) {
  CheckIndex(index);
  Changing();
  items_[index].object = obj;
  Changed();
}

void TStringList::Sort() {
  if (sorted_ || items_.size() < 2) return;
  Changing();
  // A stable sort keeps equal items in their order, so a sort is repeatable.
  std::stable_sort(items_.begin(), items_.end(),
                   [this](const Item& a, const Item& b) { return CompareStrings(a.text, b.text) < 0; });
  Changed();
}

void TStringList::CustomSort(const TStringListSortCompare& compare) {
  if (sorted_ || items_.size() < 2) return;
  Changing();
  QuickSort(0, GetCount() - 1, compare);
  Changed();
}

void TStringList::QuickSort(int lo, int hi, const TStringListSortCompare& compare) {
  // Recursion on the smaller part keeps the depth logarithmic.
  while (lo < hi) {
    int i = lo, j = hi, p = lo + (hi - lo) / 2;
    do {
      // The bounds only matter for a compare function that is not consistent.
      while (i < hi && compare(this, i, p) < 0) ++i;
      while (j > lo && compare(this, j, p) > 0) --j;
      if (i <= j) {
        if (i != j) ExchangeItems(i, j);
        if (p == i)
          p = j;
        else if (p == j)
          p = i;
        ++i;
        --j;
      }
    } while (i <= j);
    if (j - lo < hi - i) {
      if (lo < j) QuickSort(lo, j, compare);
      lo = i;
    } else {
      if (i < hi) QuickSort(i, hi, compare);
      hi = j;
    }
  }
}

void TStringList::SetSorted(bool v) {
  if (sorted_ == v) return;
  if (v) Sort();
  sorted_ = v;
}

void TStringList::SetCaseSensitive(bool v) {
  if (caseSensitive_ == v) return;
  caseSensitive_ = v;
  if (sorted_) {
    sorted_ = false;
    Sort();
    sorted_ = true;
  }
}

int TStringList::CompareStrings(std::string_view a, std::string_view b) const {
  return caseSensitive_ ? AnsiCompareStr(a, b) : AnsiCompareText(a, b);
}
