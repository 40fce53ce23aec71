// The published properties of the standard controls, so that forms holding them can be read from
// and written to form resources.
#include "platform/classes/classreg.h"
#include "platform/classes/published.h"
#include "platform/forms/mask.h"
#include "platform/forms/stdctrls.h"

FANO_ENUM_NAMES(TAlignment, "taLeftJustify", "taRightJustify", "taCenter");
FANO_ENUM_NAMES(TEditCharCase, "ecNormal", "ecUpperCase", "ecLowerCase");
FANO_ENUM_NAMES(TScrollStyle, "ssNone", "ssHorizontal", "ssVertical", "ssBoth");

FANO_PUBLISHED(TEdit, p) {
  p.Property("Caption", &TControl::Caption, &TControl::SetCaption).Stored(false);
  p.Property("AutoSelect", &TCustomEdit::AutoSelect, &TCustomEdit::SetAutoSelect);
  p.Property("AutoSize", &TControl::AutoSize, &TCustomEdit::SetAutoSize);
  p.Property("BorderStyle", &TCustomEdit::BorderStyle, &TCustomEdit::SetBorderStyle);
  p.Property("CharCase", &TCustomEdit::CharCase, &TCustomEdit::SetCharCase);
  p.Property("HideSelection", &TCustomEdit::HideSelection, &TCustomEdit::SetHideSelection);
  p.Property("MaxLength", &TCustomEdit::MaxLength, &TCustomEdit::SetMaxLength);
  p.Property("OEMConvert", &TCustomEdit::OEMConvert, &TCustomEdit::SetOEMConvert);
  p.Property("PasswordChar", &TCustomEdit::PasswordChar, &TCustomEdit::SetPasswordChar);
  p.Property("ReadOnly", &TCustomEdit::ReadOnly, &TCustomEdit::SetReadOnly);
  p.Property("Text", &TControl::Text, &TControl::SetText);
  p.Property("OnChange", &TCustomEdit::OnChange);
}

FANO_PUBLISHED(TMemo, p) {
  p.Property("Caption", &TControl::Caption, &TControl::SetCaption).Stored(false);
  p.Property("Alignment", &TCustomMemo::Alignment, &TCustomMemo::SetAlignment);
  p.Property("BorderStyle", &TCustomEdit::BorderStyle, &TCustomEdit::SetBorderStyle);
  p.Property("CharCase", &TCustomEdit::CharCase, &TCustomEdit::SetCharCase);
  p.Property("HideSelection", &TCustomEdit::HideSelection, &TCustomEdit::SetHideSelection);
  p.Property("Lines", &TCustomMemo::Lines, &TCustomMemo::SetLines);
  p.Property("MaxLength", &TCustomEdit::MaxLength, &TCustomEdit::SetMaxLength);
  p.Property("OEMConvert", &TCustomEdit::OEMConvert, &TCustomEdit::SetOEMConvert);
  p.Property("ReadOnly", &TCustomEdit::ReadOnly, &TCustomEdit::SetReadOnly);
  p.Property("ScrollBars", &TCustomMemo::ScrollBars, &TCustomMemo::SetScrollBars);
  p.Property("WantReturns", &TCustomMemo::WantReturns, &TCustomMemo::SetWantReturns);
  p.Property("WantTabs", &TCustomMemo::WantTabs, &TCustomMemo::SetWantTabs);
  p.Property("WordWrap", &TCustomMemo::WordWrap, &TCustomMemo::SetWordWrap);
  p.Property("OnChange", &TCustomEdit::OnChange);
}

FANO_PUBLISHED(TMaskEdit, p) {
  p.Property("Caption", &TControl::Caption, &TControl::SetCaption).Stored(false);
  p.Property("AutoSelect", &TCustomEdit::AutoSelect, &TCustomEdit::SetAutoSelect);
  p.Property("AutoSize", &TControl::AutoSize, &TCustomEdit::SetAutoSize);
  p.Property("BorderStyle", &TCustomEdit::BorderStyle, &TCustomEdit::SetBorderStyle);
  p.Property("CharCase", &TCustomEdit::CharCase, &TCustomEdit::SetCharCase);
  p.Property("EditMask", &TCustomMaskEdit::EditMask, &TCustomMaskEdit::SetEditMask);
  p.Property("MaxLength", &TCustomEdit::MaxLength, &TCustomEdit::SetMaxLength);
  p.Property("PasswordChar", &TCustomEdit::PasswordChar, &TCustomEdit::SetPasswordChar);
  p.Property("ReadOnly", &TCustomEdit::ReadOnly, &TCustomEdit::SetReadOnly);
  p.Property("Text", &TCustomMaskEdit::Text, &TCustomMaskEdit::SetText);
  p.Property("OnChange", &TCustomEdit::OnChange);
}

void RegisterMaskClasses() { RegisterClasses({TMaskEdit::StaticClass()}); }

void RegisterStdCtrlsClasses() {
  RegisterClasses({TEdit::StaticClass(), TMemo::StaticClass()});
}
