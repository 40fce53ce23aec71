#include "platform/rtl/classinfo.h"

#include "platform/rtl/strings.h"

bool TClassInfo::InheritsFrom(const TClassInfo* other) const noexcept {
  for (const TClassInfo* c = this; c; c = c->Parent)
    if (c == other) return true;
  return false;
}

int TClassInfo::DistanceTo(std::string_view name) const noexcept {
  int steps = 0;
  for (const TClassInfo* c = this; c; c = c->Parent, ++steps)
    if (SameText(c->Name, name)) return steps;
  return -1;
}

TClass TObject::StaticClass() noexcept {
  static const TClassInfo info{"TObject", nullptr, [](TObject*) -> TObject* { return new TObject(); }};
  return &info;
}
