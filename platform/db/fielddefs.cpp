#include "platform/db/fielddefs.h"

#include "platform/classes/classreg.h"
#include "platform/classes/published.h"
#include "platform/db/dataset.h"
#include "platform/db/dbconsts.h"
#include "platform/db/fields.h"
#include "platform/rtl/strings.h"

FANO_IMPLEMENT_ITEM(TFieldDef, TCollectionItem)
FANO_IMPLEMENT_ABSTRACT(TFieldDefs, TOwnedCollection)
FANO_IMPLEMENT_ITEM(TIndexDef, TCollectionItem)
FANO_IMPLEMENT_ABSTRACT(TIndexDefs, TOwnedCollection)

// Published properties (form resources) and the names resources may use.
FANO_ENUM_NAMES(TFieldAttribute, "faHiddenCol", "faReadonly", "faRequired", "faLink", "faUnNamed", "faFixed");

FANO_ENUM_NAMES(TIndexOption, "ixPrimary", "ixUnique", "ixDescending", "ixCaseInsensitive", "ixExpression",
                "ixNonMaintained");

FANO_PUBLISHED(TFieldDef, p) {
  p.Property("Name", &TFieldDef::Name, &TFieldDef::SetName);
  p.Property("Attributes", &TFieldDef::Attributes, &TFieldDef::SetAttributes);
  p.Property("DataType", &TFieldDef::DataType, &TFieldDef::SetDataType);
  p.Property("Precision", &TFieldDef::Precision, &TFieldDef::SetPrecision).Default(0);
  p.Property("Size", &TFieldDef::Size, &TFieldDef::SetSize).Default(0);
}

FANO_PUBLISHED(TIndexDef, p) {
  p.Property("Name", &TIndexDef::Name, &TIndexDef::SetName);
  p.Property("CaseInsFields", &TIndexDef::CaseInsFields, &TIndexDef::SetCaseInsFields);
  p.Property("DescFields", &TIndexDef::DescFields, &TIndexDef::SetDescFields);
  p.Property("Expression", &TIndexDef::Expression, &TIndexDef::SetExpression);
  p.Property("Fields", &TIndexDef::Fields, &TIndexDef::SetFields);
  p.Property("Options", &TIndexDef::Options, &TIndexDef::SetOptions);
  p.Property("Source", &TIndexDef::Source, &TIndexDef::SetSource);
}


// ============================================================ TFieldDef

TFieldDef::TFieldDef(TCollection* collection) : TCollectionItem(collection) {}

TFieldDefs* TFieldDef::FieldDefs() const { return static_cast<TFieldDefs*>(Collection()); }

void TFieldDef::SetName(const std::string& value) {
  if (value == name_) return;
  if (TFieldDefs* defs = FieldDefs()) {
    int other = defs->IndexOf(value);
    if (other >= 0 && defs->Items(other) != this) DatabaseErrorFmt(SDuplicateFieldName, {value}, defs->DataSet());
  }
  const std::string old = std::move(name_);
  name_ = value;
  if (TFieldDefs* defs = FieldDefs()) defs->NameSet(this, old);
  Changed(false);
}

void TFieldDef::SetDataType(TFieldType value) {
  dataType_ = value;
  Changed(false);
}

void TFieldDef::SetSize(int value) {
  if (value < 0) DatabaseError(SInvalidFieldSize, FieldDefs() ? FieldDefs()->DataSet() : nullptr);
  size_ = value;
  Changed(false);
}

void TFieldDef::SetPrecision(int value) {
  precision_ = value;
  Changed(false);
}

void TFieldDef::SetAttributes(TFieldAttributes value) {
  attributes_ = value;
  Changed(false);
}

void TFieldDef::SetRequired(bool value) {
  if (value)
    attributes_.Include(faRequired);
  else
    attributes_.Exclude(faRequired);
  Changed(false);
}

void TFieldDef::SetInternalCalcField(bool value) {
  internalCalcField_ = value;
  Changed(false);
}

int TFieldDef::FieldNo() const { return fieldNo_ > 0 ? fieldNo_ : Index() + 1; }

TClass TFieldDef::FieldClass() const {
  TFieldDefs* defs = FieldDefs();
  if (defs && defs->DataSet()) return defs->DataSet()->GetFieldClass(dataType_);
  return DefaultFieldClass(dataType_);
}

TField* TFieldDef::CreateField(TComponent* owner) {
  TFieldDefs* defs = FieldDefs();
  TDataSet* ds = defs ? defs->DataSet() : nullptr;
  TClass cls = FieldClass();
  if (!cls || !cls->Create) DatabaseErrorFmt(SUnknownFieldType, {name_}, ds);
  TObject* obj = cls->Create(owner);
  TField* field = dynamic_cast<TField*>(obj);
  if (!field) {
    delete obj;
    DatabaseErrorFmt(SUnknownFieldType, {name_}, ds);
  }
  try {
    // A class that takes no size keeps its own (0).
    if (size_ != 0 || field->Size() != 0) field->SetSize(size_);
    field->SetFieldName(name_);
    field->SetRequired(Required());
    if (attributes_.Contains(faReadonly)) field->SetReadOnly(true);
    if (internalCalcField_) field->SetFieldKind(fkInternalCalc);
    if (auto* bcd = dynamic_cast<TBCDField*>(field)) bcd->SetPrecision(precision_);
    if (auto* fl = dynamic_cast<TFloatField*>(field); fl && precision_ > 0) fl->SetPrecision(precision_);
    field->SetDataSet(ds);
  } catch (...) {
    delete field;
    throw;
  }
  return field;
}

void TFieldDef::Assign(TPersistent* source) {
  if (auto* other = dynamic_cast<TFieldDef*>(source)) {
    if (TFieldDefs* defs = FieldDefs()) defs->BeginUpdate();
    name_ = other->name_;
    dataType_ = other->dataType_;
    size_ = other->size_;
    precision_ = other->precision_;
    attributes_ = other->attributes_;
    internalCalcField_ = other->internalCalcField_;
    if (TFieldDefs* defs = FieldDefs()) {
      defs->ForgetNames();
      defs->EndUpdate();
    }
    Changed(false);
    return;
  }
  TCollectionItem::Assign(source);
}

void TFieldDef::SetIndex(int index) {
  TCollectionItem::SetIndex(index);
  if (TFieldDefs* defs = FieldDefs()) defs->ForgetNames();
}

// ============================================================ TFieldDefs

TFieldDefs::TFieldDefs(TDataSet* dataSet) : TOwnedCollection(dataSet, TFieldDef::StaticClass()), dataSet_(dataSet) {}

TFieldDef* TFieldDefs::AddFieldDef() { return static_cast<TFieldDef*>(TCollection::Add()); }

TFieldDef* TFieldDefs::Add(const std::string& name, TFieldType dataType, int size, bool required) {
  if (name.empty()) DatabaseError(SFieldNameMissing, dataSet_);
  if (IndexOf(name) >= 0) DatabaseErrorFmt(SDuplicateFieldName, {name}, dataSet_);
  // The size must suit the type: the field class is the judge.
  if (TClass cls = DefaultFieldClass(dataType); cls && cls->Create) {
    TField* probe = dynamic_cast<TField*>(cls->Create(nullptr));
    if (probe) {
      struct Guard {
        TField* f;
        ~Guard() { delete f; }
      } guard{probe};
      probe->SetSize(size);
    }
  } else if (size < 0) {
    DatabaseError(SInvalidFieldSize, dataSet_);
  }
  BeginUpdate();
  TFieldDef* def = nullptr;
  try {
    def = AddFieldDef();
    def->SetName(name);
    def->SetDataType(dataType);
    def->SetSize(size);
    def->SetRequired(required);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
  return def;
}

int TFieldDefs::IndexOf(std::string_view name) const {
  return names_.IndexOf(name, Count(), [this](int i) -> std::string_view { return Items(i)->Name(); });
}

void TFieldDefs::NameSet(const TFieldDef* def, const std::string& oldName) {
  if (names_.Indexed() == 0) return;
  const int last = Count() - 1;
  names_.Renamed(last >= 0 && Items(last) == def ? last : def->Index(), oldName, def->Name());
}

void TFieldDefs::Notify(TCollectionItem* item, TCollectionNotification action) {
  // Appended definitions are taken in at the next look-up; any removal starts the index again.
  if (action != cnAdded) ForgetNames();
  TOwnedCollection::Notify(item, action);
}

TFieldDef* TFieldDefs::Find(std::string_view name) const {
  int i = IndexOf(name);
  if (i < 0) DatabaseErrorFmt(SFieldNotFound, {name}, dataSet_);
  return Items(i);
}

void TFieldDefs::Update() {
  if (!updated_ && dataSet_) dataSet_->InitFieldDefs();
}

void TFieldDefs::Update(TCollectionItem* item) {
  (void)item;
  if (dataSet_ && !dataSet_->InState(csDestroying)) dataSet_->DefChanged(this);
}

// ============================================================ TIndexDef

TIndexDef::TIndexDef(TCollection* collection) : TCollectionItem(collection) {}

void TIndexDef::SetName(const std::string& value) {
  if (value == name_) return;
  if (auto* defs = static_cast<TIndexDefs*>(Collection())) {
    int other = defs->IndexOf(value);
    if (!value.empty() && other >= 0 && defs->Items(other) != this)
      DatabaseErrorFmt(SDuplicateIndexName, {value}, defs->DataSet());
  }
  name_ = value;
  Changed(false);
}

void TIndexDef::SetFields(const std::string& value) {
  fields_ = value;
  Changed(false);
}

void TIndexDef::SetOptions(TIndexOptions value) {
  options_ = value;
  Changed(false);
}

void TIndexDef::SetDescFields(const std::string& value) {
  descFields_ = value;
  Changed(false);
}

void TIndexDef::SetCaseInsFields(const std::string& value) {
  caseInsFields_ = value;
  Changed(false);
}

void TIndexDef::SetExpression(const std::string& value) {
  expression_ = value;
  Changed(false);
}

void TIndexDef::Assign(TPersistent* source) {
  if (auto* other = dynamic_cast<TIndexDef*>(source)) {
    name_ = other->name_;
    fields_ = other->fields_;
    options_ = other->options_;
    descFields_ = other->descFields_;
    caseInsFields_ = other->caseInsFields_;
    expression_ = other->expression_;
    source_ = other->source_;
    Changed(false);
    return;
  }
  TCollectionItem::Assign(source);
}

// ============================================================ TIndexDefs

TIndexDefs::TIndexDefs(TDataSet* dataSet) : TOwnedCollection(dataSet, TIndexDef::StaticClass()), dataSet_(dataSet) {}

TIndexDef* TIndexDefs::AddIndexDef() { return static_cast<TIndexDef*>(TCollection::Add()); }

TIndexDef* TIndexDefs::Add(const std::string& name, const std::string& fields, TIndexOptions options) {
  if (!name.empty() && IndexOf(name) >= 0) DatabaseErrorFmt(SDuplicateIndexName, {name}, dataSet_);
  BeginUpdate();
  TIndexDef* def = nullptr;
  try {
    def = AddIndexDef();
    def->SetName(name);
    def->SetFields(fields);
    def->SetOptions(options);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
  return def;
}

int TIndexDefs::IndexOf(std::string_view name) const {
  for (int i = 0; i < Count(); ++i)
    if (AnsiSameText(Items(i)->Name(), name)) return i;
  return -1;
}

TIndexDef* TIndexDefs::Find(std::string_view name) const {
  int i = IndexOf(name);
  if (i < 0) DatabaseErrorFmt(SIndexNotFound, {name}, dataSet_);
  return Items(i);
}

namespace {

bool SameFieldList(const std::string& a, std::string_view b, bool prefixOnly) {
  std::vector<std::string> x = SplitFieldNames(a);
  std::vector<std::string> y = SplitFieldNames(b);
  if (y.empty() || x.size() < y.size() || (!prefixOnly && x.size() != y.size())) return false;
  for (size_t i = 0; i < y.size(); ++i)
    if (!AnsiSameText(x[i], y[i])) return false;
  return true;
}

}  // namespace

TIndexDef* TIndexDefs::FindIndexForFields(std::string_view fields) const {
  TIndexDef* def = GetIndexForFields(fields, false);
  if (!def) DatabaseErrorFmt(SIndexNotFound, {fields}, dataSet_);
  return def;
}

TIndexDef* TIndexDefs::GetIndexForFields(std::string_view fields, bool caseInsensitive) const {
  for (bool prefix : {false, true}) {
    for (int i = 0; i < Count(); ++i) {
      TIndexDef* def = Items(i);
      if (def->Options().Contains(ixExpression)) continue;
      if (def->Options().Contains(ixCaseInsensitive) != caseInsensitive) continue;
      if (SameFieldList(def->Fields(), fields, prefix)) return def;
    }
  }
  return nullptr;
}
