#pragma once
// TPersistent: an object that can copy itself from another (Assign) and take part in form
// resources (its published properties, and DefineProperties for what is stored another way).
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/rtl/classinfo.h"

class TFiler;

class TPersistent : public TObject {
  FANO_CLASS(TPersistent)
 public:
  TPersistent() = default;
  ~TPersistent() override;

  // Copies Source into this object. The base asks Source to assign itself (AssignTo); what no
  // class knows how to copy raises EConvertError "Cannot assign a %s to a %s".
  virtual void Assign(TPersistent* source);
  // The path by which a designer or an error message names this object ("Form1.Grid1.Columns[2]").
  virtual std::string GetNamePath() const;
  // Properties stored other than as published properties; the form reader and writer call it.
  virtual void DefineProperties(TFiler& filer);
  // The object this one belongs to (a collection's owner, a sub-object's control), or null.
  virtual TPersistent* GetOwner() const { return nullptr; }

  // Name of the handler an event property was loaded with, so that writing the object back names
  // the same handler. Empty when none was recorded.
  std::string HandlerName(std::string_view eventName) const;
  void SetHandlerName(std::string_view eventName, std::string_view handler);

 protected:
  // Copies this object into Dest; the base refuses.
  virtual void AssignTo(TPersistent* dest);
  [[noreturn]] void AssignError(TPersistent* source);

 private:
  std::unique_ptr<std::vector<std::pair<std::string, std::string>>> handlerNames_;
};

// Runs body between target.BeginUpdate() and target.EndUpdate(); the update also ends when body
// raises.
template <class T, class F>
void WithUpdate(T& target, F&& body) {
  target.BeginUpdate();
  try {
    body();
  } catch (...) {
    target.EndUpdate();
    throw;
  }
  target.EndUpdate();
}
