// A field freed while its dataset is open and columns of the grid show it: no column keeps the
// field, nothing reads it while it goes, and the grid lays out again and paints.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

#include "dbgrid_test_util.h"

using namespace dbgridtest;

namespace {

// Told of a component's removal after the grid (linked before it), as another control of the form
// would be; it runs what the test gives it.
class Bystander : public TComponent {
 public:
  Bystander() : TComponent(nullptr) {}
  std::function<void(TComponent*)> onRemove;
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation == opRemove && onRemove) onRemove(component);
  }
};

class GridFieldFreed : public DBGridTest {
 protected:
  // Frees the field while the table is open; answers what escaped, if anything.
  std::string FreeField(const char* name) {
    TField* f = table->FieldByName(name);
    EXPECT_TRUE(table->Active());
    try {
      f->Free();
    } catch (const std::exception& ex) {
      return ex.what();
    }
    return {};
  }
  // True when some column still holds the pointer (compared only, never read).
  bool AnyColumnHolds(const TField* gone) const {
    for (int i = 0; i < grid->Columns()->Count(); ++i)
      if (grid->Columns()->Items(i)->Field() == gone) return true;
    return false;
  }
};

TEST_F(GridFieldFreed, AColumnOfItsOwnDropsTheField) {
  AddRows(5);
  MakeGrid();
  AddColumn("ID");
  TColumnGx* amount = AddColumn("AMOUNT");
  AddColumn("NAME");
  Bind();
  gridtest::Pump();
  const TField* gone = table->FieldByName("AMOUNT");
  ASSERT_EQ(amount->Field(), gone);
  EXPECT_EQ(FreeField("AMOUNT"), "");
  EXPECT_FALSE(AnyColumnHolds(gone));
  EXPECT_EQ(amount->Field(), nullptr);
  grid->Invalidate();
  gridtest::Pump();
  EXPECT_FALSE(AnyColumnHolds(gone));
}

TEST_F(GridFieldFreed, DefaultColumnsDropTheField) {
  AddRows(5);
  MakeGrid();
  Bind();
  gridtest::Pump();
  ASSERT_EQ(grid->Columns()->Count(), 4);
  const TField* gone = table->FieldByName("NAME");
  ASSERT_TRUE(AnyColumnHolds(gone));
  EXPECT_EQ(FreeField("NAME"), "");
  EXPECT_FALSE(AnyColumnHolds(gone));
  grid->Invalidate();
  gridtest::Pump();
  EXPECT_FALSE(AnyColumnHolds(gone));
}

// A handler refusing the close keeps the table open without the field: the grid lays out at
// once, without a column for it, and paints the rest.
TEST_F(GridFieldFreed, TheTableKeptOpenIsLaidOutWithoutTheField) {
  AddRows(5);
  MakeGrid();
  Bind();
  gridtest::Pump();
  ASSERT_EQ(grid->Columns()->Count(), 4);
  table->SetBeforeClose([](TDataSet*) { throw std::runtime_error("kept open"); });
  const TField* gone = table->FieldByName("AMOUNT");
  EXPECT_EQ(FreeField("AMOUNT"), "");
  table->SetBeforeClose(nullptr);
  ASSERT_TRUE(table->Active());
  EXPECT_FALSE(AnyColumnHolds(gone));
  ASSERT_EQ(grid->Columns()->Count(), 3);
  EXPECT_EQ(grid->Columns()->Items(2)->Field(), table->FieldByName("FLAG"));
  EXPECT_EQ(grid->ColCount(), 4);  // the indicator and three
  grid->Invalidate();
  gridtest::Pump();
  EXPECT_FALSE(AnyColumnHolds(gone));
}

TEST_F(GridFieldFreed, AColumnOfItsOwnKeptOpenDropsTheField) {
  AddRows(5);
  MakeGrid();
  AddColumn("ID");
  TColumnGx* amount = AddColumn("AMOUNT");
  TColumnGx* name = AddColumn("NAME");
  Bind();
  gridtest::Pump();
  table->SetBeforeClose([](TDataSet*) { throw std::runtime_error("kept open"); });
  const TField* gone = table->FieldByName("AMOUNT");
  EXPECT_EQ(FreeField("AMOUNT"), "");
  table->SetBeforeClose(nullptr);
  ASSERT_TRUE(table->Active());
  EXPECT_EQ(amount->Field(), nullptr);
  EXPECT_FALSE(AnyColumnHolds(gone));
  EXPECT_EQ(name->Field(), table->FieldByName("NAME"));
  // The field map follows the fields that are left.
  EXPECT_EQ(grid->DataLink()->GetMappedField(2), table->FieldByName("NAME"));
  grid->Invalidate();
  gridtest::Pump();
  EXPECT_FALSE(AnyColumnHolds(gone));
}

// Something told of the removal after the grid asks the columns for their fields and paints the
// grid while the field is still listed: no column binds it again, so none holds it once it is
// gone, and the grid was already laid out without it.
TEST_F(GridFieldFreed, NothingBindsTheFieldAgainWhileItGoes) {
  AddRows(5);
  MakeGrid();
  AddColumn("ID");
  TColumnGx* amount = AddColumn("AMOUNT");
  AddColumn("NAME");
  Bystander bystander;
  table->FieldByName("AMOUNT")->FreeNotification(&bystander);
  Bind();
  gridtest::Pump();
  const TField* gone = table->FieldByName("AMOUNT");
  ASSERT_EQ(amount->Field(), gone);
  int told = 0;
  bool heldWhileGoing = false;
  bystander.onRemove = [&](TComponent* c) {
    if (c != gone) return;
    ++told;
    heldWhileGoing = AnyColumnHolds(gone);
    grid->Repaint();
  };
  EXPECT_EQ(FreeField("AMOUNT"), "");
  EXPECT_EQ(told, 1);
  EXPECT_FALSE(heldWhileGoing);
  EXPECT_EQ(amount->Field(), nullptr);
  EXPECT_FALSE(AnyColumnHolds(gone));
  // Opened again, the columns find the fields of their names (a new AMOUNT may reuse the address).
  table->Open();
  grid->Repaint();
  gridtest::Pump();
  EXPECT_EQ(amount->Field(), table->FindField("AMOUNT"));
  EXPECT_EQ(grid->Columns()->Items(2)->Field(), table->FieldByName("NAME"));
}

// The grid's own columns are laid out again at once, before the field leaves its lists.
TEST_F(GridFieldFreed, DefaultColumnsAreLaidOutAgainAtOnce) {
  AddRows(5);
  MakeGrid();
  Bystander bystander;
  table->FieldByName("NAME")->FreeNotification(&bystander);
  Bind();
  gridtest::Pump();
  ASSERT_EQ(grid->Columns()->Count(), 4);
  ASSERT_EQ(grid->ColCount(), 5);
  const TField* gone = table->FieldByName("NAME");
  int columnsWhileGoing = -1, colCountWhileGoing = -1;
  bool heldWhileGoing = true;
  bystander.onRemove = [&](TComponent* c) {
    if (c != gone) return;
    columnsWhileGoing = grid->Columns()->Count();
    colCountWhileGoing = grid->ColCount();
    heldWhileGoing = AnyColumnHolds(gone);
    grid->Repaint();
  };
  EXPECT_EQ(FreeField("NAME"), "");
  EXPECT_EQ(columnsWhileGoing, 3);
  EXPECT_EQ(colCountWhileGoing, 4);
  EXPECT_FALSE(heldWhileGoing);
  EXPECT_FALSE(AnyColumnHolds(gone));
  grid->Repaint();
  gridtest::Pump();
}

}  // namespace
