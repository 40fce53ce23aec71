#include "platform/forms/actnlist.h"

#include <algorithm>

#include "platform/forms/forms.h"
#include "platform/forms/imglist.h"
#include "platform/rtl/exceptions.h"

FANO_IMPLEMENT_ABSTRACT(TBasicAction, TComponent)
FANO_IMPLEMENT_COMPONENT(TContainedAction, TBasicAction)
FANO_IMPLEMENT_COMPONENT(TCustomAction, TContainedAction)
FANO_IMPLEMENT_COMPONENT(TAction, TCustomAction)
FANO_IMPLEMENT_COMPONENT(TCustomActionList, TComponent)
FANO_IMPLEMENT_COMPONENT(TActionList, TCustomActionList)

namespace {
std::vector<TCustomActionList*>& Lists() {
  static std::vector<TCustomActionList*> lists;
  return lists;
}
}  // namespace

const std::vector<TCustomActionList*>& ActionLists() { return Lists(); }

// ---- TBasicActionLink -------------------------------------------------------------------------

TBasicActionLink::TBasicActionLink(TObject* client) { AssignClient(client); }

TBasicActionLink::~TBasicActionLink() {
  if (action_) action_->UnRegisterChanges(this);
}

void TBasicActionLink::Change() {
  if (OnChange) OnChange(action_);
}

void TBasicActionLink::SetAction(TBasicAction* value) {
  if (value == action_) return;
  if (action_) action_->UnRegisterChanges(this);
  action_ = value;
  if (value) value->RegisterChanges(this);
}

bool TBasicActionLink::Execute(TComponent* component) {
  if (!action_) return false;
  TBasicAction* a = action_;
  a->SetActionComponent(component);
  bool result;
  try {
    result = a->Execute();
  } catch (...) {
    if (action_ == a) a->SetActionComponent(nullptr);
    throw;
  }
  if (action_ == a) a->SetActionComponent(nullptr);
  return result;
}

bool TBasicActionLink::Update() { return action_ && action_->Update(); }

// ---- TBasicAction -----------------------------------------------------------------------------

TBasicAction::TBasicAction(TComponent* owner) : TComponent(owner) {}

void TBasicAction::BeforeDestruction() {
  TComponent::BeforeDestruction();
  // Clients drop their links (they are told through Notification as well).
  while (!clients_.empty()) {
    TBasicActionLink* link = clients_.back();
    clients_.pop_back();
    link->action_ = nullptr;
  }
}

TBasicAction::~TBasicAction() {
  for (TBasicActionLink* link : clients_) link->action_ = nullptr;
  clients_.clear();
}

bool TBasicAction::Execute() {
  if (onExecute_) {
    onExecute_(this);
    return true;
  }
  return false;
}

bool TBasicAction::Update() {
  if (OnUpdate) {
    OnUpdate(this);
    return true;
  }
  return false;
}

void TBasicAction::SetOnExecute(TNotifyEvent value) {
  onExecute_ = std::move(value);
  for (TBasicActionLink* link : std::vector<TBasicActionLink*>(clients_)) link->SetOnExecute(onExecute_);
  Change();
}

void TBasicAction::RegisterChanges(TBasicActionLink* link) {
  if (link && std::find(clients_.begin(), clients_.end(), link) == clients_.end()) {
    clients_.push_back(link);
    link->action_ = this;
  }
}

void TBasicAction::UnRegisterChanges(TBasicActionLink* link) {
  for (size_t i = 0; i < clients_.size(); ++i)
    if (clients_[i] == link) {
      link->action_ = nullptr;
      clients_.erase(clients_.begin() + static_cast<ptrdiff_t>(i));
      return;
    }
}

void TBasicAction::Change() {
  if (OnChange) OnChange(this);
  for (TBasicActionLink* link : std::vector<TBasicActionLink*>(clients_)) link->Change();
}

// ---- TContainedAction -------------------------------------------------------------------------

void TContainedAction::BeforeDestruction() {
  if (actionList_) actionList_->RemoveAction(this);
  TBasicAction::BeforeDestruction();
}

TContainedAction::~TContainedAction() {
  if (actionList_) actionList_->RemoveAction(this);
}

bool TContainedAction::Execute() {
  if (actionList_ && actionList_->ExecuteAction(this)) return true;
  if (Application && Application->ExecuteAction(this)) return true;
  if (TBasicAction::Execute()) return true;
  return Application && Application->DispatchAction(CM_ACTIONEXECUTE, this);
}

bool TContainedAction::Update() {
  if (actionList_ && actionList_->UpdateAction(this)) return true;
  if (Application && Application->UpdateAction(this)) return true;
  if (TBasicAction::Update()) return true;
  return Application && Application->DispatchAction(CM_ACTIONUPDATE, this);
}

void TContainedAction::SetActionList(TCustomActionList* list) {
  if (list == actionList_) return;
  if (actionList_) actionList_->RemoveAction(this);
  if (list) list->AddAction(this);
}

int TContainedAction::Index() const {
  if (!actionList_) return -1;
  auto& v = actionList_->actions_;
  auto it = std::find(v.begin(), v.end(), this);
  return it == v.end() ? -1 : static_cast<int>(it - v.begin());
}

void TContainedAction::SetIndex(int value) {
  int cur = Index();
  if (cur < 0) return;
  auto& v = actionList_->actions_;
  value = std::clamp(value, 0, static_cast<int>(v.size()) - 1);
  v.erase(v.begin() + cur);
  v.insert(v.begin() + value, this);
}

void TContainedAction::SetCategory(const std::string& value) {
  if (value == category_) return;
  category_ = value;
  if (actionList_ && actionList_->OnChange) actionList_->OnChange(actionList_);
}

TComponent* TContainedAction::GetParentComponent() const { return actionList_; }

void TContainedAction::SetParentComponent(TComponent* parent) {
  if (auto* list = dynamic_cast<TCustomActionList*>(parent)) SetActionList(list);
}

// ---- TCustomAction ----------------------------------------------------------------------------

TCustomAction::TCustomAction(TComponent* owner) : TContainedAction(owner) {}

bool TCustomAction::Execute() {
  if (!enabled_) return false;
  if (autoCheck_) SetChecked(!checked_);
  return TContainedAction::Execute();
}

void TCustomAction::Assign(TPersistent* source) {
  if (auto* a = dynamic_cast<TCustomAction*>(source)) {
    SetAutoCheck(a->autoCheck_);
    SetCaption(a->caption_);
    SetChecked(a->checked_);
    SetEnabled(a->enabled_);
    SetGroupIndex(a->groupIndex_);
    SetHelpContext(a->helpContext_);
    SetHint(a->hint_);
    SetImageIndex(a->imageIndex_);
    SetShortCut(a->shortCut_);
    SetVisible(a->visible_);
    SetOnExecute(a->OnExecute());
    OnHint = a->OnHint;
    OnUpdate = a->OnUpdate;
    return;
  }
  TContainedAction::Assign(source);
}

bool TCustomAction::DoHint(std::string& hintStr) {
  bool result = true;
  if (OnHint) OnHint(hintStr, result);
  return result;
}

namespace {
template <class F>
void ForLinks(std::vector<TBasicActionLink*>& clients, F&& f) {
  for (TBasicActionLink* l : std::vector<TBasicActionLink*>(clients))
    if (auto* al = dynamic_cast<TActionLink*>(l)) f(al);
}
}  // namespace

void TCustomAction::SetAutoCheck(bool v) {
  if (v == autoCheck_) return;
  ForLinks(clients_, [&](TActionLink* l) { l->SetAutoCheck(v); });
  autoCheck_ = v;
  Change();
}

void TCustomAction::SetCaption(const std::string& v) {
  if (v == caption_) return;
  ForLinks(clients_, [&](TActionLink* l) { l->SetCaption(v); });
  caption_ = v;
  Change();
}

void TCustomAction::SetChecked(bool v) {
  if (checking_ || v == checked_) return;
  checking_ = true;
  try {
    ForLinks(clients_, [&](TActionLink* l) { l->SetChecked(v); });
    checked_ = v;
    // Checking one action of a group unchecks the others of the list in that group.
    if (v && groupIndex_ > 0 && ActionList())
      for (int i = 0; i < ActionList()->ActionCount(); ++i)
        if (auto* other = dynamic_cast<TCustomAction*>(ActionList()->Actions(i));
            other && other != this && other->groupIndex_ == groupIndex_)
          other->SetChecked(false);
    Change();
  } catch (...) {
    checking_ = false;
    throw;
  }
  checking_ = false;
}

void TCustomAction::SetEnabled(bool v) {
  if (v == enabled_) return;
  ForLinks(clients_, [&](TActionLink* l) { l->SetEnabled(v); });
  enabled_ = v;
  Change();
}

void TCustomAction::SetGroupIndex(int v) {
  if (v == groupIndex_) return;
  groupIndex_ = v;
  ForLinks(clients_, [&](TActionLink* l) { l->SetGroupIndex(v); });
  Change();
}

void TCustomAction::SetHelpContext(int v) {
  if (v == helpContext_) return;
  ForLinks(clients_, [&](TActionLink* l) { l->SetHelpContext(v); });
  helpContext_ = v;
  Change();
}

void TCustomAction::SetHint(const std::string& v) {
  if (v == hint_) return;
  ForLinks(clients_, [&](TActionLink* l) { l->SetHint(v); });
  hint_ = v;
  Change();
}

void TCustomAction::SetImageIndex(int v) {
  if (v == imageIndex_) return;
  ForLinks(clients_, [&](TActionLink* l) { l->SetImageIndex(v); });
  imageIndex_ = v;
  Change();
}

void TCustomAction::SetShortCut(TShortCut v) {
  if (v == shortCut_) return;
  ForLinks(clients_, [&](TActionLink* l) { l->SetShortCut(v); });
  shortCut_ = v;
  Change();
}

void TCustomAction::SetVisible(bool v) {
  if (v == visible_) return;
  ForLinks(clients_, [&](TActionLink* l) { l->SetVisible(v); });
  visible_ = v;
  Change();
}

// ---- TActionLink ------------------------------------------------------------------------------

TCustomAction* TActionLink::CustomAction() const { return dynamic_cast<TCustomAction*>(action_); }
bool TActionLink::IsCaptionLinked() { return CustomAction() != nullptr; }
bool TActionLink::IsCheckedLinked() { return CustomAction() != nullptr; }
bool TActionLink::IsEnabledLinked() { return CustomAction() != nullptr; }
bool TActionLink::IsGroupIndexLinked() { return CustomAction() != nullptr; }
bool TActionLink::IsHelpContextLinked() { return CustomAction() != nullptr; }
bool TActionLink::IsHintLinked() { return CustomAction() != nullptr; }
bool TActionLink::IsImageIndexLinked() { return CustomAction() != nullptr; }
bool TActionLink::IsShortCutLinked() { return CustomAction() != nullptr; }
bool TActionLink::IsVisibleLinked() { return CustomAction() != nullptr; }

// ---- TCustomActionList ------------------------------------------------------------------------

void TCustomActionList::BeforeDestruction() {
  TComponent::BeforeDestruction();
  auto& lists = Lists();
  lists.erase(std::remove(lists.begin(), lists.end(), this), lists.end());
  while (!actions_.empty()) {
    TContainedAction* a = actions_.back();
    actions_.pop_back();
    a->actionList_ = nullptr;
  }
}

TCustomActionList::~TCustomActionList() {
  auto& lists = Lists();
  lists.erase(std::remove(lists.begin(), lists.end(), this), lists.end());
  for (TContainedAction* a : actions_) a->actionList_ = nullptr;
  actions_.clear();
}

void TCustomActionList::AddAction(TContainedAction* action) {
  if (!action || action->actionList_ == this) return;
  if (action->actionList_) action->actionList_->RemoveAction(action);
  actions_.push_back(action);
  action->actionList_ = this;
  action->FreeNotification(this);
  auto& lists = Lists();
  if (std::find(lists.begin(), lists.end(), this) == lists.end() && !InState(csDestroying)) lists.push_back(this);
  if (OnChange) OnChange(this);
}

void TCustomActionList::RemoveAction(TContainedAction* action) {
  auto it = std::find(actions_.begin(), actions_.end(), action);
  if (it == actions_.end()) return;
  actions_.erase(it);
  action->actionList_ = nullptr;
  if (OnChange && !InState(csDestroying)) OnChange(this);
}

void TCustomActionList::SetImages(TCustomImageList* images) {
  if (images_) images_->RemoveFreeNotification(this);
  images_ = images;
  if (images) images->FreeNotification(this);
}

void TCustomActionList::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == images_) images_ = nullptr;
  if (auto* a = dynamic_cast<TContainedAction*>(component)) RemoveAction(a);
}

void TCustomActionList::GetChildren(const TGetChildProc& proc, TComponent* root) {
  for (TContainedAction* a : actions_)
    if (a->Owner() == root) proc(a);
}

bool TCustomActionList::ExecuteAction(TBasicAction* action) {
  bool handled = false;
  if (OnExecute) OnExecute(action, handled);
  return handled;
}

bool TCustomActionList::UpdateAction(TBasicAction* action) {
  bool handled = false;
  if (OnUpdate) OnUpdate(action, handled);
  return handled;
}

void TCustomActionList::UpdateActions() {
  if (InState(csLoading) || InState(csDestroying)) return;
  for (TContainedAction* a : std::vector<TContainedAction*>(actions_)) a->Update();
}

bool TCustomActionList::IsShortCut(TShortCut shortCut) {
  if (shortCut == 0) return false;
  for (TContainedAction* a : std::vector<TContainedAction*>(actions_)) {
    auto* ca = dynamic_cast<TCustomAction*>(a);
    if (!ca || ca->ShortCut() != shortCut) continue;
    ca->Update();
    if (!ca->Enabled()) return false;
    return ca->Execute();
  }
  return false;
}
