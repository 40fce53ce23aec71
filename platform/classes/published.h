#pragma once
// Published properties, fields and methods, registered per class.
//
// A class publishes in its source file:
//
//   FANO_ENUM_NAMES(TAlignment, "taLeftJustify", "taRightJustify", "taCenter");
//   FANO_PUBLISHED(TTbField, p) {
//     p.Property("Alignment", &TTbField::Alignment, &TTbField::SetAlignment);
//     p.Property("Visible", &TTbField::Visible, &TTbField::SetVisible).Default(true);
//     p.Property("OnChange", &TTbField::OnChange);          // a public std::function member
//   }
//   FANO_PUBLISHED(TfrmMain, p) {
//     p.Field("btnOK", &TfrmMain::btnOK);                   // set when a component of that name is owned
//     p.Method("btnOKClick", &TfrmMain::btnOKClick);        // event handlers that resources name
//   }
//
// The kind of a property follows from its C++ type: bool, integers, floating point, Currency,
// std::string, std::u16string, Variant, std::vector<uint8_t> (binary), enumerations (names from
// FANO_ENUM_NAMES), TSet<E>, std::function (events), and pointers: to a TComponent (a reference
// by name), a TStrings (lines), a TCollection (items) or any other TPersistent (a sub-object whose
// own properties are stored). The getter may be a const member function or a data member; the
// setter a member function taking the value (or a const reference, or a string_view for text),
// or a data member; without a setter a scalar property is read-only and object properties are
// filled through the object the getter answers.
//
// Registration runs on first use of a class's table; a derived class's property of the same name
// replaces the inherited one in place.
#include <any>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeindex>
#include <typeinfo>
#include <utility>
#include <vector>

#include "platform/classes/collection.h"
#include "platform/classes/component.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/persistent.h"
#include "platform/rtl/sets.h"
#include "platform/rtl/types.h"
#include "platform/rtl/variant.h"

// ---- enumeration names ----

struct TEnumInfo {
  std::string TypeName;
  std::vector<std::string> Names;  // the name of ordinal i
  // -1 when the name is unknown (compared ignoring case).
  int ValueOf(std::string_view name) const;
  std::string NameOf(int value) const;  // the number as text when out of range
};

void RegisterEnumInfo(std::type_index type, std::string_view typeName, std::initializer_list<const char*> names);
// Null when the type's names were never registered.
const TEnumInfo* FindEnumInfo(std::type_index type);
// Raises EPropertyError when the type's names were never registered.
const TEnumInfo& EnumInfoOf(std::type_index type);

template <class E>
std::string GetEnumName(E value) {
  return EnumInfoOf(typeid(E)).NameOf(static_cast<int>(value));
}
// -1 when the name is unknown.
template <class E>
int GetEnumValue(std::string_view name) {
  return EnumInfoOf(typeid(E)).ValueOf(name);
}

#define FANO_ENUM_NAMES(E, ...) \
  static const bool fanoEnumNames_##E = (RegisterEnumInfo(typeid(E), #E, {__VA_ARGS__}), true)

// ---- property information ----

enum class TPropKind {
  Integer,      // up to 32 bits; Variant integer
  Int64,        // Variant Int64
  Float,        // Variant double
  Currency,     // Variant currency
  String,       // UTF-8 text
  WideString,   // UTF-16 text (a Variant carries it as text)
  Boolean,      // Variant Boolean
  Enumeration,  // Variant integer: the ordinal
  Set,          // Variant Int64: the bits
  Variant,      // any Variant
  Bytes,        // binary data; a Variant string of the bytes
  Component,    // a reference to a component, stored by name
  Strings,      // a TStrings, stored as its lines
  Collection,   // a TCollection, stored as its items
  Object,       // another TPersistent, stored through its own properties
  Event,        // a std::function, stored as the name of a handler of the root
};

struct TPropInfo {
  std::string Name;
  TPropKind Kind = TPropKind::Integer;
  std::type_index ValueType = typeid(void);  // the C++ type (for enumerations, sets and events)
  std::type_index EnumType = typeid(void);   // enumerations and sets: the element type
  TClass ObjectClass = nullptr;              // the object kinds: the declared class

  // Scalar kinds. Set is empty for a read-only property.
  std::function<Variant(const TPersistent*)> Get;
  std::function<void(TPersistent*, const Variant&)> Set;
  // Object kinds.
  std::function<TPersistent*(const TPersistent*)> GetObject;
  std::function<void(TPersistent*, TPersistent*)> SetObject;
  // Events: assigned or not; set from a bound handler (an empty std::any clears it).
  std::function<bool(const TPersistent*)> EventAssigned;
  std::function<void(TPersistent*, const std::any&)> SetEvent;

  // Stored rule: when present and false for an object, the property is not written.
  std::function<bool(const TPersistent*)> StoredRule;
  // Declared default, used when no reference object can be built to compare with.
  std::optional<Variant> DefaultValue;
  // No default of its own (the value follows other objects until it is set): written whenever the
  // stored rule holds, unless an ancestor holds the same value.
  bool NoDefault = false;

  bool IsReadOnly() const {
    return Kind == TPropKind::Event ? !SetEvent : (IsObjectKind() ? false : !Set);
  }
  bool IsObjectKind() const {
    return Kind == TPropKind::Component || Kind == TPropKind::Strings || Kind == TPropKind::Collection ||
           Kind == TPropKind::Object;
  }
  bool IsStored(const TPersistent* obj) const { return !StoredRule || StoredRule(obj); }
  const TEnumInfo& Enum() const { return EnumInfoOf(EnumType); }
};

// A published field of a root class: set to the owned component of that name.
struct TFieldInfo {
  std::string Name;
  TClass FieldClass = nullptr;
  // False (and nothing set) when the component is not of the field's class.
  std::function<bool(TComponent* root, TComponent* value)> Set;
};

// A published method: an event handler that resources name.
struct TMethodInfo {
  std::string Name;
  std::type_index Signature = typeid(void);  // the std::function type it binds to
  std::function<std::any(TComponent* root)> Bind;
};

struct TPublishedTable {
  std::vector<TPropInfo> Properties;
  std::vector<TFieldInfo> Fields;
  std::vector<TMethodInfo> Methods;
};

namespace fano_published {

template <class T>
struct IsSet : std::false_type {};
template <class E>
struct IsSet<TSet<E>> : std::true_type {
  using Element = E;
};
template <class T>
struct IsFunction : std::false_type {};
template <class R, class... A>
struct IsFunction<std::function<R(A...)>> : std::true_type {};

template <class T>
constexpr TPropKind KindOf() {
  if constexpr (std::is_same_v<T, bool>) return TPropKind::Boolean;
  else if constexpr (IsSet<T>::value) return TPropKind::Set;
  else if constexpr (std::is_enum_v<T>) return TPropKind::Enumeration;
  else if constexpr (std::is_integral_v<T>) return sizeof(T) < 4 || (sizeof(T) == 4 && std::is_signed_v<T>) ? TPropKind::Integer : TPropKind::Int64;
  else if constexpr (std::is_floating_point_v<T>) return TPropKind::Float;
  else if constexpr (std::is_same_v<T, Currency>) return TPropKind::Currency;
  else if constexpr (std::is_same_v<T, std::string>) return TPropKind::String;
  else if constexpr (std::is_same_v<T, std::u16string>) return TPropKind::WideString;
  else if constexpr (std::is_same_v<T, Variant>) return TPropKind::Variant;
  else if constexpr (std::is_same_v<T, std::vector<uint8_t>>) return TPropKind::Bytes;
  else if constexpr (IsFunction<T>::value) return TPropKind::Event;
  else if constexpr (std::is_pointer_v<T>) {
    using O = std::remove_cv_t<std::remove_pointer_t<T>>;
    static_assert(std::is_base_of_v<TPersistent, O>, "a published object property must be a TPersistent");
    if constexpr (std::is_base_of_v<TComponent, O>) return TPropKind::Component;
    else if constexpr (std::is_base_of_v<TStrings, O>) return TPropKind::Strings;
    else if constexpr (std::is_base_of_v<TCollection, O>) return TPropKind::Collection;
    else return TPropKind::Object;
  } else {
    static_assert(sizeof(T) == 0, "this type cannot be published");
    return TPropKind::Integer;
  }
}

template <class T>
Variant ToVariant(const T& v) {
  if constexpr (std::is_same_v<T, bool>) return Variant(v);
  else if constexpr (IsSet<T>::value) return Variant::FromInt64(static_cast<int64_t>(v.Bits()));
  else if constexpr (std::is_enum_v<T>) return Variant(static_cast<int>(v));
  else if constexpr (std::is_integral_v<T>) {
    if constexpr (KindOf<T>() == TPropKind::Integer) return Variant(static_cast<int>(v));
    else return Variant::FromInt64(static_cast<int64_t>(v));
  } else if constexpr (std::is_floating_point_v<T>) return Variant(static_cast<double>(v));
  else if constexpr (std::is_same_v<T, std::vector<uint8_t>>) return Variant(std::string(v.begin(), v.end()));
  else return Variant(v);
}

template <class T>
T FromVariant(const Variant& v) {
  if constexpr (std::is_same_v<T, bool>) return v.AsBoolean();
  else if constexpr (IsSet<T>::value) return T::FromBits(static_cast<uint64_t>(v.AsInt64()));
  else if constexpr (std::is_enum_v<T>) return static_cast<T>(v.AsInteger());
  else if constexpr (std::is_integral_v<T>) return static_cast<T>(v.AsInt64());
  else if constexpr (std::is_floating_point_v<T>) return static_cast<T>(v.AsDouble());
  else if constexpr (std::is_same_v<T, Currency>) return v.AsCurrency();
  else if constexpr (std::is_same_v<T, std::string>) return v.AsString();
  else if constexpr (std::is_same_v<T, std::u16string>) return v.AsWideString();
  else if constexpr (std::is_same_v<T, Variant>) return v;
  else if constexpr (std::is_same_v<T, std::vector<uint8_t>>) {
    std::string s = v.AsString();
    return std::vector<uint8_t>(s.begin(), s.end());
  }
}

// Reads through a getter (member function or data member).
template <class C, class G>
decltype(auto) Read(const C* obj, G getter) {
  if constexpr (std::is_member_object_pointer_v<G>) return (obj->*getter);
  else return (obj->*getter)();
}

// Writes through a setter (member function or data member).
template <class C, class S, class T>
void Write(C* obj, S setter, T&& value) {
  if constexpr (std::is_member_object_pointer_v<S>) obj->*setter = std::forward<T>(value);
  else (obj->*setter)(std::forward<T>(value));
}

}  // namespace fano_published

template <class C>
class TPublisher {
 public:
  explicit TPublisher(TPublishedTable& table) : table_(table) {}

  // A property; without a setter a data-member getter is written through too.
  template <class G, class S = std::nullptr_t>
  TPublisher& Property(std::string_view name, G getter, S setter = nullptr) {
    using namespace fano_published;
    using T = std::remove_cvref_t<decltype(Read(static_cast<const C*>(nullptr), getter))>;
    constexpr TPropKind kind = KindOf<T>();
    TPropInfo info;
    info.Name = std::string(name);
    info.Kind = kind;
    info.ValueType = typeid(T);
    constexpr bool writable = !std::is_null_pointer_v<S> || std::is_member_object_pointer_v<G>;
    auto store = [&] {
      if constexpr (!std::is_null_pointer_v<S>)
        return [setter](C* obj, auto&& value) { Write(obj, setter, std::forward<decltype(value)>(value)); };
      else
        return [getter](C* obj, auto&& value) { Write(obj, getter, std::forward<decltype(value)>(value)); };
    }();
    if constexpr (kind == TPropKind::Event) {
      info.EventAssigned = [getter](const TPersistent* o) { return static_cast<bool>(Read(static_cast<const C*>(o), getter)); };
      if constexpr (writable)
        info.SetEvent = [store](TPersistent* o, const std::any& handler) {
          if (!handler.has_value()) store(static_cast<C*>(o), T());
          else store(static_cast<C*>(o), std::any_cast<const T&>(handler));
        };
    } else if constexpr (std::is_pointer_v<T>) {
      using O = std::remove_cv_t<std::remove_pointer_t<T>>;
      info.ObjectClass = O::StaticClass();
      info.GetObject = [getter](const TPersistent* o) -> TPersistent* {
        return const_cast<O*>(Read(static_cast<const C*>(o), getter));
      };
      if constexpr (writable)
        info.SetObject = [store](TPersistent* o, TPersistent* value) {
          store(static_cast<C*>(o), dynamic_cast<O*>(value));
        };
    } else {
      if constexpr (kind == TPropKind::Enumeration) info.EnumType = typeid(T);
      if constexpr (kind == TPropKind::Set) info.EnumType = typeid(typename IsSet<T>::Element);
      info.Get = [getter](const TPersistent* o) { return ToVariant<T>(Read(static_cast<const C*>(o), getter)); };
      if constexpr (writable)
        info.Set = [store](TPersistent* o, const Variant& v) { store(static_cast<C*>(o), FromVariant<T>(v)); };
    }
    Put(std::move(info));
    return *this;
  }

  // The value a new object is taken to hold when none can be built to compare with.
  TPublisher& Default(Variant value) {
    Last().DefaultValue = std::move(value);
    return *this;
  }
  TPublisher& NoDefault() {
    Last().NoDefault = true;
    return *this;
  }
  // Stored rule: a const member function answering whether to write the property.
  TPublisher& Stored(bool (C::*rule)() const) {
    Last().StoredRule = [rule](const TPersistent* o) { return (static_cast<const C*>(o)->*rule)(); };
    return *this;
  }
  TPublisher& Stored(bool stored) {
    Last().StoredRule = [stored](const TPersistent*) { return stored; };
    return *this;
  }

  // A component field of a root class.
  template <class T>
  TPublisher& Field(std::string_view name, T* C::*field) {
    static_assert(std::is_base_of_v<TComponent, T>, "a published field holds a component");
    TFieldInfo info;
    info.Name = std::string(name);
    info.FieldClass = T::StaticClass();
    info.Set = [field](TComponent* root, TComponent* value) {
      T* typed = dynamic_cast<T*>(value);
      if (value && !typed) return false;
      static_cast<C*>(root)->*field = typed;
      return true;
    };
    table_.Fields.push_back(std::move(info));
    return *this;
  }

  // An event handler of a root class.
  template <class R, class... A>
  TPublisher& Method(std::string_view name, R (C::*method)(A...)) {
    using F = std::function<R(A...)>;
    TMethodInfo info;
    info.Name = std::string(name);
    info.Signature = typeid(F);
    info.Bind = [method](TComponent* root) -> std::any {
      C* self = static_cast<C*>(root);
      return F([self, method](A... args) -> R { return (self->*method)(std::forward<A>(args)...); });
    };
    table_.Methods.push_back(std::move(info));
    return *this;
  }

 private:
  void Put(TPropInfo info) { table_.Properties.push_back(std::move(info)); }
  TPropInfo& Last() { return table_.Properties.back(); }
  TPublishedTable& table_;
};

using TPublishFunction = void (*)(TPublishedTable& table);
bool RegisterPublisher(TClass cls, TPublishFunction publish);

// In the class's source file, at namespace scope; the body receives `var` as a TPublisher<Cls>&.
#define FANO_PUBLISHED(Cls, var)                                                               \
  static void FanoPublish_##Cls(TPublisher<Cls>& var);                                         \
  static const bool fanoPublished_##Cls = RegisterPublisher(Cls::StaticClass(), [](TPublishedTable& t) { \
    TPublisher<Cls> p(t);                                                                      \
    FanoPublish_##Cls(p);                                                                      \
  });                                                                                          \
  static void FanoPublish_##Cls(TPublisher<Cls>& var)

// ---- lookups ----

// The published properties of a class and its ancestors, ancestors' first.
const std::vector<const TPropInfo*>& GetPropList(TClass cls);
// A property by name (ignoring case), or null.
const TPropInfo* GetPropInfo(TClass cls, std::string_view name);
inline const TPropInfo* GetPropInfo(const TPersistent* obj, std::string_view name) {
  return obj ? GetPropInfo(obj->ClassType(), name) : nullptr;
}
// A handler published by the class or an ancestor, or null.
const TMethodInfo* FindPublishedMethod(TClass cls, std::string_view name);
// The published field of that name of the root's class or an ancestor, or null.
const TFieldInfo* FindPublishedField(TClass cls, std::string_view name);
// Points the root's field of that name at the component; false when there is no such field or
// the component does not fit it.
bool SetPublishedField(TComponent* root, std::string_view name, TComponent* value);

// ---- access by path ("Font.Name") ----

// The property at the end of a dotted path and the object holding it; raises EPropertyError
// "Unknown property %s" / "%s is not an object" when the path does not lead to one.
std::pair<TPersistent*, const TPropInfo*> ResolvePropPath(TPersistent* obj, std::string_view path);
Variant GetPropValue(TPersistent* obj, std::string_view path);
void SetPropValue(TPersistent* obj, std::string_view path, const Variant& value);
TPersistent* GetObjectProp(TPersistent* obj, std::string_view path);
void SetObjectProp(TPersistent* obj, std::string_view path, TPersistent* value);
// Enumerations and sets by name: "alTop", "[fsBold,fsItalic]".
std::string GetEnumProp(TPersistent* obj, std::string_view path);
void SetEnumProp(TPersistent* obj, std::string_view path, std::string_view value);
std::string GetSetProp(TPersistent* obj, std::string_view path);
void SetSetProp(TPersistent* obj, std::string_view path, std::string_view value);
// "[a,b]" for the bits of a set of that element type, and back (EPropertyError for an unknown name).
std::string SetToString(const TEnumInfo& info, uint64_t bits);
uint64_t StringToSet(const TEnumInfo& info, std::string_view text);

// Same type and value (strings byte for byte, floats bit for bit, arrays element by element).
bool SameVariantValue(const Variant& a, const Variant& b);
// Equal published values (and, for sub-objects, collections and string lists, equal contents;
// components by name; events by handler name).
bool SamePropValue(const TPropInfo& prop, const TPersistent* a, const TPersistent* b);
// Published properties of two objects of the same class all equal.
bool SamePublishedValues(const TPersistent* a, const TPersistent* b);
bool SameCollections(const TCollection* a, const TCollection* b);
