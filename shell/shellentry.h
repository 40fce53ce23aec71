#pragma once
// What the module's export does, callable inside the module (and by the tests without loading it):
// remembers the host window, adopts the host's application window, makes the child form inside
// ParentWindow, registers it and its two command sets with the host and answers its window.
// Nothing is thrown: a failure is told to the host and answers 0.
#include "shell/childbase.h"
#include "shell/hostapi.h"

// Makes the child form the entry shows; a document module linked into the library sets it at
// start-up. Without one the entry shows the stand-in TfrmShellDocument.
using TChildFormFactory = TfrmChildBase* (*)(TComponent* owner);
void SetChildFormFactory(TChildFormFactory factory) noexcept;

HWND ShowShellChildForm(HWND AppHandle, HWND HostWindow, HWND ParentWindow, const char* Caption) noexcept;

// The form of the last call (owned by the application), or null.
TfrmChildBase* ShellChildForm() noexcept;
