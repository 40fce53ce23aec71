// The generic tree: levels, moves and their loop check, visibility, walks, sorting.
#include <gtest/gtest.h>

#include <string>

#include "memtable/treenodes.h"
#include "platform/rtl/exceptions.h"
#include "support/error_text.h"

namespace {

// The tree as text: each node's text, its children in brackets ("a[b c] d").
std::string Shape(const TBaseTreeNodeGx* node) {
  std::string s;
  for (int i = 0; i < node->Count(); ++i) {
    const TBaseTreeNodeGx* c = node->Items(i);
    if (i) s += ' ';
    s += c->Text();
    if (c->Count()) s += "[" + Shape(c) + "]";
  }
  return s;
}

// Checks parents, indexes and levels of a whole subtree.
void CheckLinks(const TBaseTreeNodeGx* node) {
  for (int i = 0; i < node->Count(); ++i) {
    const TBaseTreeNodeGx* c = node->Items(i);
    EXPECT_EQ(c->Parent(), node) << c->Text();
    EXPECT_EQ(c->Index(), i) << c->Text();
    EXPECT_EQ(c->Level(), node->Level() + 1) << c->Text();
    CheckLinks(c);
  }
}

std::string Walk(TTreeListGx& tree, bool considerCollapsed) {
  std::string s;
  for (TBaseTreeNodeGx* n = tree.GetFirstVisible(); n; n = tree.GetNextVisible(n, considerCollapsed))
    s += (s.empty() ? "" : " ") + n->Text();
  return s;
}

class TreeTest : public ::testing::Test {
 protected:
  // a[a1 a2[a21]] b[b1] c
  void SetUp() override {
    a = tree.AddChild(nullptr, "a", &data[0]);
    a1 = tree.AddChild(a, "a1", &data[1]);
    a2 = tree.AddChild(a, "a2", &data[2]);
    a21 = tree.AddChild(a2, "a21", &data[3]);
    b = tree.AddChild(nullptr, "b", &data[4]);
    b1 = tree.AddChild(b, "b1", &data[1]);  // the same data as a1
    c = tree.AddChild(nullptr, "c", &data[5]);
  }
  TTreeListGx tree;
  int data[6] = {};
  TBaseTreeNodeGx *a, *a1, *a2, *a21, *b, *b1, *c;
};

TEST_F(TreeTest, AddChildBuildsLinks) {
  EXPECT_EQ(Shape(tree.Root()), "a[a1 a2[a21]] b[b1] c");
  CheckLinks(tree.Root());
  EXPECT_EQ(tree.Root()->Level(), 0);
  EXPECT_TRUE(a->HasChildren());
  EXPECT_FALSE(c->HasChildren());
  EXPECT_EQ(a21->Level(), 3);
  EXPECT_EQ(a2->Owner(), &tree);
  EXPECT_EQ(a->Items(5), nullptr);
  EXPECT_EQ(tree.FirstChild(a), a1);
  EXPECT_EQ(tree.FirstChild(c), nullptr);
  EXPECT_EQ(tree.NextSibling(a1), a2);
  EXPECT_EQ(tree.NextSibling(a2), nullptr);
  EXPECT_EQ(tree.NextSibling(tree.Root()), nullptr);
  EXPECT_TRUE(tree.HasChildren(nullptr));
}

TEST_F(TreeTest, FindNodeReturnsTheFirstInDepthFirstOrder) {
  EXPECT_EQ(tree.FindNode(nullptr, &data[1]), a1);
  EXPECT_EQ(tree.FindNode(b, &data[1]), b1);
  EXPECT_EQ(tree.FindNode(nullptr, &data[3]), a21);
  int other = 0;
  EXPECT_EQ(tree.FindNode(nullptr, &other), nullptr);
}

TEST(TreeLevels, ThousandLevelsAreAcceptedAndOneMoreIsRefused) {
  TTreeListGx tree;
  TBaseTreeNodeGx* n = nullptr;
  for (int i = 0; i < 1000; ++i) n = tree.AddChild(n, "n", nullptr);
  EXPECT_EQ(n->Level(), 1000);
  EXPECT_EQ(ErrorText<Exception>([&] { tree.AddChild(n, "deep", nullptr); }),
            "TBaseTreeNodeGx.SetLevel: Max level exceed - 1000");
  EXPECT_EQ(n->Count(), 0);
  // Moving a two-level subtree under level 999 would put its leaf at 1001: refused, unchanged.
  TBaseTreeNodeGx* top = tree.AddChild(nullptr, "top", nullptr);
  TBaseTreeNodeGx* leaf = tree.AddChild(top, "leaf", nullptr);
  TBaseTreeNodeGx* level999 = n->Parent();
  EXPECT_EQ(ErrorText<Exception>([&] { tree.MoveTo(top, level999, true, namAddChildLast); }),
            "TBaseTreeNodeGx.SetLevel: Max level exceed - 1000");
  EXPECT_EQ(top->Parent(), tree.Root());
  EXPECT_EQ(top->Level(), 1);
  EXPECT_EQ(leaf->Level(), 2);
  EXPECT_EQ(level999->Count(), 1);
  EXPECT_THROW(top->SetLevel(1000), Exception);
  EXPECT_EQ(top->Level(), 1);
  top->SetLevel(5);
  EXPECT_EQ(leaf->Level(), 6);
}

TEST_F(TreeTest, ExpandAndCollapse) {
  tree.Expand(c, false);
  EXPECT_FALSE(c->Expanded()) << "no children: unchanged";
  tree.Expand(nullptr, true);
  EXPECT_TRUE(a->Expanded());
  EXPECT_TRUE(a2->Expanded());
  EXPECT_FALSE(a21->Expanded());
  EXPECT_FALSE(tree.Root()->Expanded());
  tree.Collapse(a, false);
  EXPECT_FALSE(a->Expanded());
  EXPECT_TRUE(a2->Expanded());
  tree.Collapse(nullptr, true);
  EXPECT_FALSE(a2->Expanded());
  // The changing event may refuse.
  std::vector<std::string> told;
  tree.OnExpandedChanging = [](TTreeListGx*, TBaseTreeNodeGx* n, bool& allow) { allow = n->Text() != "b"; };
  tree.OnExpandedChanged = [&](TTreeListGx*, TBaseTreeNodeGx* n) { told.push_back(n->Text()); };
  tree.Expand(nullptr, false);  // the root's own flag is never set: nothing happens
  EXPECT_FALSE(a->Expanded());
  tree.Expand(nullptr, true);
  EXPECT_TRUE(a->Expanded());
  EXPECT_FALSE(b->Expanded());
  EXPECT_EQ(told, (std::vector<std::string>{"a", "a2"}));
}

TEST_F(TreeTest, MoveModes) {
  tree.MoveTo(c, a2, true, namAddLast);
  EXPECT_EQ(Shape(tree.Root()), "a[a1 a2[a21] c] b[b1]");
  tree.MoveTo(c, a2, true, namAddFirst);
  EXPECT_EQ(Shape(tree.Root()), "a[c a1 a2[a21]] b[b1]");
  tree.MoveTo(c, b, true, namAddChildLast);
  EXPECT_EQ(Shape(tree.Root()), "a[a1 a2[a21]] b[b1 c]");
  tree.MoveTo(c, b, true, namAddChildFirst);
  EXPECT_EQ(Shape(tree.Root()), "a[a1 a2[a21]] b[c b1]");
  tree.MoveTo(c, a21, true, namInsertBefore);
  EXPECT_EQ(Shape(tree.Root()), "a[a1 a2[c a21]] b[b1]");
  EXPECT_EQ(c->Level(), 3);
  tree.MoveTo(a2, nullptr, true, namAddChildLast);
  EXPECT_EQ(Shape(tree.Root()), "a[a1] b[b1] a2[c a21]");
  CheckLinks(tree.Root());
  EXPECT_EQ(a21->Level(), 2);
  // Moving within the same parent, before a later sibling.
  tree.MoveTo(a, a2, true, namInsertBefore);
  EXPECT_EQ(Shape(tree.Root()), "b[b1] a[a1] a2[c a21]");
  CheckLinks(tree.Root());
}

TEST_F(TreeTest, MovesThatCannotBeMade) {
  // The root accepts only the child modes.
  tree.MoveTo(c, tree.Root(), true, namInsertBefore);
  tree.MoveTo(c, nullptr, true, namAddLast);
  tree.MoveTo(nullptr, a, true, namAddChildLast);
  tree.MoveTo(tree.Root(), a, true, namAddChildLast);
  EXPECT_EQ(Shape(tree.Root()), "a[a1 a2[a21]] b[b1] c");
  EXPECT_EQ(ErrorText<Exception>([&] { tree.MoveTo(a, a21, true, namAddChildLast); }), "Reference-loop found");
  EXPECT_EQ(ErrorText<Exception>([&] { tree.MoveTo(a2, a2, true, namAddChildFirst); }), "Reference-loop found");
  EXPECT_EQ(Shape(tree.Root()), "a[a1 a2[a21]] b[b1] c");
  CheckLinks(tree.Root());
}

TEST_F(TreeTest, NodesOfAnotherTreeAreRefused) {
  TTreeListGx other;
  TBaseTreeNodeGx* stranger = other.AddChild(nullptr, "x", nullptr);
  EXPECT_EQ(ErrorText<Exception>([&] { a->Add(stranger); }),
            "TBaseTreeNodeGx.Add: Tree nodes can not has different Owners");
  EXPECT_EQ(ErrorText<Exception>([&] { a->Insert(0, stranger); }),
            "TBaseTreeNodeGx.Add: Tree nodes can not has different Owners");
  EXPECT_EQ(a->Count(), 2);
}

TEST_F(TreeTest, DeletingTheLastChildClearsHasChildren) {
  tree.DeleteNode(b1, true);
  EXPECT_FALSE(b->HasChildren());
  EXPECT_EQ(b->Count(), 0);
  tree.DeleteNode(a1, true);
  EXPECT_TRUE(a->HasChildren());
  EXPECT_EQ(a2->Index(), 0);
  tree.DeleteChildren(a);
  EXPECT_FALSE(a->HasChildren());
  tree.Clear();
  EXPECT_EQ(tree.Root()->Count(), 0);
}

TEST_F(TreeTest, HiddenChildrenAreSkippedByTheVisibleWalks) {
  a1->SetVisible(false);
  EXPECT_EQ(tree.NextVisibleSibling(a1), nullptr);
  EXPECT_EQ(a->VisibleCount(), 1);
  EXPECT_EQ(a->VisibleItem(0), a2);
  EXPECT_EQ(tree.NextSibling(a1), a2);
  b->SetVisible(false);
  EXPECT_EQ(tree.NextVisibleSibling(a), c);
  EXPECT_EQ(tree.NextSibling(a), b);
  // The whole walk ignores collapse; the shown walk skips collapsed children.
  EXPECT_EQ(Walk(tree, false), "a a2 a21 c");
  EXPECT_EQ(Walk(tree, true), "a c");
  tree.Expand(a, false);
  EXPECT_EQ(Walk(tree, true), "a a2 c");
  tree.Expand(a2, false);
  EXPECT_EQ(Walk(tree, true), "a a2 a21 c");
  // From a node inside a collapsed or hidden part, the walk resumes after that part.
  tree.Collapse(a, false);
  EXPECT_EQ(tree.GetNextVisible(a21, true), c);
  EXPECT_EQ(tree.GetNextVisible(b1, false), c);
  EXPECT_EQ(tree.GetNextVisible(tree.Root(), false), nullptr);
  // A hidden first node: the walk starts at the next visible one.
  a->SetVisible(false);
  EXPECT_EQ(tree.GetFirstVisible(), c);
  // Showing everything again completes the lists.
  for (TBaseTreeNodeGx* n : {a, a1, b}) n->SetVisible(true);
  EXPECT_EQ(tree.Root()->VisibleCount(), 3);
  EXPECT_EQ(Walk(tree, false), "a a1 a2 a21 b b1 c");
}

TEST_F(TreeTest, VisibleListsFollowAddsAndDeletes) {
  b1->SetVisible(false);
  EXPECT_FALSE(b->HasChildren()) << "no visible child";
  TBaseTreeNodeGx* b2 = tree.AddChild(b, "b2", nullptr);
  EXPECT_EQ(b->VisibleCount(), 1);
  EXPECT_EQ(b->VisibleItem(0), b2);
  EXPECT_TRUE(b->HasChildren());
  tree.DeleteNode(b2, true);
  EXPECT_EQ(b->VisibleCount(), 0);
  EXPECT_EQ(b->Count(), 1);
}

TEST_F(TreeTest, SortDataSortsEveryLevelAndKeepsIndexes) {
  tree.AddChild(a, "a0", nullptr);
  tree.AddChild(nullptr, "0", nullptr);
  auto byText = [](TBaseTreeNodeGx* x, TBaseTreeNodeGx* y, void*) { return x->Text().compare(y->Text()); };
  tree.SortData(byText, nullptr, false);
  EXPECT_EQ(Shape(tree.Root()), "0 a[a1 a2[a21] a0] b[b1] c");
  tree.SortData(byText, nullptr, true);
  EXPECT_EQ(Shape(tree.Root()), "0 a[a0 a1 a2[a21]] b[b1] c");
  CheckLinks(tree.Root());
  auto reverse = [](TBaseTreeNodeGx* x, TBaseTreeNodeGx* y, void* p) {
    return *static_cast<int*>(p) * x->Text().compare(y->Text());
  };
  int minus = -1;
  a1->SetVisible(false);
  tree.SortData(reverse, &minus, true);
  EXPECT_EQ(Shape(tree.Root()), "c b[b1] a[a2[a21] a1 a0] 0");
  EXPECT_EQ(a->VisibleCount(), 2);
  EXPECT_EQ(a->VisibleItem(1)->Text(), "a0");
  CheckLinks(tree.Root());
}

// A derived tree makes its own nodes.
struct TTaggedNode : TBaseTreeNodeGx {
  explicit TTaggedNode(TTreeListGx* owner) : TBaseTreeNodeGx(owner) {}
  ~TTaggedNode() override { ++Destroyed; }
  static inline int Destroyed = 0;
};

TEST(TreeFactory, DerivedNodesAreMadeAndFreed) {
  TTaggedNode::Destroyed = 0;
  {
    TTreeListGx tree([](TTreeListGx* owner) { return new TTaggedNode(owner); });
    EXPECT_NE(dynamic_cast<TTaggedNode*>(tree.Root()), nullptr);
    TBaseTreeNodeGx* n = tree.AddChild(nullptr, "x", nullptr);
    EXPECT_NE(dynamic_cast<TTaggedNode*>(n), nullptr);
    tree.AddChild(n, "y", nullptr);
  }
  EXPECT_EQ(TTaggedNode::Destroyed, 3);
}

}  // namespace
