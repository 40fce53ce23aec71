#include "shell/singlecomplex.h"

#include "grid/dbgrid.h"
#include "platform/classes/classreg.h"
#include "platform/classes/published.h"
#include "platform/forms/extctrls.h"
#include "shell/globalvar.h"

FANO_IMPLEMENT_ABSTRACT(TfrmSingleComplex, TfrmChildBase)

FANO_PUBLISHED(TfrmSingleComplex, p) {
  p.Field("pnlLeft", &TfrmSingleComplex::pnlLeft);
  p.Field("splAllView", &TfrmSingleComplex::splAllView);
  p.Field("splMain", &TfrmSingleComplex::splMain);
  p.Field("scrlbxMain", &TfrmSingleComplex::scrlbxMain);
  p.Field("pnlLeftTop", &TfrmSingleComplex::pnlLeftTop);
  p.Field("pnlLeftTopBar", &TfrmSingleComplex::pnlLeftTopBar);
  p.Field("pnlLeftAll", &TfrmSingleComplex::pnlLeftAll);
  p.Field("grdAllView", &TfrmSingleComplex::grdAllView);
  p.Field("pnlAllViewToolBar", &TfrmSingleComplex::pnlAllViewToolBar);
  p.Method("chldcmndCommands0Execute", &TfrmSingleComplex::chldcmndCommands0Execute);
}

TfrmSingleComplex::TfrmSingleComplex(TComponent* owner) : TfrmChildBase(owner) {}

void TfrmSingleComplex::chldcmndCommands0Execute(TObject*) {
  pnlLeft->SetVisible(!pnlLeft->Visible());
  splMain->SetWidth(pnlLeft->Visible() ? kSplitterSize : 0);
  // The column comes back at the left edge, before its splitter.
  if (pnlLeft->Visible()) splMain->SetLeft(pnlLeft->Left() + pnlLeft->Width());
  scrlbxMain->Invalidate();
}

void TfrmSingleComplex::ShowLeftTop(bool Visible) {
  pnlLeftTop->SetVisible(Visible);
  splAllView->SetHeight(Visible ? kSplitterSize : 0);
}

void TfrmSingleComplex::ShowAllViewToolBar(bool Visible) { pnlAllViewToolBar->SetVisible(Visible); }

void TfrmSingleComplex::ApplyColors() {
  TfrmChildBase::ApplyColors();
  const ColorSchemeRecord* scheme = GlobalVar::ColorScheme;
  if (!scheme) return;
  pnlAllViewToolBar->SetParentColor(false);
  pnlAllViewToolBar->SetColor(scheme->ToolBarColor);
  grdAllView->SetColor(scheme->PanelColor);
  splMain->SetColor(scheme->PanelColor);
}
