// Property-storage interceptors: the registry, form bounds between pixel densities and the
// column layout.
#include "grid/propstorage.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "dbgrid_test_util.h"
#include "platform/classes/published.h"
#include "platform/forms/forms.h"

namespace dbgridtest {
namespace {

class PropStorageTest : public DBGridTest {};

TEST_F(PropStorageTest, LatestRegistrationForATargetWins) {
  EXPECT_EQ(RegisteredPropertyInterceptor(TCustomForm::StaticClass()), TFormStoragePropertyInterceptor::StaticClass());
  EXPECT_EQ(RegisteredPropertyInterceptor(TDBGridColumnsGx::StaticClass()),
            TColumnsGxPropertyInterceptor::StaticClass());
  RegisterPropertyInterceptor(TCustomForm::StaticClass(), TStoragePropertyInterceptor::StaticClass());
  EXPECT_EQ(RegisteredPropertyInterceptor(TCustomForm::StaticClass()), TStoragePropertyInterceptor::StaticClass());
  // Removing a pair that is not there changes nothing.
  UnregisterPropertyInterceptor(TCustomForm::StaticClass(), TFormStoragePropertyInterceptor::StaticClass());
  EXPECT_EQ(RegisteredPropertyInterceptor(TCustomForm::StaticClass()), TStoragePropertyInterceptor::StaticClass());
  UnregisterPropertyInterceptor(TCustomForm::StaticClass(), TStoragePropertyInterceptor::StaticClass());
  EXPECT_EQ(RegisteredPropertyInterceptor(TCustomForm::StaticClass()), nullptr);
  RegisterPropertyInterceptor(TCustomForm::StaticClass(), TFormStoragePropertyInterceptor::StaticClass());
}

TEST_F(PropStorageTest, FormBoundsScaleFromTheStoredDensity) {
  MakeGrid();
  form->SetBounds(20, 30, 300, 200);
  TFormStoragePropertyInterceptor saved(form);
  EXPECT_EQ(saved.Left(), 20);
  EXPECT_EQ(saved.Width(), 300);
  EXPECT_EQ(saved.Height(), 200);

  // Saved at 120 pixels per inch, restored on this 96 screen: 4/5 of the stored values.
  TFormStoragePropertyInterceptor loaded(form);
  loaded.SetPixelsPerInch(120);
  loaded.SetLeft(100);
  loaded.SetTop(50);
  loaded.SetWidth(500);
  loaded.SetHeight(250);
  loaded.SetWindowState(wsNormal);
  loaded.AfterLoad();
  EXPECT_EQ(form->Left(), 80);
  EXPECT_EQ(form->Top(), 40);
  EXPECT_EQ(form->Width(), 400);
  EXPECT_EQ(form->Height(), 200);

  // A stored density of 0 leaves the values unscaled instead of dividing by it.
  TFormStoragePropertyInterceptor zero(form);
  zero.SetPixelsPerInch(0);
  zero.SetWidth(333);
  zero.AfterLoad();
  EXPECT_EQ(form->Width(), 333);
}

TEST_F(PropStorageTest, MaximisedFormRestoresItsNormalBoundsAndStaysMaximised) {
  MakeGrid();
  form->SetBounds(10, 10, 300, 200);
  TFormStoragePropertyInterceptor loaded(form);
  loaded.SetPixelsPerInch(96);
  loaded.SetLeft(40);
  loaded.SetTop(60);
  loaded.SetWidth(320);
  loaded.SetHeight(240);
  loaded.SetWindowState(wsMaximized);
  loaded.AfterLoad();
  EXPECT_EQ(form->WindowState(), wsMaximized);
  WINDOWPLACEMENT wp{};
  wp.length = sizeof(wp);
  ASSERT_TRUE(GetWindowPlacement(form->Handle(), &wp));
  EXPECT_EQ(wp.rcNormalPosition.left, 40);
  EXPECT_EQ(wp.rcNormalPosition.right, 360);
  EXPECT_EQ(wp.rcNormalPosition.bottom, 300);
  // What is saved of a maximised form is its normal place.
  TFormStoragePropertyInterceptor saved(form);
  EXPECT_EQ(saved.Left(), 40);
  EXPECT_EQ(saved.Height(), 240);
}

TEST_F(PropStorageTest, ACentredFormKeepsARestoredPlace) {
  MakeGrid();
  form->SetPosition(poScreenCenter);
  TFormStoragePropertyInterceptor sizeOnly(form);
  sizeOnly.SetPixelsPerInch(96);
  sizeOnly.AfterLoad();
  EXPECT_EQ(form->Position(), poScreenCenter);
  TFormStoragePropertyInterceptor placed(form);
  placed.SetPixelsPerInch(96);
  placed.SetLeft(5);
  placed.AfterLoad();
  EXPECT_EQ(form->Position(), poDesigned);
}

TEST_F(PropStorageTest, ColumnOrderTextQuotesNamesAndRestoresTheOrder) {
  MakeGrid();
  AddColumn("ID");
  AddColumn("NAME");
  AddColumn("AMOUNT");
  TColumnGx* odd = AddColumn("FLAG");
  Bind();
  TColumnsGxPropertyInterceptor layout(grid->Columns());
  EXPECT_EQ(layout.ColumnsIndex(), "\"ID\",\"NAME\",\"AMOUNT\",\"FLAG\"");
  odd->SetFieldName("A\"B");
  EXPECT_EQ(layout.ColumnsIndex(), "\"ID\",\"NAME\",\"AMOUNT\",\"A\"\"B\"");
  odd->SetFieldName("FLAG");

  auto order = [&] {
    std::string s;
    for (int i = 0; i < grid->Columns()->Count(); ++i) s += grid->Columns()->Items(i)->FieldName() + " ";
    return s;
  };
  // An unknown name still takes its position; names compare with letter case.
  layout.SetColumnsIndex("\"AMOUNT\",\"GONE\",\"ID\",\"name\"");
  EXPECT_EQ(order(), "AMOUNT NAME ID FLAG ");
  // More names than columns: the index is clamped to the last one.
  layout.SetColumnsIndex("X,Y,Z,W,V,FLAG");
  EXPECT_EQ(order(), "AMOUNT NAME ID FLAG ");
  layout.SetColumnsIndex("X,Y,Z,W,V,ID");
  EXPECT_EQ(order(), "AMOUNT NAME FLAG ID ");
  EXPECT_EQ(layout.ColumnsIndex(), "\"AMOUNT\",\"NAME\",\"FLAG\",\"ID\"");
}

TEST_F(PropStorageTest, RestoredWidthGoesToTheAutoFitShareWhenTheGridFits) {
  MakeGrid();
  TColumnGx* c = AddColumn("ID");
  AddColumn("NAME");
  Bind();
  TColumnGxPropertyInterceptor width(c);
  width.SetWidth(77);
  EXPECT_EQ(c->Width(), 77);
  grid->SetAutoFitColWidths(true);
  const int fitted = c->Width();
  width.SetWidth(150);
  EXPECT_EQ(c->AutoFitBaseWidth(), 150);
  EXPECT_EQ(c->Width(), fitted);
}

// A storage makes each interceptor from its registered class and streams it by its published
// properties: what can be read is written, the rest is only loaded.
TEST_F(PropStorageTest, InterceptorsAreMadeByClassAndStreamedByTheirProperties) {
  MakeGrid();
  TColumnGx* id = AddColumn("ID");
  AddColumn("NAME");
  Bind();
  form->SetBounds(20, 30, 300, 200);
  struct Case {
    TObject* target;
    TClass targetClass;
    std::map<std::string, std::string> written;  // property: value as text
    std::vector<std::string> loadOnly;
  };
  const Case cases[] = {
      {form, TCustomForm::StaticClass(), {{"Height", "200"}, {"Left", "20"}, {"Top", "30"}, {"Width", "300"}},
       {"ActiveControl", "PixelsPerInch", "WindowState"}},
      {id, TColumnGx::StaticClass(), {}, {"Width"}},
      {grid->Columns(), TDBGridColumnsGx::StaticClass(), {{"ColumnsIndex", "\"ID\",\"NAME\""}}, {}},
  };
  for (const Case& c : cases) {
    TClass cls = RegisteredPropertyInterceptor(c.targetClass);
    ASSERT_NE(cls, nullptr);
    SCOPED_TRACE(cls->Name);
    ASSERT_NE(cls->Create, nullptr);
    std::unique_ptr<TObject> made(cls->Create(c.target));
    auto* interceptor = dynamic_cast<TStoragePropertyInterceptor*>(made.get());
    ASSERT_NE(interceptor, nullptr);
    EXPECT_EQ(interceptor->ClassType(), cls);
    EXPECT_EQ(interceptor->Target(), c.target);
    std::map<std::string, std::string> written;
    for (const TPropInfo* prop : GetPropList(cls)) {
      EXPECT_FALSE(prop->IsReadOnly()) << prop->Name;
      if (prop->IsStored(interceptor)) written[prop->Name] = prop->Get(interceptor).AsString();
    }
    EXPECT_EQ(written, c.written);
    for (const std::string& name : c.loadOnly) EXPECT_NE(GetPropInfo(cls, name), nullptr) << name;
  }
  // Loaded by name, then applied.
  std::unique_ptr<TObject> made(RegisteredPropertyInterceptor(TCustomForm::StaticClass())->Create(form));
  auto* loaded = static_cast<TStoragePropertyInterceptor*>(made.get());
  SetPropValue(loaded, "PixelsPerInch", Variant(96));
  SetPropValue(loaded, "Left", Variant(40));
  SetPropValue(loaded, "Width", Variant(320));
  SetEnumProp(loaded, "WindowState", "wsNormal");
  loaded->AfterLoad();
  EXPECT_EQ(form->Left(), 40);
  EXPECT_EQ(form->Width(), 320);
  std::unique_ptr<TObject> width(RegisteredPropertyInterceptor(TColumnGx::StaticClass())->Create(id));
  SetPropValue(static_cast<TPersistent*>(width.get()), "Width", Variant(77));
  EXPECT_EQ(id->Width(), 77);
}

}  // namespace
}  // namespace dbgridtest
