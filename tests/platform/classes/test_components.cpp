#include "test_components.h"

#include <algorithm>

#include "platform/classes/classreg.h"
#include "platform/classes/published.h"

std::vector<std::string> gEvents;

FANO_ENUM_NAMES(TTestAlign, "alNone", "alTop", "alBottom", "alClient");
FANO_ENUM_NAMES(TTestFontStyle, "fsBold", "fsItalic", "fsUnderline");

// ---- TTestFont ----

FANO_IMPLEMENT_CLASS(TTestFont, TPersistent)
FANO_PUBLISHED(TTestFont, p) {
  p.Property("Name", &TTestFont::Name, &TTestFont::SetName);
  p.Property("Size", &TTestFont::Size, &TTestFont::SetSize);
  p.Property("Style", &TTestFont::Style, &TTestFont::SetStyle);
}

void TTestFont::Assign(TPersistent* source) {
  if (auto* f = dynamic_cast<TTestFont*>(source)) {
    name_ = f->name_;
    size_ = f->size_;
    style_ = f->style_;
    return;
  }
  TPersistent::Assign(source);
}

// ---- TTestControl ----

FANO_IMPLEMENT_COMPONENT(TTestControl, TComponent)
FANO_REGISTER_CLASS(TTestControl);
FANO_PUBLISHED(TTestControl, p) {
  p.Property("Caption", &TTestControl::Caption, &TTestControl::SetCaption);
  p.Property("Left", &TTestControl::Left, &TTestControl::SetLeft);
  p.Property("Width", &TTestControl::Width, &TTestControl::SetWidth).Default(0);
  p.Property("Visible", &TTestControl::Visible, &TTestControl::SetVisible).Default(true);
  p.Property("Align", &TTestControl::Align, &TTestControl::SetAlign);
  p.Property("Font", &TTestControl::Font, &TTestControl::SetFont);
  p.Property("Lines", &TTestControl::Lines, &TTestControl::SetLines);
  p.Property("Ratio", &TTestControl::Ratio, &TTestControl::SetRatio);
  p.Property("Amount", &TTestControl::Amount, &TTestControl::SetAmount);
  p.Property("Big", &TTestControl::Big, &TTestControl::SetBig);
  p.Property("Value", &TTestControl::Value, &TTestControl::SetValue);
  p.Property("Hint", &TTestControl::Hint, &TTestControl::SetHint);
  p.Property("ReadOnlyCount", &TTestControl::ReadOnlyCount);
  p.Property("OnClick", &TTestControl::OnClick);
  p.Property("OnButton", &TTestControl::OnButton);
}

TTestControl::TTestControl(TComponent* owner)
    : TComponent(owner), font_(new TTestFont()), lines_(new TStringList()) {}

TTestControl::~TTestControl() {
  SetParent(nullptr);
  for (TTestControl* c : controls_) c->parent_ = nullptr;
  delete font_;
  delete lines_;
}

void TTestControl::SetParent(TTestControl* p) {
  if (p == parent_) return;
  if (parent_) {
    auto& siblings = parent_->controls_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
  parent_ = p;
  if (p) p->controls_.push_back(this);
}

void TTestControl::SetCaption(std::string_view v) {
  caption_ = std::string(v);
  captionSetWhileLoading = InState(csLoading);
}

void TTestControl::SetParentComponent(TComponent* parent) { SetParent(dynamic_cast<TTestControl*>(parent)); }

void TTestControl::GetChildren(const TGetChildProc& proc, TComponent* root) {
  TComponent::GetChildren(proc, root);
  for (TTestControl* c : std::vector<TTestControl*>(controls_))
    if (c->Owner() == root) proc(c);
}

void TTestControl::Loaded() {
  TComponent::Loaded();
  ++loadedCount;
  gEvents.push_back("loaded " + Name());
}

// ---- TTestDataSource ----

FANO_IMPLEMENT_COMPONENT(TTestDataSource, TComponent)
FANO_REGISTER_CLASS(TTestDataSource);
FANO_PUBLISHED(TTestDataSource, p) {
  p.Property("DataSetName", &TTestDataSource::DataSetName, &TTestDataSource::SetDataSetName);
}

// ---- TTestColumn ----

FANO_IMPLEMENT_ITEM(TTestColumn, TCollectionItem)
FANO_PUBLISHED(TTestColumn, p) {
  p.Property("FieldName", &TTestColumn::FieldName, &TTestColumn::SetFieldName);
  p.Property("Width", &TTestColumn::Width, &TTestColumn::SetWidth);
  p.Property("Font", &TTestColumn::Font);
  p.Property("OnChange", &TTestColumn::OnChange);
}

void TTestColumn::Assign(TPersistent* source) {
  if (auto* c = dynamic_cast<TTestColumn*>(source)) {
    fieldName_ = c->fieldName_;
    width_ = c->width_;
    font_->Assign(c->font_.get());
    OnChange = c->OnChange;
    SetHandlerName("OnChange", c->HandlerName("OnChange"));
    return;
  }
  TCollectionItem::Assign(source);
}

// ---- TTestGrid ----

FANO_IMPLEMENT_COMPONENT(TTestGrid, TTestControl)
FANO_REGISTER_CLASS(TTestGrid);
FANO_PUBLISHED(TTestGrid, p) {
  p.Property("DataSource", &TTestGrid::DataSource, &TTestGrid::SetDataSource);
  p.Property("Columns", &TTestGrid::Columns);
}

TTestGrid::TTestGrid(TComponent* owner)
    : TTestControl(owner), columns_(new TOwnedCollection(this, TTestColumn::StaticClass())) {}

TTestGrid::~TTestGrid() { delete columns_; }

void TTestGrid::SetDataSource(TTestDataSource* v) {
  if (v == dataSource_) return;
  if (dataSource_) dataSource_->RemoveFreeNotification(this);
  dataSource_ = v;
  if (v) v->FreeNotification(this);
}

void TTestGrid::Notification(TComponent* c, TOperation op) {
  TTestControl::Notification(c, op);
  if (op == opRemove && c == dataSource_) dataSource_ = nullptr;
}

void TTestGrid::DefineProperties(TFiler& filer) {
  TTestControl::DefineProperties(filer);
  auto* ancestor = dynamic_cast<TTestGrid*>(filer.Ancestor());
  bool widths = ancestor ? ColWidths != ancestor->ColWidths : !ColWidths.empty();
  filer.DefineProperty(
      "ColWidths",
      [this](TReader& r) {
        ColWidths.clear();
        r.ReadListBegin();
        while (!r.EndOfList()) ColWidths.push_back(r.ReadInteger());
        r.ReadListEnd();
      },
      [this](TWriter& w) {
        w.WriteListBegin();
        for (int v : ColWidths) w.WriteInteger(v);
        w.WriteListEnd();
      },
      widths);
  bool glyph = ancestor ? Glyph != ancestor->Glyph : !Glyph.empty();
  filer.DefineBinaryProperty(
      "Glyph", [this](TStream& s) { Glyph = s.ReadString(s.Size()); }, [this](TStream& s) { s.WriteString(Glyph); },
      glyph);
}

void TTestGrid::Loaded() {
  TTestControl::Loaded();
  dataSourceAtLoaded = dataSource_ != nullptr;
}

// ---- forms ----

FANO_IMPLEMENT_COMPONENT(TTestForm, TTestControl)
FANO_REGISTER_CLASS(TTestForm);
FANO_PUBLISHED(TTestForm, p) {
  p.Field("pnlTop", &TTestForm::pnlTop);
  p.Field("btnOK", &TTestForm::btnOK);
  p.Field("grid", &TTestForm::grid);
  p.Field("dsMain", &TTestForm::dsMain);
  p.Method("btnOKClick", &TTestForm::btnOKClick);
  p.Method("FormButton", &TTestForm::FormButton);
}

void TTestForm::btnOKClick(TObject* sender) {
  ++clicks;
  gEvents.push_back("click " + static_cast<TComponent*>(sender)->Name());
}

void TTestForm::FormButton(TObject*, bool& handled) { handled = true; }

FANO_IMPLEMENT_COMPONENT(TTestDescendantForm, TTestForm)
FANO_REGISTER_CLASS(TTestDescendantForm);
FANO_PUBLISHED(TTestDescendantForm, p) {
  p.Field("lblNew", &TTestDescendantForm::lblNew);
  p.Method("btnCancelClick", &TTestDescendantForm::btnCancelClick);
}

void TTestDescendantForm::btnCancelClick(TObject*) { ++cancels; }

FANO_IMPLEMENT_COMPONENT(TTestPlainDescendant, TTestForm)
