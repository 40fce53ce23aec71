// The published properties of the forms layer's classes, so that forms, data modules and their
// components can be read from and written to form resources.
#include "platform/classes/classreg.h"
#include "platform/classes/published.h"
#include "platform/forms/actnlist.h"
#include "platform/forms/controls.h"
#include "platform/forms/forms.h"
#include "platform/forms/graphics.h"
#include "platform/forms/imglist.h"
#include "platform/forms/menus.h"
#include "platform/forms/buttons.h"
#include "platform/forms/comctrls.h"
#include "platform/forms/extctrls.h"
#include "platform/forms/mask.h"
#include "platform/forms/stdctrls.h"
#include "platform/forms/timer.h"

FANO_ENUM_NAMES(TAlign, "alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient", "alCustom");
FANO_ENUM_NAMES(TDragMode, "dmManual", "dmAutomatic");
FANO_ENUM_NAMES(TDragKind, "dkDrag", "dkDock");
FANO_ENUM_NAMES(TAnchorKind, "akLeft", "akTop", "akRight", "akBottom");
FANO_ENUM_NAMES(TFontStyle, "fsBold", "fsItalic", "fsUnderline", "fsStrikeOut");
FANO_ENUM_NAMES(TFontPitch, "fpDefault", "fpVariable", "fpFixed");
FANO_ENUM_NAMES(TPenStyle, "psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear", "psInsideFrame");
FANO_ENUM_NAMES(TPenMode, "pmBlack", "pmWhite", "pmNop", "pmNot", "pmCopy", "pmNotCopy", "pmMergePenNot", "pmMaskPenNot",
                "pmMergeNotPen", "pmMaskNotPen", "pmMerge", "pmNotMerge", "pmMask", "pmNotMask", "pmXor", "pmNotXor");
FANO_ENUM_NAMES(TBrushStyle, "bsSolid", "bsClear", "bsHorizontal", "bsVertical", "bsFDiagonal", "bsBDiagonal", "bsCross",
                "bsDiagCross");
FANO_ENUM_NAMES(TFormBorderStyle, "bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin");
FANO_ENUM_NAMES(TBorderIcon, "biSystemMenu", "biMinimize", "biMaximize", "biHelp");
FANO_ENUM_NAMES(TWindowState, "wsNormal", "wsMinimized", "wsMaximized");
FANO_ENUM_NAMES(TFormStyle, "fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop");
FANO_ENUM_NAMES(TPosition, "poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly", "poScreenCenter",
                "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter");
FANO_ENUM_NAMES(TPopupAlignment, "paLeft", "paRight", "paCenter");
FANO_ENUM_NAMES(TMenuBreak, "mbNone", "mbBreak", "mbBarBreak");
FANO_ENUM_NAMES(TMenuItemAutoFlag, "maAutomatic", "maManual", "maParent");
FANO_ENUM_NAMES(TDrawingStyle, "dsFocus", "dsSelected", "dsNormal", "dsTransparent");
FANO_ENUM_NAMES(TImageType, "itImage", "itMask");

FANO_PUBLISHED(TFont, p) {
  p.Property("Charset", &TFont::Charset, &TFont::SetCharset);
  p.Property("Color", &TFont::Color, &TFont::SetColor);
  p.Property("Height", &TFont::Height, &TFont::SetHeight);
  p.Property("Name", &TFont::Name, &TFont::SetName);
  p.Property("Pitch", &TFont::Pitch, &TFont::SetPitch);
  p.Property("Size", &TFont::Size, &TFont::SetSize).Stored(false);
  p.Property("Style", &TFont::Style, &TFont::SetStyle);
}

FANO_PUBLISHED(TPen, p) {
  p.Property("Color", &TPen::Color, &TPen::SetColor);
  p.Property("Mode", &TPen::Mode, &TPen::SetMode);
  p.Property("Style", &TPen::Style, &TPen::SetStyle);
  p.Property("Width", &TPen::Width, &TPen::SetWidth);
}

FANO_PUBLISHED(TBrush, p) {
  p.Property("Color", &TBrush::Color, &TBrush::SetColor);
  p.Property("Style", &TBrush::Style, &TBrush::SetStyle);
}

FANO_PUBLISHED(TSizeConstraints, p) {
  p.Property("MaxHeight", &TSizeConstraints::MaxHeight, &TSizeConstraints::SetMaxHeight);
  p.Property("MaxWidth", &TSizeConstraints::MaxWidth, &TSizeConstraints::SetMaxWidth);
  p.Property("MinHeight", &TSizeConstraints::MinHeight, &TSizeConstraints::SetMinHeight);
  p.Property("MinWidth", &TSizeConstraints::MinWidth, &TSizeConstraints::SetMinWidth);
}

FANO_PUBLISHED(TControl, p) {
  p.Property("Left", &TControl::Left, &TControl::SetLeft);
  p.Property("Top", &TControl::Top, &TControl::SetTop);
  p.Property("Width", &TControl::Width, &TControl::SetWidth);
  p.Property("Height", &TControl::Height, &TControl::SetHeight);
  p.Property("Action", &TControl::Action, &TControl::SetAction);
  p.Property("Align", &TControl::Align, &TControl::SetAlign);
  p.Property("Anchors", &TControl::Anchors, &TControl::SetAnchors);
  p.Property("Caption", &TControl::Caption, &TControl::SetCaption);
  p.Property("Color", &TControl::Color, &TControl::SetColor).Stored(&TControl::IsColorStored);
  p.Property("Cursor", &TControl::Cursor, &TControl::SetCursor);
  p.Property("DragCursor", &TControl::DragCursor, &TControl::SetDragCursor).Default(static_cast<int>(crDrag));
  p.Property("DragKind", &TControl::DragKind, &TControl::SetDragKind).Default(static_cast<int>(dkDrag));
  p.Property("DragMode", &TControl::DragMode, &TControl::SetDragMode).Default(static_cast<int>(dmManual));
  p.Property("Enabled", &TControl::Enabled, &TControl::SetEnabled);
  p.Property("Font", &TControl::Font).Stored(&TControl::IsFontStored);
  p.Property("HelpContext", &TControl::HelpContext, &TControl::SetHelpContext);
  p.Property("Hint", &TControl::Hint, &TControl::SetHint);
  p.Property("ParentColor", &TControl::ParentColor, &TControl::SetParentColor);
  p.Property("ParentFont", &TControl::ParentFont, &TControl::SetParentFont);
  p.Property("ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint);
  p.Property("PopupMenu", &TControl::PopupMenu, &TControl::SetPopupMenu);
  p.Property("ShowHint", &TControl::ShowHint, &TControl::SetShowHint).Stored(&TControl::IsShowHintStored);
  p.Property("Tag", &TComponent::Tag, &TComponent::SetTag);
  p.Property("Visible", &TControl::Visible, &TControl::SetVisible);
  p.Property("OnClick", &TControl::OnClick);
  p.Property("OnContextPopup", &TControl::OnContextPopup);
  p.Property("OnDblClick", &TControl::OnDblClick);
  p.Property("OnDragDrop", &TControl::OnDragDrop);
  p.Property("OnDragOver", &TControl::OnDragOver);
  p.Property("OnEndDock", &TControl::OnEndDock);
  p.Property("OnEndDrag", &TControl::OnEndDrag);
  p.Property("OnMouseDown", &TControl::OnMouseDown);
  p.Property("OnMouseMove", &TControl::OnMouseMove);
  p.Property("OnMouseUp", &TControl::OnMouseUp);
  p.Property("OnMouseWheel", &TControl::OnMouseWheel);
  p.Property("OnMouseWheelDown", &TControl::OnMouseWheelDown);
  p.Property("OnMouseWheelUp", &TControl::OnMouseWheelUp);
  p.Property("OnResize", &TControl::OnResize);
  p.Property("OnCanResize", &TControl::OnCanResize);
  p.Property("OnStartDock", &TControl::OnStartDock);
  p.Property("OnStartDrag", &TControl::OnStartDrag);
}

FANO_PUBLISHED(TWinControl, p) {
  p.Property("BorderWidth", &TWinControl::BorderWidth, &TWinControl::SetBorderWidth);
  p.Property("Ctl3D", &TWinControl::Ctl3D, &TWinControl::SetCtl3D).Stored(&TWinControl::IsCtl3DStored);
  p.Property("DoubleBuffered", &TWinControl::DoubleBuffered, &TWinControl::SetDoubleBuffered);
  p.Property("ParentCtl3D", &TWinControl::ParentCtl3D, &TWinControl::SetParentCtl3D);
  p.Property("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder);
  p.Property("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop);
  p.Property("OnEnter", &TWinControl::OnEnter);
  p.Property("OnExit", &TWinControl::OnExit);
  p.Property("OnKeyDown", &TWinControl::OnKeyDown);
  p.Property("OnKeyPress", &TWinControl::OnKeyPress);
  p.Property("OnKeyUp", &TWinControl::OnKeyUp);
}

FANO_PUBLISHED(TControlScrollBar, p) {
  p.Property("Increment", &TControlScrollBar::Increment, &TControlScrollBar::SetIncrement);
  p.Property("Margin", &TControlScrollBar::Margin, &TControlScrollBar::SetMargin);
  p.Property("Range", &TControlScrollBar::Range, &TControlScrollBar::SetRange).Stored(&TControlScrollBar::RangeStored);
  p.Property("Position", &TControlScrollBar::Position, &TControlScrollBar::SetPosition);
  p.Property("Tracking", &TControlScrollBar::Tracking, &TControlScrollBar::SetTracking);
  p.Property("Visible", &TControlScrollBar::Visible, &TControlScrollBar::SetVisible);
}

FANO_PUBLISHED(TScrollingWinControl, p) {
  p.Property("AutoScroll", &TScrollingWinControl::AutoScroll, &TScrollingWinControl::SetAutoScroll);
  p.Property("HorzScrollBar", &TScrollingWinControl::HorzScrollBar);
  p.Property("VertScrollBar", &TScrollingWinControl::VertScrollBar);
}

FANO_PUBLISHED(TCustomForm, p) {
  p.Property("Width", &TControl::Width, &TControl::SetWidth).Stored(&TCustomForm::FormSizeStored);
  p.Property("Height", &TControl::Height, &TControl::SetHeight).Stored(&TCustomForm::FormSizeStored);
  p.Property("ClientWidth", &TControl::ClientWidth, &TControl::SetClientWidth).Stored(&TCustomForm::ClientSizeStored);
  p.Property("ClientHeight", &TControl::ClientHeight, &TControl::SetClientHeight).Stored(&TCustomForm::ClientSizeStored);
  p.Property("ActiveControl", &TCustomForm::ActiveControl, &TCustomForm::SetActiveControl);
  p.Property("BorderIcons", &TCustomForm::BorderIcons, &TCustomForm::SetBorderIcons);
  p.Property("BorderStyle", &TCustomForm::BorderStyle, &TCustomForm::SetBorderStyle);
  p.Property("FormStyle", &TCustomForm::FormStyle, &TCustomForm::SetFormStyle);
  p.Property("KeyPreview", &TCustomForm::KeyPreview, &TCustomForm::SetKeyPreview);
  p.Property("PixelsPerInch", &TCustomForm::PixelsPerInch, &TCustomForm::SetPixelsPerInch);
  p.Property("Position", &TCustomForm::Position, &TCustomForm::SetPosition);
  p.Property("WindowState", &TCustomForm::WindowState, &TCustomForm::SetWindowState);
  p.Property("OnActivate", &TCustomForm::OnActivate);
  p.Property("OnClose", &TCustomForm::OnClose);
  p.Property("OnCloseQuery", &TCustomForm::OnCloseQuery);
  p.Property("OnCreate", &TCustomForm::OnCreate);
  p.Property("OnDeactivate", &TCustomForm::OnDeactivate);
  p.Property("OnDestroy", &TCustomForm::OnDestroy);
  p.Property("OnHide", &TCustomForm::OnHide);
  p.Property("OnPaint", &TCustomForm::OnPaint);
  p.Property("OnShortCut", &TCustomForm::OnShortCut);
  p.Property("OnShow", &TCustomForm::OnShow);
}

FANO_PUBLISHED(TDataModule, p) {
  p.Property("OnCreate", &TDataModule::OnCreate);
  p.Property("OnDestroy", &TDataModule::OnDestroy);
}

FANO_PUBLISHED(TMenuItem, p) {
  p.Property("Action", &TMenuItem::Action, &TMenuItem::SetAction);
  p.Property("AutoCheck", &TMenuItem::AutoCheck, &TMenuItem::SetAutoCheck);
  p.Property("AutoHotkeys", &TMenuItem::AutoHotkeys, &TMenuItem::SetAutoHotkeys);
  p.Property("AutoLineReduction", &TMenuItem::AutoLineReduction, &TMenuItem::SetAutoLineReduction);
  p.Property("Bitmap", &TMenuItem::Bitmap).Stored(&TMenuItem::HasBitmap);
  p.Property("Break", &TMenuItem::Break, &TMenuItem::SetBreak);
  p.Property("Caption", &TMenuItem::Caption, &TMenuItem::SetCaption);
  p.Property("Checked", &TMenuItem::Checked, &TMenuItem::SetChecked);
  p.Property("Default", &TMenuItem::Default, &TMenuItem::SetDefault);
  p.Property("Enabled", &TMenuItem::Enabled, &TMenuItem::SetEnabled);
  p.Property("GroupIndex", &TMenuItem::GroupIndex, &TMenuItem::SetGroupIndex);
  p.Property("HelpContext", &TMenuItem::HelpContext, &TMenuItem::SetHelpContext);
  p.Property("Hint", &TMenuItem::Hint, &TMenuItem::SetHint);
  p.Property("ImageIndex", &TMenuItem::ImageIndex, &TMenuItem::SetImageIndex);
  p.Property("RadioItem", &TMenuItem::RadioItem, &TMenuItem::SetRadioItem);
  p.Property("ShortCut", &TMenuItem::ShortCut, &TMenuItem::SetShortCut);
  p.Property("SubMenuImages", &TMenuItem::SubMenuImages, &TMenuItem::SetSubMenuImages);
  p.Property("Visible", &TMenuItem::Visible, &TMenuItem::SetVisible);
  p.Property("OnClick", &TMenuItem::OnClick);
}

FANO_PUBLISHED(TMenu, p) { p.Property("Images", &TMenu::Images, &TMenu::SetImages); }

FANO_PUBLISHED(TPopupMenu, p) {
  p.Property("Alignment", &TPopupMenu::Alignment, &TPopupMenu::SetAlignment);
  p.Property("AutoPopup", &TPopupMenu::AutoPopup, &TPopupMenu::SetAutoPopup);
  p.Property("OnClose", &TPopupMenu::OnClose);
  p.Property("OnPopup", &TPopupMenu::OnPopup);
}

FANO_PUBLISHED(TContainedAction, p) { p.Property("Category", &TContainedAction::Category, &TContainedAction::SetCategory); }

FANO_PUBLISHED(TCustomAction, p) {
  p.Property("AutoCheck", &TCustomAction::AutoCheck, &TCustomAction::SetAutoCheck);
  p.Property("Caption", &TCustomAction::Caption, &TCustomAction::SetCaption);
  p.Property("Checked", &TCustomAction::Checked, &TCustomAction::SetChecked);
  p.Property("Enabled", &TCustomAction::Enabled, &TCustomAction::SetEnabled);
  p.Property("GroupIndex", &TCustomAction::GroupIndex, &TCustomAction::SetGroupIndex);
  p.Property("HelpContext", &TCustomAction::HelpContext, &TCustomAction::SetHelpContext);
  p.Property("Hint", &TCustomAction::Hint, &TCustomAction::SetHint);
  p.Property("ImageIndex", &TCustomAction::ImageIndex, &TCustomAction::SetImageIndex);
  p.Property("ShortCut", &TCustomAction::ShortCut, &TCustomAction::SetShortCut);
  p.Property("Visible", &TCustomAction::Visible, &TCustomAction::SetVisible);
  p.Property("OnExecute", &TBasicAction::OnExecute, &TBasicAction::SetOnExecute);
  p.Property("OnHint", &TCustomAction::OnHint);
  p.Property("OnUpdate", &TBasicAction::OnUpdate);
}

FANO_PUBLISHED(TCustomActionList, p) {
  p.Property("Images", &TCustomActionList::Images, &TCustomActionList::SetImages);
  p.Property("OnChange", &TCustomActionList::OnChange);
  p.Property("OnExecute", &TCustomActionList::OnExecute);
  p.Property("OnUpdate", &TCustomActionList::OnUpdate);
}

FANO_PUBLISHED(TCustomImageList, p) {
  p.Property("AllocBy", &TCustomImageList::AllocBy, &TCustomImageList::SetAllocBy);
  p.Property("BkColor", &TCustomImageList::BkColor, &TCustomImageList::SetBkColor);
  p.Property("BlendColor", &TCustomImageList::BlendColor, &TCustomImageList::SetBlendColor);
  p.Property("DrawingStyle", &TCustomImageList::DrawingStyle, &TCustomImageList::SetDrawingStyle);
  p.Property("Height", &TCustomImageList::Height, &TCustomImageList::SetHeight);
  p.Property("ImageType", &TCustomImageList::ImageType, &TCustomImageList::SetImageType);
  p.Property("Masked", &TCustomImageList::Masked, &TCustomImageList::SetMasked);
  p.Property("Width", &TCustomImageList::Width, &TCustomImageList::SetWidth);
  p.Property("OnChange", &TCustomImageList::OnChange);
}

FANO_PUBLISHED(TTimer, p) {
  p.Property("Enabled", &TTimer::Enabled, &TTimer::SetEnabled);
  p.Property("Interval", &TTimer::Interval, &TTimer::SetInterval);
  p.Property("OnTimer", &TTimer::OnTimer, &TTimer::SetOnTimer);
}

void RegisterControlsClasses() {
  RegisterClasses({TControl::StaticClass(), TWinControl::StaticClass(), TCustomControl::StaticClass(),
                   TGraphicControl::StaticClass()});
}

void RegisterMenusClasses() { RegisterClasses({TMenuItem::StaticClass(), TMenu::StaticClass(), TPopupMenu::StaticClass()}); }

void RegisterFormsClasses() {
  RegisterControlsClasses();
  RegisterStdCtrlsClasses();
  RegisterMaskClasses();
  RegisterExtCtrlsClasses();
  RegisterButtonsClasses();
  RegisterComCtrlsClasses();
  RegisterMenusClasses();
  RegisterClasses({TForm::StaticClass(), TDataModule::StaticClass(), THintWindow::StaticClass(),
                   TScrollingWinControl::StaticClass(), TAction::StaticClass(), TActionList::StaticClass(),
                   TTimer::StaticClass(), TImageList::StaticClass(), TBitmap::StaticClass(),
                   TPngImage::StaticClass(), TJPEGImage::StaticClass(), TPicture::StaticClass()});
}
