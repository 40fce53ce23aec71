#include "platform/classes/published.h"

#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"

// ---- enumeration names ----

namespace {
struct EnumRegistry {
  std::mutex lock;
  std::unordered_map<std::type_index, std::unique_ptr<TEnumInfo>> infos;
};
EnumRegistry& Enums() {
  static EnumRegistry r;
  return r;
}
}  // namespace

int TEnumInfo::ValueOf(std::string_view name) const {
  for (size_t i = 0; i < Names.size(); ++i)
    if (SameText(Names[i], name)) return static_cast<int>(i);
  return -1;
}

std::string TEnumInfo::NameOf(int value) const {
  if (value >= 0 && static_cast<size_t>(value) < Names.size()) return Names[value];
  return std::to_string(value);
}

void RegisterEnumInfo(std::type_index type, std::string_view typeName, std::initializer_list<const char*> names) {
  auto info = std::make_unique<TEnumInfo>();
  info->TypeName = std::string(typeName);
  for (const char* n : names) info->Names.emplace_back(n);
  EnumRegistry& r = Enums();
  std::lock_guard guard(r.lock);
  r.infos[type] = std::move(info);
}

const TEnumInfo* FindEnumInfo(std::type_index type) {
  if (type == typeid(bool)) {
    static const TEnumInfo boolean{"Boolean", {"False", "True"}};
    return &boolean;
  }
  EnumRegistry& r = Enums();
  std::lock_guard guard(r.lock);
  auto it = r.infos.find(type);
  return it == r.infos.end() ? nullptr : it->second.get();
}

const TEnumInfo& EnumInfoOf(std::type_index type) {
  const TEnumInfo* info = FindEnumInfo(type);
  if (!info) throw EPropertyError(std::string("No names registered for enumeration ") + type.name());
  return *info;
}

// ---- per-class tables ----

namespace {
struct ClassEntry {
  TPublishFunction publish = nullptr;
  std::once_flag once;
  TPublishedTable table;
  // The merged property list of the class and its ancestors, built on first need.
  std::once_flag mergedOnce;
  std::vector<const TPropInfo*> merged;
};

struct ClassTables {
  std::mutex lock;
  std::map<TClass, std::unique_ptr<ClassEntry>> entries;
};
ClassTables& Tables() {
  static ClassTables t;
  return t;
}

ClassEntry& EntryOf(TClass cls) {
  ClassTables& t = Tables();
  std::lock_guard guard(t.lock);
  auto& slot = t.entries[cls];
  if (!slot) slot = std::make_unique<ClassEntry>();
  return *slot;
}

// The class's own table, published on first use.
const TPublishedTable& OwnTable(TClass cls) {
  ClassEntry& e = EntryOf(cls);
  std::call_once(e.once, [&] {
    if (e.publish) e.publish(e.table);
  });
  return e.table;
}
}  // namespace

bool RegisterPublisher(TClass cls, TPublishFunction publish) {
  EntryOf(cls).publish = publish;
  return true;
}

const std::vector<const TPropInfo*>& GetPropList(TClass cls) {
  static const std::vector<const TPropInfo*> none;
  if (!cls) return none;
  ClassEntry& e = EntryOf(cls);
  std::call_once(e.mergedOnce, [&] {
    if (cls->Parent) e.merged = GetPropList(cls->Parent);
    for (const TPropInfo& p : OwnTable(cls).Properties) {
      bool replaced = false;
      for (auto& existing : e.merged) {
        if (SameText(existing->Name, p.Name)) {
          existing = &p;
          replaced = true;
          break;
        }
      }
      if (!replaced) e.merged.push_back(&p);
    }
  });
  return e.merged;
}

const TPropInfo* GetPropInfo(TClass cls, std::string_view name) {
  for (const TPropInfo* p : GetPropList(cls))
    if (SameText(p->Name, name)) return p;
  return nullptr;
}

const TMethodInfo* FindPublishedMethod(TClass cls, std::string_view name) {
  for (TClass c = cls; c; c = c->Parent)
    for (const TMethodInfo& m : OwnTable(c).Methods)
      if (SameText(m.Name, name)) return &m;
  return nullptr;
}

const TFieldInfo* FindPublishedField(TClass cls, std::string_view name) {
  for (TClass c = cls; c; c = c->Parent)
    for (const TFieldInfo& f : OwnTable(c).Fields)
      if (SameText(f.Name, name)) return &f;
  return nullptr;
}

bool SetPublishedField(TComponent* root, std::string_view name, TComponent* value) {
  if (!root || name.empty()) return false;
  const TFieldInfo* field = FindPublishedField(root->ClassType(), name);
  return field && field->Set(root, value);
}
