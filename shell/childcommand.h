#pragma once
// Command sets a child form hands to the host: TChildCommand holds a collection of TCommand items
// (name, caption, hint, free data, shortcut, picture and the OnExecute / OnUpdate events). The host
// reads them through IHostCommandSet / IHostCommand (shell/hostapi.h) and runs a command through
// Execute, which never lets an exception out.
#include <memory>
#include <string>
#include <string_view>

#include "platform/classes/collection.h"
#include "platform/classes/component.h"
#include "platform/forms/actnlist.h"
#include "platform/forms/graphics.h"
#include "shell/hostapi.h"

class TCommand : public TCollectionItem, public IHostCommand {
  FANO_CLASS(TCommand)
 public:
  explicit TCommand(TCollection* collection);
  ~TCommand() override;
  // From another TCommand: picture, texts, shortcut and both events; anything else as the base.
  void Assign(TPersistent* source) override;

  std::string Name() const override { return name_; }
  void SetName(std::string_view v) { name_ = std::string(v); }
  std::string Caption() const override { return caption_; }
  void SetCaption(std::string_view v) { caption_ = std::string(v); }
  std::string Hint() const override { return hint_; }
  void SetHint(std::string_view v) { hint_ = std::string(v); }
  std::string Data() const override { return data_; }
  void SetData(std::string_view v) { data_ = std::string(v); }
  uint16_t ShortCut() const override { return shortCut_; }
  void SetShortCut(TShortCut v) { shortCut_ = v; }
  // Owned; the setter copies the picture (null clears it).
  TBitmap* Bitmap() const noexcept { return bitmap_.get(); }
  void SetBitmap(TBitmap* value);
  bool HasBitmap() const noexcept { return !bitmap_->Empty(); }

  TNotifyEvent OnExecute;
  TNotifyEvent OnUpdate;  // never assigned by the module; the host may run it

  // The host's view.
  HBITMAP BitmapHandle() const override { return bitmap_->Handle(); }
  bool HasExecute() const override { return static_cast<bool>(OnExecute); }
  bool HasUpdate() const override { return static_cast<bool>(OnUpdate); }
  // Run the event with the command as sender; an exception is reported to the host and stops there.
  void Execute() override;
  void Update() override;

 protected:
  std::string GetDisplayName() const override;

 private:
  std::string name_;
  std::string caption_;
  std::string hint_;
  std::string data_;
  TShortCut shortCut_ = 0;
  std::unique_ptr<TBitmap> bitmap_;
};

class TCommands : public TOwnedCollection {
  FANO_CLASS(TCommands)
 public:
  explicit TCommands(TPersistent* owner);
  TCommand* Items(int index) const { return ItemAs<TCommand>(index); }
  TCommand* Add() { return static_cast<TCommand*>(TCollection::Add()); }
  // The command of that name (ignoring case), or null.
  TCommand* Find(std::string_view name) const;

 protected:
  // An unnamed new item becomes "Command<N>", N the smallest number from 1 that no item uses.
  void SetItemName(TCollectionItem* item) override;
};

class TChildCommand : public TComponent, public IHostCommandSet {
  FANO_CLASS(TChildCommand)
 public:
  explicit TChildCommand(TComponent* owner);
  ~TChildCommand() override;

  TCommands* Commands() const noexcept { return commands_.get(); }
  // Copies the items of the given collection; null leaves the set as it is.
  void SetCommands(TCommands* value);

  // The host's view.
  int Count() const override { return commands_->Count(); }
  IHostCommand* Command(int index) override;

 private:
  std::unique_ptr<TCommands> commands_;
};

// Registers the classes with the class registry (the resources name them). Runs at start-up;
// calling it again does nothing.
void RegisterChildCommandClasses();
