// Column footers: their defaults taken from the grid, the aggregate each keeps in the grid's sum
// list, and the text a footer cell shows.
#include <cstdint>

#include "grid/dbgrid.h"
#include "platform/classes/published.h"
#include "platform/rtl/sysutils.h"

FANO_IMPLEMENT_ITEM(TColumnFooterGx, TCollectionItem)
FANO_IMPLEMENT_ABSTRACT(TColumnFootersGx, TCollection)

FANO_PUBLISHED(TColumnFooterGx, p) {
  p.Property("Alignment", &TColumnFooterGx::Alignment, &TColumnFooterGx::SetAlignment)
      .Stored(&TColumnFooterGx::AlignmentStored);
  p.Property("Color", &TColumnFooterGx::Color, &TColumnFooterGx::SetColor).Stored(&TColumnFooterGx::ColorStored);
  p.Property("DisplayFormat", &TColumnFooterGx::DisplayFormat, &TColumnFooterGx::SetDisplayFormat);
  p.Property("EndEllipsis", &TColumnFooterGx::EndEllipsis, &TColumnFooterGx::SetEndEllipsis).Default(false);
  p.Property("FieldName", &TColumnFooterGx::FieldName, &TColumnFooterGx::SetFieldName);
  p.Property("Font", &TColumnFooterGx::Font, &TColumnFooterGx::SetFont).Stored(&TColumnFooterGx::FontStored);
  p.Property("ToolTips", &TColumnFooterGx::ToolTips, &TColumnFooterGx::SetToolTips)
      .Stored(&TColumnFooterGx::ToolTipsStored);
  p.Property("Value", &TColumnFooterGx::Value, &TColumnFooterGx::SetValue);
  p.Property("ValueType", &TColumnFooterGx::ValueType, &TColumnFooterGx::SetValueType)
      .Default(static_cast<int>(fvtNon));
  p.Property("WordWrap", &TColumnFooterGx::WordWrap, &TColumnFooterGx::SetWordWrap).Default(false);
}

// ---------------------------------------------------------------- TColumnFooterGx

TColumnFooterGx::TColumnFooterGx(TCollection* collection) : TCollectionItem(nullptr) {
  if (auto* footers = dynamic_cast<TColumnFootersGx*>(collection)) column_ = footers->Column();
  SetCollection(collection);
  Init();
}

TColumnFooterGx::TColumnFooterGx(TColumnGx* column) : TCollectionItem(nullptr), column_(column) { Init(); }

void TColumnFooterGx::Init() {
  font_ = std::make_unique<TFont>();
  fontUpdating_ = true;
  if (TFont* def = DefaultFont()) font_->Assign(def);
  fontUpdating_ = false;
  font_->OnChange = [this](TObject*) { FontChanged(); };
  if (TCustomDBGridGx* g = Grid()) g->InvalidateFooter();
}

TColumnFooterGx::~TColumnFooterGx() {
  TCustomDBGridGx* g = Grid();
  if (g) g->InvalidateFooter();
  if (TDBSum* item = SumItem()) item->Collection()->Delete(item->Index());
  sumItem_ = nullptr;
}

TCustomDBGridGx* TColumnFooterGx::Grid() const { return column_ ? column_->Grid() : nullptr; }

void TColumnFooterGx::Repaint(bool relayout) {
  TCustomDBGridGx* g = Grid();
  if (!g) return;
  if (relayout) g->LayoutChanged();
  g->InvalidateFooter();
}

void TColumnFooterGx::FontChanged() {
  if (fontUpdating_) return;
  assigned_ |= kFont;
  Repaint(true);
}

void TColumnFooterGx::Assign(TPersistent* source) {
  auto* src = dynamic_cast<TColumnFooterGx*>(source);
  if (!src) {
    TCollectionItem::Assign(source);
    return;
  }
  if (src->AlignmentAssigned()) SetAlignment(src->Alignment());
  if (src->ColorAssigned()) SetColor(src->Color());
  if (src->FontAssigned()) SetFont(src->Font());
  SetEndEllipsis(src->EndEllipsis());
  SetValueType(src->ValueType());
  SetFieldName(src->FieldName());
  SetValue(src->Value());
  SetWordWrap(src->WordWrap());
  SetDisplayFormat(src->DisplayFormat());
}

void TColumnFooterGx::RestoreDefaults() {
  const bool fontWasSet = FontAssigned();
  assigned_ = 0;
  if (TFont* def = DefaultFont()) {
    fontUpdating_ = true;
    font_->Assign(def);
    fontUpdating_ = false;
  }
  Repaint(fontWasSet);
}

TAlignment TColumnFooterGx::DefaultAlignment() const {
  TField* f = column_ ? column_->Field() : nullptr;
  return f ? f->Alignment() : taLeftJustify;
}

TColor TColumnFooterGx::DefaultColor() const {
  TCustomDBGridGx* g = Grid();
  return g ? g->FooterColor() : clWindow;
}

TFont* TColumnFooterGx::DefaultFont() const {
  if (TCustomDBGridGx* g = Grid()) return g->FooterFont();
  return column_ ? column_->Font() : nullptr;
}

bool TColumnFooterGx::DefaultToolTips() const {
  TCustomDBGridGx* g = Grid();
  return g && g->ColumnDefValues() ? g->ColumnDefValues()->Footer()->ToolTips() : false;
}

TAlignment TColumnFooterGx::Alignment() const { return AlignmentAssigned() ? alignment_ : DefaultAlignment(); }

void TColumnFooterGx::SetAlignment(TAlignment value) {
  if (AlignmentAssigned() && value == alignment_) return;
  alignment_ = value;
  assigned_ |= kAlignment;
  Repaint();
}

TColor TColumnFooterGx::Color() const { return ColorAssigned() ? color_ : DefaultColor(); }

void TColumnFooterGx::SetColor(TColor value) {
  if (ColorAssigned() && value == color_) return;
  color_ = value;
  assigned_ |= kColor;
  Repaint();
}

// The copy follows the default whenever the default font changed; that is no assignment.
TFont* TColumnFooterGx::Font() const {
  if (!FontAssigned()) {
    TFont* def = DefaultFont();
    if (def && (def->Handle() != font_->Handle() || def->Height() != font_->Height() ||
                def->Color() != font_->Color())) {
      auto* self = const_cast<TColumnFooterGx*>(this);
      self->fontUpdating_ = true;
      self->font_->Assign(def);
      self->fontUpdating_ = false;
    }
  }
  return font_.get();
}

bool TColumnFooterGx::ToolTips() const { return ToolTipsAssigned() ? toolTips_ : DefaultToolTips(); }

void TColumnFooterGx::SetToolTips(bool value) {
  if (ToolTipsAssigned() && value == toolTips_) return;
  toolTips_ = value;
  assigned_ |= kToolTips;
}

void TColumnFooterGx::SetDisplayFormat(const std::string& value) {
  if (value == displayFormat_) return;
  displayFormat_ = value;
  Repaint();
}

void TColumnFooterGx::SetEndEllipsis(bool value) {
  if (value == endEllipsis_) return;
  endEllipsis_ = value;
  Repaint();
}

void TColumnFooterGx::SetWordWrap(bool value) {
  if (value == wordWrap_) return;
  wordWrap_ = value;
  Repaint();
}

void TColumnFooterGx::SetValue(const std::string& value) {
  if (value == value_) return;
  value_ = value;
  Repaint();
}

void TColumnFooterGx::SetFieldName(const std::string& value) {
  fieldName_ = value;
  if (column_) column_->SyncFooterSums();
  Repaint();
}

void TColumnFooterGx::SetValueType(TFooterValueType value) {
  if (value == valueType_) return;
  valueType_ = value;
  if (column_) column_->SyncFooterSums();
  Repaint();
}

// The item may have gone with its collection (a cleared or replaced sum list): it counts only
// while the grid's sum collection still holds it.
TDBSum* TColumnFooterGx::SumItem() const {
  if (!sumItem_) return nullptr;
  TCustomDBGridGx* g = Grid();
  if (!g || !g->SumList()) return nullptr;
  TDBSumCollection* sums = g->SumList()->SumCollection();
  for (int i = 0; i < sums->Count(); ++i)
    if (sums->Items(i) == sumItem_) return sumItem_;
  return nullptr;
}

void TColumnFooterGx::SyncSumItem() {
  TCustomDBGridGx* g = Grid();
  if (!g || !g->SumList()) return;
  sumItem_ = SyncFooterSumItem(g->SumList()->SumCollection(), SumItem(), valueType_, fieldName_,
                               column_ ? column_->FieldName() : std::string());
}

// ---------------------------------------------------------------- TColumnFootersGx

TColumnFootersGx::TColumnFootersGx(TColumnGx* column, TClass itemClass) : TCollection(itemClass), column_(column) {}

TPersistent* TColumnFootersGx::GetOwner() const { return column_; }

// ---------------------------------------------------------------- the column's footers

void TColumnGx::SetFooter(TColumnFooterGx* value) { footer_->Assign(value); }

void TColumnGx::SetFooters(TColumnFootersGx* value) { footers_->Assign(value); }

TColumnFooterGx* TColumnGx::GetFooter(int index) const {
  if (footers_ && index >= 0 && index < footers_->Count()) return footers_->Items(index);
  return footer_.get();
}

void TColumnGx::SyncFooterSums() {
  if (!Grid()) return;
  if (footer_) footer_->SyncSumItem();
  if (footers_)
    for (int i = 0; i < footers_->Count(); ++i) footers_->Items(i)->SyncSumItem();
}

// ---------------------------------------------------------------- footer text

namespace {

bool IsIntegerType(TFieldType t) {
  switch (t) {
    case ftSmallint: case ftInteger: case ftWord: case ftAutoInc: case ftLargeint:
      return true;
    default:
      return false;
  }
}

// A float field's own way of showing a number: its display format, money, or general digits.
std::string FloatFieldText(TField* field, double value) {
  if (auto* ff = dynamic_cast<TFloatField*>(field)) {
    if (!ff->DisplayFormat().empty()) return FormatFloat(ff->DisplayFormat(), value);
    if (ff->currency()) return FloatToStrF(value, ffCurrency, ff->Precision(), FormatSettings.CurrencyDecimals);
    return FloatToStrF(value, ffGeneral, ff->Precision(), 0);
  }
  return FloatToStr(value);
}

}  // namespace

std::string TCustomDBGridGx::GetFooterValue(int row, TColumnGx* column) {
  (void)row;
  TColumnFooterGx* footer = column ? column->GetFooter(row) : nullptr;
  if (!footer) return {};
  TDataSet* ds = DataSet();
  switch (footer->ValueType()) {
    case fvtSum:
    case fvtAvg: {
      const std::string name = footer->FieldName().empty() ? column->FieldName() : footer->FieldName();
      TField* field = ds && !name.empty() ? ds->FindField(name) : nullptr;
      TDBSum* sum = footer->SumItem();
      if (!sum && sumList_ && field)
        sum = sumList_->FindSum(footer->ValueType() == fvtSum ? goSum : goAvg, name);
      if (!field || !sum) return "0";
      const Currency value = sum->Value();
      if (!footer->DisplayFormat().empty()) return FormatFloat(footer->DisplayFormat(), value.ToDouble());
      const TFieldType t = field->DataType();
      if (IsIntegerType(t)) {
        const int64_t v = sum->SumValue();
        return std::to_string((v + (v < 0 ? -5000 : 5000)) / 10000);
      }
      if (t == ftFloat || t == ftCurrency) return FloatFieldText(field, value.ToDouble());
      if (t == ftBCD || t == ftFMTBcd) return CurrToStr(value);
      return FloatToStr(value.ToDouble());
    }
    case fvtCount: {
      TDBSum* sum = footer->SumItem();
      const double n = sum ? sum->Value().ToDouble() : 0.0;
      if (!footer->DisplayFormat().empty()) return FormatFloat(footer->DisplayFormat(), n);
      return FloatToStr(n);
    }
    case fvtFieldValue: {
      if (!ds || !ds->Active() || footer->FieldName().empty()) return {};
      TField* field = ds->FindField(footer->FieldName());
      return field ? field->DisplayText() : std::string();
    }
    case fvtStaticText:
      return footer->Value();
    default:
      return {};
  }
}
