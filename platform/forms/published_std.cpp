// The published properties of the standard controls, so that forms holding them can be read from
// and written to form resources.
#include "platform/classes/classreg.h"
#include "platform/classes/published.h"
#include "platform/forms/buttons.h"
#include "platform/forms/comctrls.h"
#include "platform/forms/extctrls.h"
#include "platform/forms/mask.h"
#include "platform/forms/stdctrls.h"

FANO_ENUM_NAMES(TAlignment, "taLeftJustify", "taRightJustify", "taCenter");
FANO_ENUM_NAMES(TEditCharCase, "ecNormal", "ecUpperCase", "ecLowerCase");
FANO_ENUM_NAMES(TScrollStyle, "ssNone", "ssHorizontal", "ssVertical", "ssBoth");
FANO_ENUM_NAMES(TListBoxStyle, "lbStandard", "lbOwnerDrawFixed", "lbOwnerDrawVariable", "lbVirtual", "lbVirtualOwnerDraw");
FANO_ENUM_NAMES(TCheckBoxState, "cbUnchecked", "cbChecked", "cbGrayed");
FANO_ENUM_NAMES(TScrollBarKind, "sbHorizontal", "sbVertical");
FANO_ENUM_NAMES(TTextLayout, "tlTop", "tlCenter", "tlBottom");
FANO_ENUM_NAMES(TBevelCut, "bvNone", "bvLowered", "bvRaised", "bvSpace");
FANO_ENUM_NAMES(TResizeStyle, "rsNone", "rsLine", "rsUpdate", "rsPattern");
FANO_ENUM_NAMES(TShapeType, "stRectangle", "stSquare", "stRoundRect", "stRoundSquare", "stEllipse", "stCircle");
FANO_ENUM_NAMES(TButtonLayout, "blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom");
FANO_ENUM_NAMES(TTabPosition, "tpTop", "tpBottom", "tpLeft", "tpRight");
FANO_ENUM_NAMES(TTabStyle, "tsTabs", "tsButtons", "tsFlatButtons");
FANO_ENUM_NAMES(TCalDayOfWeek, "dowMonday", "dowTuesday", "dowWednesday", "dowThursday", "dowFriday", "dowSaturday",
                "dowSunday", "dowLocaleDefault");
FANO_ENUM_NAMES(TComboBoxStyle, "csDropDown", "csSimple", "csDropDownList", "csOwnerDrawFixed", "csOwnerDrawVariable");

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

FANO_PUBLISHED(TListBox, p) {
  p.Property("Caption", &TControl::Caption, &TControl::SetCaption).Stored(false);
  p.Property("AutoComplete", &TCustomListBox::AutoComplete, &TCustomListBox::SetAutoComplete);
  p.Property("BorderStyle", &TCustomListBox::BorderStyle, &TCustomListBox::SetBorderStyle);
  p.Property("Columns", &TCustomListBox::Columns, &TCustomListBox::SetColumns);
  p.Property("ExtendedSelect", &TCustomListBox::ExtendedSelect, &TCustomListBox::SetExtendedSelect);
  p.Property("IntegralHeight", &TCustomListBox::IntegralHeight, &TCustomListBox::SetIntegralHeight);
  p.Property("ItemHeight", &TCustomListBox::ItemHeight, &TCustomListBox::SetItemHeight);
  p.Property("Style", &TCustomListBox::Style, &TCustomListBox::SetStyle);
  p.Property("Items", &TCustomListBox::Items, &TCustomListBox::SetItems);
  p.Property("MultiSelect", &TCustomListBox::MultiSelect, &TCustomListBox::SetMultiSelect);
  p.Property("Sorted", &TCustomListBox::Sorted, &TCustomListBox::SetSorted);
  p.Property("TabWidth", &TCustomListBox::TabWidth, &TCustomListBox::SetTabWidth);
  p.Property("OnData", &TCustomListBox::OnData);
  p.Property("OnDataFind", &TCustomListBox::OnDataFind);
  p.Property("OnDataObject", &TCustomListBox::OnDataObject);
  p.Property("OnDrawItem", &TCustomListBox::OnDrawItem);
  p.Property("OnMeasureItem", &TCustomListBox::OnMeasureItem);
}

FANO_PUBLISHED(TComboBox, p) {
  p.Property("Caption", &TControl::Caption, &TControl::SetCaption).Stored(false);
  p.Property("Style", &TCustomComboBox::Style, &TCustomComboBox::SetStyle);
  p.Property("CharCase", &TCustomComboBox::CharCase, &TCustomComboBox::SetCharCase);
  p.Property("DropDownCount", &TCustomComboBox::DropDownCount, &TCustomComboBox::SetDropDownCount);
  p.Property("ItemHeight", &TCustomComboBox::ItemHeight, &TCustomComboBox::SetItemHeight);
  p.Property("MaxLength", &TCustomComboBox::MaxLength, &TCustomComboBox::SetMaxLength);
  p.Property("Sorted", &TCustomComboBox::Sorted, &TCustomComboBox::SetSorted);
  p.Property("Items", &TCustomComboBox::Items, &TCustomComboBox::SetItems);
  p.Property("ItemIndex", &TCustomComboBox::ItemIndex, &TCustomComboBox::SetItemIndex);
  p.Property("Text", &TControl::Text, &TControl::SetText);
  p.Property("OnChange", &TCustomComboBox::OnChange);
  p.Property("OnCloseUp", &TCustomComboBox::OnCloseUp);
  p.Property("OnDrawItem", &TCustomComboBox::OnDrawItem);
  p.Property("OnDropDown", &TCustomComboBox::OnDropDown);
  p.Property("OnMeasureItem", &TCustomComboBox::OnMeasureItem);
  p.Property("OnSelect", &TCustomComboBox::OnSelect);
}

FANO_PUBLISHED(TButton, p) {
  p.Property("Cancel", &TButton::Cancel, &TButton::SetCancel);
  p.Property("Default", &TButton::Default, &TButton::SetDefault);
  p.Property("ModalResult", &TButton::ModalResult, &TButton::SetModalResult);
}

FANO_PUBLISHED(TCheckBox, p) {
  p.Property("Alignment", &TCustomCheckBox::Alignment, &TCustomCheckBox::SetAlignment);
  p.Property("AllowGrayed", &TCustomCheckBox::AllowGrayed, &TCustomCheckBox::SetAllowGrayed);
  p.Property("State", &TCustomCheckBox::State, &TCustomCheckBox::SetState);
  p.Property("Checked", &TCustomCheckBox::Checked, &TCustomCheckBox::SetChecked).Stored(false);
}

FANO_PUBLISHED(TScrollBar, p) {
  p.Property("Kind", &TScrollBar::Kind, &TScrollBar::SetKind);
  p.Property("Min", &TScrollBar::Min, &TScrollBar::SetMin);
  p.Property("Max", &TScrollBar::Max, &TScrollBar::SetMax);
  p.Property("PageSize", &TScrollBar::PageSize, &TScrollBar::SetPageSize);
  p.Property("Position", &TScrollBar::Position, &TScrollBar::SetPosition);
  p.Property("LargeChange", &TScrollBar::LargeChange, &TScrollBar::SetLargeChange);
  p.Property("SmallChange", &TScrollBar::SmallChange, &TScrollBar::SetSmallChange);
  p.Property("OnChange", &TScrollBar::OnChange);
  p.Property("OnScroll", &TScrollBar::OnScroll);
}

FANO_PUBLISHED(TLabel, p) {
  p.Property("Alignment", &TCustomLabel::Alignment, &TCustomLabel::SetAlignment);
  p.Property("AutoSize", &TControl::AutoSize, &TCustomLabel::SetAutoSize);
  p.Property("FocusControl", &TCustomLabel::FocusControl, &TCustomLabel::SetFocusControl);
  p.Property("Layout", &TCustomLabel::Layout, &TCustomLabel::SetLayout);
  p.Property("ShowAccelChar", &TCustomLabel::ShowAccelChar, &TCustomLabel::SetShowAccelChar);
  p.Property("Transparent", &TCustomLabel::Transparent, &TCustomLabel::SetTransparent);
  p.Property("WordWrap", &TCustomLabel::WordWrap, &TCustomLabel::SetWordWrap);
}

FANO_PUBLISHED(TPanel, p) {
  p.Property("Alignment", &TCustomPanel::Alignment, &TCustomPanel::SetAlignment);
  p.Property("BevelInner", &TCustomPanel::BevelInner, &TCustomPanel::SetBevelInner);
  p.Property("BevelOuter", &TCustomPanel::BevelOuter, &TCustomPanel::SetBevelOuter);
  p.Property("BevelWidth", &TCustomPanel::BevelWidth, &TCustomPanel::SetBevelWidth);
  p.Property("BorderStyle", &TCustomPanel::BorderStyle, &TCustomPanel::SetBorderStyle);
  p.Property("FullRepaint", &TCustomPanel::FullRepaint, &TCustomPanel::SetFullRepaint);
}

FANO_PUBLISHED(TSplitter, p) {
  p.Property("AutoSnap", &TSplitter::AutoSnap, &TSplitter::SetAutoSnap);
  p.Property("Beveled", &TSplitter::Beveled, &TSplitter::SetBeveled);
  p.Property("MinSize", &TSplitter::MinSize, &TSplitter::SetMinSize);
  p.Property("ResizeStyle", &TSplitter::ResizeStyle, &TSplitter::SetResizeStyle);
  p.Property("OnCanResize", &TSplitter::OnCanResize);
  p.Property("OnMoved", &TSplitter::OnMoved);
  p.Property("OnPaint", &TSplitter::OnPaint);
}

FANO_PUBLISHED(TPaintBox, p) { p.Property("OnPaint", &TPaintBox::OnPaint); }

FANO_PUBLISHED(TShape, p) {
  p.Property("Brush", &TShape::Brush, &TShape::SetBrush);
  p.Property("Pen", &TShape::Pen, &TShape::SetPen);
  p.Property("Shape", &TShape::Shape, &TShape::SetShape);
}

FANO_PUBLISHED(TScrollBox, p) { p.Property("BorderStyle", &TScrollBox::BorderStyle, &TScrollBox::SetBorderStyle); }

FANO_PUBLISHED(TSpeedButton, p) {
  p.Property("AllowAllUp", &TSpeedButton::AllowAllUp, &TSpeedButton::SetAllowAllUp);
  p.Property("GroupIndex", &TSpeedButton::GroupIndex, &TSpeedButton::SetGroupIndex);
  p.Property("Down", &TSpeedButton::Down, &TSpeedButton::SetDown);
  p.Property("Flat", &TSpeedButton::Flat, &TSpeedButton::SetFlat);
  p.Property("Glyph", &TSpeedButton::Glyph, &TSpeedButton::SetGlyph);
  p.Property("Layout", &TSpeedButton::Layout, &TSpeedButton::SetLayout);
  p.Property("Margin", &TSpeedButton::Margin, &TSpeedButton::SetMargin);
  p.Property("NumGlyphs", &TSpeedButton::NumGlyphs, &TSpeedButton::SetNumGlyphs);
  p.Property("Spacing", &TSpeedButton::Spacing, &TSpeedButton::SetSpacing);
  p.Property("Transparent", &TSpeedButton::Transparent, &TSpeedButton::SetTransparent);
}

void RegisterExtCtrlsClasses() {
  RegisterClasses({TPanel::StaticClass(), TSplitter::StaticClass(), TPaintBox::StaticClass(), TShape::StaticClass(),
                   TScrollBox::StaticClass()});
}

void RegisterButtonsClasses() { RegisterClasses({TSpeedButton::StaticClass()}); }

FANO_PUBLISHED(TTabControl, p) {
  p.Property("HotTrack", &TCustomTabControl::HotTrack, &TCustomTabControl::SetHotTrack);
  p.Property("Images", &TCustomTabControl::Images, &TCustomTabControl::SetImages);
  p.Property("MultiLine", &TCustomTabControl::MultiLine, &TCustomTabControl::SetMultiLine);
  p.Property("OwnerDraw", &TCustomTabControl::OwnerDraw, &TCustomTabControl::SetOwnerDraw);
  p.Property("RaggedRight", &TCustomTabControl::RaggedRight, &TCustomTabControl::SetRaggedRight);
  p.Property("ScrollOpposite", &TCustomTabControl::ScrollOpposite, &TCustomTabControl::SetScrollOpposite);
  p.Property("Style", &TCustomTabControl::Style, &TCustomTabControl::SetStyle);
  p.Property("TabHeight", &TCustomTabControl::TabHeight, &TCustomTabControl::SetTabHeight);
  p.Property("TabPosition", &TCustomTabControl::TabPosition, &TCustomTabControl::SetTabPosition);
  p.Property("Tabs", &TCustomTabControl::Tabs, &TCustomTabControl::SetTabs);
  p.Property("TabIndex", &TCustomTabControl::TabIndex, &TCustomTabControl::SetTabIndex);
  p.Property("TabWidth", &TCustomTabControl::TabWidth, &TCustomTabControl::SetTabWidth);
  p.Property("OnChange", &TCustomTabControl::OnChange);
  p.Property("OnChanging", &TCustomTabControl::OnChanging);
  p.Property("OnDrawTab", &TCustomTabControl::OnDrawTab);
  p.Property("OnGetImageIndex", &TCustomTabControl::OnGetImageIndex);
}

FANO_PUBLISHED(TMonthCalendar, p) {
  p.Property("Date", &TMonthCalendar::Date, &TMonthCalendar::SetDate);
  p.Property("FirstDayOfWeek", &TMonthCalendar::FirstDayOfWeek, &TMonthCalendar::SetFirstDayOfWeek);
  p.Property("MaxDate", &TMonthCalendar::MaxDate, &TMonthCalendar::SetMaxDate);
  p.Property("MinDate", &TMonthCalendar::MinDate, &TMonthCalendar::SetMinDate);
  p.Property("ShowToday", &TMonthCalendar::ShowToday, &TMonthCalendar::SetShowToday);
  p.Property("ShowTodayCircle", &TMonthCalendar::ShowTodayCircle, &TMonthCalendar::SetShowTodayCircle);
  p.Property("WeekNumbers", &TMonthCalendar::WeekNumbers, &TMonthCalendar::SetWeekNumbers);
  p.Property("OnChange", &TMonthCalendar::OnChange);
}

void RegisterComCtrlsClasses() { RegisterClasses({TTabControl::StaticClass(), TMonthCalendar::StaticClass()}); }

void RegisterMaskClasses() { RegisterClasses({TMaskEdit::StaticClass()}); }

void RegisterStdCtrlsClasses() {
  RegisterClasses({TEdit::StaticClass(), TMemo::StaticClass(), TListBox::StaticClass(), TComboBox::StaticClass(),
                   TButton::StaticClass(), TCheckBox::StaticClass(), TScrollBar::StaticClass(), TLabel::StaticClass()});
}
