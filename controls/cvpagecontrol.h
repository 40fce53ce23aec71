#pragma once
// TCvPageControl: a tabbed page container on the platform's tab control. The native control keeps
// the tab strip, its geometry and its keyboard and mouse choice; this class keeps the pages
// (TCvTabSheet) in page order, hidden tabs included, with their colours, close buttons and images,
// and, unless TabBorder3D, paints the strip, the tabs in one of three styles and the page frame
// itself, double-buffered (cvpagecontrol_paint.cpp). Close buttons, hover, Ctrl+Tab and docked
// forms are handled in cvpagecontrol_input.cpp.
//
// Page indexes count every page; tab indexes only the pages whose tab shows. TabAtPos and
// TabRectOfPage turn one into the other.
//
//   auto* pages = new TCvPageControl(form);
//   pages->SetParent(form);
//   auto* sheet = new TCvTabSheet(form);
//   sheet->SetPageControl(pages);
//   sheet->SetCaption("明细");
//   pages->SetActivePage(sheet);
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "controls/flatutilitys.h"
#include "platform/forms/comctrls.h"
#include "platform/forms/imglist.h"

// The page control's own tab styles (the tab control's TTabStyle names its native looks).
namespace CvPageControl {
enum TTabStyle { tsClassic, tsDotNet, tsOndrel };
}  // namespace CvPageControl
using TCvTabStyle = CvPageControl::TTabStyle;

enum TGradientDirection { gdVertical, gdHorizontal };
using TMarginSize = int32_t;
using TTabOverlapSize = int;  // 0..15

class TCvPageControl;
class TCvTabSheet;

using TCanCloseEvent = std::function<void(TObject* sender, bool& canClose)>;
using TCanChangeEvent = std::function<void(TObject* sender, int fromPage, int toPage, bool& allowChange)>;

// Extra room of the tabs: left and top margins move a tab's contents, the sum of the left (top for
// side tabs) and right margins widens every tab.
class TTabMargin : public TPersistent {
  FANO_CLASS(TTabMargin)
 public:
  TTabMargin() = default;
  void Assign(TPersistent* source) override;
  TMarginSize LeftMargin() const noexcept { return margins_[0]; }
  TMarginSize TopMargin() const noexcept { return margins_[1]; }
  TMarginSize RightMargin() const noexcept { return margins_[2]; }
  void SetMargin(int index, TMarginSize value);
  void SetLeftMargin(TMarginSize v) { SetMargin(0, v); }
  void SetTopMargin(TMarginSize v) { SetMargin(1, v); }
  void SetRightMargin(TMarginSize v) { SetMargin(2, v); }
  // Called with (new, old, index) before a changed margin is stored.
  std::function<void(int newValue, int oldValue, int index)> OnMarginChange;

 private:
  TMarginSize margins_[3] = {0, 0, 0};
};

class TCvTabSheet : public TCustomControl {
  FANO_CLASS(TCvTabSheet)
 public:
  explicit TCvTabSheet(TComponent* owner);
  ~TCvTabSheet() override;

  TCvPageControl* PageControl() const noexcept { return pageControl_; }
  void SetPageControl(TCvPageControl* control);
  // Position in the owner's pages (-1 without owner). Setting it past the last page raises
  // EListError.
  int PageIndex() const;
  void SetPageIndex(int value);
  // Position among the pages whose tab shows (-1 when this one's does not).
  int TabIndex() const;

  // The caption; the native tab gets NativeText, which only sizes the tab.
  void SetCaption(std::string_view value) { SetText(value); }
  const std::string& NativeText() const noexcept { return nativeText_; }
  TColor TextColor() const noexcept { return textColor_; }
  void SetTextColor(TColor v);
  TColor TabColor() const noexcept { return tabColor_; }
  void SetTabColor(TColor v);
  TColor TabColorTo() const noexcept { return tabColorTo_; }
  void SetTabColorTo(TColor v);
  bool ShowClose() const noexcept { return showClose_; }
  void SetShowClose(bool v);
  TGradientDirection TabGradientDirection() const noexcept { return tabGradientDirection_; }
  void SetTabGradientDirection(TGradientDirection v);
  TGradientDirection HoverGradientDirection() const noexcept { return hoverGradientDirection_; }
  void SetHoverGradientDirection(TGradientDirection v) { hoverGradientDirection_ = v; }
  // Below 0 is kept as -1 (and the native tab gets image 0).
  int ImageIndex() const noexcept { return imageIndex_; }
  void SetImageIndex(int v);
  int NativeImageIndex() const noexcept { return nativeImageIndex_; }
  int ActiveImageIndex() const noexcept { return activeImageIndex_; }
  void SetActiveImageIndex(int v) { activeImageIndex_ = v < 0 ? -1 : v; }
  bool TabVisible() const noexcept { return tabVisible_; }
  void SetTabVisible(bool v);
  bool TabShowing() const noexcept { return tabShowing_; }
  bool Highlighted() const noexcept { return highlighted_; }
  void SetHighlighted(bool v);
  // Disabling the active page raises "Can not disable active tab.".
  bool TabEnable() const noexcept { return tabEnable_; }
  void SetTabEnable(bool v);
  // The sheet's colour (Color) runs to ColorTo in a vertical gradient; clNone: plain.
  void SetColor(TColor v);
  TColor ColorTo() const noexcept { return colorTo_; }
  void SetColorTo(TColor v);

  TNotifyEvent OnHide;
  TNotifyEvent OnShow;
  TNotifyEvent OnClose;
  TCanCloseEvent OnCanClose;

  void CreateParams(TCreateParams& params) override;
  void Dispatch(TMessage& m) override;
  void SetParentComponent(TComponent* parent) override;

 protected:
  void Paint() override;

 private:
  friend class TCvPageControl;
  void UpdateTabShowing();
  void SetTabShowing(bool v);
  void UpdateNativeText();
  void RepaintOwner();
  std::string nativeText_;
  TColor textColor_ = 0;
  TColor tabColor_ = clNone;
  TColor tabColorTo_ = clNone;
  bool showClose_ = false;
  TGradientDirection tabGradientDirection_ = gdVertical;
  TGradientDirection hoverGradientDirection_ = gdVertical;
  int imageIndex_ = 0;
  int nativeImageIndex_ = 0;
  TCvPageControl* pageControl_ = nullptr;
  bool tabVisible_ = true;
  bool tabShowing_ = false;
  bool highlighted_ = false;
  bool tabEnable_ = true;
  TColor colorTo_ = clNone;
  int activeImageIndex_ = 0;
};

class TCvPageControl : public TCustomTabControl {
  FANO_CLASS(TCvPageControl)
 public:
  explicit TCvPageControl(TComponent* owner);
  ~TCvPageControl() override;
  void BeforeDestruction() override;

  // ---- pages
  int GetPageCount() const noexcept { return static_cast<int>(pages_.size()); }
  int PageCount() const noexcept { return GetPageCount(); }
  // The index must be valid.
  TCvTabSheet* GetPage(int index) const { return pages_.at(static_cast<size_t>(index)); }
  TCvTabSheet* Pages(int index) const { return GetPage(index); }
  TCvTabSheet* ActivePage() const noexcept { return activePage_; }
  void SetActivePage(TCvTabSheet* page);
  int ActivePageIndex() const;
  void SetActivePageIndex(int index);
  // The next page from cur (wrapping), visible tabs only when checkTabVisible; null when none.
  TCvTabSheet* FindNextPage(TCvTabSheet* cur, bool goForward, bool checkTabVisible) const;
  void SelectNextPage(bool goForward);
  // The page index of the tab at a client point (-1 outside the tabs).
  int TabAtPos(int x, int y);
  // The native rectangle of a page's tab (empty when its tab does not show).
  TRect TabRectOfPage(int pageIndex);
  TCvTabSheet* NewDockSheet() const noexcept { return newDockSheet_; }
  TCvTabSheet* UndockingPage() const noexcept { return undockingPage_; }
  // Pages closed while FreeOnClose is off, by Name with the page as object.
  TStringList* ClosedPages() const noexcept { return closedPages_.get(); }

  // ---- look
  TTabMargin* TabMargin() const noexcept { return tabMargin_.get(); }
  void SetTabMargin(TTabMargin* v);
  TCustomImageList* Images() const noexcept { return images_; }
  void SetImages(TCustomImageList* v);
  TCustomImageList* SizingImages() const noexcept { return sizingImages_.get(); }
  TColor DefaultTextColor() const noexcept { return defaultTextColor_; }
  void SetDefaultTextColor(TColor v);
  TColor DefaultTabColor() const noexcept { return defaultTabColor_; }
  void SetDefaultTabColor(TColor v);
  TColor DefaultTabColorTo() const noexcept { return defaultTabColorTo_; }
  void SetDefaultTabColorTo(TColor v);
  TColor ActiveColor() const noexcept { return activeColor_; }
  void SetActiveColor(TColor v);
  TColor ActiveColorTo() const noexcept { return activeColorTo_; }
  void SetActiveColorTo(TColor v);
  bool TabBorder3D() const noexcept { return tabBorder3D_; }
  void SetTabBorder3D(bool v);
  TColor TabBorderColor() const noexcept { return tabBorderColor_; }
  void SetTabBorderColor(TColor v);
  TColor TabHoverColor() const noexcept { return tabHoverColor_; }
  void SetTabHoverColor(TColor v);
  TColor TabHoverColorTo() const noexcept { return tabHoverColorTo_; }
  void SetTabHoverColorTo(TColor v);
  TColor TabHoverBorder() const noexcept { return tabHoverBorder_; }
  void SetTabHoverBorder(TColor v);
  bool ShowFocus() const noexcept { return showFocus_; }
  void SetShowFocus(bool v);
  bool CloseHot() const noexcept { return closeHot_; }
  TTabOverlapSize TabOverlap() const noexcept { return tabOverlap_; }
  void SetTabOverlap(TTabOverlapSize v);
  bool TabSheet3D() const noexcept { return tabSheet3D_; }
  void SetTabSheet3D(bool v);
  TColor TabSheetBorderColor() const noexcept { return tabSheetBorderColor_; }
  void SetTabSheetBorderColor(TColor v);
  TColor TabBackGroundColor() const noexcept { return tabBackGroundColor_; }
  void SetTabBackGroundColor(TColor v);
  // True while TabStyle is tsDotNet or tsOndrel raises "TabSplitLine must be false when TabStyle
  // is tsDotNet/tsOndrel".
  bool TabSplitLine() const noexcept { return tabSplitLine_; }
  void SetTabSplitLine(bool v);
  bool RoundEdges() const noexcept { return roundEdges_; }
  void SetRoundEdges(bool v);
  int HoverIndex() const noexcept { return hoverIndex_; }
  TBitmap* TabBackGround() const noexcept { return tabBackGround_.get(); }
  void SetTabBackGround(TBitmap* v);
  TBitmap* TabBackGroundActive() const noexcept { return tabBackGroundActive_.get(); }
  void SetTabBackGroundActive(TBitmap* v);
  TCvTabStyle TabStyle() const noexcept { return tabStyle_; }
  void SetTabStyle(TCvTabStyle v);
  int LowerActive() const noexcept { return lowerActive_; }
  void SetLowerActive(int v);
  bool IsLoaded() const noexcept { return loaded_; }
  bool FreeOnClose() const noexcept { return freeOnClose_; }
  void SetFreeOnClose(bool v) noexcept { freeOnClose_ = v; }
  TFont* ActiveFont() const noexcept { return activeFont_.get(); }
  void SetActiveFont(TFont* v);
  TBitmap* CloseGlyph() const noexcept { return closeGlyph_.get(); }
  void SetCloseGlyph(TBitmap* v);
  void SetTabPosition(TTabPosition v);
  std::string Version() const;
  void SetVersion(const std::string&) {}

  // ---- docking
  // A form docked as a page: a new sheet captioned like it, the form filling it.
  void DockClient(TControl* client);
  // The client's page: the page is selected away from and freed.
  void UndockClient(TControl* client);
  // The page whose first control is the client docked here (null when none).
  TCvTabSheet* GetPageFromDockClient(TControl* client) const;
  // The docked client of the page whose tab is at a client point (null when none).
  TControl* DockClientAt(int x, int y);
  // A dock drag over the control offers its window rectangle.
  void DockOver(TDragDockObject* source, int x, int y, TDragState state, bool& accept) override;
  // Only clients that are not yet a page's client may dock.
  void GetSiteInfo(TControl* client, TRect& influenceRect, const TPoint& mousePos, bool& canDock) override;

  TCanChangeEvent OnCanChange;

  // ---- the native control's parts
  bool CanChange() override;
  void Change() override;
  bool CanShowTab(int tabIndex) override;
  int GetImageIndex(int tabIndex) override;
  // The tabs are painted with the rest of the strip (PaintTabs), not one by one.
  void DrawTab(int, const TRect&, bool) override {}
  void ShowControl(TControl* control);
  void Loaded() override;
  void GetChildren(const TGetChildProc& proc, TComponent* root) override;
  // The child page takes that page index.
  void SetChildOrder(TComponent* child, int order);
  void Dispatch(TMessage& m) override;
  void WndProc(TMessage& m) override;
  void Notification(TComponent* component, TOperation operation) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

  // ---- painting and close buttons (shared with the input)
  void PaintTabs(TCanvas* canvas);
  // 0 normal, 1 hot, 2 pressed.
  void DrawCloseButton(TCanvas* canvas, const TRect& tabRect, int state, bool active);
  bool PtInCloseButton(int pageIndex, int x, int y);

 private:
  friend class TCvTabSheet;
  // Pages.
  void InsertPage(TCvTabSheet* page);
  void RemovePage(TCvTabSheet* page);
  void InsertTab(TCvTabSheet* page);
  void DeleteTab(TCvTabSheet* page, int index);
  void MoveTab(int curIndex, int newIndex);
  void UpdateTab(TCvTabSheet* page);
  void UpdateActivePage();
  void ChangeActivePage(TCvTabSheet* page);
  void ChangeHandler();
  TCvTabSheet* PageOfTab(int tabIndex) const;
  bool HasPage(const TCvTabSheet* page) const;
  int VisibleIndexOfPage(int pageIndex) const;
  // Sizing images and margins.
  void UpdateSizingImages();
  void MarginChange(int newValue, int oldValue, int index);
  bool SideTabs() const { return TabPosition() == tpLeft || TabPosition() == tpRight; }
  // Closing.
  bool IsLastTab(TCvTabSheet* page) const;
  void CloseActivePage(bool goForward, bool fromMouseUp);
  bool DoCanClose(TCvTabSheet* page);
  void DoClose(TCvTabSheet* page);
  // Painting.
  void PaintToBuffer(TMessage& m);
  void DrawTab(TCanvas* canvas, int pageIndex, bool& reach, const TRect& strip, bool stripEdge);
  void DrawActiveBitmapTab(TCanvas* canvas, int pageIndex);
  void DrawTabImageAndText(TCanvas* canvas, TCvTabSheet* page, const TRect& r, bool active, bool bitmapTab);
  void DrawFocusFrame(TCanvas* canvas, const TRect& r, bool active, int offset);
  void DrawHoverFrame(TCanvas* canvas);
  void InvalidateTab(int pageIndex);
  // Input.
  void CMDialogKey(TMessage& m);
  void CMMouseLeave(TMessage& m);

  std::vector<TCvTabSheet*> pages_;
  TCvTabSheet* activePage_ = nullptr;
  TCvTabSheet* newDockSheet_ = nullptr;
  TCvTabSheet* undockingPage_ = nullptr;
  std::unique_ptr<TTabMargin> tabMargin_;
  std::unique_ptr<TStringList> closedPages_;
  TCustomImageList* images_ = nullptr;
  std::unique_ptr<TImageList> sizingImages_;
  TColor defaultTextColor_ = clBlack;
  TColor defaultTabColor_ = clBtnFace;
  TColor defaultTabColorTo_ = clNone;
  TColor activeColor_ = clBtnFace;
  TColor activeColorTo_ = clNone;
  bool tabBorder3D_ = false;
  TColor tabBorderColor_ = clGray;
  TColor tabHoverColor_ = clNone;
  TColor tabHoverColorTo_ = clNone;
  TColor tabHoverBorder_ = clNone;
  bool showFocus_ = false;
  bool closeHot_ = false;
  TTabOverlapSize tabOverlap_ = 0;
  bool tabSheet3D_ = false;
  TColor tabSheetBorderColor_ = clGray;
  TColor tabBackGroundColor_ = clBtnFace;
  bool tabSplitLine_ = false;
  bool roundEdges_ = false;
  int hoverIndex_ = -1;
  std::unique_ptr<TBitmap> tabBackGround_;
  std::unique_ptr<TBitmap> tabBackGroundActive_;
  TCvTabStyle tabStyle_ = CvPageControl::tsClassic;
  int lowerActive_ = 2;
  bool loaded_ = false;
  bool freeOnClose_ = false;
  std::unique_ptr<TFont> activeFont_;
  std::unique_ptr<TBitmap> closeGlyph_;
  // The page a change goes to when the caller knows it (keyboard, Ctrl+Tab, a click on a tab).
  std::optional<int> changeTarget_;
  // The page being closed and the one to show next; cleared when a handler removes either.
  TCvTabSheet* closing_ = nullptr;
  TCvTabSheet* closeNext_ = nullptr;
  // The page whose close button took the last left press (null when none did).
  TCvTabSheet* closePressed_ = nullptr;
};
