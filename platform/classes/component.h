#pragma once
// TComponent: an object with an owner, a name unique among the owner's components, a tag and a
// state. An owner destroys what it owns; components tell each other of insertions and removals
// through Notification (owners tell all their components, FreeNotification links any two).
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/classinfo.h"
#include "platform/rtl/persistent.h"
#include "platform/rtl/sets.h"
#include "platform/rtl/types.h"

class TReader;

enum TOperation { opInsert, opRemove };

enum TComponentStateItem {
  csLoading,      // being loaded from a resource; cleared by Loaded
  csReading,      // its properties are being read
  csWriting,      // its properties are being written
  csDestroying,   // being destroyed (set on it and on everything it owns)
  csDesigning,    // in a designer; the product never sets it
  csAncestor,     // part of an ancestor while a descendant is written
  csUpdating,     // between Updating and Updated
  csFixups,       // has references that are not resolved yet
  csFreeNotification,
  csInline,
  csDesignInstance,
};
using TComponentState = TSet<TComponentStateItem>;

class TComponent;
// Called with each child component that a component writes under itself.
using TGetChildProc = std::function<void(TComponent* child)>;

// True for an identifier: a letter or underscore, then letters, digits and underscores (ASCII).
bool IsValidIdent(std::string_view s) noexcept;

class TComponent : public TPersistent {
  FANO_CLASS(TComponent)
 public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;
  void BeforeDestruction() override;

  TComponent* Owner() const noexcept { return owner_; }
  TPersistent* GetOwner() const override { return owner_; }

  const std::string& Name() const noexcept { return name_; }
  // Raises EComponentError "\"%s\" is not a valid component name" for a name that is not an
  // identifier, and "A component named %s already exists" when the owner already holds one by
  // that name (ignoring case). The empty name is always allowed.
  virtual void SetName(std::string_view newName);
  NativeInt Tag() const noexcept { return tag_; }
  void SetTag(NativeInt v) noexcept { tag_ = v; }
  TComponentState ComponentState() const noexcept { return state_; }
  bool InState(TComponentStateItem s) const noexcept { return state_.Contains(s); }

  // Owned components in creation order.
  int ComponentCount() const noexcept { return static_cast<int>(components_.size()); }
  TComponent* Components(int index) const;
  // Position in the owner's list (-1 without owner); setting it moves the component there.
  int ComponentIndex() const;
  void SetComponentIndex(int index);
  // An owned component by name, ignoring case; null when none (or for the empty name).
  TComponent* FindComponent(std::string_view name) const;

  // Takes the component over from its present owner (checking its name against the others).
  void InsertComponent(TComponent* component);
  // Lets go of an owned component without destroying it.
  void RemoveComponent(TComponent* component);
  // Destroys every owned component, the last created first.
  void DestroyComponents();
  // Marks this component and everything it owns csDestroying.
  void Destroying();

  // Asks to be told (Notification with opRemove) when `component` is destroyed. The link goes
  // both ways and is dropped when either side is destroyed.
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);
  // Told of an insertion or removal; the base drops the free-notification link of a removed
  // component and passes the notice on to every owned component.
  virtual void Notification(TComponent* component, TOperation operation);

  // Loading from resources: the reader parents a nested component through SetParentComponent,
  // then lets it read its block through ReadState (the base reads its properties and nested
  // components), and calls Loaded on every component it read once the whole resource (with its
  // ancestors) is in and references are resolved.
  virtual void ReadState(TReader& reader);
  virtual void Loaded();
  // The component a loaded component is placed in (a control's parent control); the base has none.
  virtual bool HasParent() const { return false; }
  virtual TComponent* GetParentComponent() const { return nullptr; }
  virtual void SetParentComponent(TComponent* parent);
  // The components written under this one, in order. The base gives, for the root being written,
  // every owned component that has no parent; controls add the controls they contain.
  virtual void GetChildren(const TGetChildProc& proc, TComponent* root);

  void SetDesigning(bool value, bool setChildren = true);
  // Marks the component (csUpdating) while it is changed as a whole.
  virtual void Updating();
  virtual void Updated();

  std::string GetNamePath() const override { return name_; }

 protected:
  // Called when the name changes (after validation).
  virtual void ChangeName(std::string_view newName);
  // Checks a rename of an owned component: raises when another one already has the new name.
  virtual void ValidateRename(TComponent* component, std::string_view curName, std::string_view newName);
  virtual void ValidateInsert(TComponent* component);
  virtual void ValidateContainer(TComponent* component);
  // Points the owner's published field of this name at the component (or clears it).
  void SetReference(bool enable);
  void SetLoadingState(bool loading);
  void IncludeState(TComponentStateItem s) noexcept { state_.Include(s); }
  void ExcludeState(TComponentStateItem s) noexcept { state_.Exclude(s); }

 private:
  friend class TResourceLoader;
  friend class TWriterHelper;
  void Insert(TComponent* component);
  void Remove(TComponent* component);
  void NotifyFreeLinks();

  TComponent* owner_ = nullptr;
  std::string name_;
  NativeInt tag_ = 0;
  TComponentState state_;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> freeNotifies_;
  bool freeLinksNotified_ = false;
};

// Learns whether a component is freed while it watches: code that runs a nested message loop (a
// menu, a modal form) checks it before touching the component again.
class TFreeWatch : public TComponent {
 public:
  explicit TFreeWatch(TComponent* watched);
  ~TFreeWatch() override;
  bool Gone() const noexcept { return watched_ == nullptr; }

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TComponent* watched_;
};

// Components: a factory that passes the owner (null when the argument is not a component).
#define FANO_IMPLEMENT_COMPONENT(Cls, Base) FANO_IMPLEMENT_CLASS_OWNED(Cls, Base, TComponent)
