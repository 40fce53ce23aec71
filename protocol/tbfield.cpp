#include "protocol/tbfield.h"

#include <memory>
#include <vector>

#include "platform/classes/classreg.h"
#include "platform/classes/published.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"
#include "protocol/cvxmldom.h"
#include "xml/document.h"
#include "xml/text.h"

FANO_IMPLEMENT_ITEM(TTbField, TCollectionItem)
FANO_IMPLEMENT_ABSTRACT(TTbFields, TCollection)
FANO_IMPLEMENT_COMPONENT(TCvTbField, TComponent)

FANO_ENUM_NAMES(TCvGridButtonStyle, "gbsNone", "gbsButton", "gbsDropDown", "gbsCheckbox");

FANO_PUBLISHED(TTbField, p) {
  p.Property("Alignment", &TTbField::Alignment, &TTbField::SetAlignment);
  p.Property("DisplayLabel", &TTbField::DisplayLabel, &TTbField::SetDisplayLabel);
  p.Property("DisplayWidth", &TTbField::DisplayWidth, &TTbField::SetDisplayWidth);
  p.Property("FieldName", &TTbField::FieldName, &TTbField::SetFieldName);
  p.Property("DataType", &TTbField::DataType, &TTbField::SetDataType);
  p.Property("Hint", &TTbField::Hint, &TTbField::SetHint);
  p.Property("FieldWidth", &TTbField::FieldWidth, &TTbField::SetFieldWidth);
  p.Property("IsKey", &TTbField::IsKey, &TTbField::SetIsKey);
  p.Property("ReadOnly", &TTbField::ReadOnly, &TTbField::SetReadOnly);
  p.Property("Visible", &TTbField::Visible, &TTbField::SetVisible);
  p.Property("NotNull", &TTbField::NotNull, &TTbField::SetNotNull);
  p.Property("NumPrec", &TTbField::NumPrec, &TTbField::SetNumPrec);
  p.Property("ButtonStyle", &TTbField::ButtonStyle, &TTbField::SetButtonStyle);
  p.Property("IsJoin", &TTbField::IsJoin, &TTbField::SetIsJoin).Default(false);
  p.Property("IsFK", &TTbField::IsFK, &TTbField::SetIsFK).Default(false);
  p.Property("FKTable", &TTbField::FKTable, &TTbField::SetFKTable);
  p.Property("OnButtonClick", &TTbField::OnButtonClick);
  p.Property("OnChange", &TTbField::OnChange);
  p.Property("OnGetText", &TTbField::OnGetText);
  p.Property("OnSetText", &TTbField::OnSetText);
  p.Property("OnValidate", &TTbField::OnValidate);
  p.Property("OnUpdateData", &TTbField::OnUpdateData);
  p.Property("DropDownTag", &TTbField::DropDownTag, &TTbField::SetDropDownTag).Default(0);
}

FANO_PUBLISHED(TCvTbField, p) {
  p.Property("TbFields", &TCvTbField::TbFields, &TCvTbField::SetTbFields);
  p.Property("XML", &TCvTbField::XML, &TCvTbField::SetXML);
  p.Property("ActiveXml2Fields", &TCvTbField::ActiveXml2Fields, &TCvTbField::SetActiveXml2Fields).Default(false);
  p.Property("TableName", &TCvTbField::TableName, &TCvTbField::SetTableName);
  p.Property("PKName", &TCvTbField::PKName, &TCvTbField::SetPKName);
}

void RegisterTbFieldClasses() {
  // The field classes publish the names of the alignments and field types that items store.
  RegisterClasses({TCvTbField::StaticClass(), TTbField::StaticClass(), TField::StaticClass()});
}

namespace {
const bool registered = (RegisterTbFieldClasses(), true);
}  // namespace

// ---------------------------------------------------------------- TTbField

TTbField::TTbField(TCollection* collection) : TCollectionItem(collection) {}

void TTbField::Assign(TPersistent* source) {
  auto* src = dynamic_cast<TTbField*>(source);
  if (!src) {
    TCollectionItem::Assign(source);
    return;
  }
  if (src == this) return;
  alignment_ = src->alignment_;
  displayLabel_ = src->displayLabel_;
  displayWidth_ = src->displayWidth_;
  fieldName_ = src->fieldName_;
  dataType_ = src->dataType_;
  hint_ = src->hint_;
  fieldWidth_ = src->fieldWidth_;
  isKey_ = src->isKey_;
  readOnly_ = src->readOnly_;
  visible_ = src->visible_;
  notNull_ = src->notNull_;
  numPrec_ = src->numPrec_;
  buttonStyle_ = src->buttonStyle_;
  isJoin_ = src->isJoin_;
  isFK_ = src->isFK_;
  fkTable_ = src->fkTable_;
  dropDownTag_ = src->dropDownTag_;
  OnButtonClick = src->OnButtonClick;
  OnChange = src->OnChange;
  OnGetText = src->OnGetText;
  OnSetText = src->OnSetText;
  OnValidate = src->OnValidate;
  OnUpdateData = src->OnUpdateData;
}

std::string TTbField::GetDisplayName() const {
  return fieldName_.empty() ? TCollectionItem::GetDisplayName() : fieldName_;
}

// ---------------------------------------------------------------- TTbFields

TTbFields::TTbFields(TCvTbField* owner) : TCollection(TTbField::StaticClass()), owner_(owner) {}

TPersistent* TTbFields::GetOwner() const { return owner_; }

void TTbFields::SetItemName(TCollectionItem* item) {
  auto* field = static_cast<TTbField*>(item);
  if (!field->FieldName().empty()) return;
  for (int n = 1;; ++n) {
    const std::string name = "Field" + std::to_string(n);
    bool taken = false;
    for (int i = 0; i < Count() && !taken; ++i) taken = AnsiSameText(GetItem(i)->FieldName(), name);
    if (!taken) {
      field->SetFieldName(name);
      return;
    }
  }
}

// ---------------------------------------------------------------- TCvTbField

TCvTbField::TCvTbField(TComponent* owner)
    : TComponent(owner), tbFields_(new TTbFields(this)), xml_(new TStringList()) {}

TCvTbField::~TCvTbField() {
  delete tbFields_;
  delete xml_;
}

void TCvTbField::SetTbFields(TTbFields* value) {
  if (value) tbFields_->Assign(value);
}

void TCvTbField::SetXML(TStrings* value) {
  if (value) xml_->Assign(value);
  else xml_->Clear();
}

void TCvTbField::SetActiveXml2Fields(bool value) {
  if (value == activeXml2Fields_) return;
  activeXml2Fields_ = value;
  if (value) LoadFieldsFromXml();
}

std::string TCvTbField::GetFKList() const {
  std::string list;
  for (int i = 0; i < tbFields_->Count(); ++i) {
    const TTbField* f = tbFields_->GetItem(i);
    if (!f->IsFK()) continue;
    if (!list.empty()) list += ';';
    list += f->FKTable();
    list += ':';
    list += f->FieldName();
  }
  return list;
}

namespace {

// Element names of a description are matched ignoring case, as its attribute names are.
bool TbFieldIsElement(const TXmlNode* node, std::string_view name) {
  return TCvXmlDom::IsElement(node) && XmlSameName(node->Name(), name, node->InternalUtf8());
}

TXmlNode* TbFieldElement(const TXmlNode* parent, std::string_view name) {
  for (int i = 0; parent && i < parent->NodeCount(); ++i)
    if (TbFieldIsElement(parent->Nodes(i), name)) return parent->Nodes(i);
  return nullptr;
}

// The flag attributes: set unless the trimmed text is "0"; an absent attribute counts as set.
bool FlagAttribute(const TXmlNode* node, std::string_view name) {
  auto v = node->FindAttribute(name);
  return !v || Trim(*v) != "0";
}

int IntAttribute(const TXmlNode* node, std::string_view name) {
  return StrToIntDef(node->ReadAttributeString(name), 0);
}

// The type word of "DT" sets the data type, the width of a string and the alignment.
void ApplyTypeWord(TTbField* f, const TXmlNode* node) {
  const std::string word = UpperCase(node->ReadAttributeString("DT"));
  if (word == "VARCHAR2") {
    f->SetDataType(ftString);
    f->SetFieldWidth(IntAttribute(node, "FW"));
  } else if (word == "DATE") {
    f->SetDataType(ftDate);
    f->SetFieldWidth(0);
  } else if (word == "NUMBER") {
    f->SetDataType(f->NumPrec() != 0 ? ftFloat : ftInteger);
    f->SetFieldWidth(0);
    f->SetAlignment(taRightJustify);
  } else if (word == "INTEGER") {
    f->SetDataType(ftInteger);
    f->SetFieldWidth(0);
    f->SetAlignment(taRightJustify);
  } else {
    f->SetDataType(ftString);
    f->SetFieldWidth(0);
  }
}

}  // namespace

bool TCvTbField::LoadFieldsFromXml() {
  if (Trim(xml_->Text()).empty()) return false;
  auto parser = std::make_unique<TXmlDocument>();
  // Whatever happens from here on, the description is used up.
  struct ClearXml {
    TStrings* xml;
    ~ClearXml() { xml->Clear(); }
  } clearXml{xml_};
  parser->ReadFromString(xml_->Text());
  TXmlNode* root = parser->Root();
  TXmlNode* fields = TbFieldElement(root, "fields");
  if (!fields) return false;
  tableName_ = root->ReadAttributeString("tablename");
  std::vector<TXmlNode*> filed;
  for (int i = 0; i < fields->NodeCount(); ++i)
    if (TXmlNode* n = fields->Nodes(i); TbFieldIsElement(n, "filed")) filed.push_back(n);
  tbFields_->BeginUpdate();
  struct EndUpdate {
    TTbFields* items;
    ~EndUpdate() { items->EndUpdate(); }
  } endUpdate{tbFields_};
  tbFields_->Clear();
  for (const TXmlNode* node : filed) {
    TTbField* f = tbFields_->Add();
    f->SetDisplayWidth(IntAttribute(node, "DW"));
    f->SetFieldName(node->ReadAttributeString("FN"));
    f->SetDisplayLabel(node->ReadAttributeString("DL"));
    f->SetHint(node->ReadAttributeString("HT"));
    f->SetAlignment(taLeftJustify);
    f->SetNumPrec(IntAttribute(node, "NP"));
    ApplyTypeWord(f, node);
    f->SetIsKey(FlagAttribute(node, "KEY"));
    f->SetReadOnly(FlagAttribute(node, "RO"));
    f->SetVisible(FlagAttribute(node, "VS"));
    f->SetNotNull(FlagAttribute(node, "NN"));
    if (f->IsKey()) pkName_ = f->FieldName();
  }
  return true;
}
