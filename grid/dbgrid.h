#pragma once
// The data-aware grid: a TCustomGridGx whose rows are the records of a dataset reached through a
// TDataSource, and whose columns are TColumnGx items bound to the dataset's fields by name.
//
//   auto* grid = new TDBGridGx(form);
//   grid->SetParent(form);
//   TColumnGx* c = grid->Columns()->Add();
//   c->SetFieldName("BILDA002");
//   c->Title()->SetCaption("单据号");
//   grid->SetDataSource(dsMain);
//
// With a memory table (IMemTableGx) every record is a grid row and the grid scrolls in rows; the
// table tells the grid of inserted, changed, deleted and moved rows. Any other dataset is shown
// through the data link's window of buffered records ("buffer mode").
//
// The family is split by concern: construction, options and edit permissions (dbgrid_core.cpp),
// columns (dbgrid_columns.cpp), titles, column defaults and the title tree (dbgrid_titles.cpp), the
// data link and the bookmark list (dbgrid_datalink.cpp), the shared style, helpers and start-up
// resources (dbgrid_style.cpp), geometry and scrolling (dbgrid_geometry.cpp), selection
// (dbgrid_selection.cpp), row movement (dbgrid_rows.cpp), column footers and their texts
// (dbgrid_footers.cpp), option setters (dbgrid_layout.cpp) and cell painting (dbgrid_paint.cpp).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "editors/editbuttons.h"
#include "editors/mrulist.h"
#include "editors/tools/memtableintf.h"
#include "editors/tools/toolctrlsgx.h"
#include "grid/gridbase.h"
#include "grid/summarylist.h"
#include "platform/db/datasource.h"
#include "platform/db/fields.h"
#include "platform/forms/graphics.h"
#include "platform/forms/imglist.h"
#include "platform/forms/menus.h"
#include "platform/forms/actnlist.h"
#include "platform/forms/stdctrls.h"

class TCustomDBGridGx;
class TColumnGx;
class TDBGridColumnsGx;
class TColumnFooterGx;
class TColumnFootersGx;
class TSTColumnFilterGx;
class TSTDBGridGxFilter;
class TInplaceFilterEditGx;
// Frees the filter-row objects (dbgrid_filterrow.cpp), which this header only names.
struct TFilterRowDeleterGx {
  void operator()(TSTColumnFilterGx* p) const noexcept;
  void operator()(TSTDBGridGxFilter* p) const noexcept;
};
class TColumnDropDownBoxGx;
class TPopupDataGridGx;

// ---- option sets (bit order matters: resources store the bits)

enum TDBGridOption {
  dgEditing, dgAlwaysShowEditor, dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines, dgTabs,
  dgRowSelect, dgAlwaysShowSelection, dgConfirmDelete, dgCancelOnExit, dgMultiSelect
};
using TDBGridOptions = TSet<TDBGridOption>;

enum TDBGridGxOption {
  dghFixed3D, dghFrozen3D, dghFooter3D, dghData3D, dghResizeWholeRightPart, dghHighlightFocus, dghClearSelection,
  dghFitRowHeightToText, dghAutoSortMarking, dghMultiSortMarking, dghEnterAsTab, dghTraceColSizing, dghIncSearch,
  dghPreferIncSearch, dghRowHighlight, dghDblClickOptimizeColWidth, dghDialogFind, dghRecordMoving, dghShowRecNo,
  dghColumnResize, dghColumnMove, dghAutoFitRowHeight
};
using TDBGridGxOptions = TSet<TDBGridGxOption>;

enum TDBGridGxAllowedOperation { alopInsertGx, alopUpdateGx, alopDeleteGx, alopAppendGx };
using TDBGridGxAllowedOperations = TSet<TDBGridGxAllowedOperation>;

enum TDBGridGxSelectionType : uint8_t { gstNon, gstRecordBookmarks, gstRectangle, gstColumns, gstAll };
using TDBGridGxAllowedSelections = TSet<TDBGridGxSelectionType>;

enum TDBGridGxEditAction { geaCutGx, geaCopyGx, geaPasteGx, geaDeleteGx, geaSelectAllGx };
using TDBGridGxEditActions = TSet<TDBGridGxEditAction>;

enum TColumnKindGx { ckText, ckPickList, ckLookup, ckKeyList, ckImageList, ckCheckbox, ckGraphic };

// Pictures held in graphic fields (dbgrid_graphic.cpp).
// Loads the field's bytes (PNG, JPEG or BMP) into the picture; false, with the picture left empty,
// for a null or empty field or bytes no picture class reads.
bool LoadFieldPicture(TField* field, TPicture& picture);
// Where a picture of that size goes in the cell: shrunk to fit keeping its proportions when larger
// than the cell, centred.
TRect GraphicCellRect(int width, int height, const TRect& cell);
// Row height a picture of that size needs in a column of that width.
int GraphicRowHeight(int width, int height, int columnWidth);
enum TSortMarkerGx { smNoneGx, smDownGx, smUpGx };
enum TTextOrientationGx { tohHorizontal, tohVertical };
enum TColumnButtonStyleGx { cbsAuto, cbsEllipsis, cbsNone, cbsUpDown, cbsDropDown, cbsAltDropDown, cbsAltUpDown };
enum TScrollBarVisibleModeGx { sbAlwaysShowGx, sbNeverShowGx, sbAutoShowGx };
// Input-method modes (only far-east systems use them).
enum TImeMode { imDisable, imClose, imOpen, imDontCare, imSAlpha, imAlpha, imHira, imSKata, imKata, imChinese,
                imSHanguel, imHanguel };

inline constexpr TDBGridOptions kDefaultDBGridOptions{dgEditing,   dgTitles, dgIndicator, dgColumnResize,
                                                      dgColLines,  dgRowLines, dgTabs, dgConfirmDelete,
                                                      dgCancelOnExit};
inline constexpr TDBGridGxOptions kDefaultDBGridGxOptions{dghFixed3D,   dghHighlightFocus, dghClearSelection,
                                                          dghDialogFind, dghColumnResize, dghColumnMove};
inline constexpr TDBGridGxAllowedSelections kDefaultAllowedSelections{gstRecordBookmarks, gstRectangle, gstColumns,
                                                                      gstAll};
inline constexpr TDBGridGxAllowedOperations kAllAllowedOperations{alopInsertGx, alopUpdateGx, alopDeleteGx,
                                                                  alopAppendGx};

// A group band's height while the title tree is built, before the layout measures it.
inline constexpr int kDBGridMultiTitleBand = 20;
// Width of the current-row mark in an indicator column that also shows record numbers.
inline constexpr int kRecNoMarkWidth = 9;
// Width of one level of the tree column's indent.
inline constexpr int kTreeLevelWidth = 18;

// Row area codes of GetCellType.
enum TCellAreaGx { caTitle = 0, caSubTitle = 1, caData = 2, caFooter = 4 };
struct TCellTypeGx {
  bool DataColumn = false;  // else the indicator column
  int DataCol = 0;          // data column index (column index less the indicator offset)
  TCellAreaGx Area = caTitle;
  int Index = 0;            // row index within its area
};

// ---- the title tree

// A node of the multi-level title: siblings form a ring (the last one's next is the first).
class THeadTreeNode {
 public:
  THeadTreeNode();
  THeadTreeNode(const std::string& text, int height, int width);
  ~THeadTreeNode();
  THeadTreeNode(const THeadTreeNode&) = delete;
  THeadTreeNode& operator=(const THeadTreeNode&) = delete;

  // "Node not in Tree" when `node` is not in this tree.
  THeadTreeNode* AddChild(THeadTreeNode* node, const std::string& text, int height, int width);
  THeadTreeNode* InsertAfter(THeadTreeNode* after, const std::string& text, int height, int width);
  // Puts the run from..to of one ring under a new node; "ATo not in level" when `to` does not
  // follow `from` in its ring.
  THeadTreeNode* Union(THeadTreeNode* from, THeadTreeNode* to, const std::string& text, int height);
  bool FindNode(const THeadTreeNode* node) const;
  int GetLevel() const;
  void FreeAllChild();

  THeadTreeNode* Child = nullptr;
  TColumnGx* Column = nullptr;
  int Height = 0;
  THeadTreeNode* Host = nullptr;
  THeadTreeNode* Next = this;
  std::string Text;
  int WIndent = 0;  // line width
  int Width = 0;
  int SortMarkerWidth = 0;
  // Painting and export use these.
  bool Drawn = false;
  int PrintHeight = 0;
  int PrintWidth = 0;
};

// The n-th (1-based) "|"-separated word and where it starts (1-based; 0 when there is none).
int DBGridWordPosition(int n, std::string_view s);
std::string DBGridExtractWord(int n, std::string_view s);

// ---- titles and column defaults

// Assigned-flag bits of a column (the title's live here too).
enum TColumnAssignedGx {
  cvColor, cvWidth, cvFont, cvAlignment, cvReadOnly, cvTitleColor, cvTitleCaption, cvTitleAlignment, cvTitleFont,
  cvTitleButton, cvTitleEndEllipsis, cvTitleToolTips, cvTitleOrientation, cvImeMode, cvImeName, cvWordWrap,
  cvLookupDisplayFields, cvCheckboxes, cvAlwaysShowEditButton, cvEndEllipsis, cvAutoDropDown, cvDblClickNextVal,
  cvToolTips, cvDropDownSizing, cvDropDownShowTitles, cvLayout, cvHighlightRequired, cvBiDiMode
};
using TColumnAssignedValuesGx = TSet<TColumnAssignedGx>;

class TColumnTitleGx : public TPersistent {
  FANO_CLASS(TColumnTitleGx)
 public:
  explicit TColumnTitleGx(TColumnGx* column);
  ~TColumnTitleGx() override;
  void Assign(TPersistent* source) override;
  virtual void RestoreDefaults();

  TColumnGx* Column() const noexcept { return column_; }
  TAlignment Alignment() const;
  void SetAlignment(TAlignment value);
  std::string Caption() const;
  virtual void SetCaption(const std::string& value);
  TColor Color() const;
  void SetColor(TColor value);
  bool EndEllipsis() const;
  void SetEndEllipsis(bool value);
  TFont* Font() const;
  void SetFont(TFont* value) { font_->Assign(value); }
  const std::string& Hint() const noexcept { return hint_; }
  void SetHint(const std::string& value) { hint_ = value; }
  int ImageIndex() const noexcept { return imageIndex_; }
  void SetImageIndex(int value);
  TTextOrientationGx Orientation() const;
  void SetOrientation(TTextOrientationGx value);
  int SortIndex() const noexcept { return sortIndex_; }
  void SetSortIndex(int value);
  TSortMarkerGx SortMarker() const noexcept { return sortMarker_; }
  void SetSortMarker(TSortMarkerGx value);
  bool TitleButton() const;
  void SetTitleButton(bool value);
  bool ToolTips() const;
  void SetToolTips(bool value);
  // Title clicks: none -> down -> up -> (none with keepMulti, else down).
  void SetNextSortMarkerValue(bool keepMulti);
  // The column goes: the sort places after its own move up one.
  void ReleaseSortPlace();
  int SortMarkerWidth() const;

  bool DefaultAlignmentStored() const;
  bool CaptionStored() const;
  bool ColorStored() const;
  bool FontStored() const;
  // Written when set here and not what the title shows without it.
  template <TColumnAssignedGx Flag, auto Get>
  bool DefaultedStored() const;

 private:
  void FontChanged();
  TCustomDBGridGx* Grid() const;

  TAlignment alignment_ = taLeftJustify;
  std::string caption_;
  TColor color_ = clBtnFace;
  TColumnGx* column_;
  bool endEllipsis_ = false;
  std::unique_ptr<TFont> font_;
  std::string hint_;
  int imageIndex_ = -1;
  TTextOrientationGx orientation_ = tohHorizontal;
  int sortIndex_ = 0;
  bool toolTips_ = false;
  TSortMarkerGx sortMarker_ = smNoneGx;
  bool titleButton_ = false;
  bool fontUpdating_ = false;
};

class TColumnDefValuesGx;

class TColumnTitleDefValuesGx : public TPersistent {
  FANO_CLASS(TColumnTitleDefValuesGx)
 public:
  explicit TColumnTitleDefValuesGx(TColumnDefValuesGx* owner) : owner_(owner) {}
  void Assign(TPersistent* source) override;
  TAlignment Alignment() const;
  void SetAlignment(TAlignment value);
  TColor Color() const;
  void SetColor(TColor value);
  bool EndEllipsis() const noexcept { return endEllipsis_; }
  void SetEndEllipsis(bool value);
  TTextOrientationGx Orientation() const noexcept { return orientation_; }
  void SetOrientation(TTextOrientationGx value);
  bool TitleButton() const noexcept { return titleButton_; }
  void SetTitleButton(bool value) { titleButton_ = value; }
  bool ToolTips() const noexcept { return toolTips_; }
  void SetToolTips(bool value) { toolTips_ = value; }
  bool AlignmentAssigned() const noexcept { return (assigned_ & 2) != 0; }
  bool ColorAssigned() const noexcept { return (assigned_ & 1) != 0; }
  // Written only when set and unlike the default, so that an unset one follows the grid when read back.
  bool AlignmentStored() const { return AlignmentAssigned() && alignment_ != DefaultAlignment(); }
  bool ColorStored() const { return ColorAssigned() && color_ != DefaultColor(); }

 private:
  TAlignment DefaultAlignment() const;
  TColor DefaultColor() const;
  TAlignment alignment_ = taLeftJustify;
  int assigned_ = 0;
  TColor color_ = clBtnFace;
  TColumnDefValuesGx* owner_;
  bool endEllipsis_ = false;
  TTextOrientationGx orientation_ = tohHorizontal;
  bool titleButton_ = false;
  bool toolTips_ = false;
};

class TColumnFooterDefValuesGx : public TPersistent {
  FANO_CLASS(TColumnFooterDefValuesGx)
 public:
  void Assign(TPersistent* source) override;
  bool ToolTips() const noexcept { return toolTips_; }
  void SetToolTips(bool value) { toolTips_ = value; }

 private:
  bool toolTips_ = false;
};

class TColumnDefValuesGx : public TPersistent {
  FANO_CLASS(TColumnDefValuesGx)
 public:
  explicit TColumnDefValuesGx(TCustomDBGridGx* grid);
  ~TColumnDefValuesGx() override;
  void Assign(TPersistent* source) override;
  TCustomDBGridGx* Grid() const noexcept { return grid_; }

  bool AlwaysShowEditButton() const noexcept { return alwaysShowEditButton_; }
  void SetAlwaysShowEditButton(bool value);
  bool AutoDropDown() const noexcept { return autoDropDown_; }
  void SetAutoDropDown(bool value) { autoDropDown_ = value; }
  bool DblClickNextVal() const noexcept { return dblClickNextVal_; }
  void SetDblClickNextVal(bool value) { dblClickNextVal_ = value; }
  bool DropDownShowTitles() const noexcept { return dropDownShowTitles_; }
  void SetDropDownShowTitles(bool value) { dropDownShowTitles_ = value; }
  bool DropDownSizing() const noexcept { return dropDownSizing_; }
  void SetDropDownSizing(bool value) { dropDownSizing_ = value; }
  bool EndEllipsis() const noexcept { return endEllipsis_; }
  void SetEndEllipsis(bool value);
  TTextLayout Layout() const noexcept { return layout_; }
  void SetLayout(TTextLayout value);
  bool HighlightRequired() const noexcept { return highlightRequired_; }
  void SetHighlightRequired(bool value);
  TColumnTitleDefValuesGx* Title() const noexcept { return title_.get(); }
  void SetTitle(TColumnTitleDefValuesGx* value) { title_->Assign(value); }
  TColumnFooterDefValuesGx* Footer() const noexcept { return footer_.get(); }
  void SetFooter(TColumnFooterDefValuesGx* value) { footer_->Assign(value); }
  bool ToolTips() const noexcept { return toolTips_; }
  void SetToolTips(bool value) { toolTips_ = value; }

 private:
  bool alwaysShowEditButton_ = false;
  bool autoDropDown_ = false;
  bool dblClickNextVal_ = false;
  bool dropDownShowTitles_ = false;
  bool dropDownSizing_ = false;
  bool endEllipsis_ = false;
  TTextLayout layout_ = tlTop;
  bool highlightRequired_ = false;
  TCustomDBGridGx* grid_;
  std::unique_ptr<TColumnTitleDefValuesGx> title_;
  std::unique_ptr<TColumnFooterDefValuesGx> footer_;
  bool toolTips_ = false;
};

class TDBGridGxColumnDefValuesGx : public TColumnDefValuesGx {
  FANO_CLASS(TDBGridGxColumnDefValuesGx)
 public:
  using TColumnDefValuesGx::TColumnDefValuesGx;
};

// ---- columns

// What a cell painter and OnGetCellParams see of one cell.
class TColCellParamsGx : public TObject {
  FANO_CLASS(TColCellParamsGx)
 public:
  TAlignment Alignment = taLeftJustify;
  TColor Background = clWindow;
  int CheckState = 0;  // 0 unchecked, 1 checked, 2 grayed
  int Col = -1;
  TFont* Font = nullptr;
  int ImageIndex = -1;
  bool ReadOnly = false;
  int Row = -1;
  TGridDrawState State;
  std::string Text;
};

using TColCellUpdateDataEventGx =
    std::function<void(TObject* sender, std::string& text, Variant& value, bool& useText, bool& handled)>;
using TGetColCellParamsEventGx = std::function<void(TObject* sender, bool editMode, TColCellParamsGx* params)>;
using TNotInListEventGx = std::function<void(TObject* sender, const std::string& newText, bool& recheckInList)>;

class TColumnGx : public TCollectionItem {
  FANO_CLASS(TColumnGx)
 public:
  explicit TColumnGx(TCollection* collection);
  ~TColumnGx() override;
  void Assign(TPersistent* source) override;
  std::string GetDisplayName() const override;
  void SetIndex(int index) override;
  virtual void RestoreDefaults();

  TCustomDBGridGx* Grid() const;
  TColumnAssignedValuesGx AssignedValues() const noexcept { return assigned_; }
  bool IsAssigned(TColumnAssignedGx v) const noexcept { return assigned_.Contains(v); }
  void MarkAssigned(TColumnAssignedGx v) { assigned_.Include(v); }
  void UnmarkAssigned(TColumnAssignedGx v) { assigned_.Exclude(v); }

  // ---- binding
  TField* Field() const;
  virtual void SetField(TField* value);
  const std::string& FieldName() const noexcept { return fieldName_; }
  void SetFieldName(const std::string& value);
  bool Stored() const noexcept { return stored_; }
  void SetStored(bool value) noexcept { stored_ = value; }
  bool IsGridBuilt() const noexcept { return !stored_; }
  void ClearFieldBinding() { field_ = nullptr; }

  // ---- defaulted properties
  TAlignment Alignment() const;
  void SetAlignment(TAlignment value);
  TColor Color() const;
  void SetColor(TColor value);
  TFont* Font() const;
  void SetFont(TFont* value) { font_->Assign(value); }
  bool ReadOnly() const;
  void SetReadOnly(bool value);
  int Width() const;
  virtual void SetWidth(int value);
  int DefaultWidth() const;
  bool WordWrap() const;
  void SetWordWrap(bool value);
  bool Checkboxes() const;
  void SetCheckboxes(bool value);
  std::string LookupDisplayFields() const;
  void SetLookupDisplayFields(const std::string& value);
  bool AlwaysShowEditButton() const;
  void SetAlwaysShowEditButton(bool value);
  bool AutoDropDown() const;
  void SetAutoDropDown(bool value);
  bool DblClickNextVal() const;
  void SetDblClickNextVal(bool value);
  bool DropDownShowTitles() const;
  void SetDropDownShowTitles(bool value);
  bool DropDownSizing() const;
  void SetDropDownSizing(bool value);
  bool EndEllipsis() const;
  void SetEndEllipsis(bool value);
  TTextLayout Layout() const;
  void SetLayout(TTextLayout value);
  bool HighlightRequired() const;
  void SetHighlightRequired(bool value);
  bool ToolTips() const;
  void SetToolTips(bool value);
  TImeMode ImeMode() const;
  void SetImeMode(TImeMode value);
  std::string ImeName() const;
  void SetImeName(const std::string& value);
  // Stored rules: a defaulted property is written when set here and not what the column shows
  // without it; the font whenever it is the column's own.
  template <TColumnAssignedGx Flag, auto Get>
  bool DefaultedStored() const;
  bool FontStored() const noexcept { return IsAssigned(cvFont); }

  // ---- plain properties
  TColumnButtonStyleGx ButtonStyle() const noexcept { return buttonStyle_; }
  void SetButtonStyle(TColumnButtonStyleGx value);
  const std::string& DisplayFormat() const noexcept { return displayFormat_; }
  void SetDisplayFormat(const std::string& value);
  const std::string& EditMask() const noexcept { return editMask_; }
  void SetEditMask(const std::string& value);
  int DropDownRows() const noexcept { return dropDownRows_; }
  void SetDropDownRows(int value) noexcept { dropDownRows_ = value; }
  int DropDownWidth() const noexcept { return dropDownWidth_; }
  void SetDropDownWidth(int value);
  bool HideDuplicates() const noexcept { return hideDuplicates_; }
  void SetHideDuplicates(bool value);
  bool ShowImageAndText() const noexcept { return showImageAndText_; }
  void SetShowImageAndText(bool value);
  TCustomImageList* ImageList() const noexcept { return imageList_; }
  void SetImageList(TCustomImageList* value);
  // The grid's unless set; only left-to-right is laid out.
  TBiDiMode BiDiMode() const;
  void SetBiDiMode(TBiDiMode value);
  bool BiDiModeStored() const noexcept { return IsAssigned(cvBiDiMode); }
  double Increment() const noexcept { return increment_; }
  void SetIncrement(double value) noexcept { increment_ = value; }
  bool IncrementStored() const noexcept { return increment_ != 1.0; }
  TStrings* KeyList() const;
  void SetKeyList(TStrings* value);
  TStrings* PickList() const;
  void SetPickList(TStrings* value);
  bool HasKeyList() const noexcept { return keyList_ && keyList_->Count() > 0; }
  bool HasPickList() const noexcept { return pickList_ && pickList_->Count() > 0; }
  int MaxWidth() const noexcept { return maxWidth_; }
  void SetMaxWidth(int value);
  int MinWidth() const noexcept { return minWidth_; }
  void SetMinWidth(int value);
  int NotInKeyListIndex() const noexcept { return notInKeyListIndex_; }
  void SetNotInKeyListIndex(int value);
  TPopupMenu* PopupMenu() const noexcept { return popupMenu_; }
  void SetPopupMenu(TPopupMenu* value);
  int Tag() const noexcept { return tag_; }
  void SetTag(int value) noexcept { tag_ = value; }
  bool Visible() const noexcept { return visible_; }
  void SetVisible(bool value);
  bool AutoFitColWidth() const noexcept { return autoFitColWidth_; }
  void SetAutoFitColWidth(bool value);
  int AutoFitBaseWidth() const noexcept { return autoFitBaseWidth_; }
  void SetAutoFitBaseWidth(int value) noexcept { autoFitBaseWidth_ = value; }
  TColumnTitleGx* Title() const noexcept { return title_.get(); }
  void SetTitle(TColumnTitleGx* value) { title_->Assign(value); }
  TEditButtonsGx* EditButtons() const noexcept { return editButtons_.get(); }
  void SetEditButtons(TEditButtonsGx* value) { editButtons_->Assign(value); }
  TMRUListGx* MRUList() const noexcept { return mruList_.get(); }
  void SetMRUList(TMRUListGx* value) { mruList_->Assign(value); }
  TSpecRowGx* DropDownSpecRow() const noexcept { return specRow_.get(); }
  void SetDropDownSpecRow(TSpecRowGx* value) { specRow_->Assign(value); }
  // The settings of the column's lookup drop-down (made on first use).
  TColumnDropDownBoxGx* DropDownBox() const;
  // A data source freed while a drop-down box lists from it: the box lists from none.
  void ListSourceFreed(TComponent* source);
  void SetDropDownBox(TColumnDropDownBoxGx* value);
  // The lookup drop-down itself, made on first use and kept by the column.
  TPopupDataGridGx* GetDropDownDataGrid();
  TPopupDataGridGx* DropDownDataGridIfMade() const noexcept { return dropDownDataGrid_; }
  // Events of the drop-down data grid, kept by that grid (made when one is set), never stored
  // with the column.
  using TDropDownBoxCheckButtonEvent = std::function<void(TObject* sender, int col, TColumnGx* column, bool& enabled)>;
  using TDropDownBoxDrawColumnCellEvent =
      std::function<void(TObject* sender, const TRect& rect, int dataCol, TColumnGx* column, TGridDrawState state)>;
  using TDropDownBoxGetCellParamsEvent = std::function<void(TObject* sender, TColumnGx* column, TFont* font,
                                                            TColor& background, TGridDrawState state)>;
  using TDropDownBoxTitleBtnClickEvent = std::function<void(TObject* sender, int col, TColumnGx* column)>;
  TDropDownBoxCheckButtonEvent OnDropDownBoxCheckButton() const;
  void SetOnDropDownBoxCheckButton(const TDropDownBoxCheckButtonEvent& handler);
  TDropDownBoxDrawColumnCellEvent OnDropDownBoxDrawColumnCell() const;
  void SetOnDropDownBoxDrawColumnCell(const TDropDownBoxDrawColumnCellEvent& handler);
  TDropDownBoxGetCellParamsEvent OnDropDownBoxGetCellParams() const;
  void SetOnDropDownBoxGetCellParams(const TDropDownBoxGetCellParamsEvent& handler);
  TNotifyEvent OnDropDownBoxSortMarkingChanged() const;
  void SetOnDropDownBoxSortMarkingChanged(const TNotifyEvent& handler);
  TDropDownBoxTitleBtnClickEvent OnDropDownBoxTitleBtnClick() const;
  void SetOnDropDownBoxTitleBtnClick(const TDropDownBoxTitleBtnClickEvent& handler);
  TColumnFooterGx* Footer() const noexcept { return footer_.get(); }
  void SetFooter(TColumnFooterGx* value);
  TColumnFootersGx* Footers() const noexcept { return footers_.get(); }
  void SetFooters(TColumnFootersGx* value);
  // The footer of a footer row: Footers[index] when there is one, else Footer.
  TColumnFooterGx* GetFooter(int index) const;
  // Brings the aggregate items of Footer and of every item of Footers in line with their value
  // types and field names.
  void SyncFooterSums();

  TColCellUpdateDataEventGx OnUpdateData;
  TGetColCellParamsEventGx OnGetCellParams;
  TNotInListEventGx OnNotInList;
  TButtonClickEventGx OnEditButtonClick;
  TButtonDownEventGx OnEditButtonDown;
  std::function<void(TObject* sender, const std::string& text, bool& drawState)> OnCheckDrawRequiredState;

  // ---- behaviour
  TColumnKindGx GetColumnType() const;
  std::string GetDisplayText() const;
  int GetValueListIndex() const;
  int GetCheckboxState() const;
  void SetCheckboxState(int state);
  void StepValue(double step);
  void UpdateDataValues(const std::string& text, const Variant& value, bool useText);
  bool CanModify(bool tryEdit);
  void FillCellParams(TColCellParamsGx* params) const;
  void FireGetCellParams(bool editMode, TColCellParamsGx* params);
  int GetRowHeightForText() const;
  // True when a row of that height holds more than one line of the column's text (the editor
  // wraps only then).
  bool TextFitsOneLine(int height) const;
  int GetEditButtonsWidth() const;
  TDataSet* GetLookupDataSet() const;
  bool UseRightToLeftAlignment() const { return false; }
  bool UseRightToLeftReading() const { return false; }

  // The column's filter-row state (dbgrid_filterrow.cpp), made on first use.
  TSTColumnFilterGx* STFilter() const;
  void SetSTFilter(TSTColumnFilterGx* value);
  // The filter list's values are read again at its next drop-down.
  void ForgetFilterValueList();

  // Tells the grid the column (or, with allItems, every column) changed.
  void ColumnChanged(bool allItems) { Changed(allItems); }
  // The key and text last written through a lookup column: the grid shows that text while the
  // record holds that key, or while the lookup list no longer holds the record's key (a list that
  // was narrowed or reloaded after the pick).
  bool LookupCacheValid() const noexcept { return lookupCacheValid_; }
  const Variant& LookupCacheKey() const noexcept { return lookupCacheKey_; }
  const std::string& LookupCacheText() const noexcept { return lookupCacheText_; }
  void SetLookupCache(const Variant& key, const std::string& text);
  void InvalidateLookupCache();
  // The font copy of the grid's font (whenever the column's own is not assigned).
  void RefreshDefaultFont();
  int GridColumnIndex() const;

 private:
  void FontChanged();
  std::string CurrentEditText() const;
  bool ModifyTarget(TField*& target) const;

  TColumnAssignedValuesGx assigned_;
  bool lookupCacheValid_ = false;
  Variant lookupCacheKey_;
  std::string lookupCacheText_;
  mutable TField* field_ = nullptr;
  std::string fieldName_;
  bool stored_ = true;
  TAlignment alignment_ = taLeftJustify;
  TColor color_ = clWindow;
  std::unique_ptr<TFont> font_;
  bool fontUpdating_ = false;
  bool readOnly_ = false;
  int width_ = 64;
  bool wordWrap_ = false;
  bool checkboxes_ = false;
  std::string lookupDisplayFields_;
  bool alwaysShowEditButton_ = false;
  bool autoDropDown_ = false;
  bool dblClickNextVal_ = false;
  bool dropDownShowTitles_ = false;
  bool dropDownSizing_ = false;
  bool endEllipsis_ = false;
  TTextLayout layout_ = tlTop;
  bool highlightRequired_ = false;
  bool toolTips_ = false;
  TImeMode imeMode_ = imDontCare;
  std::string imeName_;
  TColumnButtonStyleGx buttonStyle_ = cbsAuto;
  std::string displayFormat_;
  std::string editMask_;
  int dropDownRows_ = 7;
  int dropDownWidth_ = 0;
  bool hideDuplicates_ = false;
  bool showImageAndText_ = false;
  TCustomImageList* imageList_ = nullptr;
  std::unique_ptr<TChangeLink> imageLink_;  // repaints the grid when the images change
  TBiDiMode biDiMode_ = bdLeftToRight;
  double increment_ = 1.0;
  mutable std::unique_ptr<TStringList> keyList_;
  mutable std::unique_ptr<TStringList> pickList_;
  int maxWidth_ = 0;
  int minWidth_ = 0;
  int notInKeyListIndex_ = -1;
  TPopupMenu* popupMenu_ = nullptr;
  int tag_ = 0;
  bool visible_ = true;
  bool autoFitColWidth_ = true;
  int autoFitBaseWidth_ = 0;
  std::unique_ptr<TColumnTitleGx> title_;
  std::unique_ptr<TEditButtonsGx> editButtons_;
  std::unique_ptr<TMRUListGx> mruList_;
  std::unique_ptr<TSpecRowGx> specRow_;
  // Both freed by FreeDropDowns (dbgrid_dropdowns.cpp).
  mutable TColumnDropDownBoxGx* dropDownBox_ = nullptr;
  TPopupDataGridGx* dropDownDataGrid_ = nullptr;
  void FreeDropDowns();
  std::unique_ptr<TColumnFooterGx> footer_;
  std::unique_ptr<TColumnFootersGx> footers_;
  mutable std::unique_ptr<TSTColumnFilterGx, TFilterRowDeleterGx> stFilter_;
};

class TDBGridColumnGx : public TColumnGx {
  FANO_CLASS(TDBGridColumnGx)
 public:
  using TColumnGx::TColumnGx;
};

class TDBGridColumnsGx : public TCollection {
  FANO_CLASS(TDBGridColumnsGx)
 public:
  TDBGridColumnsGx(TCustomDBGridGx* grid, TClass itemClass);
  TColumnGx* Add() { return static_cast<TColumnGx*>(TCollection::Add()); }
  // A column the grid builds itself from the dataset's fields.
  TColumnGx* AddGridBuilt();
  TColumnGx* Items(int index) const { return static_cast<TColumnGx*>(TCollection::Items(index)); }
  TColumnGx* GetColumn(int index) const { return Items(index); }
  TCustomDBGridGx* Grid() const noexcept { return grid_; }
  TPersistent* GetOwner() const override;
  // Customized when the first column was made by the user or the form.
  bool Customized() const { return Count() > 0 && Items(0)->Stored(); }
  void ClearFieldBindings();
  bool BuildingDefaults() const noexcept { return buildingDefaults_; }

 protected:
  void Update(TCollectionItem* item) override;

 private:
  TCustomDBGridGx* grid_;
  bool buildingDefaults_ = false;
};

// ---- column footers

// What a footer cell of a column shows: nothing, a static text, the current record's field value
// or an aggregate kept by the grid's sum list. Alignment, Color, Font and ToolTips follow the
// grid (or the column's field) until they are set.
class TColumnFooterGx : public TCollectionItem {
  FANO_CLASS(TColumnFooterGx)
 public:
  // An item of a column's Footers.
  explicit TColumnFooterGx(TCollection* collection);
  // A column's single Footer.
  explicit TColumnFooterGx(TColumnGx* column);
  ~TColumnFooterGx() override;
  // Alignment, Color and Font where the source has them set, then the plain values.
  void Assign(TPersistent* source) override;
  // Forgets what was set; the font follows the default again.
  void RestoreDefaults();

  TColumnGx* Column() const noexcept { return column_; }
  TCustomDBGridGx* Grid() const;
  TAlignment Alignment() const;
  void SetAlignment(TAlignment value);
  TColor Color() const;
  void SetColor(TColor value);
  const std::string& DisplayFormat() const noexcept { return displayFormat_; }
  void SetDisplayFormat(const std::string& value);
  bool EndEllipsis() const noexcept { return endEllipsis_; }
  void SetEndEllipsis(bool value);
  const std::string& FieldName() const noexcept { return fieldName_; }
  void SetFieldName(const std::string& value);
  TFont* Font() const;
  void SetFont(TFont* value) { font_->Assign(value); }
  bool ToolTips() const;
  void SetToolTips(bool value);
  const std::string& Value() const noexcept { return value_; }
  void SetValue(const std::string& value);
  TFooterValueType ValueType() const noexcept { return valueType_; }
  void SetValueType(TFooterValueType value);
  bool WordWrap() const noexcept { return wordWrap_; }
  void SetWordWrap(bool value);

  bool AlignmentAssigned() const noexcept { return (assigned_ & kAlignment) != 0; }
  bool ColorAssigned() const noexcept { return (assigned_ & kColor) != 0; }
  bool FontAssigned() const noexcept { return (assigned_ & kFont) != 0; }
  bool ToolTipsAssigned() const noexcept { return (assigned_ & kToolTips) != 0; }
  bool AlignmentStored() const { return AlignmentAssigned() && alignment_ != DefaultAlignment(); }
  bool ColorStored() const { return ColorAssigned() && color_ != DefaultColor(); }
  bool FontStored() const { return FontAssigned(); }
  bool ToolTipsStored() const { return ToolTipsAssigned() && toolTips_; }
  TAlignment DefaultAlignment() const;
  TColor DefaultColor() const;
  TFont* DefaultFont() const;
  bool DefaultToolTips() const;

  // The aggregate this footer keeps in the grid's sum list (null when it shows none).
  TDBSum* SumItem() const;
  // Adds, changes or frees the aggregate after a change of value type or field name.
  void SyncSumItem();

 private:
  enum : int { kAlignment = 1, kColor = 2, kFont = 4, kToolTips = 8 };
  void Init();
  void FontChanged();
  void Repaint(bool relayout = false);

  TColumnGx* column_ = nullptr;
  int assigned_ = 0;
  TAlignment alignment_ = taLeftJustify;
  TColor color_ = clWindow;
  std::string displayFormat_;
  bool endEllipsis_ = false;
  std::string fieldName_;
  std::unique_ptr<TFont> font_;
  bool fontUpdating_ = false;
  bool toolTips_ = false;
  std::string value_;
  TFooterValueType valueType_ = fvtNon;
  bool wordWrap_ = false;
  TDBSum* sumItem_ = nullptr;
};

// The footers of one column, one per footer row.
class TColumnFootersGx : public TCollection {
  FANO_CLASS(TColumnFootersGx)
 public:
  TColumnFootersGx(TColumnGx* column, TClass itemClass);
  TColumnFooterGx* Add() { return static_cast<TColumnFooterGx*>(TCollection::Add()); }
  TColumnFooterGx* Items(int index) const { return ItemAs<TColumnFooterGx>(index); }
  TColumnGx* Column() const noexcept { return column_; }
  TPersistent* GetOwner() const override;

 private:
  TColumnGx* column_;
};

// ---- the data link

class TGridDataLinkGx : public TDataLink {
  FANO_CLASS(TGridDataLinkGx)
 public:
  static constexpr int kMaxMapSize = 0x0FFFFFFF;
  explicit TGridDataLinkGx(TCustomDBGridGx* grid);
  ~TGridDataLinkGx() override;

  bool AddMapping(const std::string& fieldName);
  void ClearMapping();
  TField* GetMappedField(int index) const;
  bool GetDefaultFields() const;
  int FieldCount() const noexcept { return fieldCount_; }
  int MapCapacity() const noexcept { return mapCapacity_; }
  bool SparseMap() const noexcept { return sparseMap_; }
  void SetSparseMap(bool value) noexcept { sparseMap_ = value; }
  void Modified() noexcept { modified_ = true; }
  bool IsModified() const noexcept { return modified_; }
  bool InUpdateData() const noexcept { return inUpdateData_; }
  void Reset();
  TCustomDBGridGx* Grid() const noexcept { return grid_; }

  void ActiveChanged() override;
  void DataEvent(TDataEvent event, NativeInt info) override;
  void DataSetChanged() override;
  void DataSetScrolled(int distance) override;
  void EditingChanged() override;
  void FocusControl(TField*& field) override;
  void LayoutChanged() override;
  void RecordChanged(TField* field) override;
  void UpdateData() override;

 private:
  int fieldCount_ = 0;
  std::vector<int> fieldMap_;
  int mapCapacity_ = 0;
  TCustomDBGridGx* grid_;
  bool inUpdateData_ = false;
  bool modified_ = false;
  bool sparseMap_ = false;
};

// The selected records of a grid.
class TBookmarkListGx : public TBMListGx {
  FANO_CLASS(TBookmarkListGx)
 public:
  explicit TBookmarkListGx(TCustomDBGridGx* grid) : grid_(grid) {}
  TDataSet* GetDataSet() const override;
  void SetCurrentRowSelected(bool value) override;
  void Clear() override;
  // The grid rows from the first to the last visible selected row; all -1 when none is visible.
  TGridRect SelectedRowsRect();
  // Gives each bookmark the one `follow` answers for it, dropping those it answers empty for;
  // the list is kept in order.
  void FollowRows(const std::function<std::string(const std::string&)>& follow);
  std::vector<std::string> Bookmarks() const;

 protected:
  void Invalidate() override;
  void StringsChanged() override;

 private:
  TCustomDBGridGx* grid_;
};

// ---- selection

class TDBGridGxSelection;

class TDBGridGxSelectionCols {
 public:
  explicit TDBGridGxSelectionCols(TCustomDBGridGx* grid) : grid_(grid) {}
  int Count() const noexcept { return static_cast<int>(list_.size()); }
  TColumnGx* Items(int i) const { return list_.at(static_cast<size_t>(i)); }
  int IndexOf(const TColumnGx* c) const;
  void Add(TColumnGx* column);
  void Select(TColumnGx* column, bool addSel);
  void InvertSelect(TColumnGx* column);
  void SelectShift(TColumnGx* column);
  void Clear();
  void Refresh();
  TColumnGx* Anchor() const noexcept { return anchor_; }
  TColumnGx* ShiftCol() const noexcept { return shift_; }
  void Remove(TColumnGx* column);

 private:
  TDBGridGxSelection& Owner() const;
  TCustomDBGridGx* grid_;
  std::vector<TColumnGx*> list_;
  TColumnGx* anchor_ = nullptr;
  TColumnGx* shift_ = nullptr;
  std::vector<TColumnGx*> dragList_;
};

class TDBGridGxSelectionRect {
 public:
  explicit TDBGridGxSelectionRect(TCustomDBGridGx* grid) : grid_(grid) {}
  void Select(int col, const std::string& bookmark, bool addSel);
  void Clear();
  bool CellSelected(int col, const std::string& bookmark) const;
  std::string TopRow() const;
  std::string BottomRow() const;
  int LeftCol() const;
  int RightCol() const;
  TGridRect GetBounds() const;
  bool DataSetActive() const;
  int AnchorCol() const noexcept { return anchorCol_; }
  const std::string& AnchorBookmark() const noexcept { return anchorBookmark_; }
  int ShiftCol() const noexcept { return shiftCol_; }
  const std::string& ShiftBookmark() const noexcept { return shiftBookmark_; }
  // Each corner takes the bookmark `follow` answers for it; a corner it answers empty for
  // clears the rectangle.
  void FollowRows(const std::function<std::string(const std::string&)>& follow);

 private:
  int Compare(const std::string& a, const std::string& b) const;
  int RowOfBookmark(const std::string& bookmark) const;
  // The rectangle's part in the rows on screen (a corner out of view cut at the window's edge);
  // Left -1 when none of it shows or the selection is no rectangle.
  TGridRect VisibleBox() const;
  TCustomDBGridGx* grid_;
  int anchorCol_ = -1;
  std::string anchorBookmark_;
  int shiftCol_ = -1;
  std::string shiftBookmark_;
};

class TDBGridGxSelection : public TObject {
  FANO_CLASS(TDBGridGxSelection)
 public:
  explicit TDBGridGxSelection(TCustomDBGridGx* grid);
  ~TDBGridGxSelection() override;
  virtual void SelectionChanged();

  TDBGridGxSelectionCols* Columns() noexcept { return &columns_; }
  TDBGridGxSelectionRect* Rect() noexcept { return &rect_; }
  TBookmarkListGx* Rows() const;
  TCustomDBGridGx* Grid() const noexcept { return grid_; }
  TDBGridGxSelectionType SelectionType() const noexcept { return type_; }
  void SetSelectionType(TDBGridGxSelectionType value);
  bool IsCellSelected(int col, const std::string& bookmark) const;
  void Clear();
  void SelectAll();
  void UpdateState();
  TGridRect GetDataCellRect();
  void LinkActive(bool value);

 private:
  TCustomDBGridGx* grid_;
  TDBGridGxSelectionCols columns_;
  TDBGridGxSelectionRect rect_;
  TDBGridGxSelectionType type_ = gstNon;
};

// ---- scroll bars and indicator title

class TDBGridGxScrollBar : public TPersistent {
  FANO_CLASS(TDBGridGxScrollBar)
 public:
  TDBGridGxScrollBar(TCustomDBGridGx* grid, int kind) : grid_(grid), kind_(kind) {}
  ~TDBGridGxScrollBar() override;
  void Assign(TPersistent* source) override;
  TScrollBar* ExtScrollBar() const noexcept { return extScrollBar_; }
  // An external bar that replaces the grid window's own: its scroll notifications reach the grid.
  // "Possible <name> already attached to the other control." when another grid holds it.
  void SetExtScrollBar(TScrollBar* value);
  // The external bar is being destroyed: forget it without touching it.
  void ExtScrollBarFreed();
  bool Tracking() const noexcept { return tracking_; }
  void SetTracking(bool value) noexcept { tracking_ = value; }
  // Derived from the mode: True sets sbAutoShowGx, False sbNeverShowGx.
  bool Visible() const noexcept { return visibleMode_ != sbNeverShowGx; }
  void SetVisible(bool value);
  TScrollBarVisibleModeGx VisibleMode() const noexcept { return visibleMode_; }
  void SetVisibleMode(TScrollBarVisibleModeGx value);
  int Kind() const noexcept { return kind_; }
  // From the external bar when attached, else from the grid window.
  bool GetScrollInfo(SCROLLINFO& info) const;
  bool IsScrollBarShowing() const;

 private:
  void Unhook();
  void HookProc(TMessage& m);
  TCustomDBGridGx* grid_;
  int kind_;  // SB_HORZ or SB_VERT
  TScrollBar* extScrollBar_ = nullptr;
  TWndMethod savedProc_;
  bool tracking_ = false;
  TScrollBarVisibleModeGx visibleMode_ = sbAutoShowGx;
};

class TVertDBGridGxScrollBar : public TDBGridGxScrollBar {
  FANO_CLASS(TVertDBGridGxScrollBar)
 public:
  explicit TVertDBGridGxScrollBar(TCustomDBGridGx* grid) : TDBGridGxScrollBar(grid, SB_VERT) {}
};

class TDBGridGxIndicatorTitle : public TPersistent {
  FANO_CLASS(TDBGridGxIndicatorTitle)
 public:
  explicit TDBGridGxIndicatorTitle(TCustomDBGridGx* grid) : grid_(grid) {}
  void Assign(TPersistent* source) override;
  TPopupMenu* DropdownMenu() const noexcept { return dropdownMenu_; }
  // The grid hears when the menu goes.
  void SetDropdownMenu(TPopupMenu* value);
  bool ShowDropDownSign() const noexcept { return showDropDownSign_; }
  void SetShowDropDownSign(bool value);
  bool TitleButton() const noexcept { return titleButton_; }
  void SetTitleButton(bool value) noexcept { titleButton_ = value; }
  bool UseGlobalMenu() const noexcept { return useGlobalMenu_; }
  void SetUseGlobalMenu(bool value) noexcept { useGlobalMenu_ = value; }

 private:
  TCustomDBGridGx* grid_;
  TPopupMenu* dropdownMenu_ = nullptr;
  bool showDropDownSign_ = false;
  bool titleButton_ = false;
  bool useGlobalMenu_ = true;
};

// ---- the shared style

class TDBGridGxStyle : public TPersistent {
  FANO_CLASS(TDBGridGxStyle)
 public:
  TDBGridGxStyle();
  ~TDBGridGxStyle() override;

  // Whether the data cell is highlighted; sets its colours when it is.
  virtual bool GetDataCellColors(TCustomDBGridGx* grid, int col, TFont* font, TColor& background,
                                 TGridDrawState state, int dataRow, int dataCol, int row);
  // Only for selected fixed cells; cellArea: low byte 0 indicator / 1 data column, high byte the
  // row area.
  virtual bool GetFixedCellColors(TCustomDBGridGx* grid, int col, TFont* font, TColor& background, bool selected,
                                  bool down, int cellArea);
  virtual void ReadScreenColors();
  // The style's own hidden window: it hears the system-colour changes.
  HWND Handle() const noexcept { return wnd_; }

  void AddGrid(TCustomDBGridGx* grid);
  void RemoveGrid(TCustomDBGridGx* grid);
  int GridCount() const noexcept { return static_cast<int>(grids_.size()); }
  bool BlendHighlight() const noexcept { return blend_; }
  void SetBlendHighlight(bool value) noexcept { blend_ = value; }
  // -1 above 256 colours.
  int ScreenNumColors() const noexcept { return numColors_; }
  void SetScreenNumColors(int value) noexcept { numColors_ = value; }

  // Half-way mix of the two colours lightened towards the window tone; dark pulls it down again.
  static TColor Blend(TColor c1, TColor c2, bool dark);

 private:
  bool ManyColors() const noexcept { return numColors_ < 0 || numColors_ > 256; }
  static LRESULT StyleWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
  HWND wnd_ = nullptr;
  std::vector<TCustomDBGridGx*> grids_;
  bool blend_ = true;
  int numColors_ = -1;
};

// ---- unit-wide objects and helpers

// A small off-screen canvas for measuring text in a font (no window needed).
class TMeasureCanvas {
 public:
  TMeasureCanvas() { bmp_.SetSize(1, 1); }
  TCanvas* Canvas() { return bmp_.Canvas(); }

 private:
  TBitmap bmp_;
};


TDBGridGxStyle* GetDefaultGridStyle();
// The indicator (7 images) and sort-marker (3 images) lists; cursors by kind 0 down, 1 right, 2 left.
TCustomImageList* DBGridIndicatorImages();
TCustomImageList* DBGridSortMarkerImages();
HCURSOR DBGridCursor(int kind);
TFont* DBGridSortIndexFont();
// Redraws indicator image 6 on the in-place search colour.
void RebuildSearchArrowImage();
// Makes the shared objects (idempotent); the grid's constructor calls it. Raises EOutOfResources
// "Cannot load cursor resource" when a cursor resource is missing.
void InitDBGridUnit();
void DoneDBGridUnit();
// Called by every grid as it goes: once the program or module is ending, the last grid finishes
// the unit (the application may free its forms after the unit's own statics are gone).
void GridUnitGridGone();
// Registers the grid's classes with the class registry (form resources name them).
void RegisterDBGridClasses();

extern TShortCut DBGridGxInplaceSearchKey;
extern TShortCut DBGridGxInplaceSearchNextKey;
extern TShortCut DBGridGxInplaceSearchPriorKey;
extern TShortCut DBGridGxSetValueFromPrevRecordKey;
extern TShortCut DBGridGxFindDialogKey;
extern int DBGridGxInplaceSearchTimeOut;
extern TColor DBGridGxInplaceSearchColor;
extern TColor DBGridGxInplaceSearchTextColor;
// Forbids the off-screen painting of every grid (off by default).
extern bool DBGridGxDisableDoubleBuffer;

// The font settings a cell painter changes and puts back.
struct TFontInfoGx {
  int Height = 0;
  TFontPitch Pitch = fpDefault;
  TFontStyles Style;
  TFontCharset Charset = 0;
  std::string Name;
  TColor Color = clWindowText;
};
void SaveFontInfo(TFont* font, TFontInfoGx& info);
// Sets only what differs, so that an unchanged font makes no new handle.
void RestoreFontInfo(TFont* font, const TFontInfoGx& info);
// MM_ANISOTROPIC mapping of Width x Height; mirrored, x runs from the right.
void SetScaledMapping(TCanvas* canvas, bool mirrored, int width, int height);
// Removes one pending message of that number; a removed WM_QUIT is posted again.
void KillMessage(HWND wnd, UINT msg);
inline TGridRect GridRect(int left, int top, int right, int bottom) { return TGridRect{left, top, right, bottom}; }

// The behaviour centre all grids share: its grid list and the indicator-title menu items it
// offers (bit per item). Sorting, filtering and the menu come with the centre's own code.
class TDBGridGxCenter : public TObject {
  FANO_CLASS(TDBGridGxCenter)
 public:
  TDBGridGxCenter();
  // Hands every grid that uses it no centre (the last registered first).
  ~TDBGridGxCenter() override;
  // The grids that use this centre (kept by TCustomDBGridGx::SetCenter); not owned.
  void RegisterGrid(TCustomDBGridGx* grid);
  void UnRegisterGrid(TCustomDBGridGx* grid);
  const std::vector<TCustomDBGridGx*>& Grids() const noexcept { return grids_; }
  int GridCount() const noexcept { return static_cast<int>(grids_.size()); }
  int IndicatorTitleMenuItems() const noexcept { return indicatorTitleMenuItems_; }
  void SetIndicatorTitleMenuItems(int value) noexcept { indicatorTitleMenuItems_ = value; }

  // Sorting, filtering, text search and record moves (gridcenter.cpp): each runs its event when
  // assigned, else the default, which asks the dataset feature object registered for the grid's
  // data set and otherwise falls back to the grid's own behaviour.
  bool IsGridRegistered(TCustomDBGridGx* grid) const;
  virtual bool LocateText(TCustomDBGridGx* grid, const std::string& fieldName, const std::string& text,
                          int options, int direction, int match, int treeScope);
  virtual bool MoveRecords(TCustomDBGridGx* grid, TBMListGx* bookmarks, int toRecNo, bool checkOnly);
  virtual void ApplyFilter(TCustomDBGridGx* grid);
  virtual void ApplySorting(TCustomDBGridGx* grid);
  virtual bool DefaultLocateText(TCustomDBGridGx* grid, const std::string& fieldName, const std::string& text,
                                 int options, int direction, int match, int treeScope);
  virtual bool DefaultMoveRecords(TCustomDBGridGx* grid, TBMListGx* bookmarks, int toRecNo, bool checkOnly);
  virtual void DefaultApplyFilter(TCustomDBGridGx* grid);
  virtual void DefaultApplySorting(TCustomDBGridGx* grid);
  std::function<void(TDBGridGxCenter* sender, TCustomDBGridGx* grid)> OnApplyFilter;
  std::function<void(TDBGridGxCenter* sender, TCustomDBGridGx* grid)> OnApplySorting;
  std::function<bool(TDBGridGxCenter* sender, TCustomDBGridGx* grid, const std::string& fieldName,
                     const std::string& text, int options, int direction, int match, int treeScope)>
      OnLocateText;

  // The find dialog, the indicator-title menu and clicks (gridcenter_menu.cpp).
  // With a registered feature object its dialog, else the grid's own find dialog.
  virtual void ShowFindDialog(TCustomDBGridGx* grid, const std::string& text, const std::string& fieldName,
                              bool modal);
  // The menu the indicator title pops up: OnBuildIndicatorTitleMenu, else the shared menu of the
  // global items (as IndicatorTitleMenuItems and the grid's UseGlobalMenu allow) followed by
  // copies of the grid's own DropdownMenu items.
  void BuildIndicatorTitleMenu(TCustomDBGridGx* grid, TPopupMenu*& menu);
  virtual void DefaultBuildIndicatorTitleMenu(TCustomDBGridGx* grid, TPopupMenu*& menu);
  void CellMouseClick(TCustomDBGridGx* grid, TGridCoord cell, TMouseButton button, TShiftState shift, int x, int y);
  virtual void DefaultCellMouseClick(TCustomDBGridGx* grid, TGridCoord cell, TMouseButton button,
                                     TShiftState shift, int x, int y);
  // The grid's mouse press on the indicator title comes here.
  virtual void IndicatorTitleMouseDown(TCustomDBGridGx* grid, TGridCoord cell, TMouseButton button,
                                       TShiftState shift, int x, int y);
  virtual void DefaultIndicatorTitleMouseDown(TCustomDBGridGx* grid, TGridCoord cell, TMouseButton button,
                                              TShiftState shift, int x, int y);
  void ColumnMenuItemClick(TObject* sender);
  void GridMenuItemClick(TObject* sender);
  // The shared menu (null until first built).
  TPopupMenu* IndicatorTitlePopupMenu() const;
  std::function<void(TDBGridGxCenter* sender, TCustomDBGridGx* grid, TPopupMenu*& menu)> OnBuildIndicatorTitleMenu;
  std::function<void(TDBGridGxCenter* sender, TCustomDBGridGx* grid, TGridCoord cell, TMouseButton button,
                     TShiftState shift, int x, int y)>
      OnCellMouseClick;
  std::function<void(TDBGridGxCenter* sender, TCustomDBGridGx* grid, TGridCoord cell, TMouseButton button,
                     TShiftState shift, int x, int y)>
      OnIndicatorTitleMouseDown;
  // Bit 0: closing the filter editor's list with acceptance applies the filter row; any bit: the
  // list's value commands apply it too. Empty unless a program sets it.
  uint8_t ApplyOnCloseUpFlags() const noexcept { return applyOnCloseUp_; }
  void SetApplyOnCloseUpFlags(uint8_t value) noexcept { applyOnCloseUp_ = value; }

 private:
  class TMenuParts;
  std::unique_ptr<TMenuParts> menuParts_;
  uint8_t applyOnCloseUp_ = 0;
  std::vector<TCustomDBGridGx*> grids_;
  int indicatorTitleMenuItems_ = 0x3F;
};

// An item of the indicator-title menu that shows or hides a column.
class TColumnGxMenuItem : public TMenuItem {
  FANO_CLASS(TColumnGxMenuItem)
 public:
  using TMenuItem::TMenuItem;
  TColumnGx* Column = nullptr;
};

// An item of the indicator-title menu that runs a grid command: 0 none, 1 cut, 2 copy, 3 paste,
// 4 delete, 5 select all.
class TDBGridGxMenuItem : public TMenuItem {
  FANO_CLASS(TDBGridGxMenuItem)
 public:
  using TMenuItem::TMenuItem;
  TCustomDBGridGx* Grid = nullptr;
  uint8_t Action = 0;
};
TDBGridGxCenter* GetGridCenter();
// Clears the unit's centre when it is this one (the centre's destructor).
void ForgetGridCenter(TDBGridGxCenter* center);

void DBGridBeginHourGlass();
void DBGridEndHourGlass();
int DBGridHourGlassDepth();
int FieldValueAsInt32(TField* field, int defaultValue);
bool AllItemsSatisfy(const std::vector<TField*>& fields);
[[noreturn]] void RaiseGridError(const std::string& message);
std::string VarToQuotedList(const Variant& value);
void MirrorRect(TRect& rect, int width);
int TextWidthEx(TCanvas* canvas, std::string_view text);
bool TextExceedsRect(TCanvas* canvas, std::string_view text, const TRect& rect, bool wordWrap, int margin,
                     int bottomMargin, int& textWidth, int& textHeight);

// ---- the grid

// Keeps dgColumnResize and the two column options (dghColumnResize, dghColumnMove) in step when
// one side changes from old to new.
void SyncColumnResizeOptions(TDBGridOptions oldDb, TDBGridOptions& db, TDBGridGxOptions oldGx,
                             TDBGridGxOptions& gx);
// The window timer that ends an in-place search.
constexpr UINT_PTR kDBGridSearchTimer = 2;

using TDBGridGxClickEvent = std::function<void(TColumnGx* column)>;
using TDBGridGxTitleBtnEvent = std::function<void(TObject* sender, int col, TColumnGx* column)>;
using TDBGridGxCheckButtonEvent = std::function<void(TObject* sender, int col, TColumnGx* column, bool& enabled)>;
using TDBGridGxColumnMovedEvent = std::function<void(TObject* sender, int fromIndex, int toIndex)>;
using TDBGridGxRowHeightEvent = std::function<void(TObject* sender, int& rowHeight)>;
using TDBGridGxMoveRecordsEvent = std::function<bool(TObject* sender, TBMListGx* bookmarks, int toRecNo,
                                                    int treeLevel, bool checkOnly)>;

class TCustomDBGridGx : public TCustomGridGx, public IMemTableNotificationGx {
  FANO_CLASS(TCustomDBGridGx)
 public:
  explicit TCustomDBGridGx(TComponent* owner);
  ~TCustomDBGridGx() override;
  void Notification(TComponent* component, TOperation operation) override;
  void DefineProperties(TFiler& filer) override;
  void Loaded() override;

  // ---- sub-objects
  TDBGridColumnsGx* Columns() const noexcept { return columns_.get(); }
  void SetColumns(TDBGridColumnsGx* value) { columns_->Assign(value); }
  TColumnDefValuesGx* ColumnDefValues() const noexcept { return columnDefValues_.get(); }
  void SetColumnDefValues(TColumnDefValuesGx* value) { columnDefValues_->Assign(value); }
  TGridDataLinkGx* DataLink() const noexcept { return dataLink_.get(); }
  TBookmarkListGx* SelectedRows() const noexcept { return bookmarks_.get(); }
  TDBGridGxSelection* Selection() const noexcept { return selection_.get(); }
  TDBGridGxSumList* SumList() const noexcept { return sumList_.get(); }
  // Takes the other list's settings and items into the grid's own.
  virtual void SetSumList(TDBGridGxSumList* value) { sumList_->Assign(value); }
  TDBGridGxScrollBar* HorzScrollBar() const noexcept { return horzScrollBar_.get(); }
  void SetHorzScrollBar(TDBGridGxScrollBar* v) { horzScrollBar_->Assign(v); }
  TDBGridGxScrollBar* VertScrollBar() const noexcept { return vertScrollBar_.get(); }
  void SetVertScrollBar(TDBGridGxScrollBar* v) { vertScrollBar_->Assign(v); }
  TDBGridGxIndicatorTitle* IndicatorTitle() const noexcept { return indicatorTitle_.get(); }
  void SetIndicatorTitle(TDBGridGxIndicatorTitle* v) { indicatorTitle_->Assign(v); }
  TFont* TitleFont() const noexcept { return titleFont_.get(); }
  void SetTitleFont(TFont* value) { titleFont_->Assign(value); }
  TFont* FooterFont() const noexcept { return footerFont_.get(); }
  void SetFooterFont(TFont* value) { footerFont_->Assign(value); }
  TColCellParamsGx* CellParams() const noexcept { return cellParams_.get(); }
  TFont* ScratchFont() const noexcept { return scratchFont_.get(); }
  THeadTreeNode* HeadTree() const noexcept { return headTree_.get(); }
  THeadTreeNode* LeafFor(int columnIndex) const;
  const std::vector<TColumnGx*>& VisibleColumns() const noexcept { return visibleColumns_; }
  const std::vector<TColumnGx*>& SortMarkedColumns() const noexcept { return sortMarked_; }
  std::vector<TColumnGx*>& SortMarkedList() noexcept { return sortMarked_; }
  TDBGridGxStyle* Style() const noexcept { return style_; }
  void SetStyle(TDBGridGxStyle* value);
  // Leaves the style without taking another one: the grid's own colour rules apply.
  void DetachStyle();
  TDBGridGxCenter* Center() const noexcept { return center_; }
  void SetCenter(TDBGridGxCenter* value);
  // Every cell of a row, contra columns included.
  void InvalidateRowCells(int row);
  IMemTableGx* MemTable() const noexcept { return memTable_; }

  // ---- data source
  TDataSource* DataSource() const { return dataLink_->DataSource(); }
  void SetDataSource(TDataSource* value);
  TDataSet* DataSet() const { return dataLink_->DataSet(); }

  // ---- published settings
  TDBGridGxAllowedOperations AllowedOperations() const noexcept { return allowedOperations_; }
  void SetAllowedOperations(TDBGridGxAllowedOperations value) noexcept { allowedOperations_ = value; }
  TDBGridGxAllowedSelections AllowedSelections() const noexcept { return allowedSelections_; }
  void SetAllowedSelections(TDBGridGxAllowedSelections value);
  bool AutoFitColWidths() const noexcept { return autoFitColWidths_; }
  void SetAutoFitColWidths(bool value);
  bool DrawGraphicData() const noexcept { return drawGraphicData_; }
  void SetDrawGraphicData(bool value);
  bool DrawMemoText() const noexcept { return drawMemoText_; }
  void SetDrawMemoText(bool value);
  TDBGridGxEditActions EditActions() const noexcept { return editActions_; }
  void SetEditActions(TDBGridGxEditActions value) noexcept { editActions_ = value; }
  TColor EvenRowColor() const noexcept { return evenRowColorSet_ ? evenRowColor_ : Color(); }
  void SetEvenRowColor(TColor value);
  bool EvenRowColorStored() const noexcept { return evenRowColorSet_; }
  TColor OddRowColor() const noexcept { return oddRowColorSet_ ? oddRowColor_ : Color(); }
  void SetOddRowColor(TColor value);
  bool OddRowColorStored() const noexcept { return oddRowColorSet_; }
  TColor FooterColor() const noexcept { return footerColor_; }
  void SetFooterColor(TColor value);
  int FooterRowCount() const noexcept { return footerRowCount_; }
  void SetFooterRowCount(int value);
  int DataFrozenCols() const noexcept { return frozenCols_; }
  void SetDataFrozenCols(int value);
  int MinAutoFitWidth() const noexcept { return minAutoFitWidth_; }
  void SetMinAutoFitWidth(int value);
  int RowHeight() const noexcept { return rowHeight_; }
  void SetRowHeight(int value);
  int RowLines() const noexcept { return rowLines_; }
  void SetRowLines(int value);
  int TitleHeight() const noexcept { return titleHeight_; }
  void SetTitleHeight(int value);
  int TitleLines() const noexcept { return titleLines_; }
  void SetTitleLines(int value);
  int VTitleMargin() const noexcept { return vTitleMargin_; }
  void SetVTitleMargin(int value);
  bool UseMultiTitle() const noexcept { return useMultiTitle_; }
  void SetUseMultiTitle(bool value);
  bool RowSizingAllowed() const noexcept { return rowSizingAllowed_; }
  void SetRowSizingAllowed(bool value);
  bool SortLocal() const noexcept { return sortLocal_; }
  void SetSortLocal(bool value) noexcept { sortLocal_ = value; }
  TDBGridOptions DBOptions() const noexcept { return dbOptions_; }
  void SetDBOptions(TDBGridOptions value);
  TDBGridGxOptions OptionsGx() const noexcept { return optionsGx_; }
  void SetOptionsGx(TDBGridGxOptions value);
  bool ReadOnly() const noexcept { return readOnly_; }
  void SetReadOnly(bool value);
  TCustomImageList* TitleImages() const noexcept { return titleImages_; }
  void SetTitleImages(TCustomImageList* value);
  TImeMode ImeMode() const noexcept { return imeMode_; }
  void SetImeMode(TImeMode value) noexcept { imeMode_ = value; }
  const std::string& ImeName() const noexcept { return imeName_; }
  void SetImeName(const std::string& value) { imeName_ = value; }
  // The input method of the selected column (its own settings when assigned, else the grid's), given
  // to the grid and its in-place editor; only on far-east systems.
  void SetColumnIme();
  void ApplyColumnIme();
  TImeMode ColumnImeMode() const noexcept { return columnImeMode_; }
  const std::string& ColumnImeName() const noexcept { return columnImeName_; }
  // The columns asked for at the right edge; the layout shows as many of them as there are.
  int ContraColCountProp() const noexcept { return contraColsWanted_; }
  void SetContraColCountProp(int value);
  void SetFixedColorProp(TColor value);

  // ---- events
  TDBGridGxClickEvent OnCellClick;
  TNotifyEvent OnColEnter;
  TNotifyEvent OnColExit;
  TDBGridGxColumnMovedEvent OnColumnMoved;
  TNotifyEvent OnColWidthsChanged;
  TDBGridGxTitleBtnEvent OnTitleBtnClick;
  TDBGridGxCheckButtonEvent OnCheckButton;
  TDBGridGxClickEvent OnTitleClick;
  TDBGridGxRowHeightEvent OnGetRowHeight;
  TNotifyEvent OnSelectionChanged;
  TNotifyEvent OnSortMarkingChanged;
  TNotifyEvent OnSumListRecalcAll;
  TNotifyEvent OnSumListAfterRecalcAll;
  TDBGridGxMoveRecordsEvent OnMoveRecords;
  std::function<void(TObject* sender, TPopupMenu*& menu)> OnBuildIndicatorTitleMenu;
  TNotifyEvent OnIndicatorTitleMouseDown;
  std::function<void(TObject* sender, TColumnGx* column, TFont* font, TColor& background, TGridDrawState state)>
      OnGetCellParams;

  // ---- layout brackets
  void BeginUpdateGx() { ++dbUpdateCount_; }
  void EndUpdateGx();
  int DBUpdateCount() const noexcept { return dbUpdateCount_; }
  void BeginLayout();
  void EndLayout();
  void EndLayoutNoRelayout();
  bool AcquireLayoutLock();
  int LayoutLock() const noexcept { return layoutLock_; }
  bool InLayoutFromDataSet() const noexcept { return layoutFromDataSet_; }
  void SetLayoutFromDataSet(bool value) noexcept { layoutFromDataSet_ = value; }
  bool WriteDisplayWidths() const noexcept { return writeDisplayWidths_; }
  void SetWriteDisplayWidths(bool value) noexcept { writeDisplayWidths_ = value; }

  // ---- columns
  // A column for the indicator or for record numbers.
  int IndicatorOffset() const { return dbOptions_.Contains(dgIndicator) || optionsGx_.Contains(dghShowRecNo) ? 1 : 0; }
  int RawToDataColumn(int col) const { return col - IndicatorOffset(); }
  int DataToRawColumn(int col) const { return col + IndicatorOffset(); }
  // The column shown at a data column index (visible columns only), or null.
  TColumnGx* ColumnAt(int dataCol) const;
  TColumnGx* SelectedColumn() const;
  int SelectedIndex() const { return RawToDataColumn(Col()); }
  void SetSelectedIndex(int dataCol);
  TField* SelectedField() const;
  void SetSelectedField(TField* field);
  // Keeps an open drop-down of the cell editor open and places the filter editor again.
  void InvalidateEditor() override;
  // After columns changed by code: an editor whose column is no longer current is loaded again.
  void ColumnsChangedUnderEditor();
  // The sort-marked list again from the columns' marks, in their sort order.
  void RebuildSortedColumns();
  virtual bool HasIndicatorColumn() const { return dbOptions_.Contains(dgIndicator); }
  void SetCol(int col);
  void ColumnChanged(TColumnGx* column);
  int DefaultTextRowHeight() const;
  int RowExtra() const;

  // ---- layout
  virtual void LayoutChanged();
  virtual void InternalLayout();
  // Tab stops and widths of the base grid's columns from the data columns.
  virtual void SetColumnAttributes();
  // Fonts and column widths multiplied by m / d (a form scaled to another screen density).
  virtual void ChangeScale(int m, int d);
  // Line colours chosen by the last layout pass: the data area's and the footer's.
  TColor DataLineColor() const noexcept { return dataLineColor_; }
  TColor FooterLineColor() const noexcept { return footerLineColor_; }
  virtual void DefineFieldMap();
  virtual void LinkActive(bool value);
  virtual void Scroll(int distance);
  // Auto-scroll: up and down step the data set just past the buffered rows; left and right are the
  // base grid's.
  void TimedScroll(int direction) override;
  virtual void RecordChanged(TField* field);
  // Whether an edit of a cell still waits to be written after the field changed: typed into the
  // editor or handed back for a cell that does not show that field.
  bool EditWaitsPast(TField* field);
  virtual void UpdateData();
  virtual void RefreshLayout();
  void BuildTitleTree();
  void UpdateActive();

  // ---- edit permissions
  bool AllowedOperationsPermitEdit() const;
  bool CanEditShow() override;
  virtual bool AlwaysShowEditor() const { return dbOptions_.Contains(dgAlwaysShowEditor) && !filterEditMode_; }
  bool CanEditAcceptKey(char16_t key) override;
  bool CanEditModify() override;
  bool CanEditModifyColumn(int dataCol);
  bool CanSelectType(TDBGridGxSelectionType kind) const;
  bool InplaceSearching() const noexcept { return inplaceSearching_; }
  bool IsEditorVisible() const;
  std::string GetEditText(int col, int row) override;
  void SetEditText(int col, int row, const std::string& value) override;
  void SaveBookmark();
  void RestoreBookmark();
  int GetDataRowCount() const { return RowCount() - GetTitleOffset(); }
  int GetRecNoOfRow(int row);

  // ---- geometry and scrolling
  int GetTitleOffset() const;
  virtual int TitleRowCount() const { return dbOptions_.Contains(dgTitles) ? 1 : 0; }
  virtual bool IsFilterRowVisible() const;
  int LineWidth() const { return dbOptions_.Contains(dgRowLines) ? GridLineWidth() : 0; }
  int DataRowHeight() const { return dataRowHeight_; }
  // Data rows have room for more than one line of text (found by the layout pass).
  bool MultiLineRows() const noexcept { return multiLineRows_; }
  int RowStep() const { return dataRowHeight_ + LineWidth(); }
  int TitleRowHeight() const { return titleRowHeight_; }
  int IndicatorWidth() const;
  void CalcTitleHeight();
  void CalcDataRowHeight();
  virtual void UpdateRowCount();
  virtual void UpdateVertScrollBar();
  virtual void UpdateHorzScrollBar();
  TGridRect GetDataCellBounds() const;
  TCellTypeGx GetCellType(int col, int row) const;
  int ScrollToRow(int row, bool onlyCompute);
  void ClampTopRow();
  int LastTopRow() const;
  void FetchVisibleRecords();
  void RegisterMemTable();
  int CurrentDataRow();
  bool IsCurrentRecordRow(int row);
  void BeginRowRead(int row);
  void EndRowRead();
  // Scroll-bar values last sent: min, max, page, position (also what an external bar received).
  struct TScrollValues {
    int Min = 0, Max = 0, Page = 0, Pos = 0;
    friend bool operator==(const TScrollValues&, const TScrollValues&) = default;
  };
  TScrollValues VertScrollValues() const noexcept { return vertValues_; }
  TScrollValues HorzScrollValues() const noexcept { return horzValues_; }
  void MemTableVScroll(int code, int trackPos);
  int VisibleDataRowCount() const;

  // ---- row heights from the memory table
  void MemTableRowNotification(int index, int code, int extra) override;
  // The selection, its anchors and a dragged record follow their records across a memory table's
  // row notice.
  void SelectionFollowsRows(int index, int code, int extra);
  // Whether the selection-changed notice waits: inside the grid's update or a memory table's row
  // notice (the table is still in its operation).
  bool SelectionNoticeHeld() const noexcept { return dbUpdateCount_ > 0 || inRowNotice_; }
  // Around an operation of the grid's own that may change a memory table's rows without saying
  // where each went (its notices gathered while the data set's controls are off): the selection
  // is taken by its records before, and found again by them after. Calls nest.
  void BeginKeepSelection();
  // rowsMoved: the operation moved rows whether or not the table said so.
  void EndKeepSelection(bool rowsMoved = false);
  // Runs op between the two, also when it raises.
  void KeepingSelection(const std::function<void()>& op, bool rowsMoved = false);
  // Opens or closes the tree node of a memory-table row (the rows after it come or go, the
  // selection staying on its records); answers the table's row number to make current.
  int SetTreeNodeExpanded(int rowIndex, bool expanded);
  // The memory-table record a bookmark names, or at a position of the table's view; none when
  // there is none or the grid cannot tell.
  TMemoryRecordGx* RecordOfBookmark(const std::string& bookmark);
  TMemoryRecordGx* RecordAtPosition(int position);
  // The positions of the memory table's view: its rows, less the record being inserted.
  int PositionCount();
  // Makes a memory-table record taken earlier current, the edit in progress posted first (which
  // may move it): found at its old position without a search, else wherever the view shows it.
  // False when no row shows it (it may be gone: it is only compared).
  bool GoToRecord(TMemoryRecordGx* rec, int position);
  virtual void RecalcRowHeight(int record);
  virtual void RecalcAllRowHeights();
  bool RowHeightsPending() const noexcept { return rowHeightsPending_; }

  // ---- selection and row movement
  void ClearSelection();
  void ClearSelectionIfOption();
  void MoveRecordSelecting(bool select, int distance, bool toEnd, bool rowsOnly);
  void NextRow(bool select);
  void PriorRow(bool select);
  bool EnterMovesLikeTab() const override { return optionsGx_.Contains(dghEnterAsTab); }
  void TabStep(bool forward);
  bool ConfirmDelete();
  bool KeepSelection() const noexcept { return keepSelection_; }
  void SetKeepSelection(bool value) noexcept { keepSelection_ = value; }
  bool SelectionAnchorSet() const noexcept { return anchorSet_; }
  void SelectionChangedNotice();
  // Gives the notice that waited, once nothing holds it.
  void FlushSelectionChanged() {
    if (selectionChangedPending_ && !SelectionNoticeHeld()) SelectionChangedNotice();
  }
  bool SelectionChangedPending() const noexcept { return selectionChangedPending_; }
  void SetSelectionChangedPending() noexcept { selectionChangedPending_ = true; }
  virtual bool IsCellSelected(int col, int row, const std::string& bookmark, int dataCol);
  // A data row painted as chosen whatever the focus (the lookup grid's row of its key); called
  // while the row's record is readable.
  virtual bool MarkDataRow(int row) {
    (void)row;
    return false;
  }
  std::string RowBookmark(int row);
  // The grid row that shows the record of this bookmark now, or -1 when none does.
  int RowOfRecordBookmark(const std::string& bookmark);
  // The grid row at or next to nearRow that shows this memory-table record now (-1: none). A post
  // moves one record, so the others move by one row at most. The record is only compared, never
  // read: a handler of the post may have freed it.
  int RowOfMemoryRecord(const TMemoryRecordGx* record, int nearRow);

  // ---- drawing
  void DrawCell(int col, int row, const TRect& rect, TGridDrawState state) override;
  // The style's colours of a data cell, or the grid's own without a style; true when it is highlighted.
  virtual bool DataCellColors(int col, int row, TFont* font, TColor& background, TGridDrawState state);
  bool IsFocusedCell(int col, int row);
  // The grid or its in-place editor has the focus.
  virtual bool GridFocused();
  bool DesignOrUpdating() const { return IsUpdating() || dbUpdateCount_ > 0; }

  // ---- mouse (dbgrid_mouse.cpp)
  // The data grid's own drags, on top of the base grid's sizing and moving.
  enum TMouseStateGx : uint8_t {
    msNoneGx = 0, msRowSelectingGx = 1, msColSelectingGx = 2, msRectSelectingGx = 3, msColDraggingGx = 5,
    msTitleSizingGx = 6, msRecordMovingGx = 7
  };
  uint8_t MouseStateGx() const noexcept { return mouseState_; }
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  // One auto-scroll step for the pointer at (x, y) (client) while a selection is dragged past the
  // data area; it re-arms timer 1 by the distance or stops it.
  virtual void AutoScrollStep(int x, int y);
  // Timer 1 of the auto-scroll, re-armed only when the interval changes.
  void StartTimer(UINT interval);
  void StopTimer();
  bool AutoScrollTimerRunning() const noexcept { return autoTimerRunning_; }
  UINT AutoScrollInterval() const noexcept { return autoTimerInterval_; }
  // The raw column whose title is held down as a button, -1 when none.
  int TrackedTitleCol() const noexcept { return titleBtnDown_ ? titleBtnCol_ : -1; }
  // Ends whatever the mouse is doing (a record drag without its drop, a title press, a selecting
  // drag) and lets the mouse go.
  void StopTracking();
  // The leaf part of a title cell (the whole cell without multi-level titles).
  TRect LeafTitleRect(int col, int row) const;
  // Where a press selects whole columns (the low edge of a title) or whole records (the indicator).
  bool InColumnSelectZone(int x, int y);
  bool InRowSelectZone(int x, int y);

  // ---- record dragging by the indicator (dbgrid_recordmove.cpp)
  // Whether the record of a row may be dragged (all may here).
  virtual bool CanStartRecordDrag(int row);
  // The row whose record a plain press at the point would start dragging (the indicator of a
  // record, with dghRecordMoving); -1 when none.
  int RecordDragRowAt(int x, int y);
  // With dghRecordMoving a press on the indicator of a record starts dragging it; true when it did.
  virtual bool StartRecordDrag(TMouseButton button, TShiftState shift, int x, int y);
  // The drop place follows the pointer (client point); past the data area the rows scroll.
  virtual void RecordDragMove(int x, int y);
  // Ends the drag; with drop the records move before (above the source) or after the target.
  virtual void RecordDragDrop(bool drop);
  // A press in the tree column's indent: the node's own box opens or closes it; true for any press
  // in the indent (the cell is not entered).
  virtual bool TreeAreaPress(TMouseButton button, TShiftState shift, int x, int y);
  int RecordDragTargetRow() const noexcept { return dragTargetRow_; }
  int RecordDragLevel() const noexcept { return dragLevel_; }
  bool RecordMoveLineShown() const noexcept { return moveLineShown_; }
  void HideRecordMoveLine();

  // ---- window notices and actions (dbgrid_notices.cpp)
  bool ExecuteAction(TBasicAction* action) override;
  bool UpdateAction(TBasicAction* action) override;
  // Takes a size change that arrived while the grid was locked.
  virtual void DeferredSize();
  bool DeferredSizePending() const noexcept { return deferredSize_; }
  // 1 when the grid paints its own flat border around the client area.
  int FlatBorderWidth() const noexcept { return flatBorderWidth_; }
  // Whether a flat grid paints that border; a window that frames itself answers false.
  virtual bool PaintsFlatBorder() const { return true; }

  // ---- small input hooks
  void DoExit() override;
  bool DoMouseWheelDown(TShiftState shift, const TPoint& mousePos) override;
  bool DoMouseWheelUp(TShiftState shift, const TPoint& mousePos) override;
  void CalcSizingState(int x, int y, TGridState& state, int& index, int& sizingPos, int& sizingOfs,
                       const TGridDrawInfo& info) override;
  void CreateParams(TCreateParams& params) override;
  // The dotted XOR trace of column or row sizing.
  void DrawSizingLine(int x, int y);
  void TitleBtnClick(int col, TColumnGx* column);
  // Sort marking on a title click (gridcenter.cpp): steps the column's marker with dghAutoSortMarking
  // (Ctrl keeps the other markers and defers the change to the release of Ctrl).
  void TitleClickSortMarking(TColumnGx* column, bool ctrl);
  // With dghAutoSortMarking: OnSortMarkingChanged when assigned, else ApplySorting.
  void SortMarkingChanged();
  // Hands the sort markers to the behaviour centre.
  virtual void ApplySorting();
  // OnCheckButton's answer for a data column (numbered as OnTitleBtnClick numbers it); false for a
  // column that does not exist.
  bool CheckTitleButton(int dataCol);
  bool UseThemedFixedCells() const;
  // Themed raised titles and tree lines flicker when painted straight to the window.
  virtual bool NeedsDoubleBuffer();
  virtual bool RowSelectFocused();
  void SetValueFromPrevRecord();
  // The indicator title pressed: with its title button the menu (OnBuildIndicatorTitleMenu) pops
  // up below it; without, a multi-selecting grid selects every record or clears the selection.
  void IndicatorTitleMouseDown();
  virtual void DefaultIndicatorTitleMouseDown();
  // Writes a cell's text to the column's field by the column's kind.
  void WriteColumnText(TColumnGx* column, const std::string& text);
  // Posts one full pass of the sums when they are stale (see MemTableRowNotification).
  void DeferSums();
  // Runs the layout pass from the message queue (at once when no lock is held then).
  void DeferLayout();
  // A field of the data set is being freed: the columns drop it and the grid lays out without it.
  void FieldFreed(TField* field);
  // The field being freed while it is still in its data set's lists: never bound again.
  bool FieldGoing(const TField* field) const noexcept { return field && field == fieldGoing_; }
  void ForgetGoneField();
  static constexpr UINT kDeferredLayoutMessage = 0x464;
  static constexpr UINT kDeferredSumsMessage = 0x5F0;
  // Focuses the grid when it may take the focus; true when the grid or its editor has it.
  virtual bool AcquireFocus();
  bool AcquireFocusAllowed() const noexcept { return acquireFocus_; }
  void SetAcquireFocusAllowed(bool value) noexcept { acquireFocus_ = value; }
  // The grid (or its editor) gained or lost the focus: what paints differently then is repainted
  // when that differs from the last time.
  void FocusLookChanged(bool focused);
  void OptimizeColsWidth(const std::vector<TColumnGx*>& cols);
  // Column sizing inside merged title rows; state 6 when the point is on a column border.
  void CalcTitleSizingState(int x, int y, int& state, int& index, int& sizingPos, int& sizingOffset);
  bool IsTitleSizingPoint(int x, int y);
  // Which cells are raised for a cell of the given state.
  virtual bool CheckCellArea(int col, int row, TGridDrawState state);
  // Indicator glyphs 0..4 (arrow, edit, insert, multi-dot, multi-arrow).
  virtual void DrawIndicatorGlyph(TCanvas* canvas, const TRect& rect, int kind);
  // The indicator title's drop-down sign at the right of the cell's inner part.
  virtual void DrawDropDownSign(TCanvas* canvas, const TRect& inner);
  // A raised (or, when either down flag is set, sunken) cell frame; the sides drawn follow
  // leftSide and rightSide.
  void Paint3DCellFrame(TCanvas* canvas, const TRect& rect, bool leftSide, bool rightSide, bool down1, bool down2);
  // One edit button in a cell: kinds 0 drop-down, 1 ellipsis, 2 an image, 3 up-down. With a
  // border the button is framed in the given colour (or the button face).
  void DrawEditButtonInCell(TCanvas* canvas, const TRect& cellRect, TRect buttonRect, int kind, int downButton,
                            bool active, bool enabled, bool border, bool solidBorder, TColor borderColor,
                            TCustomImageList* images, int imageIndex);
  int EditButtonWidth() const noexcept { return editButtonWidth_; }
  int EditButtonHeight() const noexcept { return editButtonHeight_; }

  // ---- footers and cell painting
  // The text of a footer cell: a formatted aggregate, the current field value or the static text.
  virtual std::string GetFooterValue(int row, TColumnGx* column);
  bool FramesFixedCells() const override { return true; }
  // Around the text of the focused cell, which a tree cell's indent does not belong to.
  bool FramesFocusedCell() const override { return true; }
  // Raised cells take the soft edge, but for a flat grid under themes.
  bool SoftFrames() const override;
  // Raised cells drawn through the visual theme.
  virtual bool IsThemedCell(int col, int row, TGridDrawState state, const TRect& rect);
  // The tree's lines and indent go with the first column shown, whatever is hidden before it.
  bool IsTreeColumn(const TColumnGx* column) const {
    return memTable_ && memTable_->IsTreeView() && !visibleColumns_.empty() && column == visibleColumns_.front();
  }
  // Colours of a selected fixed cell (title, indicator, footer); true when they were set.
  virtual bool FixedCellColors(int col, const TCellTypeGx& type, TFont* font, TColor& background, bool down);
  virtual void DrawTitleCell(int col, int row, const TCellTypeGx& type, TGridDrawState state, TRect rect);
  virtual void DrawIndicatorCell(int col, int row, const TCellTypeGx& type, TGridDrawState state, TRect rect);
  virtual void DrawDataCell(int col, int row, const TCellTypeGx& type, TGridDrawState state, TRect rect);
  virtual void DrawFooterCell(int col, int row, const TCellTypeGx& type, TGridDrawState state, TRect rect);
  // A title or footer cell counts as selected (its column, or all, is selected); the indicator
  // cells as their rows.
  virtual bool IsFixedCellSelected(int col, int row, const TCellTypeGx& type, TGridDrawState state);
  // The event hooks: each fires its event when one is assigned.
  virtual void GetCellParams(TColumnGx* column, TFont* font, TColor& background, TGridDrawState state);
  virtual void GetFooterParams(int dataCol, int row, TColumnGx* column, TFont* font, TColor& background,
                               TAlignment& alignment, TGridDrawState state, std::string& text);
  virtual void DrawColumnCell(const TRect& rect, int dataCol, TColumnGx* column, TGridDrawState state);
  virtual void DrawFieldCell(const TRect& rect, TField* field, TGridDrawState state);
  // The filter row's cell of a column (the filter row's own painter).
  virtual void PaintFilterCell(TCanvas* canvas, TColumnGx* column, int dataCol, const TRect& rect, const TRect& inner,
                               int dx, int dy);
  bool IsDataRowInBuffer(int row);
  int RecordNumberOfRow(int row);
  std::string CellTextOfRow(TColumnGx* column, int row);
  // The display text of the record before the grid's first buffered row, for a dataset that is
  // not a memory table; false when there is none.
  bool TextBeforeBuffer(TColumnGx* column, std::string& text);
  // Some grid is moving its dataset to read that record: the change notice ending it is no news.
  static bool ReadingBeforeBuffer() noexcept;
  int NodeWidth(THeadTreeNode* node) const;
  // Title tree bands: measured at layout (a node's Height is its own band; a leaf's is what its
  // level leaves for it), read by painting and hit tests.
  int MeasureTitleTree();
  int MeasureTitleLevel(THeadTreeNode* first, TCanvas* canvas);
  int MeasureTitleNode(THeadTreeNode* node, TCanvas* canvas);
  int TitleBandsAbove(const THeadTreeNode* node) const;
  void DrawTitleNodes(THeadTreeNode* leaf, const TRect& cell, TGridDrawState state, bool endEllipsis);
  virtual int DrawTreeNode(TCanvas* canvas, const TRect& rect, TColor background);
  // A graphic field's cell: its picture, or its display text when pictures are not drawn.
  virtual void DrawGraphicCell(TCanvas* canvas, const TRect& rect, TColumnGx* column, const std::string& text, int dx,
                               int dy);
  // Set by the mouse handling while a title button (or the indicator title) is held down.
  int PressedTitleCol() const noexcept { return pressedTitleCol_; }
  void SetPressedTitleCol(int col) noexcept { pressedTitleCol_ = col; }
  // The typed text of a running in-place search (empty when none runs).
  const std::string& InplaceSearchText() const noexcept { return inplaceSearchText_; }
  void SetInplaceSearchText(const std::string& text) { inplaceSearchText_ = text; }
  std::function<void(TObject* sender, int dataCol, int row, TColumnGx* column, TFont* font, TColor& background,
                     TAlignment& alignment, TGridDrawState state, std::string& text)>
      OnGetFooterParams;
  std::function<void(TObject* sender, int dataCol, int row, TColumnGx* column, const TRect& rect,
                     TGridDrawState state)>
      OnDrawFooterCell;
  std::function<void(TObject* sender, const TRect& rect, int dataCol, TColumnGx* column, TGridDrawState state)>
      OnDrawColumnCell;
  std::function<void(TObject* sender, const TRect& rect, TField* field, TGridDrawState state)> OnDrawDataCell;
  std::function<void(TObject* sender, TColumnGx* column, TFont* font, TColor& background, TSortMarkerGx& sortMarker,
                     bool isDown)>
      OnGetBtnParams;

  // ---- hooks
  virtual void CellClick(TColumnGx* column);
  virtual void ColEnter();
  virtual void ColExit();
  virtual void TitleClick(TColumnGx* column);
  void InvalidateTitle();
  void InvalidateFooter();

  // ---- keyboard and in-place search (dbgrid_keys.cpp)
  void KeyDown(uint16_t& key, TShiftState shift) override;
  void KeyPress(TKeyChar& key) override;
  void KeyUp(uint16_t& key, TShiftState shift) override;
  void WndProc(TMessage& message) override;
  // A driver's request for a cell by line (from 1; -1 the last) and field: the grid takes the
  // focus and makes that cell current; false when there is no such line or shown field.
  bool GoToDriverCell(int line, const std::string& field, RECT& cell);
  // WM_PAINT without a device context, painted off-screen and copied to the window.
  void PaintBuffered(TMessage& message);
  // Adds text to the search and finds the next match in the current column; direction 0 up,
  // 1 down, 2 all; a time-out of -1 keeps the search running until it is stopped.
  void InplaceSearchText(const std::string& text, int timeOut, int direction);
  void StopInplaceSearch();
  int InplaceSearchTimeOut() const noexcept { return inplaceSearchTimeOut_; }
  bool InplaceSearchTimerRunning() const noexcept { return searchTimerRunning_; }
  // The text of the character being handled (empty outside WM_CHAR).
  const std::string& TypedChars() const noexcept { return typedChars_; }
  // Moves the record to the first one whose text in the current column starts with `text`
  // (ignoring case); false leaves the record where it was.
  virtual bool LocateText(const std::string& text, int direction);
  virtual void ShowFindDialog(const std::string& text, const std::string& fieldName, bool modal);
  virtual bool FindDialogModal() const { return true; }
  // Makes rawCol current, skipping invisible columns in the direction (+1 / -1).
  void MoveCol(int rawCol, int direction, bool extendSelection);
  bool CanCopy() const;
  bool CanPaste() const;
  bool CanCut() const;
  bool CanSelectAll() const;
  bool CanClearSelection() const;
  // Deletes (or clears) what is selected, after the confirmation the selection kind calls for.
  bool DeleteSelection();
  bool SortMarkingPending() const noexcept { return sortMarkingPending_; }
  void SetSortMarkingPending(bool value) noexcept { sortMarkingPending_ = value; }

  // ---- the filter row (dbgrid_filterrow.cpp)
  TSTDBGridGxFilter* STFilter() const;
  void SetSTFilter(TSTDBGridGxFilter* value);
  // The column exists, is visible and has a filter cell.
  bool IsColumnFilterVisible(int dataCol) const;
  // The text a filter cell shows.
  std::string GetColumnFilterText(int dataCol) const;
  // Opens the filter editor on the column's filter cell (the way in from the data rows too).
  void StartFilterEdit(int dataCol);
  void StopFilterEdit();
  virtual void StoreFilterEditText(int dataCol);
  virtual void LoadFilterEditor(int dataCol);
  // Places the editor on the filter cell (with reload, filled again from the column and all of
  // its text selected). A reload the user did not ask for (the data or the columns changed) may
  // keep the caret where the user left it, so the next key typed does not replace the text.
  void ShowFilterEditor(bool reload, bool keepCaret = false);
  void HideFilterEditor();
  // Stores the edited text and hands the whole row to OnApplyFilter or ApplyFilter.
  void FilterRowChanged();
  // Hands the filter row to the behaviour centre.
  virtual void ApplyFilter();
  void ClearAllFilters();
  virtual TInplaceFilterEditGx* CreateFilterEditor();
  virtual bool CanShowFilterEditor();
  bool IsFilterRow(int row) const;
  TInplaceFilterEditGx* FilterEditor() const noexcept { return filterEditor_; }
  // The data column being edited (-1 for none) and whether filter editing is on.
  int FilterCol() const noexcept { return filterCol_; }
  bool FilterEditMode() const noexcept { return filterEditMode_; }
  // Colour of filter cells and their editor: FixedColor lightened by an eighth.
  TColor FilterCellColor() const;
  // Keys of the filter editor, seen before the editor's own handling.
  void FilterEditKeyDown(uint16_t& key, TShiftState shift);
  void FilterEditKeyPress(TKeyChar& key);
  // The filter editor's text changed, typed or set by code: the column keeps it unparsed, so that
  // a reload of the editor shows it again.
  void FilterEditTextChanged();
  std::function<void(TObject* sender)> OnApplyFilter;
  // After columns moved, were sized or scrolled: the editor follows its cell (or the column, when
  // given, to its new place).
  void FilterColumnMoved(TColumnGx* column);
  // Up from the data into the filter row: at the first record, or with Ctrl. True when the
  // filter editor took the focus (the key is then used up).
  bool EnterFilterRowByKey(TShiftState shift);
  // A press on a filter cell opens its editor (true: the press is used up); a press on the data
  // ends filter editing and goes on.
  bool FilterRowMouseMessage(TMessage& m);

  // ---- window messages and tool tips (dbgrid_messages.cpp)
  // Fills the hint of the cell under info.CursorPos; false when the cell needs no tool tip.
  bool CellToolTip(THintInfo& info);

  // ---- in-place editor hand-off (dbgrid_inplace.cpp)
  std::string GetEditMask(int col, int row) override;
  int GetEditLimit() override;
  // The value the editor chose for a lookup or key-list cell showing `text`; the grid writes it
  // instead of the text while the edit text is still that text.
  void SetEditValue(const Variant& value, const std::string& text);
  bool EditValuePending() const noexcept { return editValueSet_; }
  const Variant& EditValue() const noexcept { return editValue_; }
  // The text the grid keeps for the current cell: the one handed back, else the field's.
  std::string EditText() {
    return editPending_ && editColumn_ && editColumn_ == SelectedColumn() ? editText_ : GetEditText(Col(), Row());
  }
  virtual void EditButtonClick();
  TNotifyEvent OnEditButtonClick;

 protected:
  virtual TColumnDefValuesGx* CreateColumnDefValues();
  virtual TDBGridColumnsGx* CreateColumns();
  // Puts other column classes in place while the grid has no columns yet (a derived grid's
  // constructor: the base constructor cannot reach its overrides).
  void ReplaceColumns(TColumnDefValuesGx* defValues, TDBGridColumnsGx* columns);
  // The fields that default columns show: the dataset's visible fields.
  virtual void GetDefaultColumnFields(std::vector<TField*>& fields);
  TInplaceEdit* CreateEditor() override;
  void ColumnMoved(int fromIndex, int toIndex) override;
  void ColWidthsChanged() override;
  // A row sized by the user sets the height of every data row.
  void RowHeightsChanged() override;
  void TopLeftChanged() override;
  void CurrentMoved(TGridCoord oldCurrent) override;
  bool SelectCell(int col, int row) override;
  void DefaultCellMouseClick(TGridCoord cell, TMouseButton button, TShiftState shift, int x, int y) override;
  void CreateWnd() override;
  void Resize() override;
  void FlatChanged() override;
  void Dispatch(TMessage& message) override;

 private:
  friend class TGridDataLinkGx;
  friend class TDBGridColumnsGx;
  friend class TColumnGx;
  friend class TDBGridGxSelectionRect;
  friend class TDBGridInplaceEdit;
  void TitleFontChanged();
  void FooterFontChanged();
  void UpdateRowCountBuffer();
  void UpdateRowCountMemTable();
  void UpdateVertScrollBarBuffer();
  void UpdateVertScrollBarMemTable();
  void SendVertScrollInfo(const TScrollValues& v, bool haveRange);
  void MoveCurrentToRecord();
  bool WheelStep(bool down, TShiftState shift, const TPoint& mousePos);
  void StepRecord(int distance, bool toEnd, bool& moved);
  void RowSelectStep(bool select, int direction, bool& stop);
  void RebuildVisibleColumns();
  // The base grid's options from Options, OptionsGx and RowSizingAllowed.
  void ApplyBaseOptions();
  void AutoFitColumnWidths();
  void ApplyFrozenColumns();
  int LayoutContraCols(int count) const;
  void DropGridBuiltBeforeStored();
  void UpdateGridLineColors();
  void LoadedColumnSizing();
  void BuildDefaultColumns();

  std::unique_ptr<TColumnDefValuesGx> columnDefValues_;
  std::unique_ptr<TDBGridColumnsGx> columns_;
  std::vector<TColumnGx*> visibleColumns_;
  std::unique_ptr<TGridDataLinkGx> dataLink_;
  std::unique_ptr<TFont> titleFont_;
  std::unique_ptr<TFont> footerFont_;
  std::unique_ptr<TBookmarkListGx> bookmarks_;
  std::unique_ptr<THeadTreeNode> headTree_;
  std::vector<THeadTreeNode*> leaves_;
  std::unique_ptr<TDBGridGxSumList> sumList_;
  std::unique_ptr<TDBGridGxScrollBar> horzScrollBar_;
  std::unique_ptr<TDBGridGxScrollBar> vertScrollBar_;
  std::vector<TColumnGx*> sortMarked_;
  std::unique_ptr<TDBGridGxSelection> selection_;
  std::unique_ptr<TColCellParamsGx> cellParams_;
  std::unique_ptr<TDBGridGxIndicatorTitle> indicatorTitle_;
  std::unique_ptr<TFont> scratchFont_;
  TDBGridGxStyle* style_ = nullptr;
  TDBGridGxCenter* center_ = nullptr;
  TCustomImageList* titleImages_ = nullptr;
  std::unique_ptr<TChangeLink> titleImagesLink_;
  IMemTableGx* memTable_ = nullptr;
  TDataSet* memTableDataSet_ = nullptr;

  TDBGridGxAllowedOperations allowedOperations_ = kAllAllowedOperations;
  TDBGridGxAllowedSelections allowedSelections_ = kDefaultAllowedSelections;
  bool autoFitColWidths_ = false;
  bool drawGraphicData_ = false;
  bool drawMemoText_ = false;
  TDBGridGxEditActions editActions_;
  TColor evenRowColor_ = clWindow;
  bool evenRowColorSet_ = false;
  TColor oddRowColor_ = clWindow;
  bool oddRowColorSet_ = false;
  TColor footerColor_ = clWindow;
  TColor dataLineColor_ = clBlack;
  TColor footerLineColor_ = clSilver;
  int footerRowCount_ = 0;
  int frozenCols_ = 0;
  int contraColsWanted_ = 0;
  int minAutoFitWidth_ = 0;
  int rowHeight_ = 0;
  int rowLines_ = 0;
  int titleHeight_ = 0;
  int titleLines_ = 0;
  int vTitleMargin_ = 10;
  bool useMultiTitle_ = false;
  bool rowSizingAllowed_ = false;
  bool sortLocal_ = false;
  TDBGridOptions dbOptions_ = kDefaultDBGridOptions;
  TDBGridGxOptions optionsGx_ = kDefaultDBGridGxOptions;
  bool readOnly_ = false;
  TImeMode imeMode_ = imDontCare;
  std::string imeName_;
  TImeMode columnImeMode_ = imDontCare;  // what the windows were last given
  std::string columnImeName_;

  int dbUpdateCount_ = 0;
  int layoutLock_ = 0;
  TField* fieldGoing_ = nullptr;  // compared only, never read
  bool layoutFromDataSet_ = false;
  bool writeDisplayWidths_ = true;
  bool acquireFocus_ = true;
  bool focusLook_ = false;
  int textLineGap_ = 4;
  int dataRowHeight_ = 18;
  int titleRowHeight_ = 18;
  bool inRefreshLayout_ = false;
  bool inLayout_ = false;
  bool inColWidthsChanged_ = false;
  bool multiLineRows_ = false;
  bool searchLocating_ = false;  // the in-place search is moving the record
  bool rowHeightsPending_ = false;
  bool fetching_ = false;
  int rowReadDepth_ = 0;
  int savedActiveRecord_ = -1;
  std::string savedBookmark_;
  int savedOffset_ = 0;
  // The memory-table record the saved bookmark named: only compared, as it may be gone.
  TMemoryRecordGx* savedRecord_ = nullptr;
  TScrollValues vertValues_{-1, -1, -1, -1};
  TScrollValues horzValues_{-1, -1, -1, -1};
  TScrollBarVisibleModeGx lastVertMode_ = sbAutoShowGx;
  bool vertBarShown_ = false;
  bool titlesAtLeft_ = true;

  // selection anchor and flags
  bool anchorSet_ = false;
  std::string anchorBookmark_;
  bool anchorWasSelected_ = false;
  bool keepSelection_ = false;
  bool selectionChangedPending_ = false;
  int filterCol_ = -1;
  int filterColumnId_ = -1;  // the edited column's ID: its place changes when columns come and go
  bool filterEditMode_ = false;
  TInplaceFilterEditGx* filterEditor_ = nullptr;
  bool filterWheel_ = false;  // a wheel turn handed to the filter editor
  mutable std::unique_ptr<TSTDBGridGxFilter, TFilterRowDeleterGx> stFilter_;
  void FilterBeforeDropDown();
  void FilterBeforeCloseUp(bool& accept);
  void FilterCloseUp(bool accept);
  void MoveFilterCell(int direction, bool toEnd);
  bool destroying_ = false;
  bool inSelectCell_ = false;
  // Inside a memory table's row notice: the grid moves its own rows and current cell only.
  bool inRowNotice_ = false;
  // The grid row (less the title rows) of the record a memory table is inserting, which the
  // table's positions do not count: -1 none, -2 inserting where the grid was not told.
  int noticedInsertRow_ = -1;
  // The selection by its records while an operation keeps it (BeginKeepSelection).
  struct TKeptSelection {
    std::vector<std::string> rows;  // the bookmarks as they were, and their records
    std::vector<const TMemoryRecordGx*> rowRecords;
    std::string rectAnchor, rectShift, anchor;
    const TMemoryRecordGx* rectAnchorRecord = nullptr;
    const TMemoryRecordGx* rectShiftRecord = nullptr;
    const TMemoryRecordGx* anchorRecord = nullptr;
  };
  TKeptSelection kept_;
  int keepSelectionDepth_ = 0;
  bool keptRowsChanged_ = false;
  int editButtonWidth_ = 0;
  int editButtonHeight_ = 0;
  std::string editText_;
  TColumnGx* editColumn_ = nullptr;  // the column editText_ was typed into (none once freed)
  TColumnGx* editorColumn_ = nullptr;  // the column the in-place editor was loaded for (none once freed)
  bool editPending_ = false;
  // The text UpdateData wrote last and its column: the same text handed back as the editor hides
  // is nothing new, even where the field shows it otherwise (a lookup text that matched nothing).
  std::string writtenText_;
  TColumnGx* writtenColumn_ = nullptr;
  int pressedTitleCol_ = -1;

  // in-place search
  bool inplaceSearching_ = false;
  std::string inplaceSearchText_;
  int inplaceSearchTimeOut_ = -1;
  bool searchTimerRunning_ = false;
  std::string typedChars_;
  bool sortMarkingPending_ = false;
  void HandleCharMessage(TMessage& m);
  void RestartSearchTimer();
  Variant editValue_;
  std::string editValueText_;
  Variant lookupKeyValue_;  // the key of the record whose lookup text was asked last
  bool editValueSet_ = false;
  bool thumbHandled_ = false;
  std::unique_ptr<TFont> toolTipFont_;

  // record dragging
  int RecordNumberForRow(int row);
  int TreeLevelOfRow(int row);
  int DataAreaLeft() const;
  void DrawRecordMoveLine(int currentX);
  bool MoveRecordsTo(TBMListGx* list, int toRecNo, bool checkOnly);
  int dragSourceRow_ = -1;
  int dragTargetRow_ = -1;
  int dragSourceRecNo_ = 0;
  int dragLevel_ = 0;
  std::string dragBookmark_;
  bool moveLineShown_ = false;
  struct TMoveLine {
    int StartX = 0, Y = 0, EndX = 0;
  } moveLine_;

  // notices
  bool WindowNotice(TMessage& m);
  void SizeChangedLayout();
  void PaintFlatBorder();
  bool deferredSize_ = false;
  int flatBorderWidth_ = 0;
  bool parentFontChanging_ = false;

  // mouse
  bool MouseMessage(TMessage& m);
  void MouseCancelMode();
  void StopTitleTracking();
  void MouseDoubleClick(TShiftState shift, int x, int y, const TGridDrawInfo& info);
  void MoveTraceSizing(int x);
  uint8_t mouseState_ = msNoneGx;
  TPoint downPoint_;
  TPoint movePoint_;
  bool titleBtnDown_ = false;
  int titleBtnCol_ = -1;
  bool rightDrag_ = false;
  TGridCoord pressedCheckCell_{-1, -1};
  bool rowSelecting_ = false;
  bool rectSelecting_ = false;
  bool autoDragPress_ = false;
  bool dragSelectionPending_ = false;
  bool treeAreaPressed_ = false;  // the tree's indent took the last press: its release is no cell click
  bool autoTimerRunning_ = false;
  UINT autoTimerInterval_ = 0;
  int titleSizingIndex_ = -1;
  int titleSizingPos_ = 0;
  int titleSizingOfs_ = 0;
  bool HandleScrollMessage(TMessage& m);
};

class TDBGridGx : public TCustomDBGridGx {
  FANO_CLASS(TDBGridGx)
 public:
  using TCustomDBGridGx::TCustomDBGridGx;
};

// What the clipboard keys and the find key of the grid do: the export unit and the find dialog
// fill these in when they are linked in; an empty one leaves the key without effect. ClearCells
// clears the cells of a rectangle or column selection after the keys have asked for confirmation.
struct TDBGridGxLinkedActions {
  std::function<void(TCustomDBGridGx*)> Copy;
  std::function<void(TCustomDBGridGx*)> Cut;
  std::function<void(TCustomDBGridGx*)> Paste;
  std::function<void(TCustomDBGridGx*)> ClearCells;
  std::function<void(TCustomDBGridGx*, const std::string& text, const std::string& fieldName, bool modal)>
      ShowFindDialog;
};
TDBGridGxLinkedActions& DBGridGxLinkedActions();

// The action classes a focused grid runs as its copy, cut, paste, select-all and delete actions
// (ExecuteAction, UpdateAction); an action of a class derived from one of them counts too. None
// is set until the application names its edit actions.
struct TDBGridGxEditActionClasses {
  TClass Copy = nullptr;
  TClass Cut = nullptr;
  TClass Paste = nullptr;
  TClass SelectAll = nullptr;
  TClass Delete = nullptr;
};
TDBGridGxEditActionClasses& DBGridGxEditActionClasses();
