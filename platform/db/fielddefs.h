#pragma once
// Field definitions (what columns a dataset's records have) and index definitions.
#include <string>
#include <string_view>

#include "platform/classes/collection.h"
#include "platform/db/dbtypes.h"
#include "platform/rtl/nameindex.h"

class TComponent;
class TDataSet;
class TField;
class TFieldDefs;

class TFieldDef : public TCollectionItem {
  FANO_CLASS(TFieldDef)
 public:
  explicit TFieldDef(TCollection* collection);

  const std::string& Name() const noexcept { return name_; }
  // Raises "Duplicate field name '%s'" when another definition has that name.
  void SetName(const std::string& value);
  TFieldType DataType() const noexcept { return dataType_; }
  void SetDataType(TFieldType value);
  int Size() const noexcept { return size_; }
  void SetSize(int value);
  int Precision() const noexcept { return precision_; }
  void SetPrecision(int value);
  TFieldAttributes Attributes() const noexcept { return attributes_; }
  void SetAttributes(TFieldAttributes value);
  bool Required() const noexcept { return attributes_.Contains(faRequired); }
  void SetRequired(bool value);
  bool InternalCalcField() const noexcept { return internalCalcField_; }
  void SetInternalCalcField(bool value);
  // 1-based; the position in the collection unless set otherwise.
  int FieldNo() const;
  void SetFieldNo(int value) { fieldNo_ = value; }
  // The class CreateField makes (the dataset's choice for the data type).
  TClass FieldClass() const;
  // Makes a field of this definition for the dataset; owner is the field's owner component.
  TField* CreateField(TComponent* owner);
  TFieldDefs* FieldDefs() const;

  void Assign(TPersistent* source) override;
  void SetIndex(int index) override;

 protected:
  std::string GetDisplayName() const override { return name_; }

 private:
  std::string name_;
  TFieldType dataType_ = ftUnknown;
  int size_ = 0;
  int precision_ = 0;
  TFieldAttributes attributes_;
  bool internalCalcField_ = false;
  int fieldNo_ = 0;
};

class TFieldDefs : public TOwnedCollection {
  FANO_CLASS(TFieldDefs)
 public:
  explicit TFieldDefs(TDataSet* dataSet);

  TDataSet* DataSet() const noexcept { return dataSet_; }
  TFieldDef* Items(int index) const { return ItemAs<TFieldDef>(index); }
  TFieldDef* operator[](int index) const { return Items(index); }
  TFieldDef* AddFieldDef();
  // Adds a definition; a name already present raises "Duplicate field name '%s'", a size the type
  // does not take raises "Invalid field size".
  TFieldDef* Add(const std::string& name, TFieldType dataType, int size = 0, bool required = false);
  int IndexOf(std::string_view name) const;
  TFieldDef* Find(std::string_view name) const;  // raises "Field '%s' not found"
  // Asks the dataset for its definitions unless they are up to date.
  void Update();
  bool Updated() const noexcept { return updated_; }
  void SetUpdated(bool value) noexcept { updated_ = value; }
  // Whether hidden columns get fields.
  bool HiddenFields() const noexcept { return hiddenFields_; }
  void SetHiddenFields(bool value) noexcept { hiddenFields_ = value; }

 protected:
  void Update(TCollectionItem* item) override;
  void Notify(TCollectionItem* item, TCollectionNotification action) override;

 private:
  friend class TFieldDef;
  // Names are looked up once per definition when a dataset's fields are made: an index of the
  // leading definitions, extended as definitions are appended, keeps that from comparing every
  // name with every other.
  void NameSet(const TFieldDef* def, const std::string& oldName);
  void ForgetNames() noexcept { names_.Forget(); }

  TDataSet* dataSet_;
  bool updated_ = false;
  bool hiddenFields_ = false;
  mutable TNameIndex names_;
};

class TIndexDef : public TCollectionItem {
  FANO_CLASS(TIndexDef)
 public:
  explicit TIndexDef(TCollection* collection);

  const std::string& Name() const noexcept { return name_; }
  void SetName(const std::string& value);
  // ";"-separated field names.
  const std::string& Fields() const noexcept { return fields_; }
  void SetFields(const std::string& value);
  TIndexOptions Options() const noexcept { return options_; }
  void SetOptions(TIndexOptions value);
  const std::string& DescFields() const noexcept { return descFields_; }
  void SetDescFields(const std::string& value);
  const std::string& CaseInsFields() const noexcept { return caseInsFields_; }
  void SetCaseInsFields(const std::string& value);
  const std::string& Expression() const noexcept { return expression_; }
  void SetExpression(const std::string& value);
  const std::string& Source() const noexcept { return source_; }
  void SetSource(const std::string& value) { source_ = value; }

  void Assign(TPersistent* source) override;

 protected:
  std::string GetDisplayName() const override { return name_; }

 private:
  std::string name_;
  std::string fields_;
  TIndexOptions options_;
  std::string descFields_;
  std::string caseInsFields_;
  std::string expression_;
  std::string source_;
};

class TIndexDefs : public TOwnedCollection {
  FANO_CLASS(TIndexDefs)
 public:
  explicit TIndexDefs(TDataSet* dataSet);

  TDataSet* DataSet() const noexcept { return dataSet_; }
  TIndexDef* Items(int index) const { return ItemAs<TIndexDef>(index); }
  TIndexDef* operator[](int index) const { return Items(index); }
  TIndexDef* AddIndexDef();
  // A name already present raises "Duplicate index name '%s'".
  TIndexDef* Add(const std::string& name, const std::string& fields, TIndexOptions options);
  int IndexOf(std::string_view name) const;
  TIndexDef* Find(std::string_view name) const;  // raises "Index '%s' not found"
  // The first index whose fields are exactly these, else the first whose fields start with them.
  // Find raises "Index '%s' not found"; Get answers null.
  TIndexDef* FindIndexForFields(std::string_view fields) const;
  TIndexDef* GetIndexForFields(std::string_view fields, bool caseInsensitive) const;
  bool Updated() const noexcept { return updated_; }
  void SetUpdated(bool value) noexcept { updated_ = value; }

 private:
  TDataSet* dataSet_;
  bool updated_ = false;
};
