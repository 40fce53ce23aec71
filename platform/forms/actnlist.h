#pragma once
// Actions: a command object (caption, hint, enabled, checked, shortcut, image) that controls and
// menu items link to. The link copies the action's properties to its client and forwards every
// later change; executing the client executes the action, which is offered to the action list,
// the application, its own handler and finally the active form's controls (ExecuteAction).
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/classes/component.h"

class TBasicAction;
class TCustomActionList;
class TCustomImageList;

// A key with its modifiers: the virtual-key code plus scShift, scCtrl, scAlt.
using TShortCut = uint16_t;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;
constexpr TShortCut scNone = 0;

// A client's connection to an action.
class TBasicActionLink : public TObject {
 public:
  explicit TBasicActionLink(TObject* client);
  ~TBasicActionLink() override;

  TBasicAction* Action() const noexcept { return action_; }
  virtual void SetAction(TBasicAction* value);
  // Runs the action for the component (its ActionComponent while it runs); false when nothing ran.
  virtual bool Execute(TComponent* component = nullptr);
  virtual bool Update();
  TNotifyEvent OnChange;

 protected:
  friend class TBasicAction;
  virtual void AssignClient(TObject*) {}
  virtual void Change();
  virtual bool IsOnExecuteLinked() { return true; }
  virtual void SetOnExecute(const TNotifyEvent&) {}
  TBasicAction* action_ = nullptr;
};

class TBasicAction : public TComponent {
  FANO_CLASS(TBasicAction)
 public:
  explicit TBasicAction(TComponent* owner);
  ~TBasicAction() override;
  void BeforeDestruction() override;

  // The target protocol: standard actions answer whether they can act on a target and do so.
  virtual bool HandlesTarget(TObject*) { return false; }
  virtual void UpdateTarget(TObject*) {}
  virtual void ExecuteTarget(TObject*) {}
  // Runs OnExecute; true when it was assigned.
  virtual bool Execute();
  // Runs OnUpdate; true when it was assigned.
  virtual bool Update();

  void RegisterChanges(TBasicActionLink* link);
  void UnRegisterChanges(TBasicActionLink* link);
  int ClientCount() const noexcept { return static_cast<int>(clients_.size()); }
  TBasicActionLink* Clients(int i) const { return clients_.at(static_cast<size_t>(i)); }

  TComponent* ActionComponent() const noexcept { return actionComponent_; }
  void SetActionComponent(TComponent* c) noexcept { actionComponent_ = c; }
  const TNotifyEvent& OnExecute() const noexcept { return onExecute_; }
  virtual void SetOnExecute(TNotifyEvent value);
  TNotifyEvent OnUpdate;
  TNotifyEvent OnChange;

 protected:
  virtual void Change();
  std::vector<TBasicActionLink*> clients_;

 private:
  TComponent* actionComponent_ = nullptr;
  TNotifyEvent onExecute_;
};

// An action kept in an action list.
class TContainedAction : public TBasicAction {
  FANO_CLASS(TContainedAction)
 public:
  explicit TContainedAction(TComponent* owner) : TBasicAction(owner) {}
  ~TContainedAction() override;
  void BeforeDestruction() override;

  // The action list first, then the application (and through it the active form's controls), then
  // the own handler.
  bool Execute() override;
  bool Update() override;

  TCustomActionList* ActionList() const noexcept { return actionList_; }
  void SetActionList(TCustomActionList* list);
  int Index() const;
  void SetIndex(int value);
  const std::string& Category() const noexcept { return category_; }
  void SetCategory(const std::string& value);

  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* parent) override;

 private:
  friend class TCustomActionList;
  TCustomActionList* actionList_ = nullptr;
  std::string category_;
};

using THintEvent = std::function<void(std::string& hintStr, bool& canShow)>;

class TCustomAction : public TContainedAction {
  FANO_CLASS(TCustomAction)
 public:
  explicit TCustomAction(TComponent* owner);

  bool Execute() override;
  void Assign(TPersistent* source) override;
  // Asks OnHint (which may change the text or veto the hint).
  virtual bool DoHint(std::string& hintStr);

  bool AutoCheck() const noexcept { return autoCheck_; }
  void SetAutoCheck(bool v);
  const std::string& Caption() const noexcept { return caption_; }
  void SetCaption(const std::string& v);
  bool Checked() const noexcept { return checked_; }
  void SetChecked(bool v);
  bool DisableIfNoHandler() const noexcept { return disableIfNoHandler_; }
  void SetDisableIfNoHandler(bool v) noexcept { disableIfNoHandler_ = v; }
  bool Enabled() const noexcept { return enabled_; }
  void SetEnabled(bool v);
  int GroupIndex() const noexcept { return groupIndex_; }
  void SetGroupIndex(int v);
  int HelpContext() const noexcept { return helpContext_; }
  void SetHelpContext(int v);
  const std::string& Hint() const noexcept { return hint_; }
  void SetHint(const std::string& v);
  int ImageIndex() const noexcept { return imageIndex_; }
  void SetImageIndex(int v);
  TShortCut ShortCut() const noexcept { return shortCut_; }
  void SetShortCut(TShortCut v);
  bool Visible() const noexcept { return visible_; }
  void SetVisible(bool v);
  THintEvent OnHint;

 private:
  bool autoCheck_ = false;
  std::string caption_;
  bool checked_ = false;
  bool checking_ = false;
  bool disableIfNoHandler_ = true;
  bool enabled_ = true;
  int groupIndex_ = 0;
  int helpContext_ = 0;
  std::string hint_;
  int imageIndex_ = -1;
  TShortCut shortCut_ = 0;
  bool visible_ = true;
};

class TAction : public TCustomAction {
  FANO_CLASS(TAction)
 public:
  explicit TAction(TComponent* owner) : TCustomAction(owner) { SetDisableIfNoHandler(true); }
};

// The link of a client that shows a TCustomAction's properties. Each property follows the action
// while it is linked (by default: always).
class TActionLink : public TBasicActionLink {
 public:
  using TBasicActionLink::TBasicActionLink;
  virtual bool IsCaptionLinked();
  virtual bool IsCheckedLinked();
  virtual bool IsEnabledLinked();
  virtual bool IsGroupIndexLinked();
  virtual bool IsHelpContextLinked();
  virtual bool IsHintLinked();
  virtual bool IsImageIndexLinked();
  virtual bool IsShortCutLinked();
  virtual bool IsVisibleLinked();
  virtual void SetAutoCheck(bool) {}
  virtual void SetCaption(const std::string&) {}
  virtual void SetChecked(bool) {}
  virtual void SetEnabled(bool) {}
  virtual void SetGroupIndex(int) {}
  virtual void SetHelpContext(int) {}
  virtual void SetHint(const std::string&) {}
  virtual void SetImageIndex(int) {}
  virtual void SetShortCut(TShortCut) {}
  virtual void SetVisible(bool) {}

 protected:
  TCustomAction* CustomAction() const;
};

using TActionEvent = std::function<void(TBasicAction* action, bool& handled)>;

class TCustomActionList : public TComponent {
  FANO_CLASS(TCustomActionList)
 public:
  explicit TCustomActionList(TComponent* owner) : TComponent(owner) {}
  ~TCustomActionList() override;
  void BeforeDestruction() override;

  // OnExecute / OnUpdate of the list; true when they handled the action.
  virtual bool ExecuteAction(TBasicAction* action);
  virtual bool UpdateAction(TBasicAction* action);
  // Runs OnUpdate of every action (the application does this when idle).
  void UpdateActions();
  // Runs the action whose shortcut matches; true when one did.
  bool IsShortCut(TShortCut shortCut);

  int ActionCount() const noexcept { return static_cast<int>(actions_.size()); }
  TContainedAction* Actions(int i) const { return actions_.at(static_cast<size_t>(i)); }
  TCustomImageList* Images() const noexcept { return images_; }
  void SetImages(TCustomImageList* images);
  void AddAction(TContainedAction* action);
  void RemoveAction(TContainedAction* action);
  void Notification(TComponent* component, TOperation operation) override;
  void GetChildren(const TGetChildProc& proc, TComponent* root) override;

  TActionEvent OnExecute;
  TActionEvent OnUpdate;
  TNotifyEvent OnChange;

 private:
  friend class TContainedAction;
  std::vector<TContainedAction*> actions_;
  TCustomImageList* images_ = nullptr;
};

class TActionList : public TCustomActionList {
  FANO_CLASS(TActionList)
 public:
  explicit TActionList(TComponent* owner) : TCustomActionList(owner) {}
};

// Every action list that is neither loading nor being destroyed (the application updates them).
const std::vector<TCustomActionList*>& ActionLists();
