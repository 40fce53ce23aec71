#pragma once
// TfrmSingleComplex: a child form with an overview column on the left (a grid listing every
// document under a tool bar, and an optional top part) beside the main scroll box that a document
// form fills. Its own command shows or hides the overview column. Only document forms derived
// from it are made.
#include "shell/childbase.h"

class TDBGridGx;
class TScrollBox;
class TSplitter;

class TfrmSingleComplex : public TfrmChildBase {
  FANO_CLASS(TfrmSingleComplex)
 public:
  explicit TfrmSingleComplex(TComponent* owner);

  // ---- components of the resource
  TPanel* pnlLeft = nullptr;       // the overview column
  TSplitter* splAllView = nullptr;  // under the column's top part
  TSplitter* splMain = nullptr;     // between the column and the main area
  TScrollBox* scrlbxMain = nullptr;
  TPanel* pnlLeftTop = nullptr;
  TPanel* pnlLeftTopBar = nullptr;
  TPanel* pnlLeftAll = nullptr;
  TDBGridGx* grdAllView = nullptr;  // every document, one row each
  TPanel* pnlAllViewToolBar = nullptr;

  // Shows or hides the column's top part; its splitter collapses to height 0 with it.
  virtual void ShowLeftTop(bool Visible);
  virtual void ShowAllViewToolBar(bool Visible);
  void ApplyColors() override;

  // The command "显示/隐藏总览": toggles the overview column and its splitter.
  void chldcmndCommands0Execute(TObject* sender);

 protected:
  static constexpr int kSplitterSize = 5;
};
