#pragma once
// TfrmDoubleSimple: the single-complex form with a master/detail layout in its main scroll box:
// a header panel for the master record's editors over a page control whose first page holds the
// detail grid. Only document forms derived from it are made.
#include "shell/singlecomplex.h"

class TCvPageControl;
class TCvTabSheet;
class TFlatPanel;

class TfrmDoubleSimple : public TfrmSingleComplex {
  FANO_CLASS(TfrmDoubleSimple)
 public:
  explicit TfrmDoubleSimple(TComponent* owner);

  // ---- components of the resource
  TCvPageControl* pgcntrl = nullptr;
  TCvTabSheet* tbsht1 = nullptr;
  TFlatPanel* pnlMain = nullptr;  // the master record's header
  TDBGridGx* grdMain = nullptr;   // the detail rows, on tbsht1

  // The inherited colours, the header panel, and the page control with its page, grid and editors.
  void ApplyColors() override;
};
