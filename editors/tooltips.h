#pragma once
// TToolTipsWindow: the hint window that shows a text in full where an editor or a grid cell cuts
// it. The hint data is the font to show it in (the editor's or the cell's; null keeps the
// window's own), drawn in the window-text colour.
#include <string>

#include "platform/forms/forms.h"

class TToolTipsWindow : public THintWindow {
  FANO_CLASS(TToolTipsWindow)
 public:
  explicit TToolTipsWindow(TComponent* owner) : THintWindow(owner) {}
  // `data` is a TFont (or null for the window's own font).
  TRect CalcHintRect(int maxWidth, const std::string& hint, void* data) override;
};
