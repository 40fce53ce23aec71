#include "platform/classes/component.h"

#include <algorithm>

#include "platform/classes/filer.h"
#include "platform/classes/published.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"

FANO_IMPLEMENT_COMPONENT(TComponent, TPersistent)

// The name is written in the component's header, not as a property.
FANO_PUBLISHED(TComponent, p) {
  p.Property("Name", &TComponent::Name, &TComponent::SetName).Stored(false);
  p.Property("Tag", &TComponent::Tag, &TComponent::SetTag).Default(0);
}

bool IsValidIdent(std::string_view s) noexcept {
  if (s.empty()) return false;
  auto alpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
  if (!alpha(s[0])) return false;
  for (char c : s)
    if (!alpha(c) && !(c >= '0' && c <= '9')) return false;
  return true;
}

TComponent::TComponent(TComponent* owner) {
  if (owner) owner->InsertComponent(this);
}

void TComponent::BeforeDestruction() {
  if (!state_.Contains(csDestroying)) Destroying();
  NotifyFreeLinks();
}

void TComponent::NotifyFreeLinks() {
  if (freeLinksNotified_) return;
  freeLinksNotified_ = true;
  // The last linked first; a notified component usually drops its link (and may drop others).
  for (size_t i = freeNotifies_.size(); i > 0;) {
    --i;
    if (i >= freeNotifies_.size()) {
      i = freeNotifies_.size();
      continue;
    }
    freeNotifies_[i]->Notification(this, opRemove);
  }
}

TComponent::~TComponent() {
  // Deleted without Free(): do now what BeforeDestruction does (the others then see only this
  // base part of the object).
  if (!state_.Contains(csDestroying)) Destroying();
  NotifyFreeLinks();
  for (TComponent* c : freeNotifies_) {
    auto& theirs = c->freeNotifies_;
    theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
  }
  freeNotifies_.clear();
  DestroyComponents();
  if (owner_) owner_->RemoveComponent(this);
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount()) TList::Error("List index out of bounds (%d)", index);
  return components_[index];
}

int TComponent::ComponentIndex() const {
  if (!owner_) return -1;
  auto& list = owner_->components_;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TComponent::SetComponentIndex(int index) {
  if (!owner_) return;
  auto& list = owner_->components_;
  int cur = ComponentIndex();
  if (cur < 0) return;
  index = std::clamp(index, 0, static_cast<int>(list.size()) - 1);
  if (index == cur) return;
  list.erase(list.begin() + cur);
  list.insert(list.begin() + index, this);
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : components_)
    if (SameText(c->name_, name)) return c;
  return nullptr;
}

void TComponent::SetName(std::string_view newName) {
  if (name_ == newName) return;
  if (!newName.empty() && !IsValidIdent(newName))
    throw EComponentError("\"" + std::string(newName) + "\" is not a valid component name");
  if (owner_)
    owner_->ValidateRename(this, name_, newName);
  else
    ValidateRename(nullptr, name_, newName);
  SetReference(false);
  ChangeName(newName);
  SetReference(true);
}

void TComponent::ChangeName(std::string_view newName) { name_.assign(newName); }

void TComponent::ValidateRename(TComponent* component, std::string_view curName, std::string_view newName) {
  if (component && !SameText(curName, newName) && component->owner_ == this && FindComponent(newName))
    throw EComponentError("A component named " + std::string(newName) + " already exists");
}

void TComponent::ValidateInsert(TComponent*) {}

void TComponent::ValidateContainer(TComponent* component) { component->ValidateInsert(this); }

void TComponent::InsertComponent(TComponent* component) {
  if (!component || component->owner_ == this) return;
  // An ownership cycle would destroy its members twice.
  for (TComponent* o = this; o; o = o->owner_)
    if (o == component) throw EComponentError("A component cannot own itself or its owner");
  component->ValidateContainer(this);
  // A name that clashes here is refused before anything changes.
  if (!component->name_.empty() && FindComponent(component->name_))
    throw EComponentError("A component named " + component->name_ + " already exists");
  if (component->owner_) component->owner_->RemoveComponent(component);
  Insert(component);
  component->SetReference(true);
  if (state_.Contains(csDesigning)) component->SetDesigning(true);
  Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  if (!component || component->owner_ != this) return;
  Notification(component, opRemove);
  component->SetReference(false);
  Remove(component);
}

void TComponent::Insert(TComponent* component) {
  components_.push_back(component);
  component->owner_ = this;
}

void TComponent::Remove(TComponent* component) {
  components_.erase(std::remove(components_.begin(), components_.end(), component), components_.end());
  component->owner_ = nullptr;
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    TComponent* c = components_.back();
    // Taken out first, so that its removal notice does not reach it through this list again.
    Remove(c);
    c->Free();
  }
}

void TComponent::Destroying() {
  if (state_.Contains(csDestroying)) return;
  state_.Include(csDestroying);
  for (TComponent* c : components_) c->Destroying();
}

void TComponent::FreeNotification(TComponent* component) {
  if (!component || component == this) return;
  if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) == freeNotifies_.end()) {
    freeNotifies_.push_back(component);
    component->FreeNotification(this);
  }
  state_.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  if (!component) return;
  auto it = std::find(freeNotifies_.begin(), freeNotifies_.end(), component);
  if (it == freeNotifies_.end()) return;
  freeNotifies_.erase(it);
  component->RemoveFreeNotification(this);
  if (freeNotifies_.empty()) state_.Exclude(csFreeNotification);
}

void TComponent::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component) RemoveFreeNotification(component);
  // An owned component that goes while this one is destroyed (a data set freeing its fields) is
  // not announced to the others that go along with it: they can no longer act on it, and telling
  // each of them about each other one grows with the square of their number. What they linked to
  // with FreeNotification they still hear of; those that stay are told.
  // (Marked alone does not tell: a component taken out of a destroying owner keeps the mark.)
  const bool together = operation == opRemove && component && component->owner_ == this &&
                        state_.Contains(csDestroying) && component->freeLinksNotified_;
  // The last owned first; a component told may destroy others, so the index is re-checked.
  for (size_t i = components_.size(); i > 0;) {
    --i;
    if (i >= components_.size()) {
      i = components_.size();
      continue;
    }
    TComponent* c = components_[i];
    if (together && c->state_.Contains(csDestroying)) continue;
    c->Notification(component, operation);
  }
}

void TComponent::ReadState(TReader& reader) { reader.ReadData(this); }

void TComponent::Loaded() { state_.Exclude(csLoading); }

void TComponent::SetParentComponent(TComponent*) {}

void TComponent::GetChildren(const TGetChildProc& proc, TComponent* root) {
  if (root != this) return;
  for (TComponent* c : std::vector<TComponent*>(components_))
    if (!c->HasParent()) proc(c);
}

void TComponent::SetDesigning(bool value, bool setChildren) {
  if (value)
    state_.Include(csDesigning);
  else
    state_.Exclude(csDesigning);
  if (setChildren)
    for (TComponent* c : components_) c->SetDesigning(value, true);
}

void TComponent::Updating() { state_.Include(csUpdating); }
void TComponent::Updated() { state_.Exclude(csUpdating); }

void TComponent::SetLoadingState(bool loading) {
  if (loading)
    state_ += TComponentState{csLoading, csReading};
  else
    state_ -= TComponentState{csLoading, csReading};
}

void TComponent::SetReference(bool enable) {
  // While the owner is being destroyed its own part may already be gone: leave its fields alone.
  if (!owner_ || name_.empty() || owner_->state_.Contains(csDestroying)) return;
  SetPublishedField(owner_, name_, enable ? this : nullptr);
}

TFreeWatch::TFreeWatch(TComponent* watched) : TComponent(nullptr), watched_(watched) {
  if (watched) watched->FreeNotification(this);
}

TFreeWatch::~TFreeWatch() {
  if (watched_) watched_->RemoveFreeNotification(this);
}

void TFreeWatch::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == watched_) watched_ = nullptr;
}
