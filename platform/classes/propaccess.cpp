// Access to published properties by path, and value comparison for the resource writer.
#include <cstring>

#include "platform/classes/published.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"

namespace {

[[noreturn]] void UnknownProperty(const TPersistent* obj, std::string_view name) {
  throw EPropertyError("Unknown property " + std::string(name) + " of " + (obj ? obj->ClassName() : "nil"));
}

const TPropInfo& NeedKind(const TPropInfo& prop, std::initializer_list<TPropKind> kinds) {
  for (TPropKind k : kinds)
    if (prop.Kind == k) return prop;
  throw EPropertyError("Property " + prop.Name + " is not of the kind asked for");
}

}  // namespace

std::pair<TPersistent*, const TPropInfo*> ResolvePropPath(TPersistent* obj, std::string_view path) {
  if (!obj) throw EPropertyError("No object for property " + std::string(path));
  while (true) {
    size_t dot = path.find('.');
    std::string_view head = path.substr(0, dot);
    const TPropInfo* prop = GetPropInfo(obj, head);
    if (!prop) UnknownProperty(obj, head);
    if (dot == std::string_view::npos) return {obj, prop};
    if (prop->Kind != TPropKind::Object) throw EPropertyError(std::string(head) + " is not an object");
    TPersistent* sub = prop->GetObject(obj);
    if (!sub) throw EPropertyError(std::string(head) + " is not assigned");
    obj = sub;
    path.remove_prefix(dot + 1);
  }
}

Variant GetPropValue(TPersistent* obj, std::string_view path) {
  auto [owner, prop] = ResolvePropPath(obj, path);
  if (!prop->Get) throw EPropertyError("Property " + prop->Name + " has no scalar value");
  return prop->Get(owner);
}

void SetPropValue(TPersistent* obj, std::string_view path, const Variant& value) {
  auto [owner, prop] = ResolvePropPath(obj, path);
  if (!prop->Set) throw EPropertyError("Property " + prop->Name + " is read-only");
  prop->Set(owner, value);
}

TPersistent* GetObjectProp(TPersistent* obj, std::string_view path) {
  auto [owner, prop] = ResolvePropPath(obj, path);
  if (!prop->GetObject) throw EPropertyError("Property " + prop->Name + " is not an object");
  return prop->GetObject(owner);
}

void SetObjectProp(TPersistent* obj, std::string_view path, TPersistent* value) {
  auto [owner, prop] = ResolvePropPath(obj, path);
  if (!prop->SetObject) throw EPropertyError("Property " + prop->Name + " is read-only");
  prop->SetObject(owner, value);
}

std::string GetEnumProp(TPersistent* obj, std::string_view path) {
  auto [owner, prop] = ResolvePropPath(obj, path);
  NeedKind(*prop, {TPropKind::Enumeration, TPropKind::Boolean});
  if (prop->Kind == TPropKind::Boolean) return prop->Get(owner).AsBoolean() ? "True" : "False";
  return prop->Enum().NameOf(prop->Get(owner).AsInteger());
}

void SetEnumProp(TPersistent* obj, std::string_view path, std::string_view value) {
  auto [owner, prop] = ResolvePropPath(obj, path);
  NeedKind(*prop, {TPropKind::Enumeration, TPropKind::Boolean});
  const TEnumInfo& info = prop->Kind == TPropKind::Boolean ? EnumInfoOf(typeid(bool)) : prop->Enum();
  int v = info.ValueOf(value);
  if (v < 0) throw EPropertyError("Invalid value " + std::string(value) + " for " + prop->Name);
  if (!prop->Set) throw EPropertyError("Property " + prop->Name + " is read-only");
  prop->Set(owner, prop->Kind == TPropKind::Boolean ? Variant(v != 0) : Variant(v));
}

std::string SetToString(const TEnumInfo& info, uint64_t bits) {
  std::string out = "[";
  bool first = true;
  for (int i = 0; i < 64; ++i) {
    if (!(bits & (uint64_t{1} << i))) continue;
    if (!first) out += ", ";
    out += info.NameOf(i);
    first = false;
  }
  return out + "]";
}

uint64_t StringToSet(const TEnumInfo& info, std::string_view text) {
  std::string t = Trim(text);
  std::string_view v(t);
  if (!v.empty() && v.front() == '[') v.remove_prefix(1);
  if (!v.empty() && v.back() == ']') v.remove_suffix(1);
  uint64_t bits = 0;
  for (const std::string& part : SplitString(v, ',')) {
    std::string name = Trim(part);
    if (name.empty()) continue;
    int e = info.ValueOf(name);
    if (e < 0 || e >= 64) throw EPropertyError("Invalid set element " + name + " for " + info.TypeName);
    bits |= uint64_t{1} << e;
  }
  return bits;
}

std::string GetSetProp(TPersistent* obj, std::string_view path) {
  auto [owner, prop] = ResolvePropPath(obj, path);
  NeedKind(*prop, {TPropKind::Set});
  return SetToString(prop->Enum(), static_cast<uint64_t>(prop->Get(owner).AsInt64()));
}

void SetSetProp(TPersistent* obj, std::string_view path, std::string_view value) {
  auto [owner, prop] = ResolvePropPath(obj, path);
  NeedKind(*prop, {TPropKind::Set});
  if (!prop->Set) throw EPropertyError("Property " + prop->Name + " is read-only");
  prop->Set(owner, Variant::FromInt64(static_cast<int64_t>(StringToSet(prop->Enum(), value))));
}

// ---- comparison ----

bool SameVariantValue(const Variant& a, const Variant& b) {
  if (a.VarType() != b.VarType()) return false;
  if (a.IsArray()) {
    if (a.ArrayLowBound() != b.ArrayLowBound() || a.ArrayHighBound() != b.ArrayHighBound()) return false;
    for (int i = a.ArrayLowBound(); i <= a.ArrayHighBound(); ++i)
      if (!SameVariantValue(a.GetElement(i), b.GetElement(i))) return false;
    return true;
  }
  switch (a.VarType()) {
    case varEmpty:
    case varNull: return true;
    case varString:
    case varOleStr: return a.StrRef() == b.StrRef();
    case varBoolean: return a.AsBoolean() == b.AsBoolean();
    case varSingle:
    case varDouble:
    case varDate: {
      double x = a.AsDouble(), y = b.AsDouble();
      // Bit patterns, so that NaN equals itself and 0 differs from -0.
      return std::memcmp(&x, &y, sizeof x) == 0;
    }
    case varCurrency: return a.AsCurrency() == b.AsCurrency();
    case varUnknown:
    case varDispatch: return a.AsPointer() == b.AsPointer();
    default: return a.AsInt64() == b.AsInt64();
  }
}

namespace {
std::string ComponentName(const TPersistent* p) {
  auto* c = dynamic_cast<const TComponent*>(p);
  return c ? c->Name() : std::string();
}
std::string EventName(const TPropInfo& prop, const TPersistent* obj) {
  return prop.EventAssigned(obj) ? obj->HandlerName(prop.Name) : std::string();
}
}  // namespace

bool SamePropValue(const TPropInfo& prop, const TPersistent* a, const TPersistent* b) {
  switch (prop.Kind) {
    case TPropKind::Object: {
      TPersistent* x = prop.GetObject(a);
      TPersistent* y = prop.GetObject(b);
      if (!x || !y) return x == y;
      return SamePublishedValues(x, y);
    }
    case TPropKind::Collection:
      return SameCollections(static_cast<TCollection*>(prop.GetObject(a)), static_cast<TCollection*>(prop.GetObject(b)));
    case TPropKind::Strings: {
      auto* x = static_cast<TStrings*>(prop.GetObject(a));
      auto* y = static_cast<TStrings*>(prop.GetObject(b));
      if (!x || !y) return x == y;
      return x->Equals(y);
    }
    case TPropKind::Component: {
      TPersistent* x = prop.GetObject(a);
      TPersistent* y = prop.GetObject(b);
      if (!x || !y) return x == y;
      return x == y || AnsiSameText(ComponentName(x), ComponentName(y));
    }
    case TPropKind::Event: return EventName(prop, a) == EventName(prop, b);
    default: return SameVariantValue(prop.Get(a), prop.Get(b));
  }
}

bool SamePublishedValues(const TPersistent* a, const TPersistent* b) {
  if (!a || !b) return a == b;
  if (a == b) return true;
  if (a->ClassType() != b->ClassType()) return false;
  for (const TPropInfo* prop : GetPropList(a->ClassType()))
    if (!SamePropValue(*prop, a, b)) return false;
  return true;
}

bool SameCollections(const TCollection* a, const TCollection* b) {
  if (!a || !b) return a == b;
  if (a->Count() != b->Count()) return false;
  for (int i = 0; i < a->Count(); ++i)
    if (!SamePublishedValues(a->Items(i), b->Items(i))) return false;
  return true;
}

// The name under which the owner publishes this collection.
std::string TCollection::PropName() const {
  TPersistent* owner = GetOwner();
  if (!owner) return {};
  for (const TPropInfo* prop : GetPropList(owner->ClassType()))
    if (prop->Kind == TPropKind::Collection && prop->GetObject(owner) == this) return prop->Name;
  return {};
}
