#include "shell/childcommand.h"

#include <climits>

#include "platform/classes/classreg.h"
#include "platform/classes/published.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"
#include "shell/globalvar.h"

FANO_IMPLEMENT_ITEM(TCommand, TCollectionItem)
FANO_IMPLEMENT_ABSTRACT(TCommands, TOwnedCollection)
FANO_IMPLEMENT_COMPONENT(TChildCommand, TComponent)

FANO_PUBLISHED(TCommand, p) {
  p.Property("Bitmap", &TCommand::Bitmap, &TCommand::SetBitmap).Stored(&TCommand::HasBitmap);
  p.Property("Caption", &TCommand::Caption, &TCommand::SetCaption);
  p.Property("Hint", &TCommand::Hint, &TCommand::SetHint);
  p.Property("Data", &TCommand::Data, &TCommand::SetData);
  p.Property("Name", &TCommand::Name, &TCommand::SetName);
  p.Property("ShortCut", &TCommand::ShortCut, &TCommand::SetShortCut).Default(0);
  p.Property("OnExecute", &TCommand::OnExecute);
  p.Property("OnUpdate", &TCommand::OnUpdate);
}

FANO_PUBLISHED(TChildCommand, p) {
  p.Property("Commands", &TChildCommand::Commands, &TChildCommand::SetCommands);
}

// ---- TCommand ---------------------------------------------------------------------------------

TCommand::TCommand(TCollection* collection) : TCollectionItem(collection), bitmap_(std::make_unique<TBitmap>()) {}

TCommand::~TCommand() = default;

void TCommand::Assign(TPersistent* source) {
  auto* src = dynamic_cast<TCommand*>(source);
  if (!src) {
    TCollectionItem::Assign(source);
    return;
  }
  bitmap_->Assign(src->bitmap_.get());
  caption_ = src->caption_;
  hint_ = src->hint_;
  data_ = src->data_;
  name_ = src->name_;
  shortCut_ = src->shortCut_;
  OnExecute = src->OnExecute;
  OnUpdate = src->OnUpdate;
}

void TCommand::SetBitmap(TBitmap* value) {
  if (value)
    bitmap_->Assign(value);
  else
    bitmap_->SetHandle(nullptr);
}

std::string TCommand::GetDisplayName() const {
  return name_.empty() ? TCollectionItem::GetDisplayName() : name_;
}

namespace {
void RunGuarded(TCommand* command, const TNotifyEvent& event) noexcept {
  if (!event) return;
  try {
    TNotifyEvent run = event;  // the handler may reassign the command's events
    run(command);
  } catch (...) {
    ReportHostException();
  }
}
}  // namespace

void TCommand::Execute() { RunGuarded(this, OnExecute); }
void TCommand::Update() { RunGuarded(this, OnUpdate); }

// ---- TCommands --------------------------------------------------------------------------------

TCommands::TCommands(TPersistent* owner) : TOwnedCollection(owner, TCommand::StaticClass()) {}

TCommand* TCommands::Find(std::string_view name) const {
  for (int i = Count() - 1; i >= 0; --i)
    if (AnsiSameText(Items(i)->Name(), name)) return Items(i);
  return nullptr;
}

void TCommands::SetItemName(TCollectionItem* item) {
  auto* command = dynamic_cast<TCommand*>(item);
  if (!command || !command->Name().empty()) return;
  int n = 1;
  while (n < INT_MAX && Find("Command" + std::to_string(n))) ++n;
  command->SetName("Command" + std::to_string(n));
}

// ---- TChildCommand ----------------------------------------------------------------------------

TChildCommand::TChildCommand(TComponent* owner) : TComponent(owner), commands_(std::make_unique<TCommands>(this)) {}

TChildCommand::~TChildCommand() = default;

void TChildCommand::SetCommands(TCommands* value) {
  if (value && value != commands_.get()) commands_->Assign(value);
}

IHostCommand* TChildCommand::Command(int index) {
  if (index < 0 || index >= commands_->Count()) return nullptr;
  return commands_->Items(index);
}

void RegisterChildCommandClasses() { RegisterClasses({TChildCommand::StaticClass(), TCommand::StaticClass()}); }

namespace {
const bool registered = (RegisterChildCommandClasses(), true);
}
