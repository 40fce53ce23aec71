#include "platform/classes/component.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/classes/classreg.h"
#include "platform/classes/published.h"
#include "platform/rtl/exceptions.h"

namespace {

std::vector<std::string>* gLog = nullptr;
void Log(const std::string& s) {
  if (gLog) gLog->push_back(s);
}

// Logs notifications and its own destruction.
class TProbe : public TComponent {
  FANO_CLASS(TProbe)
 public:
  explicit TProbe(TComponent* owner, const std::string& name = {}) : TComponent(owner) {
    if (!name.empty()) SetName(name);
  }
  ~TProbe() override { Log("destroy " + Name()); }
  void Notification(TComponent* c, TOperation op) override {
    TComponent::Notification(c, op);
    std::string what = c ? c->Name() : "?";
    // A component freed with Free() is still whole when others hear of it.
    if (op == opRemove && dynamic_cast<TProbe*>(c)) what += " (whole)";
    Log(Name() + (op == opInsert ? " +" : " -") + what);
  }
  void Loaded() override {
    TComponent::Loaded();
    Log("loaded " + Name());
  }
  bool sawDestroyingOwner = false;
};
FANO_IMPLEMENT_COMPONENT(TProbe, TComponent)

// A root with published component fields.
class TProbeRoot : public TComponent {
  FANO_CLASS(TProbeRoot)
 public:
  using TComponent::TComponent;
  TProbe* First = nullptr;
  TProbe* Second = nullptr;
  TComponent* Any = nullptr;
};
FANO_IMPLEMENT_COMPONENT(TProbeRoot, TComponent)
FANO_PUBLISHED(TProbeRoot, p) {
  p.Field("First", &TProbeRoot::First);
  p.Field("Second", &TProbeRoot::Second);
  p.Field("Any", &TProbeRoot::Any);
}

struct ComponentTest : ::testing::Test {
  std::vector<std::string> log;
  void SetUp() override { gLog = &log; }
  void TearDown() override { gLog = nullptr; }
};

}  // namespace

TEST_F(ComponentTest, OwnerKeepsCreationOrderAndDestroysLastFirst) {
  auto* owner = new TProbe(nullptr, "Owner");
  auto* a = new TProbe(owner, "A");
  auto* b = new TProbe(owner, "B");
  auto* c = new TProbe(owner, "C");
  ASSERT_EQ(owner->ComponentCount(), 3);
  EXPECT_EQ(owner->Components(0), a);
  EXPECT_EQ(owner->Components(2), c);
  EXPECT_EQ(b->ComponentIndex(), 1);
  EXPECT_EQ(b->Owner(), owner);
  EXPECT_THROW(owner->Components(3), EListError);
  c->SetComponentIndex(0);
  EXPECT_EQ(owner->Components(0), c);
  EXPECT_EQ(owner->Components(2), b);
  c->SetComponentIndex(2);
  log.clear();
  owner->Free();
  // The owner's own destructor body runs first (its components are still there for it), then the
  // components go, the last created first.
  std::vector<std::string> destroyed;
  for (auto& l : log)
    if (l.rfind("destroy ", 0) == 0) destroyed.push_back(l);
  EXPECT_EQ(destroyed, (std::vector<std::string>{"destroy Owner", "destroy C", "destroy B", "destroy A"}));
}

TEST_F(ComponentTest, DestroyingIsMarkedOnEverythingOwnedBeforeAnythingGoes) {
  struct TWatcher : TComponent {
    using TComponent::TComponent;
    TComponent* sibling = nullptr;
    bool siblingWasDestroying = false;
    ~TWatcher() override {
      if (sibling) siblingWasDestroying = sibling->InState(csDestroying);
      *result = siblingWasDestroying;
    }
    bool* result = nullptr;
  };
  bool result = false;
  auto* owner = new TComponent(nullptr);
  auto* sibling = new TComponent(owner);
  auto* watcher = new TWatcher(owner);  // destroyed first (last created)
  watcher->sibling = sibling;
  watcher->result = &result;
  delete owner;
  EXPECT_TRUE(result);
}

TEST_F(ComponentTest, NotificationOrderOnInsertAndDestruction) {
  auto* owner = new TProbe(nullptr, "Owner");
  auto* a = new TProbe(owner, "A");
  log.clear();
  auto* b = new TProbe(owner);
  // The owner passes the notice to its components, the last first, then handles it itself. The
  // new component is still being built (and has no name yet), so only A and the owner log it.
  EXPECT_EQ(log, (std::vector<std::string>{"A +", "Owner +"}));
  b->SetName("B");
  log.clear();

  auto* outsider = new TProbe(nullptr, "Outsider");
  outsider->FreeNotification(b);  // link both ways
  EXPECT_TRUE(b->InState(csFreeNotification));
  log.clear();
  b->Free();
  // First the linked outsider (B still whole), then through the owner: B itself, A, the owner.
  ASSERT_GE(log.size(), 4u);
  EXPECT_EQ(log[0], "Outsider -B (whole)");
  EXPECT_EQ(log[1], "destroy B");
  EXPECT_EQ(log[2], "A -B");
  EXPECT_EQ(log[3], "Owner -B");
  EXPECT_EQ(owner->ComponentCount(), 1);

  // The link went with B: destroying the outsider tells nobody about B.
  log.clear();
  outsider->Free();
  EXPECT_EQ(log, (std::vector<std::string>{"destroy Outsider"}));
  (void)a;
  delete owner;
}

// An owner that frees one of its components itself while it is destroyed, as a data set frees its
// fields, and makes one more while doing so.
class TFreeingOwner : public TProbe {
  FANO_CLASS(TFreeingOwner)
 public:
  using TProbe::TProbe;
  TProbe* goes = nullptr;
  TProbe* late = nullptr;
  void BeforeDestruction() override {
    TProbe::BeforeDestruction();
    late = new TProbe(this, "Late");  // made after the owner was marked: it stays on for now
    goes->Free();
  }
};
FANO_IMPLEMENT_COMPONENT(TFreeingOwner, TProbe)

TEST_F(ComponentTest, ComponentsGoingWithTheirOwnerAreNotToldOfEachOther) {
  auto* owner = new TFreeingOwner(nullptr, "Owner");
  auto* a = new TProbe(owner, "A");
  auto* b = new TProbe(owner, "B");
  auto* linked = new TProbe(owner, "Linked");
  linked->FreeNotification(a);
  owner->goes = a;
  log.clear();
  owner->Free();
  auto has = [&](const std::string& line) { return std::find(log.begin(), log.end(), line) != log.end(); };
  // The link and the owner itself still hear of A, and so does the component that stays...
  EXPECT_TRUE(has("Linked -A (whole)"));
  EXPECT_TRUE(has("Owner -A"));
  EXPECT_TRUE(has("Late -A"));
  // ...but not the siblings that go along with it.
  EXPECT_FALSE(has("B -A"));
  EXPECT_FALSE(has("Linked -A"));
  EXPECT_TRUE(has("destroy A"));
  EXPECT_TRUE(has("destroy B"));
  EXPECT_TRUE(has("destroy Late"));
  (void)b;
}

TEST_F(ComponentTest, ComponentTakenFromADestroyingOwnerIsStillAnnounced) {
  // Removed without being destroyed: every sibling hears of it, as outside destruction.
  struct TGiver : TProbe {
    using TProbe::TProbe;
    TComponent* keep = nullptr;
    TComponent* to = nullptr;
    void BeforeDestruction() override {
      TProbe::BeforeDestruction();
      to->InsertComponent(keep);
    }
  };
  auto* owner = new TGiver(nullptr, "Owner");
  auto* keeper = new TProbe(nullptr, "Keeper");
  auto* kept = new TProbe(owner, "Kept");
  auto* b = new TProbe(owner, "B");
  owner->keep = kept;
  owner->to = keeper;
  log.clear();
  owner->Free();
  EXPECT_NE(std::find(log.begin(), log.end(), "B -Kept (whole)"), log.end());
  EXPECT_EQ(kept->Owner(), keeper);
  (void)b;
  delete keeper;
}

TEST_F(ComponentTest, FreeNotificationLinksAreDroppedBothWays) {
  auto* x = new TProbe(nullptr, "X");
  auto* y = new TProbe(nullptr, "Y");
  x->FreeNotification(y);
  x->RemoveFreeNotification(y);
  log.clear();
  delete y;
  EXPECT_EQ(log, (std::vector<std::string>{"destroy Y"}));
  // A plain delete still tells the linked side, without the whole object.
  auto* z = new TProbe(nullptr, "Z");
  z->FreeNotification(x);
  log.clear();
  delete x;
  EXPECT_EQ(log, (std::vector<std::string>{"destroy X", "Z -X"}));
  log.clear();
  delete z;
  EXPECT_EQ(log, (std::vector<std::string>{"destroy Z"}));
}

TEST_F(ComponentTest, NamesAreIdentifiersUniqueWithinTheOwnerIgnoringCase) {
  TComponent owner(nullptr);
  auto* a = new TComponent(&owner);
  a->SetName("Button1");
  auto* b = new TComponent(&owner);
  try {
    b->SetName("BUTTON1");
    FAIL();
  } catch (const EComponentError& e) {
    EXPECT_STREQ(e.what(), "A component named BUTTON1 already exists");
  }
  EXPECT_EQ(b->Name(), "");
  for (const char* bad : {"1abc", "a b", "a-b", "按钮", " x"}) {
    try {
      b->SetName(bad);
      FAIL() << bad;
    } catch (const EComponentError& e) {
      EXPECT_EQ(e.Message(), "\"" + std::string(bad) + "\" is not a valid component name");
    }
  }
  a->SetName("button1");  // its own name in another case is fine
  EXPECT_EQ(owner.FindComponent("BUTTON1"), a);
  EXPECT_EQ(owner.FindComponent(""), nullptr);
  b->SetName("_x2");
  EXPECT_EQ(owner.FindComponent("_X2"), b);

  // Moving a component to an owner that already has its name is refused; nothing changes.
  TComponent other(nullptr);
  auto* clash = new TComponent(&other);
  clash->SetName("_X2");
  EXPECT_THROW(owner.InsertComponent(clash), EComponentError);
  EXPECT_EQ(clash->Owner(), &other);
  other.RemoveComponent(clash);
  EXPECT_EQ(clash->Owner(), nullptr);
  EXPECT_EQ(other.ComponentCount(), 0);
  clash->SetName("Free1");
  owner.InsertComponent(clash);
  EXPECT_EQ(clash->Owner(), &owner);
  EXPECT_EQ(owner.ComponentCount(), 3);
  // Ownership cannot go round in a circle.
  auto* inner = new TComponent(clash);
  EXPECT_THROW(inner->InsertComponent(&owner), EComponentError);
  EXPECT_THROW(inner->InsertComponent(clash), EComponentError);
  EXPECT_THROW(clash->InsertComponent(clash), EComponentError);
  EXPECT_EQ(inner->Owner(), clash);
}

TEST_F(ComponentTest, PublishedFieldsFollowNamesAndRemoval) {
  auto* root = new TProbeRoot(nullptr);
  auto* first = new TProbe(root, "First");
  EXPECT_EQ(root->First, first);
  first->SetName("Renamed");
  EXPECT_EQ(root->First, nullptr);
  first->SetName("Second");
  EXPECT_EQ(root->Second, first);
  // A component of the wrong class for a field leaves it alone.
  auto* plain = new TComponent(root);
  plain->SetName("First");
  EXPECT_EQ(root->First, nullptr);
  plain->SetName("Any");
  EXPECT_EQ(root->Any, plain);
  delete first;
  EXPECT_EQ(root->Second, nullptr);
  root->RemoveComponent(plain);
  EXPECT_EQ(root->Any, nullptr);
  delete plain;
  delete root;
}

TEST_F(ComponentTest, DesigningPropagatesToOwnedAndInsertedComponents) {
  TComponent owner(nullptr);
  auto* a = new TComponent(&owner);
  owner.SetDesigning(true);
  EXPECT_TRUE(a->InState(csDesigning));
  auto* b = new TComponent(&owner);
  EXPECT_TRUE(b->InState(csDesigning));
  owner.SetDesigning(false);
  EXPECT_FALSE(b->InState(csDesigning));
}

TEST(ClassRegistryTest, FindByNameIgnoringCase) {
  RegisterClass(TProbe::StaticClass());
  RegisterClass(TProbe::StaticClass());  // again is fine
  EXPECT_EQ(FindClass("tprobe"), TProbe::StaticClass());
  EXPECT_EQ(GetClass("TPROBE"), TProbe::StaticClass());
  EXPECT_EQ(GetClass("TNoSuch"), nullptr);
  try {
    FindClass("TNoSuch");
    FAIL();
  } catch (const EClassNotFound& e) {
    EXPECT_STREQ(e.what(), "Class TNoSuch not found");
  }
  // Another class under a taken name is refused.
  static const TClassInfo impostor{"TProbe", TComponent::StaticClass(), nullptr};
  try {
    RegisterClass(&impostor);
    FAIL();
  } catch (const EFilerError& e) {
    EXPECT_STREQ(e.what(), "A class named TProbe already exists");
  }
  UnRegisterClass(&impostor);  // not the registered one: nothing happens
  EXPECT_EQ(GetClass("TProbe"), TProbe::StaticClass());
  // A registered component class creates instances with an owner.
  TComponent owner(nullptr);
  TObject* made = FindClass("TProbe")->Create(&owner);
  ASSERT_NE(dynamic_cast<TProbe*>(made), nullptr);
  EXPECT_EQ(static_cast<TProbe*>(made)->Owner(), &owner);
  EXPECT_EQ(TProbe::StaticClass()->DistanceTo("TComponent"), 1);
  UnRegisterClass(TProbe::StaticClass());
  EXPECT_EQ(GetClass("TProbe"), nullptr);
}
