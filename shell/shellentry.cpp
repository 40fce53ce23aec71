#include "shell/shellentry.h"

#include "platform/forms/forms.h"
#include "shell/globalvar.h"
#include "shell/shellform.h"

namespace {
TfrmChildBase* frmChild = nullptr;
TChildFormFactory childFactory = nullptr;

// Forgets the form when it goes (the application frees it at unload; tests free it earlier).
class TFormWatch : public TComponent {
 public:
  TFormWatch() : TComponent(nullptr) {}
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == frmChild) frmChild = nullptr;
  }
};
TFormWatch& Watch() {
  static TFormWatch watch;
  return watch;
}

// Whatever goes wrong inside the module's forms is told to the host, never shown by a box of ours.
void ReportToHost(TObject*, const std::exception& e) { SendHostMessage(HOST_MESSAGE_ERROR, e.what()); }
}  // namespace

TfrmChildBase* ShellChildForm() noexcept { return frmChild; }

void SetChildFormFactory(TChildFormFactory factory) noexcept { childFactory = factory; }

HWND ShowShellChildForm(HWND AppHandle, HWND HostWindow, HWND ParentWindow, const char* Caption) noexcept {
  try {
    GlobalVar::HostWindow = HostWindow;
    Application->SetHandle(AppHandle);
    Application->OnException = &ReportToHost;
    TfrmChildBase* form =
        childFactory ? childFactory(Application) : CreateForm<TfrmShellDocument>(Application);
    frmChild = form;
    form->FreeNotification(&Watch());
    form->SetParentWindow(ParentWindow);
    form->SetCaption(Caption ? Caption : "");
    // Sent before FormHandle is set: the host learns the window first.
    SendMessage(HostWindow, HM_REGISTERFORM, reinterpret_cast<WPARAM>(form->Handle()), 0);
    form->SetWindowState(wsMaximized);
    form->SetFormHandle(form->Handle());
    form->Show();
    form->RegisterCommands();
    form->RegisterBaseCommands();
    return form->FormHandle();
  } catch (...) {
    ReportHostException();
    return nullptr;
  }
}
