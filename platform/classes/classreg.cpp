#include "platform/classes/classreg.h"

#include <map>
#include <mutex>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"

namespace {
struct NameLess {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const { return CompareText(a, b) < 0; }
};
struct Registry {
  std::mutex lock;
  std::map<std::string, TClass, NameLess> classes;
};
// Filled by static initialisers: built on first use.
Registry& TheRegistry() {
  static Registry r;
  return r;
}
}  // namespace

void RegisterClass(TClass cls) {
  if (!cls) return;
  Registry& r = TheRegistry();
  std::lock_guard guard(r.lock);
  auto it = r.classes.find(std::string_view(cls->Name));
  if (it != r.classes.end()) {
    if (it->second == cls) return;
    throw EFilerError(std::string("A class named ") + cls->Name + " already exists");
  }
  r.classes.emplace(cls->Name, cls);
}

void RegisterClasses(std::initializer_list<TClass> classes) {
  for (TClass c : classes) RegisterClass(c);
}

void UnRegisterClass(TClass cls) {
  if (!cls) return;
  Registry& r = TheRegistry();
  std::lock_guard guard(r.lock);
  auto it = r.classes.find(std::string_view(cls->Name));
  if (it != r.classes.end() && it->second == cls) r.classes.erase(it);
}

TClass GetClass(std::string_view name) {
  Registry& r = TheRegistry();
  std::lock_guard guard(r.lock);
  auto it = r.classes.find(name);
  return it == r.classes.end() ? nullptr : it->second;
}

TClass FindClass(std::string_view name) {
  TClass cls = GetClass(name);
  if (!cls) throw EClassNotFound("Class " + std::string(name) + " not found");
  return cls;
}

std::vector<TClass> RegisteredClasses() {
  Registry& r = TheRegistry();
  std::lock_guard guard(r.lock);
  std::vector<TClass> out;
  for (auto& [name, cls] : r.classes) out.push_back(cls);
  return out;
}
