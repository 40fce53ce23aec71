#include "shell/doublesimple.h"

#include "controls/cvpagecontrol.h"
#include "controls/flatpanel.h"
#include "grid/dbgrid.h"
#include "platform/classes/classreg.h"
#include "platform/classes/published.h"
#include "platform/forms/extctrls.h"
#include "shell/globalvar.h"

FANO_IMPLEMENT_ABSTRACT(TfrmDoubleSimple, TfrmSingleComplex)

FANO_PUBLISHED(TfrmDoubleSimple, p) {
  p.Field("pgcntrl", &TfrmDoubleSimple::pgcntrl);
  p.Field("tbsht1", &TfrmDoubleSimple::tbsht1);
  p.Field("pnlMain", &TfrmDoubleSimple::pnlMain);
  p.Field("grdMain", &TfrmDoubleSimple::grdMain);
}

TfrmDoubleSimple::TfrmDoubleSimple(TComponent* owner) : TfrmSingleComplex(owner) {}

void TfrmDoubleSimple::ApplyColors() {
  TfrmSingleComplex::ApplyColors();
  const ColorSchemeRecord* scheme = GlobalVar::ColorScheme;
  if (!scheme) return;
  pnlMain->SetParentColor(false);
  pnlMain->SetColor(scheme->PanelColor);
  ApplyPageControlColors(scrlbxMain->Color(), scrlbxMain);
}
