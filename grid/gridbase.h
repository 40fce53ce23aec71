#pragma once
// The base grid: a windowed control whose columns and rows fall, on each axis, into four runs —
// fixed (at the left / top, never scrolling; its last cells may be "frozen" data cells), scrolling,
// and contra (fixed at the right / bottom edge, numbered after the scrolling cells). It keeps the
// counts, the widths and heights (a list only once one differs from the default), the first
// visible scrolling cell, the current cell and the selection anchor, and answers every geometric
// question (CellRect, MouseCoord, ...) from two axis records computed for the client size at the
// time. A descendant supplies DrawCell; the base fills, frames and lines the cells around it,
// handles the mouse (selection, sizing and moving of columns and rows), the keyboard and the
// scroll bars, and lays its in-place editor (inplaceedit.h) over the current cell.
//
// Model, geometry and editor hand-off: gridbase_model.cpp; painting and line colours:
// gridbase_paint.cpp; input, scroll bars and messages: gridbase_input.cpp.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/forms/controls.h"
#include "platform/forms/forms.h"
#include "platform/forms/stdctrls.h"
#include "platform/rtl/exceptions.h"

FANO_DECLARE_EXCEPTION(EInvalidGridOperationGx, Exception);

class TInplaceEdit;
class TCustomGridGx;

struct TGridCoord {
  int32_t X = 0;
  int32_t Y = 0;
  friend bool operator==(const TGridCoord&, const TGridCoord&) = default;
};

// Inclusive cell indices.
struct TGridRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
  friend bool operator==(const TGridRect&, const TGridRect&) = default;
};

enum TGridDrawStateItem { gdSelected, gdFocused, gdFixed };
using TGridDrawState = TSet<TGridDrawStateItem>;

enum TGridOption {
  goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect, goDrawFocusSelected, goRowSizing,
  goColSizing, goRowMoving, goColMoving, goEditing, goTabs, goRowSelect, goAlwaysShowEditor, goThumbTracking
};
using TGridOptions = TSet<TGridOption>;
constexpr TGridOptions kDefaultGridOptions{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect};

enum TGridState { gsNormal, gsSelecting, gsRowSizing, gsColSizing, gsRowMoving, gsColMoving };

// Auto-scroll directions of TimedScroll.
constexpr int kScrollLeft = 1, kScrollRight = 2, kScrollUp = 4, kScrollDown = 8;
// The timer of auto-scroll while selecting or moving.
constexpr UINT_PTR kGridScrollTimer = 1;
// Scroll-bar range in cell mode.
constexpr int kGridScrollRange = 127;

// a * b / c with a 64-bit intermediate, rounded to the nearest (halves away from zero); nothing
// when c is 0 (a grid whose cells all fit has no range to scale to, and the caller leaves the
// position as it is).
std::optional<int32_t> GridScale(int64_t a, int64_t b, int64_t c) noexcept;

// One axis of the geometry, for the client size at the time it was computed.
struct TGridAxisDrawInfo {
  int EffectiveLineWidth = 0;
  int FixedBoundary = 0;
  int GridBoundary = 0;
  int GridExtent = 0;
  int LastFullVisibleCell = 0;
  int FullVisBoundary = 0;
  int FixedCellCount = 0;
  int FirstGridCell = 0;
  int GridCellCount = 0;
  int FrozenBoundary = 0;
  int FrozenCount = 0;
  int ContraCount = 0;
  int ContraBoundary = 0;
  int ClientExtent = 0;
  int PaintBoundary = 0;
  int FullCellCount = 0;
  int PixelOffset = 0;
  int ScrollStart = 0;
  // Which axis: the extent of a cell comes from the column widths or the row heights.
  const TCustomGridGx* Grid = nullptr;
  bool Rows = false;
  int Extent(int index) const;
};

struct TGridDrawInfo {
  TGridAxisDrawInfo Horz;
  TGridAxisDrawInfo Vert;
};

// The line colours of a grid; each slot holds kGridLineDefault until set, and its getter answers
// the slot's fall-back then.
class TGridLineColorsGx : public TPersistent {
  FANO_CLASS(TGridLineColorsGx)
 public:
  static constexpr TColor kDefault = static_cast<TColor>(0x20000000);
  static constexpr int kSlotCount = 18;
  explicit TGridLineColorsGx(TCustomGridGx* grid);
  TCustomGridGx* Grid() const noexcept { return grid_; }

  // Slot numbers 1..18; setting kDefault brings back the fall-back.
  TColor Slot(int slot) const noexcept { return slots_[slot - 1]; }
  void SetSlot(int slot, TColor value);
  // The resolved colour of any slot.
  virtual TColor Resolved(int slot) const;

  virtual TColor GetDarkColor() const;
  virtual TColor GetBrightColor() const;
  virtual TColor GetCellLineColor(int col, int row) const;
  virtual TColor GetVertLineColor(int col) const;
  virtual TColor GetHorzLineColor(int col, int row) const;
  virtual TColor GetFrozenColsLineColor(int col) const;
  virtual TColor GetFrozenRowsLineColor(int col, int row) const;

  TColor BrightColor() const { return GetBrightColor(); }
  TColor DarkColor() const { return GetDarkColor(); }
  TColor IndicatorLineColor() const { return Resolved(5); }
  TColor ContraHorzBoundaryColor() const { return Resolved(7); }
  TColor ContraColLineColor() const { return Resolved(8); }
  TColor ContraVertBoundaryColor() const { return Resolved(13); }
  TColor ContraRowLineColor() const { return Resolved(15); }
  TColor FrozenColsLineColor() const { return Resolved(16); }
  void SetBrightColor(TColor c) { SetSlot(1, c); }
  void SetDarkColor(TColor c) { SetSlot(2, c); }
  void SetIndicatorLineColor(TColor c) { SetSlot(5, c); }
  void SetContraHorzBoundaryColor(TColor c) { SetSlot(7, c); }
  void SetContraColLineColor(TColor c) { SetSlot(8, c); }
  void SetContraVertBoundaryColor(TColor c) { SetSlot(13, c); }
  void SetContraRowLineColor(TColor c) { SetSlot(15, c); }
  void SetFrozenColsLineColor(TColor c) { SetSlot(16, c); }

  void Assign(TPersistent* source) override;

 private:
  TCustomGridGx* grid_;
  TColor slots_[kSlotCount];
};

using TGridGxCellMouseEvent =
    std::function<void(TCustomGridGx* grid, TGridCoord cell, TMouseButton button, TShiftState shift, int x, int y)>;

class TCustomGridGx : public TCustomControl {
  FANO_CLASS(TCustomGridGx)
 public:
  explicit TCustomGridGx(TComponent* owner);
  ~TCustomGridGx() override;
  void BeforeDestruction() override;
  void Notification(TComponent* component, TOperation operation) override;

  // ---- counts and runs
  int ColCount() const noexcept { return colCount_; }
  void SetColCount(int value);
  int RowCount() const noexcept { return rowCount_; }
  void SetRowCount(int value);
  int ContraColCount() const noexcept { return contraColCount_; }
  void SetContraColCount(int value);
  int ContraRowCount() const noexcept { return contraRowCount_; }
  void SetContraRowCount(int value);
  int FullColCount() const noexcept { return colCount_ + contraColCount_; }
  int FullRowCount() const noexcept { return rowCount_ + contraRowCount_; }
  int FixedCols() const noexcept { return fixedCols_; }
  void SetFixedCols(int value);
  int FixedRows() const noexcept { return fixedRows_; }
  void SetFixedRows(int value);
  int FrozenCols() const noexcept { return frozenCols_; }
  void SetFrozenCols(int value);
  int FrozenRows() const noexcept { return frozenRows_; }
  void SetFrozenRows(int value);

  // ---- sizes
  int DefaultColWidth() const noexcept { return defaultColWidth_; }
  int DefaultRowHeight() const noexcept { return defaultRowHeight_; }
  void SetDefaultRowHeight(int value);
  int GetColWidths(int index) const noexcept;
  int GetRowHeights(int index) const noexcept;
  void SetColWidths(int index, int value);
  void SetRowHeights(int index, int value);
  bool GetTabStops(int index) const noexcept;
  void SetTabStops(int index, bool value);
  bool HasColWidths() const noexcept { return !colWidths_.empty(); }
  bool HasRowHeights() const noexcept { return !rowHeights_.empty(); }
  bool HasTabStops() const noexcept { return !tabStops_.empty(); }
  int ColWidthsCount() const noexcept { return static_cast<int>(colWidths_.size()); }
  int RowHeightsCount() const noexcept { return static_cast<int>(rowHeights_.size()); }
  int GridLineWidth() const noexcept { return gridLineWidth_; }
  void SetGridLineWidth(int value);

  // ---- appearance and options
  TGridOptions Options() const noexcept { return options_; }
  void SetOptions(TGridOptions value);
  TColor FixedColor() const noexcept { return fixedColor_; }
  void SetFixedColor(TColor value);
  bool Flat() const noexcept { return flat_; }
  void SetFlat(bool value);
  TColor FlatLineColor() const noexcept { return flatLineColor_; }
  TBorderStyle BorderStyle() const noexcept { return borderStyle_; }
  void SetBorderStyle(TBorderStyle value);
  TScrollStyle ScrollBars() const noexcept { return scrollBars_; }
  void SetScrollBars(TScrollStyle value);
  bool DefaultDrawing() const noexcept { return defaultDrawing_; }
  void SetDefaultDrawing(bool value) noexcept { defaultDrawing_ = value; }
  // Made on first use, after construction, so that a descendant's CreateGridLineColors is the one used.
  TGridLineColorsGx* GridLineColors() const;
  TGridOptions DesignOptionsBoost() const noexcept { return designOptionsBoost_; }
  void SetDesignOptionsBoost(TGridOptions value) noexcept { designOptionsBoost_ = value; }
  bool SaveCellExtents() const noexcept { return saveCellExtents_; }
  void SetSaveCellExtents(bool value) noexcept { saveCellExtents_ = value; }
  bool FullRepaintOnResize() const noexcept { return fullRepaintOnResize_; }
  void SetFullRepaintOnResize(bool value) noexcept { fullRepaintOnResize_ = value; }

  // ---- current cell, selection, scroll position
  int Col() const noexcept { return current_.X; }
  void SetCol(int value);
  int Row() const noexcept { return current_.Y; }
  void SetRow(int value);
  TGridCoord Current() const noexcept { return current_; }
  TGridCoord Anchor() const noexcept { return anchor_; }
  int LeftCol() const noexcept { return topLeft_.X; }
  void SetLeftCol(int value);
  int TopRow() const noexcept { return topLeft_.Y; }
  void SetTopRow(int value);
  TGridCoord TopLeft() const noexcept { return topLeft_; }
  TGridRect Selection() const noexcept;
  TGridState GridState() const noexcept { return gridState_; }
  int ColOffset() const noexcept { return colOffset_; }
  int HorzPixelOffset() const noexcept { return horzPixelOffset_; }
  int HorzPageWidth() const noexcept { return horzPageWidth_; }
  int HorzTotalWidth() const noexcept { return horzTotalWidth_; }
  int HorzScrollPos() const noexcept { return horzScrollPos_; }
  TGridCoord PressedCell() const noexcept { return pressedCell_; }
  int SizingIndex() const noexcept { return sizingIndex_; }
  int SizingPos() const noexcept { return sizingPos_; }
  int SizingOfs() const noexcept { return sizingOfs_; }
  int MoveIndex() const noexcept { return moveIndex_; }
  int MovePos() const noexcept { return movePos_; }

  // ---- editor
  bool EditorMode() const noexcept { return editorMode_; }
  void SetEditorMode(bool value);
  TInplaceEdit* InplaceEditor() const noexcept { return inplaceEdit_; }
  int InplaceCol() const noexcept { return inplaceCol_; }
  int InplaceRow() const noexcept { return inplaceRow_; }
  bool CanEditModifyFlag() const noexcept { return canEditModify_; }

  // ---- updates
  void BeginUpdate() noexcept { ++updateLock_; }
  void EndUpdate() noexcept {
    if (updateLock_ > 0) --updateLock_;
  }
  bool IsUpdating() const noexcept { return updateLock_ > 0; }

  // ---- geometry
  void CalcDrawInfo(TGridDrawInfo& info) const;
  void CalcDrawInfoXY(TGridDrawInfo& info, int useWidth, int useHeight) const;
  TRect BoxRect(int left, int top, int right, int bottom) const;
  TRect CellRect(int col, int row) const;
  TGridCoord MouseCoord(int x, int y) const;
  TGridCoord CalcCoordFromPoint(int x, int y, const TGridDrawInfo& info) const;
  int GetVisibleColCount() const;
  int GetVisibleRowCount() const;
  int VisibleColCount() const { return GetVisibleColCount(); }
  int VisibleRowCount() const { return GetVisibleRowCount(); }
  int GetGridWidth() const;
  int GetGridHeight() const;
  TGridCoord CalcMaxTopLeft(TGridCoord coord, const TGridDrawInfo& info) const;

  // ---- movement
  void FocusCell(int col, int row, bool moveAnchor);
  void MoveColRow(int col, int row, bool moveAnchor, bool show) { MoveCurrent(col, row, moveAnchor, show); }
  void MoveCurrent(int col, int row, bool moveAnchor, bool show);
  void MoveAnchor(TGridCoord newAnchor, bool show);
  void MoveTopLeft(int left, int top);
  void ClampInView(TGridCoord coord);

  // ---- structure
  virtual void AdjustSize(int index, int amount, bool rows);
  using TControl::AdjustSize;
  void MoveColumn(int fromIndex, int toIndex);
  void MoveRow(int fromIndex, int toIndex);
  virtual void DeleteColumn(int col);
  virtual void DeleteRow(int row);

  // ---- invalidation
  void InvalidateCell(int col, int row);
  void InvalidateCol(int col);
  void InvalidateRow(int row);
  void InvalidateGridRect(const TGridRect& rect);
  void InvalidateGrid() { Invalidate(); }
  virtual void InvalidateEditor();

  // ---- editor hand-off
  void ShowEditor();
  void HideEditor();
  void ShowEditorChar(char16_t ch);
  void UpdateEdit();
  void HideEdit();
  void UpdateText();
  virtual bool CanEditShow();
  virtual bool CanEditAcceptKey(char16_t key);
  virtual bool CanGridAcceptKey(uint16_t key, TShiftState shift);
  // Enter steps to the next cell as Tab does (the in-place editor hands it over).
  virtual bool EnterMovesLikeTab() const { return false; }
  virtual bool CanEditModify();
  virtual std::string GetEditText(int col, int row);
  virtual std::string GetEditMask(int col, int row);
  virtual int GetEditLimit();
  virtual void SetEditText(int col, int row, const std::string& value);
  bool IsActiveControl();

  // ---- painting
  void Paint() override;
  virtual void DrawCell(int col, int row, const TRect& rect, TGridDrawState state) = 0;
  void DrawLines(bool doHorz, bool doVert, int startCol, int startRow, const TRect& cellsRect, TColor lineColor,
                 TColor backColor, const TGridDrawInfo& info);
  void DrawPolyline(const std::vector<TPoint>& points);
  virtual void UpdateFlatLineColor();
  void Paint3DFrame(TCanvas* canvas, const TRect& rect, bool pressed);
  // True when DrawCell frames its fixed cells itself (merged titles must not get a frame per cell).
  virtual bool FramesFixedCells() const { return false; }
  // True when Paint3DFrame draws the soft edge (light instead of white at the top left).
  virtual bool SoftFrames() const { return false; }
  // False while the current row is not what the user has chosen, so it gets no row-select focus frame.
  virtual bool FramesCurrentRow() const { return true; }
  // True when DrawCell draws the focused cell's focus rectangle itself: a second one drawn over it
  // would take it away again.
  virtual bool FramesFocusedCell() const { return false; }

  // ---- input
  virtual bool CanClickCell(const TMessage& message);
  virtual int GetHorzScrollStep();
  virtual bool IsSmoothHorzScroll();
  // Whether a bar with nothing to scroll stays shown, disabled; otherwise it goes until it has.
  virtual bool KeepsIdleScrollBar(int bar) const {
    (void)bar;
    return true;
  }
  virtual bool SelectCell(int col, int row);
  virtual void CalcSizingState(int x, int y, TGridState& state, int& index, int& sizingPos, int& sizingOfs,
                               const TGridDrawInfo& info);
  virtual void CellMouseClick(TGridCoord cell, TMouseButton button, TShiftState shift, int x, int y);
  virtual void DefaultCellMouseClick(TGridCoord cell, TMouseButton button, TShiftState shift, int x, int y);
  virtual void FlatChanged() {}
  virtual void SetContraCounts(int contraCols, int contraRows);
  bool Sizing(int x, int y);
  void ModifyScrollBar(int scrollBar, int scrollCode, int pos, bool useRightToLeft);
  void UpdateScrollRange();
  void UpdateScrollPos();
  void ScrollData(int dx, int dy);
  void ScrollHorzPixels(int delta);
  void UpdateHorzScrollExtent();
  void CancelMode();
  void UpdateDesigner();

  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void KeyDown(uint16_t& key, TShiftState shift) override;
  void KeyPress(TKeyChar& key) override;
  void DoExit() override;
  bool DoMouseWheelDown(TShiftState shift, const TPoint& mousePos) override;
  bool DoMouseWheelUp(TShiftState shift, const TPoint& mousePos) override;
  void Dispatch(TMessage& message) override;
  void DefineProperties(TFiler& filer) override;
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;

  TGridGxCellMouseEvent OnCellMouseClick;

 protected:
  virtual TInplaceEdit* CreateEditor();
  virtual TGridLineColorsGx* CreateGridLineColors();
  virtual bool BeginColumnDrag(int& origin, int& destination, const TPoint& mousePt);
  virtual bool BeginRowDrag(int& origin, int& destination, const TPoint& mousePt);
  virtual bool CheckColumnDrag(int& origin, int& destination, const TPoint& mousePt);
  virtual bool CheckRowDrag(int& origin, int& destination, const TPoint& mousePt);
  virtual bool EndColumnDrag(int& origin, int& destination, const TPoint& mousePt);
  virtual bool EndRowDrag(int& origin, int& destination, const TPoint& mousePt);
  virtual void ColumnMoved(int fromIndex, int toIndex);
  virtual void RowMoved(int fromIndex, int toIndex);
  virtual void ColWidthsChanged();
  virtual void RowHeightsChanged();
  virtual void SizeChanged(int oldColCount, int oldRowCount);
  virtual void TimedScroll(int direction);
  virtual void TopLeftChanged();
  // The current cell has moved (from oldCurrent); a descendant enters the new column here.
  virtual void CurrentMoved(TGridCoord) {}
  void Initialize();
  void ChangeSize(int newColCount, int newRowCount);
  void SelectionMoved(const TGridRect& oldSel);
  void TopLeftMoved(TGridCoord oldTopLeft);
  void DrawSizingLine(const TGridDrawInfo& info);
  void DrawMove();
  void MoveAndScroll(int mouse, int cellHit, const TGridDrawInfo& info, bool horz, const TPoint& mousePt);
  bool InDesigner() const { return InState(csDesigning); }
  // A descendant that sizes a column live (no XOR line) sets the sizing state itself and ends it.
  void SetSizingStateDirect(TGridState state, int index, int pos, int ofs);
  void InvalidateBox(int left, int top, int right, int bottom);
  // Screen rectangle of a range; includeLine adds the line after it.
  TRect BoxRectEx(int left, int top, int right, int bottom, bool includeLine, const TGridDrawInfo& info) const;

 private:
  friend class TGridGxPainter;
  friend struct TGridAxisDrawInfo;
  void CalcAxis(TGridAxisDrawInfo& axis, bool rows, int clientExtent) const;
  int LinePos(const TGridAxisDrawInfo& axis, int line) const;
  bool CalcAxisRange(const TGridAxisDrawInfo& axis, int start, int finish, bool includeLine, int& nearEdge,
                     int& farEdge) const;
  int CoordOnAxis(const TGridAxisDrawInfo& axis, int n) const;
  void ResizeList(std::vector<int32_t>& list, int newSize, int32_t fill);
  void AdjustList(std::vector<int32_t>& list, int index, int amount, int32_t fill);
  void MoveListEntry(std::vector<int32_t>& list, int fromIndex, int toIndex);
  // What a change of the counts may alter, kept so that a change that fails leaves the grid as it
  // was; the lists keep only their entries from the changed index on, so that a change near the
  // end of a long grid costs no more than the change.
  struct TSizeState {
    int ColCount, RowCount, FixedCols, FixedRows, ColOffset, HorzPixelOffset;
    TGridCoord Current, Anchor, TopLeft;
    size_t ColFrom, RowFrom;
    std::vector<int32_t> ColWidthsTail, TabStopsTail, RowHeightsTail;
    bool HadColWidths, HadTabStops, HadRowHeights;
  };
  TSizeState SaveSizeState(int colFrom, int rowFrom) const;
  void RestoreSizeState(TSizeState& state);
  void MoveCellAxis(int fromIndex, int toIndex, bool rows);
  void ClampAnchorX();
  int ColStartForSizing(const TGridDrawInfo& info) const;
  void WMTimer();
  void WMSetCursor(TMessage& m);
  void KillScrollTimer();
  void StartScrollTimer(UINT ms);
  void ScrollSingleColumn(int scrollCode, int pos, const TGridDrawInfo& info);
  void SetScrollRange(int bar, int min, int max, int page, int pos);
  void UpdateEditLoc();
  void LeaveEditorCell();
  void PlaceOpenEditor();
  void DropEditorCell();
  bool NeedsRepaintOnContraSize() const { return contraColCount_ > 0 || contraRowCount_ > 0; }

  TGridCoord anchor_;
  TBorderStyle borderStyle_ = bsSingle;
  bool canEditModify_ = true;
  int colCount_ = 5;
  int colOffset_ = 0;
  std::vector<int32_t> colWidths_;
  int contraColCount_ = 0;
  int contraRowCount_ = 0;
  TGridCoord current_;
  int defaultColWidth_ = 64;
  bool defaultDrawing_ = true;
  int defaultRowHeight_ = 24;
  bool editorMode_ = false;
  TColor fixedColor_ = clBtnFace;
  int fixedCols_ = 1;
  int fixedRows_ = 1;
  bool flat_ = false;
  int frozenCols_ = 0;
  int frozenRows_ = 0;
  mutable std::unique_ptr<TGridLineColorsGx> gridLineColors_;
  int gridLineWidth_ = 1;
  TPoint hitTest_;
  int inplaceCol_ = -1;
  int inplaceRow_ = -1;
  TInplaceEdit* inplaceEdit_ = nullptr;
  int moveIndex_ = 0;
  int movePos_ = 0;
  TGridOptions options_ = kDefaultGridOptions;
  int rowCount_ = 5;
  std::vector<int32_t> rowHeights_;
  TScrollStyle scrollBars_ = ssBoth;
  int sizingIndex_ = 0;
  int sizingPos_ = 0;
  int sizingOfs_ = 0;
  std::vector<int32_t> tabStops_;
  TGridCoord topLeft_;
  TGridOptions designOptionsBoost_{goRowSizing, goColSizing, goColMoving};
  int horzPixelOffset_ = 0;
  int horzPageWidth_ = 0;
  TColor flatLineColor_ = static_cast<TColor>(0);
  int horzTotalWidth_ = 0;
  TGridState gridState_ = gsNormal;
  int horzScrollPos_ = 0;
  int updateLock_ = 0;
  TGridCoord pressedCell_{-1, -1};
  bool saveCellExtents_ = true;
  bool fullRepaintOnResize_ = false;
  // Scroll-bar settings last sent, so that unchanged ranges are not sent again.
  SCROLLINFO lastHorzInfo_{};
  SCROLLINFO lastVertInfo_{};
  bool timerRunning_ = false;
  // Stroke lists of DrawLines, kept between paints so that painting allocates nothing.
  std::vector<POINT> linePoints_;
  std::vector<DWORD> lineCounts_;
};
