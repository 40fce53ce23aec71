#include "platform/rtl/persistent.h"

#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"

FANO_IMPLEMENT_CLASS(TPersistent, TObject)

TPersistent::~TPersistent() = default;

void TPersistent::Assign(TPersistent* source) {
  if (source) {
    source->AssignTo(this);
    return;
  }
  AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* dest) { dest->AssignError(this); }

void TPersistent::AssignError(TPersistent* source) {
  std::string from = source ? source->ClassName() : std::string("nil");
  throw EConvertError("Cannot assign a " + from + " to a " + ClassName());
}

std::string TPersistent::GetNamePath() const {
  std::string path = ClassName();
  if (TPersistent* owner = GetOwner()) {
    std::string ownerPath = owner->GetNamePath();
    if (!ownerPath.empty()) path = ownerPath + "." + path;
  }
  return path;
}

void TPersistent::DefineProperties(TFiler&) {}

std::string TPersistent::HandlerName(std::string_view eventName) const {
  if (handlerNames_)
    for (auto& [event, handler] : *handlerNames_)
      if (SameText(event, eventName)) return handler;
  return {};
}

void TPersistent::SetHandlerName(std::string_view eventName, std::string_view handler) {
  if (!handlerNames_) {
    if (handler.empty()) return;
    handlerNames_ = std::make_unique<std::vector<std::pair<std::string, std::string>>>();
  }
  auto& names = *handlerNames_;
  for (auto it = names.begin(); it != names.end(); ++it) {
    if (SameText(it->first, eventName)) {
      if (handler.empty())
        names.erase(it);
      else
        it->second = std::string(handler);
      return;
    }
  }
  if (!handler.empty()) names.emplace_back(std::string(eventName), std::string(handler));
}
