#pragma once
// The published properties every data-aware editor of the suite shares (the base editor's data,
// look, keyboard and colour properties and events), for the editor classes that publish them
// besides their own:
//
//   FANO_PUBLISHED(TDBComboBoxGx, p) {
//     PublishDataEditorProperties(p);
//     p.Property("Items", &TCustomDBComboBoxGx::Items, &TCustomDBComboBoxGx::SetItems);
//   }
#include "editors/dbeditbase.h"
#include "platform/classes/published.h"

template <class C>
void PublishDataEditorProperties(TPublisher<C>& p) {
  p.Property("Caption", &TControl::Caption, &TControl::SetCaption).Stored(false);
  p.Property("Alignment", &TCustomDBEditGx::Alignment, &TCustomDBEditGx::SetAlignment)
      .Stored(&TCustomDBEditGx::IsAlignmentStored);
  p.Property("AlwaysShowBorder", &TCustomDBEditGx::AlwaysShowBorder, &TCustomDBEditGx::SetAlwaysShowBorder);
  p.Property("AutoSelect", &TCustomEdit::AutoSelect, &TCustomEdit::SetAutoSelect);
  p.Property("AutoSize", &TControl::AutoSize, &TCustomEdit::SetAutoSize);
  p.Property("BorderStyle", &TCustomEdit::BorderStyle, &TCustomEdit::SetBorderStyle);
  p.Property("CharCase", &TCustomEdit::CharCase, &TCustomEdit::SetCharCase);
  p.Property("DataField", &TCustomDBEditGx::DataField, &TCustomDBEditGx::SetDataField);
  p.Property("DataSource", &TCustomDBEditGx::DataSource, &TCustomDBEditGx::SetDataSource);
  p.Property("EditButtons", &TCustomDBEditGx::EditButtons, &TCustomDBEditGx::SetEditButtons);
  p.Property("EditMask", &TCustomDBEditGx::EditMask, &TCustomDBEditGx::SetEditMask)
      .Stored(&TCustomDBEditGx::IsEditMaskStored);
  p.Property("Flat", &TCustomDBEditGx::Flat, &TCustomDBEditGx::SetFlat);
  p.Property("HighlightRequired", &TCustomDBEditGx::HighlightRequired, &TCustomDBEditGx::SetHighlightRequired);
  p.Property("Images", &TCustomDBEditGx::Images, &TCustomDBEditGx::SetImages);
  p.Property("MaxLength", &TCustomEdit::MaxLength, &TCustomEdit::SetMaxLength);
  p.Property("MRUList", &TCustomDBEditGx::MRUList, &TCustomDBEditGx::SetMRUList);
  p.Property("PasswordChar", &TCustomEdit::PasswordChar, &TCustomEdit::SetPasswordChar);
  p.Property("ReadOnly", &TCustomDBEditGx::ReadOnly, &TCustomDBEditGx::SetReadOnly);
  p.Property("ShowHint", &TCustomDBEditGx::ShowHint, &TCustomDBEditGx::SetShowHint).Stored(&TControl::IsShowHintStored);
  p.Property("Text", &TCustomDBEditGx::Text, &TCustomDBEditGx::SetText).Stored(&TCustomDBEditGx::IsTextStored);
  p.Property("Tooltips", &TCustomDBEditGx::Tooltips, &TCustomDBEditGx::SetTooltips);
  p.Property("WantTabs", &TCustomDBEditGx::WantTabs, &TCustomDBEditGx::SetWantTabs);
  p.Property("WantReturns", &TCustomDBEditGx::WantReturns, &TCustomDBEditGx::SetWantReturns);
  p.Property("WordWrap", &TCustomDBEditGx::WordWrap, &TCustomDBEditGx::SetWordWrap);
  p.Property("ScrollBars", &TCustomDBEditGx::ScrollBars, &TCustomDBEditGx::SetScrollBars);
  p.Property("ReturnIsTab", &TCustomDBEditGx::ReturnIsTab, &TCustomDBEditGx::SetReturnIsTab);
  p.Property("Lines", &TCustomDBEditGx::Lines, &TCustomDBEditGx::SetLines);
  p.Property("ColorFocused", &TCustomDBEditGx::ColorFocused, &TCustomDBEditGx::SetColorFocused);
  p.Property("ColorBorder", &TCustomDBEditGx::ColorBorder, &TCustomDBEditGx::SetColorBorder);
  p.Property("ColorFlat", &TCustomDBEditGx::ColorFlat, &TCustomDBEditGx::SetColorFlat);
  p.Property("ParentColor", &TCustomDBEditGx::ParentColorFlat, &TCustomDBEditGx::SetParentColorFlat);
  p.Property("CvColorFocused", &TCustomDBEditGx::CvColorFocused, &TCustomDBEditGx::SetCvColorFocused);
  p.Property("CvColorBorder", &TCustomDBEditGx::CvColorBorder, &TCustomDBEditGx::SetCvColorBorder);
  p.Property("UseCvColors", &TCustomDBEditGx::UseCvColors, &TCustomDBEditGx::SetUseCvColors);
  p.Property("OnUpdateData", &TCustomDBEditGx::OnUpdateData);
  p.Property("OnCheckDrawRequiredState", &TCustomDBEditGx::OnCheckDrawRequiredState);
  p.Property("OnGetImageIndex", &TCustomDBEditGx::OnGetImageIndex);
}

// The main button and its events, published by the editors that drop something down.
template <class C>
void PublishDataEditorButton(TPublisher<C>& p) {
  p.Property("EditButton", &TCustomDBEditGx::EditButton, &TCustomDBEditGx::SetEditButton);
  p.Property("OnButtonClick", &TCustomDBEditGx::OnButtonClick);
  p.Property("OnButtonDown", &TCustomDBEditGx::OnButtonDown);
}
