#pragma once
// Small components for the resource tests: a control tree that parents what it loads, a grid with
// a collection, a component reference and defined properties, and two form classes, the second
// inheriting the first's resource.
#include <string>
#include <vector>

#include "platform/classes/collection.h"
#include "platform/classes/component.h"
#include "platform/classes/filer.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/sets.h"
#include "platform/rtl/variant.h"

enum TTestAlign { alNone, alTop, alBottom, alClient };
enum TTestFontStyle { fsBold, fsItalic, fsUnderline };
using TTestFontStyles = TSet<TTestFontStyle>;

// Everything a test wants to know about the order of events.
extern std::vector<std::string> gEvents;

class TTestFont : public TPersistent {
  FANO_CLASS(TTestFont)
 public:
  TTestFont() = default;
  const std::string& Name() const { return name_; }
  void SetName(std::string_view v) { name_ = std::string(v); }
  int Size() const { return size_; }
  void SetSize(int v) { size_ = v; }
  TTestFontStyles Style() const { return style_; }
  void SetStyle(TTestFontStyles v) { style_ = v; }
  void Assign(TPersistent* source) override;

 private:
  std::string name_ = "宋体";
  int size_ = 9;
  TTestFontStyles style_;
};

class TTestControl : public TComponent {
  FANO_CLASS(TTestControl)
 public:
  explicit TTestControl(TComponent* owner);
  ~TTestControl() override;

  TTestControl* Parent() const { return parent_; }
  void SetParent(TTestControl* p);
  const std::vector<TTestControl*>& Controls() const { return controls_; }

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string_view v);
  int Left() const { return left_; }
  void SetLeft(int v) { left_ = v; }
  int Width() const { return width_; }
  void SetWidth(int v) { width_ = v; }
  bool Visible() const { return visible_; }
  void SetVisible(bool v) { visible_ = v; }
  TTestAlign Align() const { return align_; }
  void SetAlign(TTestAlign v) { align_ = v; }
  TTestFont* Font() const { return font_; }
  void SetFont(TTestFont* v) { font_->Assign(v); }
  TStrings* Lines() const { return lines_; }
  void SetLines(TStrings* v) { lines_->Assign(v); }
  double Ratio() const { return ratio_; }
  void SetRatio(double v) { ratio_ = v; }
  Currency Amount() const { return amount_; }
  void SetAmount(Currency v) { amount_ = v; }
  int64_t Big() const { return big_; }
  void SetBig(int64_t v) { big_ = v; }
  const Variant& Value() const { return value_; }
  void SetValue(const Variant& v) { value_ = v; }
  const std::u16string& Hint() const { return hint_; }
  void SetHint(const std::u16string& v) { hint_ = v; }
  int ReadOnlyCount() const { return 3; }

  TNotifyEvent OnClick;
  std::function<void(TObject* sender, bool& handled)> OnButton;

  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override { return parent_; }
  void SetParentComponent(TComponent* parent) override;
  void GetChildren(const TGetChildProc& proc, TComponent* root) override;
  void Loaded() override;

  // What the control saw while loading.
  bool captionSetWhileLoading = false;
  int loadedCount = 0;

 private:
  TTestControl* parent_ = nullptr;
  std::vector<TTestControl*> controls_;
  std::string caption_;
  int left_ = 0;
  int width_ = 75;  // the constructor's value differs from the declared default (0)
  bool visible_ = true;
  TTestAlign align_ = alNone;
  TTestFont* font_;
  TStringList* lines_;
  double ratio_ = 1.5;
  Currency amount_;
  int64_t big_ = 0;
  Variant value_ = Variant::Null();
  std::u16string hint_;
};

class TTestDataSource : public TComponent {
  FANO_CLASS(TTestDataSource)
 public:
  using TComponent::TComponent;
  const std::string& DataSetName() const { return dataSetName_; }
  void SetDataSetName(std::string_view v) { dataSetName_ = std::string(v); }

 private:
  std::string dataSetName_;
};

class TTestColumn : public TCollectionItem {
  FANO_CLASS(TTestColumn)
 public:
  explicit TTestColumn(TCollection* c) : TCollectionItem(c) {}
  const std::string& FieldName() const { return fieldName_; }
  void SetFieldName(std::string_view v) {
    fieldName_ = std::string(v);
    Changed(false);
  }
  int Width() const { return width_; }
  void SetWidth(int v) { width_ = v; }
  TTestFont* Font() const { return font_.get(); }
  TNotifyEvent OnChange;
  void Assign(TPersistent* source) override;

 protected:
  std::string GetDisplayName() const override { return fieldName_.empty() ? TCollectionItem::GetDisplayName() : fieldName_; }

 private:
  std::string fieldName_;
  int width_ = 64;
  std::unique_ptr<TTestFont> font_ = std::make_unique<TTestFont>();
};

class TTestGrid : public TTestControl {
  FANO_CLASS(TTestGrid)
 public:
  explicit TTestGrid(TComponent* owner);
  ~TTestGrid() override;
  TTestDataSource* DataSource() const { return dataSource_; }
  void SetDataSource(TTestDataSource* v);
  TOwnedCollection* Columns() const { return columns_; }
  void Notification(TComponent* c, TOperation op) override;
  void DefineProperties(TFiler& filer) override;
  void Loaded() override;

  std::vector<int> ColWidths;  // stored through DefineProperties
  std::string Glyph;           // binary, stored through DefineProperties
  bool dataSourceAtLoaded = false;

 private:
  TTestDataSource* dataSource_ = nullptr;
  TOwnedCollection* columns_;
};

class TTestForm : public TTestControl {
  FANO_CLASS(TTestForm)
 public:
  explicit TTestForm(TComponent* owner) : TTestControl(owner) {}
  // Published fields.
  TTestControl* pnlTop = nullptr;
  TTestControl* btnOK = nullptr;
  TTestGrid* grid = nullptr;
  TTestDataSource* dsMain = nullptr;
  // Published handlers.
  void btnOKClick(TObject* sender);
  void FormButton(TObject* sender, bool& handled);
  int clicks = 0;
};

class TTestDescendantForm : public TTestForm {
  FANO_CLASS(TTestDescendantForm)
 public:
  explicit TTestDescendantForm(TComponent* owner) : TTestForm(owner) {}
  TTestControl* lblNew = nullptr;
  void btnCancelClick(TObject* sender);
  int cancels = 0;
};

// A form whose class has no resource of its own: it loads its parent's.
class TTestPlainDescendant : public TTestForm {
  FANO_CLASS(TTestPlainDescendant)
 public:
  using TTestForm::TTestForm;
};
