#pragma once
// Lists: TList (pointers), TObjectList (objects, owned or not), TStrings (the abstract string
// list every text container offers) and TStringList (strings with an object each, sorted or not).
// Index errors raise EListError / EStringListError "List index out of bounds (%d)".
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/classinfo.h"
#include "platform/rtl/persistent.h"

class TStream;

// What happened to an item, told to TList::Notify.
enum TListNotification { lnAdded, lnExtracted, lnDeleted };

// Answers negative, zero or positive.
using TListSortCompare = std::function<int(void* item1, void* item2)>;

class TList : public TObject {
  FANO_CLASS(TList)
 public:
  TList() = default;
  ~TList() override;

  int Add(void* item);
  void Insert(int index, void* item);
  void Delete(int index);
  // Removes the first occurrence; answers its index or -1.
  int Remove(void* item);
  // Removes the first occurrence without the deletion notice (an owning list does not free it);
  // answers the item or null.
  void* Extract(void* item);
  void Clear();
  void Exchange(int index1, int index2);
  void Move(int curIndex, int newIndex);
  int IndexOf(const void* item) const;
  void* First() const;
  void* Last() const;
  // Removes the null items.
  void Pack();
  void Sort(const TListSortCompare& compare);

  int Count() const noexcept { return static_cast<int>(items_.size()); }
  // Growing the count adds null items; shrinking deletes the items past the end.
  void SetCount(int newCount);
  int Capacity() const noexcept { return static_cast<int>(items_.capacity()); }
  void SetCapacity(int newCapacity);
  void* Items(int index) const;
  void SetItems(int index, void* item);
  void* operator[](int index) const { return Items(index); }
  const std::vector<void*>& List() const noexcept { return items_; }

  [[noreturn]] static void Error(const char* message, int data);

 protected:
  virtual void Notify(void* item, TListNotification action);

 private:
  void CheckIndex(int index) const;
  std::vector<void*> items_;
};

// A list of objects that frees them on deletion when it owns them (the default).
class TObjectList : public TList {
  FANO_CLASS(TObjectList)
 public:
  explicit TObjectList(bool ownsObjects = true) : ownsObjects_(ownsObjects) {}
  ~TObjectList() override;

  int Add(TObject* obj) { return TList::Add(obj); }
  void Insert(int index, TObject* obj) { TList::Insert(index, obj); }
  int Remove(TObject* obj) { return TList::Remove(obj); }
  TObject* Extract(TObject* obj) { return static_cast<TObject*>(TList::Extract(obj)); }
  int IndexOf(const TObject* obj) const { return TList::IndexOf(obj); }
  TObject* Items(int index) const { return static_cast<TObject*>(TList::Items(index)); }
  void SetItems(int index, TObject* obj) { TList::SetItems(index, obj); }
  TObject* operator[](int index) const { return Items(index); }
  TObject* First() const { return static_cast<TObject*>(TList::First()); }
  TObject* Last() const { return static_cast<TObject*>(TList::Last()); }
  template <class T>
  T* ItemAs(int index) const { return static_cast<T*>(Items(index)); }
  // Index of the first object of exactly that class or a descendant, from AStartAt; -1 if none.
  int FindInstanceOf(TClass cls, bool exact = true, int startAt = 0) const;

  bool OwnsObjects() const noexcept { return ownsObjects_; }
  void SetOwnsObjects(bool v) noexcept { ownsObjects_ = v; }

 protected:
  void Notify(void* item, TListNotification action) override;

 private:
  bool ownsObjects_;
};

// ---- string lists ----

enum TDuplicates { dupIgnore, dupAccept, dupError };

extern const char* const sLineBreak;  // "\r\n"

// The abstract string list: storage is the descendant's (Get, GetCount, Put, Insert, Delete...);
// everything else (names and values, delimited and comma text, Text, streams) is built here.
class TStrings : public TPersistent {
  FANO_CLASS(TStrings)
 public:
  TStrings() = default;
  ~TStrings() override;

  virtual int Add(std::string_view s);
  virtual int AddObject(std::string_view s, TObject* obj);
  void Append(std::string_view s) { Add(s); }
  virtual void AddStrings(TStrings* strings);
  void AddStrings(const std::vector<std::string>& strings);
  void Assign(TPersistent* source) override;
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const noexcept { return updateCount_; }
  virtual void Clear() = 0;
  virtual void Delete(int index) = 0;
  virtual void Exchange(int index1, int index2);
  virtual void Insert(int index, std::string_view s) = 0;
  virtual void InsertObject(int index, std::string_view s, TObject* obj);
  virtual void Move(int curIndex, int newIndex);
  bool Equals(const TStrings* other) const;
  // Compares with CompareStrings (ignoring case in a TStringList unless CaseSensitive).
  virtual int IndexOf(std::string_view s) const;
  int IndexOfName(std::string_view name) const;
  int IndexOfObject(const TObject* obj) const;

  int Count() const { return GetCount(); }
  std::string Strings(int index) const { return Get(index); }
  void SetStrings(int index, std::string_view s) { Put(index, s); }
  std::string operator[](int index) const { return Get(index); }
  TObject* Objects(int index) const { return GetObject(index); }
  void SetObjects(int index, TObject* obj) { PutObject(index, obj); }

  // "name=value" items. Names(i) is "" for an item without the separator.
  std::string Names(int index) const;
  std::string Values(std::string_view name) const;
  // An empty value deletes the item; a new name is added.
  void SetValues(std::string_view name, std::string_view value);
  std::string ValueFromIndex(int index) const;
  void SetValueFromIndex(int index, std::string_view value);

  // Items joined by CR LF, each followed by one.
  std::string Text() const { return GetTextStr(); }
  void SetText(std::string_view text) { SetTextStr(text); }
  // Items joined by Delimiter; an item holding a blank, a control character, the delimiter or the
  // quote character is quoted (quotes inside doubled). Reading splits at the delimiter and, outside
  // quotes, at blanks.
  std::string DelimitedText() const;
  void SetDelimitedText(std::string_view text);
  // DelimitedText with "," and '"'.
  std::string CommaText() const;
  void SetCommaText(std::string_view text);

  char Delimiter() const noexcept { return delimiter_; }
  void SetDelimiter(char c) noexcept { delimiter_ = c; }
  char QuoteChar() const noexcept { return quoteChar_; }
  void SetQuoteChar(char c) noexcept { quoteChar_ = c; }
  char NameValueSeparator() const noexcept { return nameValueSeparator_; }
  void SetNameValueSeparator(char c) noexcept { nameValueSeparator_ = c; }

  std::vector<std::string> ToVector() const;

  // Reads from the stream's position to its end (a UTF-8 byte-order mark is skipped); writes Text.
  virtual void LoadFromStream(TStream& stream);
  virtual void SaveToStream(TStream& stream) const;
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName) const;

  // Three-way comparison of two items' texts as this list compares them.
  virtual int CompareStrings(std::string_view a, std::string_view b) const;

 protected:
  [[noreturn]] void Error(const char* message, int data) const;
  virtual std::string Get(int index) const = 0;
  virtual int GetCount() const = 0;
  virtual TObject* GetObject(int index) const;
  virtual void Put(int index, std::string_view s);
  virtual void PutObject(int index, TObject* obj);
  virtual std::string GetTextStr() const;
  virtual void SetTextStr(std::string_view text);
  // Told when the first BeginUpdate starts an update and the last EndUpdate ends it.
  virtual void SetUpdateState(bool updating);

 private:
  int updateCount_ = 0;
  char delimiter_ = ',';
  char quoteChar_ = '"';
  char nameValueSeparator_ = '=';
};

class TStringList;
// Compares items index1 and index2 of the list: negative, zero or positive.
using TStringListSortCompare = std::function<int(TStringList* list, int index1, int index2)>;

class TStringList : public TStrings {
  FANO_CLASS(TStringList)
 public:
  explicit TStringList(bool ownsObjects = false) : ownsObjects_(ownsObjects) {}
  ~TStringList() override;

  int Add(std::string_view s) override;
  int AddObject(std::string_view s, TObject* obj) override;
  void Clear() override;
  void Delete(int index) override;
  void Exchange(int index1, int index2) override;
  // Binary search of a sorted list: true when found; index is the match (the first one when
  // duplicates are accepted) or the place where s would be inserted.
  virtual bool Find(std::string_view s, int& index) const;
  int IndexOf(std::string_view s) const override;
  void Insert(int index, std::string_view s) override;
  void InsertObject(int index, std::string_view s, TObject* obj) override;
  virtual void Sort();
  virtual void CustomSort(const TStringListSortCompare& compare);

  bool Sorted() const noexcept { return sorted_; }
  void SetSorted(bool v);
  TDuplicates Duplicates() const noexcept { return duplicates_; }
  void SetDuplicates(TDuplicates v) noexcept { duplicates_ = v; }
  bool CaseSensitive() const noexcept { return caseSensitive_; }
  void SetCaseSensitive(bool v);
  bool OwnsObjects() const noexcept { return ownsObjects_; }
  void SetOwnsObjects(bool v) noexcept { ownsObjects_ = v; }

  // AnsiCompareStr when case-sensitive, AnsiCompareText otherwise.
  int CompareStrings(std::string_view a, std::string_view b) const override;

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  virtual void Changed();
  virtual void Changing();
  std::string Get(int index) const override;
  int GetCount() const override { return static_cast<int>(items_.size()); }
  TObject* GetObject(int index) const override;
  void Put(int index, std::string_view s) override;
  void PutObject(int index, TObject* obj) override;
  void SetUpdateState(bool updating) override;
  virtual void InsertItem(int index, std::string_view s, TObject* obj);

 private:
  struct Item {
    std::string text;
    TObject* object = nullptr;
  };
  void CheckIndex(int index) const;
  void QuickSort(int lo, int hi, const TStringListSortCompare& compare);
  void ExchangeItems(int i, int j) { std::swap(items_[i], items_[j]); }

  std::vector<Item> items_;
  bool sorted_ = false;
  bool caseSensitive_ = false;
  bool ownsObjects_;
  TDuplicates duplicates_ = dupIgnore;
};
