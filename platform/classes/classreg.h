#pragma once
// The class registry: classes that resources may name, found by name ignoring case.
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/classinfo.h"

// Registers a class (again is fine); a different class under a name already taken raises
// EFilerError "A class named %s already exists".
void RegisterClass(TClass cls);
void RegisterClasses(std::initializer_list<TClass> classes);
void UnRegisterClass(TClass cls);
// Null when no class of that name is registered.
TClass GetClass(std::string_view name);
// Raises EClassNotFound "Class %s not found" when no class of that name is registered.
TClass FindClass(std::string_view name);
std::vector<TClass> RegisteredClasses();

// At namespace scope in the class's source file: registers it at start-up.
#define FANO_REGISTER_CLASS(Cls) \
  static const bool fanoClassRegistered_##Cls = (RegisterClass(Cls::StaticClass()), true)
