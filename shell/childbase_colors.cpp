// The base child form's colouring from the host's colour scheme: the title strip and the form, and
// the walks that colour editors by the role of their field, flat controls, labels, page controls
// and grids.
#include "controls/cvlabel.h"
#include "controls/cvpagecontrol.h"
#include "controls/flatcombobox.h"
#include "controls/flatedit.h"
#include "editors/dbeditbase.h"
#include "grid/dbgrid.h"
#include "platform/db/dataset.h"
#include "platform/db/datasource.h"
#include "platform/forms/extctrls.h"
#include "shell/childbase.h"
#include "shell/globalvar.h"

namespace {
// The scheme's colour at a byte offset of the record, as the host lays it out.
TColor SchemeColor(int offset) {
  const ColorSchemeRecord* s = GlobalVar::ColorScheme;
  if (!s) return clBlack;
  switch (offset) {
    case 8: return s->PanelColor;
    case 12: return s->KeyFieldColor;
    case 16: return s->EditorBorderColor;
    case 20: return s->ToolBarColor;
    case 24: return s->FormColor;
    case 28: return s->FocusedEditorColor;
    case 36: return s->TitleColor;
    case 40: return s->EditorColor;
    case 44: return s->LabelLineColor;
    case 48: return s->RequiredFieldColor;
    case 52: return s->DefaultTabColor;
    case 56: return s->DefaultTabColorTo;
    case 60: return s->ActiveTabColor;
    case 64: return s->ActiveTabColorTo;
    default: return 0;
  }
}
template <class Edit>
void ColourFlatEdit(Edit* edit) {
  edit->SetColorFocused(SchemeColor(28));
  edit->SetColorBorder(SchemeColor(16));
  edit->SetColorFlat(SchemeColor(40));
}

}  // namespace

void TfrmChildBase::ApplyColors() {
  const ColorSchemeRecord* scheme = GlobalVar::ColorScheme;
  if (!scheme) return;
  ShowTitle(scheme->ShowTitle);
  if (pnlFormTitle) {
    pnlFormTitle->SetParentColor(false);
    pnlFormTitle->SetColor(SchemeColor(36));
  }
  SetColor(SchemeColor(24));
  if (pbTitleRight) pbTitleRight->Invalidate();
}

TColor TfrmChildBase::GetFieldColor(TField* Field) const {
  if (Field && Field->IsKey()) return SchemeColor(12);
  if (Field && Field->NotNull()) return SchemeColor(48);
  return SchemeColor(40);
}

void TfrmChildBase::ApplyControlColors(TWinControl* Container) {
  if (!Container || !GlobalVar::ColorScheme) return;
  for (int i = 0; i < Container->ControlCount(); ++i) {
    TControl* control = Container->Controls(i);
    if (TCustomDBEditGx* edit = AsFieldEditor(control)) {
      edit->SetColorBorder(SchemeColor(16));
      edit->SetColorFocused(SchemeColor(28));
      // An editor whose field cannot be found takes the ordinary colour.
      TField* field = nullptr;
      if (!edit->DataField().empty() && edit->DataSource() && edit->DataSource()->DataSet())
        field = edit->DataSource()->DataSet()->FindField(edit->DataField());
      edit->SetColorFlat(GetFieldColor(field));
    } else if (auto* edit = dynamic_cast<TFlatEdit*>(control)) {
      ColourFlatEdit(edit);
    } else if (auto* mask = dynamic_cast<TFlatMaskEdit*>(control)) {
      ColourFlatEdit(mask);
    } else if (auto* memo = dynamic_cast<TFlatMemo*>(control)) {
      ColourFlatEdit(memo);
    } else if (auto* combo = dynamic_cast<TFlatComboBox*>(control)) {
      combo->SetColor(SchemeColor(40));
      combo->SetColorArrowBackground(SchemeColor(8));
      combo->SetColorBorder(SchemeColor(16));
    } else if (auto* label = dynamic_cast<TCvLabel*>(control)) {
      label->SetLineColor(SchemeColor(44));
    } else if (auto* inner = dynamic_cast<TWinControl*>(control)) {
      ApplyControlColors(inner);
    }
  }
}

void TfrmChildBase::ApplyPageControlColors(TColor TabBackGroundColor, TWinControl* Container) {
  if (!Container || !GlobalVar::ColorScheme) return;
  for (int i = 0; i < Container->ControlCount(); ++i) {
    auto* pages = dynamic_cast<TCvPageControl*>(Container->Controls(i));
    if (!pages) continue;
    pages->SetTabBackGroundColor(TabBackGroundColor);
    pages->SetActiveColor(SchemeColor(60));
    pages->SetActiveColorTo(SchemeColor(64));
    pages->SetDefaultTabColor(SchemeColor(52));
    pages->SetDefaultTabColorTo(SchemeColor(56));
    for (int p = 0; p < pages->GetPageCount(); ++p) {
      TCvTabSheet* page = pages->GetPage(p);
      page->SetColor(SchemeColor(8));
      for (int c = 0; c < page->ControlCount(); ++c) {
        TControl* child = page->Controls(c);
        if (auto* grid = dynamic_cast<TDBGridGx*>(child))
          ApplyGridColors(grid);
        else if (dynamic_cast<TCustomPanel*>(child))
          ApplyControlColors(static_cast<TWinControl*>(child));
      }
      ApplyControlColors(page);
    }
  }
}

void TfrmChildBase::ApplyGridColors(TDBGridGx* Grid) {
  if (Grid && GlobalVar::ColorScheme) Grid->SetFixedColorProp(SchemeColor(8));
}
