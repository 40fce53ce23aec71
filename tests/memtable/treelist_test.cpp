#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>

#include "memtable/mtindex.h"
#include "memtable/view_fixture.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"

using namespace viewtest;

namespace {

// The tree as text: "id(children...)" for every node under the root, in order.
std::string Shape(const TMemRecViewGx* node) {
  std::string out;
  for (int i = 0; i < node->ChildCount(); ++i) {
    const TMemRecViewGx* c = node->Child(i);
    if (!out.empty()) out += ' ';
    out += std::to_string(IdOf(c->Rec()));
    if (c->ChildCount() > 0) out += "(" + Shape(c) + ")";
  }
  return out;
}

class TreeListTest : public StoreViewTest {
 protected:
  void SetUp() override {
    StoreViewTest::SetUp();
    view->SetTreeKeyFieldName("ID");
    view->SetTreeRefParentFieldName("PARENT");
    tree = view->TreeList();
    tree->SetFullBuildCheck(true);
    view->SetViewAsTreeList(true);
  }
  std::string TreeShape() { return Shape(tree->RootNode()); }

  TMemoryTreeListGx* tree = nullptr;
};

using Ints = std::vector<int>;

TEST_F(TreeListTest, ParentsBeforeChildrenUseThePath) {
  Add(list, 1, Null(), "parent");
  Add(list, 2, 1, "child");
  Add(list, 3, 2, "grandchild");
  Add(list, 4, 1, "second child");
  EXPECT_EQ(TreeShape(), "1(2(3) 4)");
  // The second child's parent came from popping the path (child and grandchild went first), so
  // the path now ends with the parent and the second child.
  ASSERT_EQ(tree->ParentPath().size(), 2u);
  EXPECT_EQ(IdOf(tree->ParentPath()[0]->Rec()), 1);
  EXPECT_EQ(IdOf(tree->ParentPath()[1]->Rec()), 4);
  // A third child finds its parent as the second-to-last entry, which it replaces.
  Add(list, 5, 1, "third child");
  EXPECT_EQ(TreeShape(), "1(2(3) 4 5)");
  ASSERT_EQ(tree->ParentPath().size(), 2u);
  EXPECT_EQ(IdOf(tree->ParentPath()[1]->Rec()), 5);
  TMemRecViewGx* g = tree->FindRecordNode(list->Rec(2));
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->NodeLevel(), 3);
  EXPECT_EQ(g->NodeParent()->NodeLevel(), 2);
}

TEST_F(TreeListTest, ChildBeforeParentWithAndWithoutFullBuildCheck) {
  Add(list, 2, 1, "child");
  EXPECT_EQ(TreeShape(), "2");
  Add(list, 1, Null(), "parent");
  EXPECT_EQ(TreeShape(), "1(2)");
  tree->SetFullBuildCheck(false);
  Add(list, 4, 3, "orphan");
  Add(list, 3, Null(), "late parent");
  EXPECT_EQ(TreeShape(), "1(2) 4 3");
  // A rebuild (parents are then searched for in the whole tree) still leaves 4 at the top: its
  // parent comes after it.
  view->RebuildTree();
  EXPECT_EQ(TreeShape(), "2 1 4 3");
  tree->SetFullBuildCheck(true);
  view->RebuildTree();
  EXPECT_EQ(TreeShape(), "1(2) 3(4)");
}

TEST_F(TreeListTest, NullParentsStandAtTheTopAndFormNoLoop) {
  Add(list, Null(), Null(), "no key");
  Add(list, 1, Null(), "a");
  Add(list, 2, Null(), "b");
  EXPECT_EQ(TreeShape(), "-1 1 2");
  EXPECT_FALSE(tree->CheckReferenceLoop(list->Rec(1)));
}

TEST_F(TreeListTest, SiblingsFollowRecordListOrder) {
  Add(list, 1, Null(), "p");
  Add(list, 2, 1, "c2");
  Add(list, 4, 1, "c4");
  TMemoryRecordGx* c3 = Make(list, 3, 1, "c3");
  list->InsertRecord(c3, 2);
  EXPECT_EQ(TreeShape(), "1(2 3 4)");
  TMemoryRecordGx* c0 = Make(list, 0, 1, "c0");
  list->InsertRecord(c0, 1);
  EXPECT_EQ(TreeShape(), "1(0 2 3 4)");
  // A store move reorders the siblings.
  list->MoveRecord(1, 4);  // c0 after c4
  EXPECT_EQ(TreeShape(), "1(2 3 4 0)");
}

TEST_F(TreeListTest, ChangingTheParentMovesTheNode) {
  TMemoryRecordGx* a = Add(list, 1, Null(), "a");
  Add(list, 2, Null(), "b");
  TMemoryRecordGx* c = Add(list, 3, 1, "c");
  Add(list, 4, 2, "d");
  EXPECT_EQ(TreeShape(), "1(3) 2(4)");
  Set(c, PARENT, 2);
  EXPECT_EQ(TreeShape(), "1 2(3 4)");  // before 4: it comes first in the store
  Set(c, PARENT, Null());
  EXPECT_EQ(TreeShape(), "1 2(4) 3");
  Set(a, PARENT, 3);
  EXPECT_EQ(TreeShape(), "2(4) 3(1)");
}

TEST_F(TreeListTest, ReferenceLoopsAreRefusedBeforeTheyAreStored) {
  TMemoryRecordGx* a = Add(list, 1, Null(), "a");
  Add(list, 2, 1, "b");
  Add(list, 3, 2, "c");
  // Its own key as parent.
  a->Edit();
  a->SetDataValue(PARENT, rvCurrent, 1);
  EXPECT_EQ(ErrorOfPost(a), "Reference-loop found");
  a->Cancel();
  // A descendant as parent.
  a->Edit();
  a->SetDataValue(PARENT, rvCurrent, 3);
  EXPECT_EQ(ErrorOfPost(a), "Reference-loop found");
  a->Cancel();
  EXPECT_EQ(TreeShape(), "1(2(3))");
  EXPECT_TRUE(a->Value(PARENT).IsNull());
  // A new record that names itself.
  TMemoryRecordGx* self = Make(list, 9, 9, "self");
  try {
    list->AddRecord(self);
    ADD_FAILURE() << "accepted";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Reference-loop found");
  }
  self->Cancel();
  EXPECT_EQ(list->Count(), 3);
  // Asking directly.
  EXPECT_TRUE(tree->CheckReferenceLoop(a, 2));
  EXPECT_FALSE(tree->CheckReferenceLoop(list->Rec(2), 1));
  EXPECT_FALSE(tree->CheckReferenceLoop(a, "abc"));  // names no key: no loop, and no error
}

TEST_F(TreeListTest, VisibilityFollowsTheFilterAndTheChildren) {
  Add(list, 1, Null(), "root", 1.0);
  Add(list, 2, 1, "hidden parent", 0.0);
  Add(list, 3, 2, "shown child", 1.0);
  Add(list, 4, 1, "hidden leaf", 0.0);
  view->FilterRecordCallback = [](TMemoryRecordGx* r) { return r->Value(AMOUNT).AsDouble() > 0; };
  view->RebuildView();
  // A parent that fails the filter stays while one of its children is shown.
  EXPECT_EQ(AllIds(*view), (Ints{1, 2, 3}));
  TMemoryRecordGx* child = list->Rec(2);
  Set(child, AMOUNT, 0.0);
  EXPECT_EQ(AllIds(*view), (Ints{1}));
  Set(child, AMOUNT, 2.0);
  EXPECT_EQ(AllIds(*view), (Ints{1, 2, 3}));
  // Showing the children of visible parents whatever the filter.
  tree->SetFilterNodeIfParentVisible(false);
  Set(child, AMOUNT, 0.0);
  view->RebuildView();
  EXPECT_EQ(AllIds(*view), (Ints{1, 2, 3, 4}));
}

// Moved to another parent, a shown record no longer holds up the one it left (nor that one's
// hidden ancestors); moved back, it does again.
TEST_F(TreeListTest, AParentLeftByItsShownChildIsFilteredAgain) {
  Add(list, 1, Null(), "root", 1.0);
  Add(list, 2, 1, "hidden parent", 0.0);
  Add(list, 4, 2, "hidden leaf", 0.0);
  TMemoryRecordGx* shown = Add(list, 5, 2, "shown child", 3.0);
  Add(list, 6, 4, "hidden grandchild", 0.0);
  TMemoryRecordGx* deep = Add(list, 7, 6, "shown great-grandchild", 2.0);
  view->FilterRecordCallback = [](TMemoryRecordGx* r) { return r->Value(AMOUNT).AsDouble() > 0; };
  view->RebuildView();
  EXPECT_EQ(AllIds(*view), (Ints{1, 2, 4, 6, 7, 5}));
  Set(deep, PARENT, 1);
  EXPECT_EQ(AllIds(*view), (Ints{1, 2, 5, 7}));
  Set(shown, PARENT, 1);
  EXPECT_EQ(AllIds(*view), (Ints{1, 5, 7}));
  Set(deep, PARENT, 6);
  EXPECT_EQ(AllIds(*view), (Ints{1, 2, 4, 6, 7, 5}));
}

TEST_F(TreeListTest, CollapsedNodesCloseTheExpandedWalkOnly) {
  Add(list, 1, Null(), "a");
  Add(list, 2, 1, "b");
  Add(list, 3, 2, "c");
  Add(list, 4, Null(), "d");
  EXPECT_EQ(Ids(*view), (Ints{1, 4}));  // new nodes start collapsed
  EXPECT_EQ(AllIds(*view), (Ints{1, 2, 3, 4}));
  tree->FindRecordNode(list->Rec(0))->SetNodeExpanded(true);
  EXPECT_EQ(Ids(*view), (Ints{1, 2, 4}));
  tree->Expand(nullptr, true);
  EXPECT_EQ(Ids(*view), (Ints{1, 2, 3, 4}));
  EXPECT_EQ(view->IndexOfRecord(list->Rec(3)), 3);
  tree->FindRecordNode(list->Rec(1))->SetNodeExpanded(false);
  EXPECT_EQ(Ids(*view), (Ints{1, 2, 4}));
  EXPECT_EQ(view->ViewItemsCount(), 3);
  EXPECT_EQ(view->AllVisibleCount(), 4);
  EXPECT_EQ(view->GetViewRecord(3), nullptr);
  // New nodes can start expanded, and the table may refuse an expansion.
  tree->SetDefaultNodeExpanded(true);
  Add(list, 5, 4, "e");
  EXPECT_TRUE(tree->FindRecordNode(list->Rec(3))->NodeExpanded() == false);
  EXPECT_TRUE(tree->FindRecordNode(list->Rec(4))->NodeExpanded());
  tree->OnExpandedChanging = [](TTreeListGx*, TBaseTreeNodeGx*, bool& allow) { allow = false; };
  tree->FindRecordNode(list->Rec(3))->SetNodeExpanded(true);
  EXPECT_FALSE(tree->FindRecordNode(list->Rec(3))->NodeExpanded());
  Add(list, 6, Null(), "f");  // defaults are given without asking
  EXPECT_TRUE(tree->FindRecordNode(list->Rec(5))->NodeExpanded());
}

TEST_F(TreeListTest, DeletingANodeReaddsItsDescendants) {
  Add(list, 1, Null(), "a");
  Add(list, 2, 1, "b");
  Add(list, 3, 2, "c");
  Add(list, 4, 1, "d");
  Add(list, 5, 3, "e");
  EXPECT_EQ(TreeShape(), "1(2(3(5)) 4)");
  list->DeleteRecord(1);  // b
  EXPECT_EQ(TreeShape(), "1(4) 3(5)");
  list->SetCachedUpdates(true);
  list->MarkDel(0);  // a, marked deleted
  EXPECT_EQ(TreeShape(), "3(5) 4");
  EXPECT_EQ(AllIds(*view), (Ints{3, 5, 4}));
  // Cancelling rebuilds the whole tree.
  list->CancelUpdates();
  EXPECT_EQ(TreeShape(), "1(4) 3(5)");
}

TEST_F(TreeListTest, IndexesReplaceTheSearches) {
  TMTIndexGx* byKey = list->Indexes()->Add();
  byKey->SetFields("ID");
  byKey->SetActive(true);
  TMTIndexGx* byParent = list->Indexes()->Add();
  byParent->SetFields("PARENT");
  byParent->SetActive(true);
  Add(list, 3, 1, "c");
  Add(list, 2, 1, "b");
  Add(list, 4, 2, "d");
  Add(list, 1, Null(), "a");
  EXPECT_EQ(TreeShape(), "1(3 2(4))");
  TMemoryRecordGx* d = list->Rec(2);
  Set(d, PARENT, 3);
  EXPECT_EQ(TreeShape(), "1(3(4) 2)");
  EXPECT_TRUE(tree->CheckReferenceLoop(list->Rec(3), 4));
}

TEST_F(TreeListTest, TurningTreeModeOffAndOn) {
  Add(list, 1, Null(), "a");
  Add(list, 2, 1, "b");
  view->SetViewAsTreeList(false);
  EXPECT_EQ(Ids(*view), (Ints{1, 2}));
  EXPECT_EQ(tree->RootNode()->ChildCount(), 0);
  Add(list, 3, 2, "c");
  view->SetViewAsTreeList(true);
  EXPECT_EQ(TreeShape(), "1(2(3))");
  EXPECT_EQ(Ids(*view), (Ints{1}));
}

TEST_F(TreeListTest, RebuildingTreatsLoopsInTheDataSoundly) {
  view->SetViewAsTreeList(false);
  // Loaded while the view was flat: two records naming each other and one naming itself.
  Add(list, 1, 2, "a");
  Add(list, 2, 1, "b");
  Add(list, 3, 3, "c");
  view->SetViewAsTreeList(true);
  EXPECT_EQ(TreeShape(), "1(2) 3");
  EXPECT_EQ(AllIds(*view), (Ints{1, 2, 3}));
}

TEST_F(TreeListTest, DepthBeyondTheMaximumIsRefusedBeforeItIsStored) {
  tree->SetMaxLevel(5);
  Add(list, 1, Null(), "1");
  for (int i = 2; i <= 5; ++i) Add(list, i, i - 1, "n");
  EXPECT_EQ(tree->FindRecordNode(list->Rec(4))->NodeLevel(), 5);
  TMemoryRecordGx* deep = Make(list, 6, 5, "too deep");
  try {
    list->AddRecord(deep);
    ADD_FAILURE() << "accepted";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "TBaseTreeNodeGx.SetLevel: Max level exceed - 5");
  }
  deep->Cancel();
  EXPECT_EQ(list->Count(), 5);
  // Moving a subtree under a node where it would not fit is refused too.
  Add(list, 10, Null(), "other");
  Add(list, 11, 10, "other child");
  TMemoryRecordGx* other = list->Rec(5);
  other->Edit();
  other->SetDataValue(PARENT, rvCurrent, 4);
  EXPECT_EQ(ErrorOfPost(other), "TBaseTreeNodeGx.SetLevel: Max level exceed - 5");
  other->Cancel();
  // Data loaded flat beyond the maximum is built with the too-deep records at the top level.
  view->SetViewAsTreeList(false);
  Add(list, 6, 5, "too deep");
  view->SetViewAsTreeList(true);
  EXPECT_EQ(tree->FindRecordNode(list->Rec(7))->NodeLevel(), 1);
}

TEST_F(TreeListTest, AggregatesCountEveryVisibleNode) {
  Add(list, 1, Null(), "a", 1.0);
  Add(list, 2, 1, "b", 2.0);
  Add(list, 3, 2, "c", 4.0);
  EXPECT_EQ(view->AggregateRowCount(), 3);
  Variant scratch;
  EXPECT_EQ(view->AggregateRowValue(2, AMOUNT, scratch).AsDouble(), 4.0);
  EXPECT_TRUE(view->AggregateRowValue(3, AMOUNT, scratch).IsNull());
}

// A large build in parent-after-child order: every parent arrives last. The result must be the
// tree a depth-first search would build, with or without the build-time lookups.
TEST_F(TreeListTest, BuildsOfManyRecordsGiveTheSearchedShape) {
  view->SetViewAsTreeList(false);
  std::mt19937 rng(5);
  const int n = 3000;
  for (int i = n; i >= 1; --i) Add(list, i, i / 3 == 0 ? Variant(Null()) : Variant(i / 3), "n");
  view->SetViewAsTreeList(true);
  // Every node's parent is the record its parent value names, and siblings follow the store.
  int nodes = 0;
  std::function<void(TMemRecViewGx*)> walk = [&](TMemRecViewGx* node) {
    for (int i = 0; i < node->ChildCount(); ++i) {
      TMemRecViewGx* c = node->Child(i);
      ++nodes;
      int id = IdOf(c->Rec());
      int parent = node == tree->RootNode() ? 0 : IdOf(node->Rec());
      ASSERT_EQ(parent, id / 3) << id;
      if (i > 0) {
        ASSERT_LT(node->Child(i - 1)->Rec()->Index(), c->Rec()->Index());
      }
      walk(c);
    }
  };
  walk(tree->RootNode());
  EXPECT_EQ(nodes, n);
  // Text keys take the same path.
  Owned<TMemTableDataGx> s2 = MakeViewStore();
  Owned<TRecordsViewGx> v2(new TRecordsViewGx());
  v2->SetMemTableData(s2.get());
  v2->SetTreeKeyFieldName("NAME");
  v2->SetTreeRefParentFieldName("AMOUNT");  // a number column: kinds differ, searches are used
  v2->TreeList()->SetFullBuildCheck(true);
  for (int i = 0; i < 50; ++i) Add(s2->RecordsList(), i, Null(), std::to_string(i), static_cast<double>(i / 2));
  v2->SetViewAsTreeList(true);
  // The parent value 0.0 names the key "0": a text and a number compare equal as numbers.
  EXPECT_EQ(Shape(v2->TreeList()->RootNode()).substr(0, 19), "0(1(2(4(8(16(32 33)");
}

// The whole-store build answers its searches from hashed keys; records added one by one are
// searched for in the tree. With duplicate keys both must pick the same nodes.
TEST(TreeListBuild, HashedLookupsMatchTheSearches) {
  for (bool texts : {false, true}) {
    for (bool fullCheck : {false, true}) {
      std::mt19937 rng(fullCheck ? 3 : 4);
      // Keys repeat and parent values run in circles (never a record's own key), so a search
      // meets several candidates and matches inside the subtrees of other matches.
      std::vector<std::pair<int, int>> rows;  // key, parent (-1 for Null)
      for (int i = 0; i < 300; ++i) {
        int key = static_cast<int>(rng() % 40);
        int parent = rng() % 6 == 0 ? -1 : static_cast<int>((key + 1 + rng() % 39) % 40);
        rows.emplace_back(key, parent);
      }
      auto build = [&](bool oneByOne) {
        Owned<TMemTableDataGx> store = MakeViewStore();
        auto* pname = store->DataStruct()->CreateField<TMTStringDataFieldGx>();
        pname->SetFieldName("PNAME");
        Owned<TRecordsViewGx> view(new TRecordsViewGx());
        view->SetMemTableData(store.get());
        view->SetTreeKeyFieldName(texts ? "NAME" : "ID");
        view->SetTreeRefParentFieldName(texts ? "PNAME" : "PARENT");
        view->TreeList()->SetFullBuildCheck(fullCheck);
        if (oneByOne) view->SetViewAsTreeList(true);
        int id = 0;
        for (auto [key, parent] : rows) {
          TMemoryRecordGx* r = store->RecordsList()->NewRecord();
          r->SetDataValue(ID, rvCurrent, texts ? Variant(id) : Variant(key));
          r->SetDataValue(PARENT, rvCurrent, parent < 0 ? Variant(Null()) : Variant(parent));
          r->SetDataValue(NAME, rvCurrent, "k" + std::to_string(key));
          r->SetDataValue(4, rvCurrent, parent < 0 ? Variant(Null()) : Variant("k" + std::to_string(parent)));
          store->RecordsList()->AddRecord(r);
          ++id;
        }
        if (!oneByOne) view->SetViewAsTreeList(true);
        // The shape by record positions.
        std::function<std::string(TMemRecViewGx*)> shape = [&](TMemRecViewGx* n) {
          std::string out;
          for (int i = 0; i < n->ChildCount(); ++i) {
            out += std::to_string(n->Child(i)->Rec()->Index());
            if (n->Child(i)->ChildCount()) out += "(" + shape(n->Child(i)) + ")";
            out += ' ';
          }
          return out;
        };
        return shape(view->TreeList()->RootNode());
      };
      EXPECT_EQ(build(true), build(false)) << "texts " << texts << " full check " << fullCheck;
    }
  }
}

}  // namespace
