#pragma once
// Run-time class information: every platform class knows its name and its parent class, so that
// code can measure the distance between classes by name, find classes by name and create them.
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
};

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
