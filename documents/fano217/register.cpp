// The module's entry shows the expense advance form.
#include "documents/fano217/frmfano217.h"
#include "platform/forms/forms.h"
#include "shell/shellentry.h"

namespace {

TfrmChildBase* MakeFano217(TComponent* owner) { return CreateForm<TfrmFano217>(owner); }

const bool formRegistered = [] {
  SetChildFormFactory(&MakeFano217);
  return true;
}();

}  // namespace
