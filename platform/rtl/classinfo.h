#pragma once
// Run-time class information: every platform class knows its name and its parent class, so that
// code can measure the distance between classes by name, find classes by name and create them.
#include <functional>
#include <string>
#include <string_view>

class TObject;

struct TClassInfo {
  const char* Name;
  const TClassInfo* Parent;
  // Creates an instance; the argument is the owner for components and ignored otherwise.
  // Null for abstract classes.
  TObject* (*Create)(TObject* owner);

  bool InheritsFrom(const TClassInfo* other) const noexcept;
  // Number of steps from this class up to the ancestor named `name` (ignoring case), -1 if none.
  int DistanceTo(std::string_view name) const noexcept;
};

using TClass = const TClassInfo*;

class TObject {
 public:
  virtual ~TObject() = default;
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;

  static TClass StaticClass() noexcept;
  virtual TClass ClassType() const noexcept { return StaticClass(); }
  std::string ClassName() const { return ClassType()->Name; }
  bool InheritsFrom(TClass cls) const noexcept { return ClassType()->InheritsFrom(cls); }
  template <class T>
  bool Is() const noexcept { return dynamic_cast<const T*>(this) != nullptr; }

  // Runs while the object is still whole, before the destructors: Free() calls it, so that
  // objects told about the destruction still see the complete object. Classes that must do work
  // on the whole object before it goes override it (and make their destructor cope when it was
  // deleted without Free()).
  virtual void BeforeDestruction() {}
  // Destroys the object: BeforeDestruction, then delete.
  void Free() {
    BeforeDestruction();
    delete this;
  }
};

// Frees the object (null is fine) and clears the reference before the object goes, so that code
// run during the destruction no longer finds it.
template <class T>
void FreeAndNil(T*& obj) {
  T* p = obj;
  obj = nullptr;
  if (p) p->Free();
}

// The plain event: who raised it.
using TNotifyEvent = std::function<void(TObject* sender)>;

// In a class body: declares the class's run-time information.
#define FANO_CLASS(Cls)                                   \
 public:                                                  \
  static TClass StaticClass() noexcept;                   \
  TClass ClassType() const noexcept override { return Cls::StaticClass(); }

// In a source file: defines it. FANO_IMPLEMENT_ABSTRACT for classes that cannot be created by name.
#define FANO_IMPLEMENT_CLASS_WITH(Cls, Base, Factory)                       \
  TClass Cls::StaticClass() noexcept {                                      \
    static const TClassInfo info{#Cls, Base::StaticClass(), Factory};       \
    return &info;                                                           \
  }
#define FANO_IMPLEMENT_ABSTRACT(Cls, Base) FANO_IMPLEMENT_CLASS_WITH(Cls, Base, nullptr)
// For classes whose constructor takes no argument.
#define FANO_IMPLEMENT_CLASS(Cls, Base) \
  FANO_IMPLEMENT_CLASS_WITH(Cls, Base, [](TObject*) -> TObject* { return new Cls(); })
// For classes whose constructor takes one pointer of type OwnerType (null when the argument given
// to Create is not one).
#define FANO_IMPLEMENT_CLASS_OWNED(Cls, Base, OwnerType) \
  FANO_IMPLEMENT_CLASS_WITH(Cls, Base,                   \
                            [](TObject* o) -> TObject* { return new Cls(dynamic_cast<OwnerType*>(o)); })
