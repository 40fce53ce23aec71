// How records lie on the grid's rows: title, data and footer heights, the two data modes
// (the data link's buffered window, or every row of a memory table), the vertical and horizontal
// scroll bars, cell areas, reading a row for painting, and the plain cell painter.
#include <algorithm>
#include <map>

#include "grid/celltext.h"
#include "grid/dbgrid.h"
#include "grid/inplaceedit.h"
#include "editors/gxdraw.h"

FANO_IMPLEMENT_CLASS_WITH(TDBGridGxScrollBar, TPersistent, nullptr)
FANO_IMPLEMENT_CLASS_WITH(TVertDBGridGxScrollBar, TDBGridGxScrollBar, nullptr)
FANO_IMPLEMENT_CLASS_WITH(TDBGridGxIndicatorTitle, TPersistent, nullptr)

// ---------------------------------------------------------------- settings objects

namespace {
// Bars hooked by a grid's settings object; another grid may not take one of them.
std::map<TScrollBar*, TDBGridGxScrollBar*>& HookedScrollBars() {
  static std::map<TScrollBar*, TDBGridGxScrollBar*> bars;
  return bars;
}
}  // namespace

TDBGridGxScrollBar::~TDBGridGxScrollBar() { Unhook(); }

void TDBGridGxScrollBar::Assign(TPersistent* source) {
  auto* src = dynamic_cast<TDBGridGxScrollBar*>(source);
  if (!src) {
    TPersistent::Assign(source);
    return;
  }
  SetVisible(src->Visible());
  tracking_ = src->tracking_;
  SetExtScrollBar(src->extScrollBar_);
}

void TDBGridGxScrollBar::Unhook() {
  if (!extScrollBar_) return;
  auto it = HookedScrollBars().find(extScrollBar_);
  if (it != HookedScrollBars().end() && it->second == this) {
    extScrollBar_->SetWindowProc(savedProc_);
    HookedScrollBars().erase(it);
  }
  savedProc_ = nullptr;
  extScrollBar_ = nullptr;
}

void TDBGridGxScrollBar::ExtScrollBarFreed() {
  auto it = HookedScrollBars().find(extScrollBar_);
  if (it != HookedScrollBars().end() && it->second == this) HookedScrollBars().erase(it);
  savedProc_ = nullptr;
  extScrollBar_ = nullptr;
}

void TDBGridGxScrollBar::HookProc(TMessage& m) {
  if (m.Msg == CN_HSCROLL || m.Msg == CN_VSCROLL)
    grid_->Perform(kind_ == SB_HORZ ? WM_HSCROLL : WM_VSCROLL, m.WParam, 0);
  TWndMethod own = savedProc_;  // the grid may let go of the bar while handling the message
  if (own) own(m);
}

void TDBGridGxScrollBar::SetExtScrollBar(TScrollBar* value) {
  if (value == extScrollBar_) return;
  const bool design = grid_->InState(csDesigning);
  if (value && !design) {
    auto it = HookedScrollBars().find(value);
    if (it != HookedScrollBars().end() && it->second != this)
      throw Exception("Possible " + value->Name() + " already attached to the other control.");
  }
  Unhook();
  extScrollBar_ = value;
  if (value) {
    value->FreeNotification(grid_);
    if (!design) {
      savedProc_ = value->WindowProc();
      HookedScrollBars()[value] = this;
      value->SetWindowProc([this](TMessage& m) { HookProc(m); });
    }
    value->SetVisible(Visible());
  }
  if (grid_->InState(csDestroying)) return;
  if (grid_->HandleAllocated()) {
    if (kind_ == SB_VERT) grid_->UpdateVertScrollBar();
    else grid_->UpdateHorzScrollBar();
  }
  grid_->LayoutChanged();
}

void TDBGridGxScrollBar::SetVisible(bool value) {
  SetVisibleMode(value ? sbAutoShowGx : sbNeverShowGx);
  if (extScrollBar_) extScrollBar_->SetVisible(value);
}

void TDBGridGxScrollBar::SetVisibleMode(TScrollBarVisibleModeGx value) {
  if (value == visibleMode_) return;
  visibleMode_ = value;
  if (grid_->InState(csDestroying)) return;
  if (kind_ == SB_VERT) grid_->UpdateVertScrollBar();
  grid_->LayoutChanged();
}

bool TDBGridGxScrollBar::GetScrollInfo(SCROLLINFO& info) const {
  if (extScrollBar_) return extScrollBar_->HandleAllocated() && ::GetScrollInfo(extScrollBar_->WindowHandle(), SB_CTL, &info);
  return grid_->HandleAllocated() && ::GetScrollInfo(grid_->WindowHandle(), kind_, &info);
}

bool TDBGridGxScrollBar::IsScrollBarShowing() const {
  if (extScrollBar_) return extScrollBar_->Visible();
  if (!Visible() || !grid_->HandleAllocated()) return false;
  const LONG style = GetWindowLong(grid_->WindowHandle(), GWL_STYLE);
  return (style & (kind_ == SB_HORZ ? WS_HSCROLL : WS_VSCROLL)) != 0;
}

void TDBGridGxIndicatorTitle::Assign(TPersistent* source) {
  auto* src = dynamic_cast<TDBGridGxIndicatorTitle*>(source);
  if (!src) {
    TPersistent::Assign(source);
    return;
  }
  SetDropdownMenu(src->dropdownMenu_);
  SetShowDropDownSign(src->showDropDownSign_);
  titleButton_ = src->titleButton_;
  useGlobalMenu_ = src->useGlobalMenu_;
}

void TDBGridGxIndicatorTitle::SetDropdownMenu(TPopupMenu* value) {
  dropdownMenu_ = value;
  if (value && grid_) value->FreeNotification(grid_);
}

void TDBGridGxIndicatorTitle::SetShowDropDownSign(bool value) {
  if (value == showDropDownSign_) return;
  showDropDownSign_ = value;
  if (grid_) grid_->InvalidateCell(0, 0);
}

// ---------------------------------------------------------------- sizes

int TCustomDBGridGx::GetTitleOffset() const { return TitleRowCount() + (IsFilterRowVisible() ? 1 : 0); }

// The indicator column is as wide as its mark, 11 pixels.
int TCustomDBGridGx::IndicatorWidth() const {
  if (IndicatorOffset() == 0) return 0;
  int w = 0;
  if (dbOptions_.Contains(dgIndicator)) w = 11;
  // Room for the record numbers: as many digits as the record count has, one point smaller.
  TDataSet* ds = DataSet();
  if (optionsGx_.Contains(dghShowRecNo) && dataLink_ && dataLink_->Active() && ds && ds->IsSequenced()) {
    const int count = memTable_ ? memTable_->GetRowCount() : ds->RecordCount();
    const std::string zeros(std::to_string(std::max(1, count)).size(), '0');
    TMeasureCanvas bmp;
    bmp.Canvas()->Font()->Assign(Font());
    bmp.Canvas()->Font()->SetSize(Font()->Size() - 1);
    // Beside the current-row mark the numbers keep a margin of their own and a gap to it, so that
    // "1" and the arrow never run together.
    const int beside = dbOptions_.Contains(dgIndicator) ? kRecNoMarkWidth + 3 : 2;
    w = std::max(w, bmp.Canvas()->TextWidth(zeros) + 2 + beside);
  }
  return std::max(11, w);
}

// The room a data row takes beyond its text: the margins and, with row lines, the line.
int TCustomDBGridGx::RowExtra() const {
  return (Flat() ? 1 : 3) + (dbOptions_.Contains(dgRowLines) ? GridLineWidth() : 0);
}

int TCustomDBGridGx::DefaultTextRowHeight() const {
  TMeasureCanvas bmp;
  bmp.Canvas()->Font()->Assign(Font());
  return bmp.Canvas()->TextHeight("Wg") + RowExtra();
}

void TCustomDBGridGx::RowHeightsChanged() {
  TCustomGridGx::RowHeightsChanged();
  // Only a row the user just sized; heights fitted to each record keep their own.
  if (GridState() != gsRowSizing || optionsGx_.Contains(dghAutoFitRowHeight) || destroying_) return;
  for (int r = GetTitleOffset(); r < RowCount(); ++r) {
    const int h = GetRowHeights(r);
    if (h == dataRowHeight_) continue;
    rowLines_ = 0;
    SetRowHeight(h);
    break;
  }
  UpdateVertScrollBar();
}

void TCustomDBGridGx::CalcDataRowHeight() {
  int h = DefaultTextRowHeight();
  // Lines of text and pixels add up: RowLines lines with RowHeight pixels beyond them.
  if (rowHeight_ > 0 || rowLines_ > 0) {
    TMeasureCanvas bmp;
    bmp.Canvas()->Font()->Assign(Font());
    TEXTMETRICW tm{};
    GetTextMetricsW(bmp.Canvas()->Handle(), &tm);
    h = (tm.tmHeight + tm.tmExternalLeading) * std::max(0, rowLines_) + std::max(0, rowHeight_);
  }
  // Fitted to the text: whole lines, rounded down while the rest is at most half a line; an unset
  // height is fitted too, so the settings read as the one line and margins the row shows.
  if (optionsGx_.Contains(dghFitRowHeightToText)) {
    TMeasureCanvas bmp;
    bmp.Canvas()->Font()->Assign(Font());
    const int line = std::max(1, bmp.Canvas()->TextHeight("Wg"));
    const int extra = RowExtra();
    const int body = std::max(0, h - extra);
    int lines = body / line;
    if (body % line > line / 2 || lines < 1) ++lines;
    rowLines_ = lines;
    rowHeight_ = extra;
    h = lines * line + extra;
  }
  dataRowHeight_ = h;
}

void TCustomDBGridGx::CalcTitleHeight() {
  if (!dbOptions_.Contains(dgTitles)) {
    titleRowHeight_ = 0;
    return;
  }
  TMeasureCanvas bmp;
  TCanvas* c = bmp.Canvas();
  c->Font()->Assign(titleFont_.get());
  int line = c->TextHeight("Wg");
  TEXTMETRICW tm{};
  GetTextMetricsW(c->Handle(), &tm);
  // A column's own larger title font makes the row taller.
  if (columns_)
    for (int i = 0; i < columns_->Count(); ++i) {
      c->Font()->Assign(columns_->Items(i)->Title()->Font());
      const int h = c->TextHeight("Wg");
      if (h > line) GetTextMetricsW(c->Handle(), &tm);
      line = std::max(line, h);
    }
  int h = line + (Flat() ? 1 : 3);
  // Lines of the title font and pixels add up, so that TitleHeight never cuts the lines asked for.
  if (titleLines_ > 0 || titleHeight_ > 0)
    h = std::max(0, titleLines_) * tm.tmHeight + tm.tmExternalLeading + 2 + std::max(0, titleHeight_) +
        (dbOptions_.Contains(dgRowLines) ? 1 : 0);
  bool treeCurrent = useMultiTitle_ && columns_ && columns_->Count() > 0 &&
                     leaves_.size() == static_cast<size_t>(columns_->Count());
  for (int i = 0; treeCurrent && i < columns_->Count(); ++i)
    treeCurrent = leaves_[static_cast<size_t>(i)] && leaves_[static_cast<size_t>(i)]->Column == columns_->Items(i);
  if (treeCurrent) {
    // The measured tree; its last band's bottom line is the row's own.
    h = std::max(h, MeasureTitleTree() - (optionsGx_.Contains(dghFixed3D) ? 1 : 3));
  } else if (useMultiTitle_ && columns_) {
    int levels = 1;
    for (int i = 0; i < columns_->Count(); ++i) {
      const std::string cap = columns_->Items(i)->Title()->Caption();
      int n = 0;
      while (DBGridWordPosition(n + 1, cap) != 0) ++n;
      levels = std::max(levels, n);
    }
    h = std::max(h, (levels - 1) * 20 + line + vTitleMargin_ / 2);
  }
  if (titleImages_) h = std::max(h, titleImages_->Height() + 4);
  titleRowHeight_ = h;
}

// ---------------------------------------------------------------- rows

void TCustomDBGridGx::UpdateRowCount() {
  if (!dataLink_ || destroying_) return;
  if (memTable_) UpdateRowCountMemTable();
  else UpdateRowCountBuffer();
}

void TCustomDBGridGx::UpdateRowCountBuffer() {
  const int oldRows = RowCount();
  const int offset = GetTitleOffset();
  if (RowCount() <= offset) {
    if (Row() > offset) MoveColRow(Col(), offset, true, false);
    SetRowCount(offset + 1);
  }
  if (FixedRows() != offset) SetFixedRows(offset);
  const int lw = LineWidth();
  int fixedHeight = 0;
  if (dbOptions_.Contains(dgTitles)) fixedHeight += titleRowHeight_ + lw;
  fixedHeight += (offset - TitleRowCount()) * RowStep();
  if (footerRowCount_ > 0) fixedHeight += footerRowCount_ * RowStep() + lw;
  if (DefaultRowHeight() != dataRowHeight_ || HasRowHeights()) SetDefaultRowHeight(dataRowHeight_);
  if (dbOptions_.Contains(dgTitles)) SetRowHeights(0, titleRowHeight_);
  if (dataLink_->Active() && HandleAllocated()) {
    const int rows = std::max(1, (ClientHeight() - fixedHeight) / std::max(1, RowStep()));
    dataLink_->SetBufferCount(rows);
    SetRowCount(offset + std::max(1, dataLink_->RecordCount()));
    if (ContraRowCount() != footerRowCount_) SetContraRowCount(footerRowCount_);
    MoveCurrentToRecord();
  } else {
    SetRowCount(offset + 1);
    if (ContraRowCount() != footerRowCount_) SetContraRowCount(footerRowCount_);
  }
  if (RowCount() != oldRows) Invalidate();
}

void TCustomDBGridGx::UpdateRowCountMemTable() {
  const int offset = GetTitleOffset();
  const int records = memTable_->GetRowCount();
  const int wanted = offset + std::max(1, records);
  if (RowCount() != wanted) SetRowCount(wanted);
  if (FixedRows() != offset) SetFixedRows(offset);
  if (ContraRowCount() != footerRowCount_) SetContraRowCount(footerRowCount_);
  if (DefaultRowHeight() != dataRowHeight_) SetDefaultRowHeight(dataRowHeight_);
  if (dbOptions_.Contains(dgTitles) && GetRowHeights(0) != titleRowHeight_) SetRowHeights(0, titleRowHeight_);
  ClampTopRow();
  MoveCurrentToRecord();
  FetchVisibleRecords();
}

// Brings the grid's current row in line with the dataset's current record.
void TCustomDBGridGx::MoveCurrentToRecord() {
  if (!dataLink_->Active() || inSelectCell_ || inRowNotice_) return;
  int row;
  if (memTable_) row = GetTitleOffset() + std::max(0, memTable_->GetCurrentRowIndex());
  else row = GetTitleOffset() + dataLink_->ActiveRecord();
  row = std::clamp(row, FixedRows(), RowCount() - 1);
  if (row != Row() && row >= FixedRows()) {
    if (inplaceSearching_ && !searchLocating_) StopInplaceSearch();
    InvalidateRow(Row());
    MoveColRow(std::max(Col(), FixedCols()), row, true, true);
    InvalidateRow(row);
    if (!dbOptions_.Contains(dgAlwaysShowEditor)) HideEditor();
  }
}

int TCustomDBGridGx::LastTopRow() const {
  TGridDrawInfo info;
  CalcDrawInfo(info);
  const TGridCoord maxTl = CalcMaxTopLeft(TGridCoord{LeftCol(), RowCount() - 1}, info);
  return std::max(FixedRows(), maxTl.Y);
}

void TCustomDBGridGx::ClampTopRow() {
  if (!HandleAllocated()) return;
  const int last = LastTopRow();
  if (TopRow() > last) SetTopRow(last);
}

int TCustomDBGridGx::ScrollToRow(int row, bool onlyCompute) {
  row = std::clamp(row, FixedRows(), std::max(FixedRows(), RowCount() - 1));
  row = std::min(row, LastTopRow());
  if (!onlyCompute && row != TopRow()) {
    SetTopRow(row);
    UpdateVertScrollBar();
    Invalidate();
  }
  return row;
}

void TCustomDBGridGx::FetchVisibleRecords() {
  if (!memTable_ || fetching_ || !HandleAllocated()) return;
  fetching_ = true;
  struct Reset {
    bool& f;
    ~Reset() { f = false; }
  } reset{fetching_};
  TGridDrawInfo info;
  CalcDrawInfo(info);
  const int gap = info.Vert.ClientExtent - info.Vert.GridExtent;
  if (gap > 0) memTable_->FetchRecords(gap / std::max(1, dataRowHeight_) + 1);
  else if (info.Vert.LastFullVisibleCell == RowCount() - 1) memTable_->FetchRecords(1);
}

int TCustomDBGridGx::VisibleDataRowCount() const {
  return std::max(1, GetVisibleRowCount());
}

void TCustomDBGridGx::RegisterMemTable() {
  IMemTableGx* table = nullptr;
  TDataSet* ds = DataSet();
  if (dataLink_ && dataLink_->Active() && ds && !ds->InState(csDestroying)) table = dynamic_cast<IMemTableGx*>(ds);
  if (table == memTable_) return;
  if (memTable_) memTable_->UnregisterClient(this);
  memTable_ = table;
  // A record being inserted already was not announced to this grid.
  noticedInsertRow_ = table && ds->State() == dsInsert ? -2 : -1;
  memTableDataSet_ = table ? ds : nullptr;
  if (memTable_) {
    memTable_->RegisterClient(this);
    ds->FreeNotification(this);
  }
}

// ---------------------------------------------------------------- reading a row

int TCustomDBGridGx::CurrentDataRow() {
  if (memTable_) return memTable_->GetCurrentRowIndex();
  return dataLink_->ActiveRecord();
}

bool TCustomDBGridGx::IsCurrentRecordRow(int row) {
  if (!dataLink_->Active()) return row == Row();
  return row - GetTitleOffset() == CurrentDataRow();
}

void TCustomDBGridGx::BeginRowRead(int row) {
  const int record = row - GetTitleOffset();
  if (memTable_) {
    memTable_->InstantReadEnter(record);
  } else {
    if (rowReadDepth_ == 0) savedActiveRecord_ = dataLink_->ActiveRecord();
    dataLink_->SetActiveRecord(record);
  }
  ++rowReadDepth_;
}

void TCustomDBGridGx::EndRowRead() {
  if (rowReadDepth_ == 0) return;
  --rowReadDepth_;
  if (memTable_) memTable_->InstantReadLeave();
  else if (rowReadDepth_ == 0) dataLink_->SetActiveRecord(savedActiveRecord_);
}

int TCustomDBGridGx::RowOfRecordBookmark(const std::string& bookmark) {
  TDataSet* ds = DataSet();
  if (bookmark.empty() || !ds || !dataLink_->Active() || ds->IsEmpty()) return -1;
  if (memTable_) {
    const int record = memTable_->BookmarkToRowIndex(bookmark);
    return record < 0 ? -1 : record + GetTitleOffset();
  }
  for (int record = 0; record < dataLink_->RecordCount(); ++record)
    if (RowBookmark(record + GetTitleOffset()) == bookmark) return record + GetTitleOffset();
  return -1;
}

int TCustomDBGridGx::RowOfMemoryRecord(const TMemoryRecordGx* record, int nearRow) {
  if (!memTable_ || !record || !dataLink_->Active()) return -1;
  const int count = memTable_->GetRowCount();
  for (int row : {nearRow, nearRow - 1, nearRow + 1}) {
    if (row < GetTitleOffset() || row - GetTitleOffset() >= count) continue;
    BeginRowRead(row);
    const bool found = memTable_->GetActiveMemoryRecord() == record;
    EndRowRead();
    if (found) return row;
  }
  return -1;
}

std::string TCustomDBGridGx::RowBookmark(int row) {
  TDataSet* ds = DataSet();
  const int record = row - GetTitleOffset();
  if (!ds || !dataLink_->Active() || record < 0 || ds->IsEmpty()) return {};
  if (memTable_) {
    if (record >= memTable_->GetRowCount()) return {};
  } else if (record >= dataLink_->RecordCount()) {
    return {};
  }
  BeginRowRead(row);
  std::string bm;
  try {
    bm = ds->Bookmark();
  } catch (...) {
    EndRowRead();
    throw;
  }
  EndRowRead();
  return bm;
}

// ---------------------------------------------------------------- areas

TGridRect TCustomDBGridGx::GetDataCellBounds() const {
  return TGridRect{IndicatorOffset(), GetTitleOffset(), ColCount() - 1, RowCount() - 1};
}

TCellTypeGx TCustomDBGridGx::GetCellType(int col, int row) const {
  TCellTypeGx t;
  const int ind = IndicatorOffset();
  t.DataColumn = col >= ind;
  t.DataCol = t.DataColumn ? col - ind : col;
  const TGridRect b = GetDataCellBounds();
  if (row >= 0 && row < TitleRowCount()) {
    t.Area = caTitle;
    t.Index = row;
  } else if (row >= TitleRowCount() && row < GetTitleOffset()) {
    t.Area = caSubTitle;
    t.Index = row - TitleRowCount();
  } else if (row >= b.Top && row <= b.Bottom) {
    t.Area = caData;
    t.Index = row - GetTitleOffset();
  } else if (row > b.Bottom && row < FullRowCount()) {
    t.Area = caFooter;
    t.Index = row - b.Bottom - 1;
  } else {
    // Nor are rows past the footers cells of the grid.
    throw Exception("Algorithm error in TCustomDBGridGx.GetCellType");
  }
  return t;
}

// ---------------------------------------------------------------- scroll bars

void TCustomDBGridGx::SendVertScrollInfo(const TScrollValues& v, bool haveRange) {
  if (!HandleAllocated()) return;
  HWND wnd = WindowHandle();
  const TScrollBarVisibleModeGx mode = vertScrollBar_->VisibleMode();
  SCROLLINFO si{};
  si.cbSize = sizeof(si);
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMin = v.Min;
  si.nMax = haveRange ? v.Max : v.Min;
  si.nPage = static_cast<UINT>(std::max(0, v.Page));
  si.nPos = v.Pos;
  const bool nothingToScroll = si.nMax - si.nMin <= static_cast<int>(si.nPage) || si.nMax <= si.nMin;
  if (mode == sbAlwaysShowGx && !vertScrollBar_->ExtScrollBar() && vertScrollBar_->Visible()) {
    si.fMask |= SIF_DISABLENOSCROLL;
    ShowScrollBar(wnd, SB_VERT, TRUE);
    if (nothingToScroll) EnableScrollBar(wnd, SB_VERT, ESB_DISABLE_BOTH);
    vertBarShown_ = true;
  } else if (mode == sbNeverShowGx || !haveRange || nothingToScroll) {
    if (vertBarShown_) ShowScrollBar(wnd, SB_VERT, FALSE);
    vertBarShown_ = false;
    lastVertMode_ = mode;
    return;
  } else if (!vertBarShown_) {
    ShowScrollBar(wnd, SB_VERT, TRUE);
    vertBarShown_ = true;
  }
  lastVertMode_ = mode;
  SetScrollInfo(wnd, SB_VERT, &si, TRUE);
}

void TCustomDBGridGx::UpdateVertScrollBar() {
  if (!dataLink_ || destroying_) return;
  if (memTable_) UpdateVertScrollBarMemTable();
  else UpdateVertScrollBarBuffer();
}

void TCustomDBGridGx::UpdateVertScrollBarBuffer() {
  if (!HandleAllocated()) return;
  TScrollValues v{0, 1, 2, 0};
  TDataSet* ds = DataSet();
  if (dataLink_->Active() && ds && ds->Active()) {
    // The sum list knows the records by number also when the data set does not (virtual records).
    TDBGridGxSumList* sums = sumList_ && sumList_->DataSet() == ds ? sumList_.get() : nullptr;
    if (sums ? sums->IsSequenced() : ds->IsSequenced()) {
      v.Min = 1;
      v.Page = std::max(1, dataLink_->RecordCount());
      v.Max = (sums ? sums->GetRecordCount() : ds->RecordCount()) + v.Page - 1;
      v.Pos = ds->State() < dsInsert ? (sums ? sums->GetRecNo() : ds->RecNo()) : vertValues_.Pos;
    } else {
      v.Min = 0;
      v.Page = 0;
      v.Max = 4;
      v.Pos = ds->Bof() ? 0 : ds->Eof() ? 4 : 2;
    }
  }
  const bool own = vertScrollBar_->Visible() && !vertScrollBar_->ExtScrollBar();
  const bool changed = !(v == vertValues_) || lastVertMode_ != vertScrollBar_->VisibleMode();
  vertValues_ = v;
  if (changed) SendVertScrollInfo(v, own);
  if (TScrollBar* ext = vertScrollBar_->ExtScrollBar()) {
    ext->SetPageSize(0);
    ext->SetParams(v.Pos, std::min(v.Min, v.Max), v.Max);
    ext->SetPageSize(v.Page);
  }
}

void TCustomDBGridGx::UpdateVertScrollBarMemTable() {
  if (!HandleAllocated()) return;
  TScrollValues v;
  v.Min = 1;
  v.Pos = TopRow() - FixedRows() + 1;
  if (optionsGx_.Contains(dghAutoFitRowHeight)) {
    v.Page = 0;
    v.Max = LastTopRow() - FixedRows() + 1;
  } else {
    TGridDrawInfo info;
    CalcDrawInfo(info);
    v.Page = std::max(1, info.Vert.LastFullVisibleCell - TopRow() + 1);
    v.Max = RowCount() - FixedRows();
  }
  const bool own = vertScrollBar_->Visible() && !vertScrollBar_->ExtScrollBar();
  const bool changed = !(v == vertValues_) || lastVertMode_ != vertScrollBar_->VisibleMode();
  vertValues_ = v;
  if (changed) SendVertScrollInfo(v, own);
  if (TScrollBar* ext = vertScrollBar_->ExtScrollBar()) {
    ext->SetPageSize(0);
    ext->SetParams(v.Pos, std::min(v.Min, v.Max), v.Max);
    ext->SetPageSize(v.Page);
  }
}

// All columns fitting means there is nothing to scroll: position 0, never a division by zero.
void TCustomDBGridGx::UpdateHorzScrollBar() {
  if (!horzScrollBar_ || destroying_) return;
  TScrollBar* ext = horzScrollBar_->ExtScrollBar();
  if (!ext || !HandleAllocated()) return;
  TScrollValues v;
  v.Min = 0;
  v.Page = GetVisibleColCount();
  const bool allFit = v.Page + FixedCols() >= ColCount();
  v.Max = allFit ? 0 : kGridScrollRange;
  v.Pos = 0;
  if (!allFit) {
    TGridDrawInfo info;
    CalcDrawInfo(info);
    const int lastLeft = CalcMaxTopLeft(TGridCoord{ColCount() - 1, TopRow()}, info).X;
    // A left column past the last full page still puts the thumb at the end.
    v.Pos = std::clamp(GridScale(LeftCol() - FixedCols(), kGridScrollRange, lastLeft - FixedCols()).value_or(0), 0,
                       v.Max);
  }
  if (v.Max < v.Min) v.Min = v.Max;
  if (v == horzValues_) return;
  horzValues_ = v;
  ext->SetPageSize(0);
  ext->SetParams(v.Pos, v.Min, v.Max);
  ext->SetPageSize(v.Page);
}

void TCustomDBGridGx::MemTableVScroll(int code, int trackPos) {
  int target = TopRow();
  switch (code) {
    case SB_LINEUP: target = TopRow() - 1; break;
    case SB_LINEDOWN: target = TopRow() + 1; break;
    case SB_PAGEUP: {
      // The rows above that fit in the window: the row above the top ends up at the bottom.
      TGridDrawInfo info;
      CalcDrawInfo(info);
      const int above = TopRow() - 1;
      target = std::min(above, CalcMaxTopLeft(TGridCoord{LeftCol(), above}, info).Y);
      break;
    }
    case SB_PAGEDOWN: target = TopRow() + std::max(1, GetVisibleRowCount()); break;
    case SB_THUMBTRACK:
      if (!vertScrollBar_->Tracking()) {
        UpdateVertScrollBar();
        return;
      }
      target = FixedRows() + trackPos - 1;
      break;
    case SB_THUMBPOSITION: target = FixedRows() + trackPos - 1; break;
    case SB_TOP: target = FixedRows(); break;
    case SB_BOTTOM: target = RowCount(); break;
    default: return;
  }
  ScrollToRow(target, false);
  UpdateVertScrollBar();
}

void TCustomDBGridGx::TopLeftChanged() {
  const bool atLeft = LeftCol() == FixedCols();
  if (atLeft != titlesAtLeft_) {
    titlesAtLeft_ = atLeft;
    InvalidateTitle();
  }
  TCustomGridGx::TopLeftChanged();
  UpdateHorzScrollBar();
  FilterColumnMoved(nullptr);
  if (memTable_) {
    UpdateVertScrollBar();
    FetchVisibleRecords();
    // The tree's lines and boxes are the first shown column's: a tree does not scroll it out of
    // view, unless the current cell needs the room.
    const int treeCol = visibleColumns_.empty() ? -1 : DataToRawColumn(visibleColumns_.front()->Index());
    if (memTable_->IsTreeView() && treeCol >= FixedCols() && treeCol < ColCount() && LeftCol() > treeCol &&
        GetColWidths(treeCol) > 0) {
      int left = treeCol;
      if (Col() > treeCol && Col() < ColCount()) {
        TGridDrawInfo info;
        CalcDrawInfo(info);
        left = std::max(left, CalcMaxTopLeft(TGridCoord{Col(), TopRow()}, info).X);
      }
      if (left < LeftCol()) SetLeftCol(left);
    }
  }
}

void TCustomDBGridGx::Dispatch(TMessage& message) {
  if (message.Msg == kDeferredSumsMessage) {
    TDataSet* ds = DataSet();
    if (sumList_ && sumList_->Stale() && ds && ds->Active() && ds->State() == dsBrowse && !ds->ControlsDisabled()) {
      // The pass leaves the table on its first record; a change made elsewhere must not move the
      // user's record.
      const TBookmark mark = ds->BookmarkAvailable() ? ds->GetBookmark() : TBookmark{};
      sumList_->RecalcAll();
      if (!mark.empty() && ds->Active() && ds->BookmarkValid(mark)) ds->GotoBookmark(mark);
    }
    message.Result = 0;
    return;
  }
  if (message.Msg == kDeferredLayoutMessage) {
    if (AcquireLayoutLock()) EndLayout();
    else DeferLayout();
    message.Result = 0;
    return;
  }
  if (message.Msg == WM_RBUTTONUP) {
    TCustomGridGx::Dispatch(message);
    // A column's own menu over its data cells.
    const TGridCoord cell = MouseCoord(GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam));
    TColumnGx* c = cell.X >= 0 && cell.Y >= GetTitleOffset() && cell.Y < RowCount() ? ColumnAt(RawToDataColumn(cell.X))
                                                                                        : nullptr;
    if (c && c->PopupMenu() && c->PopupMenu()->AutoPopup()) {
      CancelMode();
      c->PopupMenu()->SetPopupComponent(this);
      const TPoint p = ClientToScreen(TPoint(GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)));
      c->PopupMenu()->Popup(p.X, p.Y);
      message.Result = 1;
    }
    return;
  }
  if (message.Msg == WM_VSCROLL && dataLink_ && dataLink_->Active()) {
    const int code = LOWORD(message.WParam);
    if (memTable_) {
      SCROLLINFO si{};
      si.cbSize = sizeof(si);
      si.fMask = SIF_TRACKPOS | SIF_POS;
      vertScrollBar_->GetScrollInfo(si);  // the external bar's when there is one
      // The message carries the low 16 bits of the position: the bar's track position has all of
      // it when it agrees with them.
      const int low = static_cast<int>(HIWORD(message.WParam));
      const int track = code != SB_THUMBTRACK && code != SB_THUMBPOSITION ? si.nPos
                        : (si.nTrackPos & 0xFFFF) == low                 ? si.nTrackPos
                                                                          : low;
      MemTableVScroll(code, track);
    } else if (TDataSet* ds = DataSet()) {
      switch (code) {
        case SB_LINEUP: ds->MoveBy(-dataLink_->ActiveRecord() - 1); break;
        case SB_LINEDOWN: ds->MoveBy(dataLink_->RecordCount() - dataLink_->ActiveRecord()); break;
        case SB_PAGEUP: ds->MoveBy(-VisibleDataRowCount()); break;
        case SB_PAGEDOWN: ds->MoveBy(VisibleDataRowCount()); break;
        case SB_TOP: ds->First(); break;
        case SB_BOTTOM: ds->Last(); break;
        default: break;
      }
    }
    message.Result = 0;
    return;
  }
  TCustomGridGx::Dispatch(message);
}

// ---------------------------------------------------------------- painting

bool TCustomDBGridGx::GridFocused() {
  if (!HandleAllocated()) return false;
  HWND f = GetFocus();
  return f == WindowHandle() || (InplaceEditor() && InplaceEditor()->HandleAllocated() &&
                                 f == InplaceEditor()->WindowHandle());
}

bool TCustomDBGridGx::IsFocusedCell(int col, int row) {
  return IsCurrentRecordRow(row) && (dbOptions_.Contains(dgRowSelect) || col == Col());
}

bool TCustomDBGridGx::DataCellColors(int col, int row, TFont* font, TColor& background, TGridDrawState state) {
  if (style_)
    return style_->GetDataCellColors(this, col, font, background, state, row - GetTitleOffset(), RawToDataColumn(col),
                                     row);
  // The grid's own rules. Called while the row's record is read.
  const bool rowSelect = dbOptions_.Contains(dgRowSelect);
  const bool focused = GridFocused();
  const bool currentRow = IsCurrentRecordRow(row);
  TDataSet* ds = DataSet();
  bool highlighted = selection_->SelectionType() != gstNon && ds &&
                     IsCellSelected(col, row, ds->Bookmark(), RawToDataColumn(col));
  bool extra = focused && optionsGx_.Contains(dghHighlightFocus);
  if (!highlighted) {
    bool selected = state.Contains(gdSelected);
    if (optionsGx_.Contains(dghRowHighlight) && currentRow && col != Col() && selection_->SelectionType() == gstNon) {
      selected = true;
      extra = true;
    }
    highlighted = (selected || (currentRow && rowSelect)) && (dbOptions_.Contains(dgAlwaysShowSelection) || extra) &&
                  (!DesignOrUpdating() || rowSelect);
  }
  if (!highlighted) return false;
  if (focused) {
    background = clHighlight;
    if (font) font->SetColor(clHighlightText);
  } else if (currentRow && col != Col() && !rowSelect) {
    background = clBtnFace;
  } else if (currentRow && (dbOptions_.Contains(dgAlwaysShowSelection) || extra)) {
    background = clBtnShadow;
    if (font) font->SetColor(clHighlightText);
  } else {
    background = clBtnFace;
  }
  return true;
}

void TCustomDBGridGx::InvalidateTitle() {
  for (int r = 0; r < GetTitleOffset() && r < RowCount(); ++r) InvalidateRow(r);
}

void TCustomDBGridGx::InvalidateFooter() {
  for (int r = RowCount(); r < FullRowCount(); ++r) InvalidateRow(r);
}

// ---------------------------------------------------------------- raised cells and glyphs

bool TCustomDBGridGx::CheckCellArea(int col, int row, TGridDrawState state) {
  const int ind = IndicatorOffset();
  // A filter cell is an edit field, never a button.
  if (col >= ind && IsFilterRow(row) && IsColumnFilterVisible(RawToDataColumn(col))) return false;
  if (state.Contains(gdFixed) && (col < ind || row < GetTitleOffset())) return optionsGx_.Contains(dghFixed3D);
  if (row >= RowCount()) return footerRowCount_ > 0 && optionsGx_.Contains(dghFooter3D);
  if (!state.Contains(gdFixed) && col >= ind + frozenCols_) return optionsGx_.Contains(dghData3D);
  if (col >= ind && col < ind + frozenCols_) return optionsGx_.Contains(dghFrozen3D);
  return false;
}

void TCustomDBGridGx::DrawIndicatorGlyph(TCanvas* canvas, const TRect& rect, int kind) {
  static const int kImages[5] = {0, 5, 1, 2, 6};
  if (kind < 0 || kind > 4) return;
  TCustomImageList* images = DBGridIndicatorImages();
  if (ThemesActive() && (kind == 0 || kind == 1 || kind == 4)) {
    // A solid arrow, 6 wide and 11 high, centred.
    const TColor base = kind == 0 ? cl3DDkShadow : kind == 1 ? clWhite : DBGridGxInplaceSearchColor;
    const int x = rect.Left + (rect.Width() - 6) / 2;
    const int y = rect.Top + (rect.Height() - 11) / 2;
    canvas->Pen()->SetColor(MixColors(base, clBlack, 30));
    canvas->Brush()->SetColor(base);
    canvas->Polygon({TPoint(x, y), TPoint(x + 5, y + 5), TPoint(x, y + 10)});
    return;
  }
  if (images) DrawImage(images, canvas, taCenter, 0, kImages[kind], rect);
}

void TCustomDBGridGx::Paint3DCellFrame(TCanvas* canvas, const TRect& rect, bool leftSide, bool rightSide, bool down1,
                                       bool down2) {
  RECT r{rect.Left, rect.Top, rect.Right, rect.Bottom};
  HDC dc = canvas->Handle();
  const UINT edge = (down1 || down2) ? BDR_SUNKENINNER : BDR_RAISEDINNER;
  if (!Flat()) {
    if (leftSide && rightSide) {
      DrawEdge(dc, &r, edge, BF_RECT);
      return;
    }
    DrawEdge(dc, &r, edge, leftSide ? BF_TOPLEFT : BF_TOP);
    DrawEdge(dc, &r, edge, rightSide ? BF_BOTTOMRIGHT : BF_BOTTOM);
    return;
  }
  // Flat: the second sides as lines in the brush colour, the first ones as an edge.
  canvas->Pen()->SetColor(canvas->Brush()->Color());
  if (rightSide) {
    canvas->Polyline({TPoint(rect.Left, rect.Bottom - 1), TPoint(rect.Right - 1, rect.Bottom - 1),
                      TPoint(rect.Right - 1, rect.Top - 1)});
  } else {
    canvas->Polyline({TPoint(rect.Left, rect.Bottom - 1), TPoint(rect.Right, rect.Bottom - 1)});
  }
  DrawEdge(dc, &r, edge, leftSide ? BF_TOPLEFT : BF_TOP);
}

void TCustomDBGridGx::DrawEditButtonInCell(TCanvas* canvas, const TRect& cellRect, TRect buttonRect, int kind,
                                           int downButton, bool active, bool enabled, bool border, bool solidBorder,
                                           TColor borderColor, TCustomImageList* images, int imageIndex) {
  const bool clip = buttonRect.Width() < cellRect.Width();
  HDC dc = canvas->Handle();
  HRGN saved = CreateRectRgn(0, 0, 0, 0);
  const bool hadClip = GetClipRgn(dc, saved) == 1;
  if (clip) IntersectClipRect(dc, buttonRect.Left, buttonRect.Top, buttonRect.Right, buttonRect.Bottom);
  if (border) {
    canvas->Brush()->SetColor(solidBorder ? borderColor : clBtnFace);
    canvas->FrameRect(buttonRect);
    buttonRect.Left += 1;  // the face shrinks at the framed side
  }
  if (kind != 2) {
    static const TEditButtonDrawStyleGx kStyles[4] = {ebdsDropDownGx, ebdsEllipsisGx, ebdsDropDownGx, ebdsUpDownGx};
    PaintEditButton(dc, buttonRect, Color(), cbUnchecked, enabled, active, Flat(), downButton,
                    kStyles[std::clamp(kind, 0, 3)]);
  } else {
    TRect face = buttonRect;
    if (border) {
      canvas->Brush()->SetColor(clBtnFace);
      canvas->FillRect(face);
    } else {
      RECT r{face.Left, face.Top, face.Right, face.Bottom};
      DrawEdge(dc, &r, EDGE_RAISED, BF_RECT | BF_MIDDLE);
      face = TRect(face.Left + 2, face.Top + 2, face.Right - 2, face.Bottom - 2);
    }
    if (images && imageIndex >= 0) DrawImage(images, canvas, taCenter, 0, imageIndex, face);
  }
  SelectClipRgn(dc, hadClip ? saved : nullptr);
  DeleteObject(saved);
}

// ---------------------------------------------------------------- per-column input method

namespace {

// Sets a window's input method as a mode asks: detached when disabled, else attached and opened,
// closed or switched to the mode's conversion; "don't care" leaves the user's state alone.
void SetWindowIme(HWND wnd, TImeMode mode) {
  if (!wnd) return;
  if (mode == imDisable) {
    ImmAssociateContext(wnd, nullptr);
    return;
  }
  ImmAssociateContext(wnd, static_cast<HIMC>(wnd));
  if (mode == imDontCare) return;
  HIMC imc = ImmGetContext(wnd);
  if (!imc) return;
  if (mode == imClose) {
    ImmSetOpenStatus(imc, FALSE);
  } else {
    ImmSetOpenStatus(imc, TRUE);
    DWORD conversion = IME_CMODE_NATIVE | IME_CMODE_FULLSHAPE;
    switch (mode) {
      case imSAlpha: conversion = IME_CMODE_ALPHANUMERIC; break;
      case imAlpha: conversion = IME_CMODE_ALPHANUMERIC | IME_CMODE_FULLSHAPE; break;
      case imSKata: conversion = IME_CMODE_NATIVE | IME_CMODE_KATAKANA; break;
      case imKata: conversion = IME_CMODE_NATIVE | IME_CMODE_KATAKANA | IME_CMODE_FULLSHAPE; break;
      case imSHanguel: conversion = IME_CMODE_NATIVE; break;
      default: break;  // imOpen, imHira, imChinese, imHanguel: native full-width
    }
    if (mode != imOpen) ImmSetConversionStatus(imc, conversion, 0);
  }
  ImmReleaseContext(wnd, imc);
}

}  // namespace

void TCustomDBGridGx::SetColumnIme() {
  if (!GetSystemMetrics(SM_DBCSENABLED)) return;
  columnImeMode_ = imeMode_;
  columnImeName_ = imeName_;
  if (TColumnGx* c = SelectedColumn()) {
    if (c->IsAssigned(cvImeMode)) columnImeMode_ = c->ImeMode();
    if (c->IsAssigned(cvImeName)) columnImeName_ = c->ImeName();
  }
  ApplyColumnIme();
}

void TCustomDBGridGx::ApplyColumnIme() {
  if (!GetSystemMetrics(SM_DBCSENABLED)) return;
  // The layout of the named input method is the display's to choose; the mode is ours to set.
  if (HandleAllocated()) SetWindowIme(WindowHandle(), columnImeMode_);
  if (TInplaceEdit* e = InplaceEditor(); e && e->HandleAllocated()) SetWindowIme(e->WindowHandle(), columnImeMode_);
}
