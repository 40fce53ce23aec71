// The page control's model: pages and their tabs on the native tab control, the active page,
// margins and sizing images, colours and the published properties.
#include "controls/cvpagecontrol.h"

#include <algorithm>

#include "platform/classes/classreg.h"
#include "platform/classes/published.h"
#include "platform/forms/forms.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"

FANO_IMPLEMENT_CLASS(TTabMargin, TPersistent)
FANO_IMPLEMENT_COMPONENT(TCvTabSheet, TCustomControl)
FANO_IMPLEMENT_COMPONENT(TCvPageControl, TCustomTabControl)
FANO_REGISTER_CLASS(TCvTabSheet);
FANO_REGISTER_CLASS(TCvPageControl);

FANO_ENUM_NAMES(TCvTabStyle, "tsClassic", "tsDotNet", "tsOndrel");
FANO_ENUM_NAMES(TGradientDirection, "gdVertical", "gdHorizontal");

FANO_PUBLISHED(TTabMargin, p) {
  p.Property("LeftMargin", &TTabMargin::LeftMargin, &TTabMargin::SetLeftMargin);
  p.Property("TopMargin", &TTabMargin::TopMargin, &TTabMargin::SetTopMargin);
  // No default: written whatever its value.
  p.Property("RightMargin", &TTabMargin::RightMargin, &TTabMargin::SetRightMargin).NoDefault();
}

FANO_PUBLISHED(TCvTabSheet, p) {
  p.Property("Caption", &TControl::Caption, &TCvTabSheet::SetCaption);
  p.Property("Color", &TControl::Color, &TCvTabSheet::SetColor).Stored(&TControl::IsColorStored);
  p.Property("TextColor", &TCvTabSheet::TextColor, &TCvTabSheet::SetTextColor);
  p.Property("TabColor", &TCvTabSheet::TabColor, &TCvTabSheet::SetTabColor);
  p.Property("TabColorTo", &TCvTabSheet::TabColorTo, &TCvTabSheet::SetTabColorTo);
  p.Property("ShowClose", &TCvTabSheet::ShowClose, &TCvTabSheet::SetShowClose);
  p.Property("TabGradientDirection", &TCvTabSheet::TabGradientDirection, &TCvTabSheet::SetTabGradientDirection);
  p.Property("HoverGradientDirection", &TCvTabSheet::HoverGradientDirection, &TCvTabSheet::SetHoverGradientDirection);
  p.Property("ImageIndex", &TCvTabSheet::ImageIndex, &TCvTabSheet::SetImageIndex);
  p.Property("PageControl", &TCvTabSheet::PageControl, &TCvTabSheet::SetPageControl).Stored(false);
  p.Property("TabVisible", &TCvTabSheet::TabVisible, &TCvTabSheet::SetTabVisible);
  p.Property("Highlighted", &TCvTabSheet::Highlighted, &TCvTabSheet::SetHighlighted);
  p.Property("OnHide", &TCvTabSheet::OnHide);
  p.Property("OnShow", &TCvTabSheet::OnShow);
  p.Property("OnClose", &TCvTabSheet::OnClose);
  p.Property("OnCanClose", &TCvTabSheet::OnCanClose);
  p.Property("TabEnable", &TCvTabSheet::TabEnable, &TCvTabSheet::SetTabEnable);
  p.Property("ColorTo", &TCvTabSheet::ColorTo, &TCvTabSheet::SetColorTo);
  p.Property("ActiveImageIndex", &TCvTabSheet::ActiveImageIndex, &TCvTabSheet::SetActiveImageIndex);
  p.Property("PageIndex", &TCvTabSheet::PageIndex, &TCvTabSheet::SetPageIndex).Stored(false);
  p.Property("Constraints", &TControl::Constraints, &TControl::SetConstraints);
}

FANO_PUBLISHED(TCvPageControl, p) {
  p.Property("TabMargin", &TCvPageControl::TabMargin, &TCvPageControl::SetTabMargin);
  p.Property("Images", &TCvPageControl::Images, &TCvPageControl::SetImages);
  p.Property("DefaultTextColor", &TCvPageControl::DefaultTextColor, &TCvPageControl::SetDefaultTextColor);
  p.Property("DefaultTabColor", &TCvPageControl::DefaultTabColor, &TCvPageControl::SetDefaultTabColor);
  p.Property("DefaultTabColorTo", &TCvPageControl::DefaultTabColorTo, &TCvPageControl::SetDefaultTabColorTo);
  p.Property("ActiveColor", &TCvPageControl::ActiveColor, &TCvPageControl::SetActiveColor);
  p.Property("ActiveColorTo", &TCvPageControl::ActiveColorTo, &TCvPageControl::SetActiveColorTo);
  p.Property("TabBorder3D", &TCvPageControl::TabBorder3D, &TCvPageControl::SetTabBorder3D);
  p.Property("TabBorderColor", &TCvPageControl::TabBorderColor, &TCvPageControl::SetTabBorderColor);
  p.Property("TabHoverColor", &TCvPageControl::TabHoverColor, &TCvPageControl::SetTabHoverColor);
  p.Property("TabHoverColorTo", &TCvPageControl::TabHoverColorTo, &TCvPageControl::SetTabHoverColorTo);
  p.Property("TabHoverBorder", &TCvPageControl::TabHoverBorder, &TCvPageControl::SetTabHoverBorder);
  p.Property("ShowFocus", &TCvPageControl::ShowFocus, &TCvPageControl::SetShowFocus);
  p.Property("TabOverlap", &TCvPageControl::TabOverlap, &TCvPageControl::SetTabOverlap);
  p.Property("TabSheet3D", &TCvPageControl::TabSheet3D, &TCvPageControl::SetTabSheet3D);
  p.Property("TabSheetBorderColor", &TCvPageControl::TabSheetBorderColor, &TCvPageControl::SetTabSheetBorderColor);
  p.Property("TabBackGroundColor", &TCvPageControl::TabBackGroundColor, &TCvPageControl::SetTabBackGroundColor);
  p.Property("TabSplitLine", &TCvPageControl::TabSplitLine, &TCvPageControl::SetTabSplitLine);
  p.Property("RoundEdges", &TCvPageControl::RoundEdges, &TCvPageControl::SetRoundEdges);
  p.Property("TabBackGround", &TCvPageControl::TabBackGround, &TCvPageControl::SetTabBackGround);
  p.Property("TabBackGroundActive", &TCvPageControl::TabBackGroundActive, &TCvPageControl::SetTabBackGroundActive);
  p.Property("TabStyle", &TCvPageControl::TabStyle, &TCvPageControl::SetTabStyle);
  p.Property("LowerActive", &TCvPageControl::LowerActive, &TCvPageControl::SetLowerActive);
  p.Property("FreeOnClose", &TCvPageControl::FreeOnClose, &TCvPageControl::SetFreeOnClose);
  p.Property("ActiveFont", &TCvPageControl::ActiveFont, &TCvPageControl::SetActiveFont);
  p.Property("CloseGlyph", &TCvPageControl::CloseGlyph, &TCvPageControl::SetCloseGlyph);
  p.Property("ActivePage", &TCvPageControl::ActivePage, &TCvPageControl::SetActivePage);
  p.Property("Version", &TCvPageControl::Version, &TCvPageControl::SetVersion).Stored(false);
  p.Property("HotTrack", &TCustomTabControl::HotTrack, &TCustomTabControl::SetHotTrack);
  p.Property("MultiLine", &TCustomTabControl::MultiLine, &TCustomTabControl::SetMultiLine);
  p.Property("RaggedRight", &TCustomTabControl::RaggedRight, &TCustomTabControl::SetRaggedRight);
  p.Property("ScrollOpposite", &TCustomTabControl::ScrollOpposite, &TCustomTabControl::SetScrollOpposite);
  p.Property("TabHeight", &TCustomTabControl::TabHeight, &TCustomTabControl::SetTabHeight);
  p.Property("TabWidth", &TCustomTabControl::TabWidth, &TCustomTabControl::SetTabWidth);
  p.Property("TabPosition", &TCustomTabControl::TabPosition, &TCvPageControl::SetTabPosition);
  p.Property("DockSite", &TWinControl::DockSite, &TWinControl::SetDockSite);
  p.Property("OnDockDrop", &TWinControl::OnDockDrop);
  p.Property("OnDockOver", &TWinControl::OnDockOver);
  p.Property("OnGetSiteInfo", &TWinControl::OnGetSiteInfo);
  p.Property("OnUnDock", &TWinControl::OnUnDock);
  p.Property("OnChange", &TCustomTabControl::OnChange);
  p.Property("OnChanging", &TCustomTabControl::OnChanging);
  p.Property("OnDrawTab", &TCustomTabControl::OnDrawTab);
  p.Property("OnGetImageIndex", &TCustomTabControl::OnGetImageIndex);
  p.Property("OnCanChange", &TCvPageControl::OnCanChange);
}

// ---- TTabMargin ----------------------------------------------------------------------------------

void TTabMargin::Assign(TPersistent* source) {
  if (auto* m = dynamic_cast<TTabMargin*>(source)) {
    std::copy(std::begin(m->margins_), std::end(m->margins_), std::begin(margins_));
    return;
  }
  TPersistent::Assign(source);
}

void TTabMargin::SetMargin(int index, TMarginSize value) {
  if (index < 0 || index > 2 || margins_[index] == value) return;
  if (OnMarginChange) OnMarginChange(value, margins_[index], index);
  margins_[index] = value;
}

// ---- TCvTabSheet ---------------------------------------------------------------------------------

TCvTabSheet::TCvTabSheet(TComponent* owner) : TCustomControl(owner) {
  SetAlign(alClient);
  TControlStyle style = ControlStyle();
  style.Include(csAcceptsControls);
  style.Include(csNoDesignVisible);
  SetControlStyle(style);
  SetVisible(false);
}

TCvTabSheet::~TCvTabSheet() {
  if (pageControl_) {
    if (pageControl_->undockingPage_ == this) pageControl_->undockingPage_ = nullptr;
    if (pageControl_->newDockSheet_ == this) pageControl_->newDockSheet_ = nullptr;
    pageControl_->RemovePage(this);
  }
  // Leave the parent while still whole: the platform's removal at the end of destruction no
  // longer knows a windowed control and would leave this one in the parent's tab list.
  if (Parent()) SetParent(nullptr);
}

void TCvTabSheet::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  params.WindowClass.style &= ~static_cast<UINT>(CS_HREDRAW | CS_VREDRAW);
}

void TCvTabSheet::SetParentComponent(TComponent* parent) {
  if (auto* pc = dynamic_cast<TCvPageControl*>(parent)) SetPageControl(pc);
  else TCustomControl::SetParentComponent(parent);
}

void TCvTabSheet::SetPageControl(TCvPageControl* control) {
  if (pageControl_ == control) return;
  if (pageControl_) pageControl_->RemovePage(this);
  SetParent(control);
  if (!control) return;
  control->InsertPage(this);
  // 0 (black) counts as unset: new pages take the control's defaults.
  if (textColor_ == 0) textColor_ = control->DefaultTextColor();
  if (tabColor_ == clNone) tabColor_ = control->DefaultTabColor();
  if (tabColorTo_ == clNone) tabColorTo_ = control->DefaultTabColorTo();
}

int TCvTabSheet::PageIndex() const {
  if (!pageControl_) return -1;
  auto& v = pageControl_->pages_;
  auto it = std::find(v.begin(), v.end(), this);
  return it == v.end() ? -1 : static_cast<int>(it - v.begin());
}

void TCvTabSheet::SetPageIndex(int value) {
  if (!pageControl_) return;
  auto& v = pageControl_->pages_;
  if (value < 0 || value > static_cast<int>(v.size()) - 1)
    throw EListError(Format("List index out of bounds (%d)", {Variant(value)}));
  int oldTab = TabIndex();
  int cur = PageIndex();
  v.erase(v.begin() + cur);
  v.insert(v.begin() + value, this);
  if (tabShowing_) pageControl_->MoveTab(oldTab, TabIndex());
}

int TCvTabSheet::TabIndex() const {
  if (!tabShowing_ || !pageControl_) return -1;
  int n = 0;
  for (TCvTabSheet* p : pageControl_->pages_) {
    if (p == this) return n;
    if (p->tabShowing_) ++n;
  }
  return -1;
}

void TCvTabSheet::UpdateNativeText() {
  std::string caption = Caption();
  if (showClose_) {
    nativeText_ = caption + " ";
  } else {
    // Two code-page-936 bytes shorter, in whole characters.
    size_t len = Cp936Length(caption);
    nativeText_ = len <= 2 ? std::string() : Cp936Truncate(caption, len - 2);
  }
}

void TCvTabSheet::RepaintOwner() {
  if (pageControl_) pageControl_->Invalidate();
}

void TCvTabSheet::SetTextColor(TColor v) {
  textColor_ = v;
  RepaintOwner();
}

void TCvTabSheet::SetTabColor(TColor v) {
  tabColor_ = v;
  Invalidate();
}

void TCvTabSheet::SetTabColorTo(TColor v) {
  tabColorTo_ = v;
  Invalidate();
}

void TCvTabSheet::SetShowClose(bool v) {
  showClose_ = v;
  UpdateNativeText();
  if (tabShowing_ && pageControl_) pageControl_->UpdateTab(this);
  RepaintOwner();
}

void TCvTabSheet::SetTabGradientDirection(TGradientDirection v) {
  tabGradientDirection_ = v;
  RepaintOwner();
}

void TCvTabSheet::SetImageIndex(int v) {
  imageIndex_ = v < 0 ? -1 : v;
  nativeImageIndex_ = v < 0 ? 0 : v;
  UpdateNativeText();
  if (tabShowing_ && pageControl_) pageControl_->UpdateTab(this);
}

void TCvTabSheet::SetColor(TColor v) {
  TControl::SetColor(v);
  RepaintOwner();
}

void TCvTabSheet::SetColorTo(TColor v) {
  colorTo_ = v;
  RepaintOwner();
  Invalidate();
}

void TCvTabSheet::SetTabVisible(bool v) {
  if (tabVisible_ == v) return;
  tabVisible_ = v;
  UpdateTabShowing();
}

void TCvTabSheet::UpdateTabShowing() { SetTabShowing(pageControl_ != nullptr && tabVisible_); }

void TCvTabSheet::SetTabShowing(bool v) {
  if (tabShowing_ == v) return;
  if (v) {
    tabShowing_ = true;
    pageControl_->InsertTab(this);
  } else {
    int index = TabIndex();
    tabShowing_ = false;
    if (pageControl_) pageControl_->DeleteTab(this, index);
  }
}

void TCvTabSheet::SetHighlighted(bool v) {
  if (!InState(csReading) && pageControl_ && pageControl_->HandleAllocated() && tabShowing_)
    SendMessage(pageControl_->WindowHandle(), TCM_HIGHLIGHTITEM, static_cast<WPARAM>(TabIndex()), MAKELPARAM(v ? 1 : 0, 0));
  highlighted_ = v;
}

void TCvTabSheet::SetTabEnable(bool v) {
  if (tabEnable_ == v) return;
  // Enabling the active page is always allowed; only disabling it is refused.
  if (!v && pageControl_ && pageControl_->ActivePage() == this) throw Exception("Can not disable active tab.");
  tabEnable_ = v;
  RepaintOwner();
}

void TCvTabSheet::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case CM_TEXTCHANGED:
      TCustomControl::Dispatch(m);
      UpdateNativeText();
      if (tabShowing_ && pageControl_) pageControl_->UpdateTab(this);
      return;
    case CM_ENABLEDCHANGED:
      TCustomControl::Dispatch(m);
      RepaintOwner();
      return;
    case CM_SHOWINGCHANGED:
      TCustomControl::Dispatch(m);
      if (Showing()) {
        if (OnShow) OnShow(this);
      } else if (OnHide) {
        OnHide(this);
      }
      return;
    default: break;
  }
  TCustomControl::Dispatch(m);
}

void TCvTabSheet::Paint() {
  TCustomControl::Paint();
  if (colorTo_ != clNone) GradientFill(Canvas(), Color(), colorTo_, false, ClientRect(), 64);
}

// ---- TCvPageControl: creation ------------------------------------------------------------------

TCvPageControl::TCvPageControl(TComponent* owner)
    : TCustomTabControl(owner),
      tabMargin_(std::make_unique<TTabMargin>()),
      closedPages_(std::make_unique<TStringList>()),
      sizingImages_(std::make_unique<TImageList>(nullptr)),
      tabBackGround_(std::make_unique<TBitmap>()),
      tabBackGroundActive_(std::make_unique<TBitmap>()),
      activeFont_(std::make_unique<TFont>()),
      closeGlyph_(std::make_unique<TBitmap>()) {
  Font()->SetName("Tahoma");
  activeFont_->SetName("Tahoma");
  SetControlStyle(TControlStyle{csOpaque, csDoubleClicks});
  tabMargin_->OnMarginChange = [this](int n, int o, int i) { MarginChange(n, o, i); };
  sizingImages_->SetWidth(1);
  sizingImages_->SetHeight(1);
  TCustomTabControl::SetImages(sizingImages_.get());
  SetOwnerDraw(true);
  activeFont_->OnChange = [this](TObject*) {
    if (activePage_) UpdateTab(activePage_);
  };
  auto repaint = [this](TObject*) { Invalidate(); };
  tabBackGround_->OnChange = repaint;
  tabBackGroundActive_->OnChange = repaint;
  closeGlyph_->OnChange = repaint;
}

void TCvPageControl::BeforeDestruction() {
  // The pages outlive this control's bookkeeping: they are freed as children, not here.
  for (TCvTabSheet* p : pages_) {
    p->tabShowing_ = false;
    p->pageControl_ = nullptr;
  }
  pages_.clear();
  activePage_ = nullptr;
  undockingPage_ = nullptr;
  newDockSheet_ = nullptr;
  TCustomTabControl::BeforeDestruction();
}

TCvPageControl::~TCvPageControl() {
  // The native control lets go of the sizing images before they go.
  TCustomTabControl::SetImages(nullptr);
  activeFont_->OnChange = nullptr;
  tabBackGround_->OnChange = nullptr;
  tabBackGroundActive_->OnChange = nullptr;
  closeGlyph_->OnChange = nullptr;
  for (TCvTabSheet* p : pages_) p->pageControl_ = nullptr;
  pages_.clear();
  if (images_) images_->RemoveFreeNotification(this);
}

std::string TCvPageControl::Version() const {
  constexpr uint32_t kVersion = 17104900;  // one byte a part, most significant first
  return std::to_string((kVersion >> 24) & 0xFF) + "." + std::to_string((kVersion >> 16) & 0xFF) + "." +
         std::to_string((kVersion >> 8) & 0xFF) + "." + std::to_string(kVersion & 0xFF);
}

// ---- pages and tabs --------------------------------------------------------------------------------

void TCvPageControl::InsertPage(TCvTabSheet* page) {
  pages_.push_back(page);
  page->pageControl_ = this;
  page->UpdateNativeText();
  page->UpdateTabShowing();
}

void TCvPageControl::RemovePage(TCvTabSheet* page) {
  if (closing_ == page) closing_ = nullptr;
  if (closeNext_ == page) closeNext_ = nullptr;
  if (closePressed_ == page) closePressed_ = nullptr;
  if (InState(csDestroying)) {
    page->tabShowing_ = false;
    page->pageControl_ = nullptr;
    pages_.erase(std::remove(pages_.begin(), pages_.end(), page), pages_.end());
    if (activePage_ == page) activePage_ = nullptr;
    return;
  }
  TCvTabSheet* next = FindNextPage(page, true, !InState(csDesigning));
  if (next == page) next = nullptr;
  page->SetTabShowing(false);
  page->pageControl_ = nullptr;
  pages_.erase(std::remove(pages_.begin(), pages_.end(), page), pages_.end());
  if (hoverIndex_ >= GetPageCount()) hoverIndex_ = -1;
  if (activePage_ == page) activePage_ = nullptr;
  SetActivePage(next);
}

TCvTabSheet* TCvPageControl::PageOfTab(int tabIndex) const {
  if (tabIndex < 0) return nullptr;
  int n = 0;
  for (TCvTabSheet* p : pages_)
    if (p->tabShowing_ && n++ == tabIndex) return p;
  return nullptr;
}

void TCvPageControl::InsertTab(TCvTabSheet* page) {
  Tabs()->InsertObject(page->TabIndex(), page->NativeText(), page);
  UpdateActivePage();
}

void TCvPageControl::DeleteTab(TCvTabSheet* page, int index) {
  bool updateIndex = page == activePage_;
  if (index >= 0 && index < Tabs()->Count()) Tabs()->Delete(index);
  if (updateIndex) {
    if (index >= Tabs()->Count()) index = Tabs()->Count() - 1;
    SetTabIndex(index);
  }
  UpdateActivePage();
}

void TCvPageControl::MoveTab(int curIndex, int newIndex) {
  if (curIndex < 0 || newIndex < 0 || curIndex == newIndex) return;
  Tabs()->Move(curIndex, newIndex);
  if (activePage_) SetTabIndex(activePage_->TabIndex());
  Invalidate();
}

void TCvPageControl::UpdateTab(TCvTabSheet* page) {
  int index = page->TabIndex();
  if (index < 0 || index >= Tabs()->Count()) return;
  std::string text;
  if (tabBorder3D_) {
    text = page->Caption();
  } else if (page == activePage_ && (activeFont_->Style().Contains(fsBold) || activeFont_->Style().Contains(fsItalic))) {
    // Blanks make the native tab as wide as the caption in the active font.
    TCanvas* c = Canvas();
    HDC dc = GetDC(nullptr);
    c->SetHandle(dc);
    c->SetFont(activeFont_.get());
    int w1 = c->TextWidth(page->NativeText());
    c->SetFont(Font());
    int w2 = c->TextWidth(page->NativeText());
    std::string pad;
    while (c->TextWidth(pad) < w1 - w2) pad += ' ';
    c->SetHandle(nullptr);
    ReleaseDC(nullptr, dc);
    text = page->NativeText() + pad;
  } else {
    text = page->NativeText();
  }
  if (Tabs()->Strings(index) != text) Tabs()->SetStrings(index, text);
}

void TCvPageControl::UpdateActivePage() {
  int index = TabIndex();
  SetActivePage(index >= 0 ? PageOfTab(index) : nullptr);
}

void TCvPageControl::SetActivePage(TCvTabSheet* page) {
  if (page && page->PageControl() != this) return;
  // The native choice follows the page shown, also when the change was refused.
  try {
    ChangeActivePage(page);
  } catch (...) {
    SetTabIndex(activePage_ ? activePage_->TabIndex() : -1);
    throw;
  }
  SetTabIndex(activePage_ ? activePage_->TabIndex() : -1);
}

bool TCvPageControl::HasPage(const TCvTabSheet* page) const {
  return page && std::find(pages_.begin(), pages_.end(), page) != pages_.end();
}

void TCvPageControl::SetActivePageIndex(int index) {
  SetActivePage(index >= 0 && index < GetPageCount() ? pages_[static_cast<size_t>(index)] : nullptr);
}

int TCvPageControl::ActivePageIndex() const { return activePage_ ? activePage_->PageIndex() : -1; }

void TCvPageControl::ChangeActivePage(TCvTabSheet* page) {
  if (activePage_ == page) return;
  if (page && !page->TabEnable() && !InState(csDesigning)) return;
  TCustomForm* form = GetParentForm();
  if (form && activePage_ && activePage_->ContainsControl(form->ActiveControl())) {
    TCvTabSheet* current = activePage_;
    form->SetActiveControl(current);
    // The exit handlers may have freed either page.
    if (page && !HasPage(page)) return;
    if (activePage_ != current) return;
    if (form->ActiveControl() != activePage_) {
      SetTabIndex(activePage_->TabIndex());
      return;
    }
  }
  if (page) {
    page->BringToFront();
    page->SetVisible(true);
    // Show and focus handlers may free pages or choose another one themselves.
    if (!HasPage(page)) return;
    if (form && activePage_ && form->ActiveControl() == activePage_) {
      if (page->CanFocus()) form->SetActiveControl(page);
      else form->SetActiveControl(this);
      if (!HasPage(page)) return;
    }
    if (activePage_ == page) return;
  }
  TCvTabSheet* old = activePage_;
  if (old) {
    old->SetVisible(false);
    if ((page && !HasPage(page)) || activePage_ != old) return;
  }
  activePage_ = page;
  if (old && old->pageControl_ == this) UpdateTab(old);
  if (page) UpdateTab(page);
  if (form && activePage_ && form->ActiveControl() == activePage_) activePage_->SelectFirst();
}

TCvTabSheet* TCvPageControl::FindNextPage(TCvTabSheet* cur, bool goForward, bool checkTabVisible) const {
  int count = GetPageCount();
  if (count == 0) return nullptr;
  auto it = std::find(pages_.begin(), pages_.end(), cur);
  int start = it == pages_.end() ? (goForward ? count - 1 : 0) : static_cast<int>(it - pages_.begin());
  int i = start;
  do {
    if (goForward) {
      if (++i == count) i = 0;
    } else {
      if (i == 0) i = count;
      --i;
    }
    TCvTabSheet* p = pages_[static_cast<size_t>(i)];
    if (!checkTabVisible || p->TabVisible()) return p;
  } while (i != start);
  return nullptr;
}

void TCvPageControl::SelectNextPage(bool goForward) {
  TCvTabSheet* page = FindNextPage(activePage_, goForward, true);
  if (!page || page == activePage_) return;
  changeTarget_ = page->PageIndex();
  bool allowed = CanChange();
  changeTarget_.reset();
  // The handlers may have freed or hidden the page asked about: then nothing changes.
  if (!allowed || !HasPage(page) || !page->TabShowing()) return;
  SetTabIndex(page->TabIndex());
  Change();
}

int TCvPageControl::TabAtPos(int x, int y) {
  if (!HandleAllocated()) return -1;
  int tab = IndexOfTabAt(x, y);
  TCvTabSheet* p = PageOfTab(tab);
  return p ? p->PageIndex() : -1;
}

TRect TCvPageControl::TabRectOfPage(int pageIndex) {
  if (pageIndex < 0 || pageIndex >= GetPageCount()) return TRect();
  int tab = pages_[static_cast<size_t>(pageIndex)]->TabIndex();
  if (tab < 0) return TRect();
  return TabRect(tab);
}

int TCvPageControl::VisibleIndexOfPage(int pageIndex) const {
  if (pageIndex < 0 || pageIndex >= GetPageCount()) return -1;
  return pages_[static_cast<size_t>(pageIndex)]->TabIndex();
}

bool TCvPageControl::CanShowTab(int tabIndex) {
  // The page showing that tab: with hidden pages before it, the page at that index is another one.
  TCvTabSheet* p = PageOfTab(tabIndex);
  return p && p->Enabled();
}

int TCvPageControl::GetImageIndex(int tabIndex) {
  if (OnGetImageIndex) return TCustomTabControl::GetImageIndex(tabIndex);
  TCvTabSheet* p = PageOfTab(tabIndex);
  return p ? p->NativeImageIndex() : 0;
}

void TCvPageControl::Change() {
  UpdateActivePage();
  TCustomTabControl::Change();
  Invalidate();
}

void TCvPageControl::ChangeHandler() {
  if (OnChange) OnChange(this);
  Invalidate();
}

bool TCvPageControl::CanChange() {
  int from = ActivePageIndex();
  int to;
  if (changeTarget_) {
    to = *changeTarget_;
  } else {
    POINT pt{};
    GetCursorPos(&pt);
    TPoint p = ScreenToClient(TPoint(pt.x, pt.y));
    to = TabAtPos(p.X, p.Y);
    if (to < 0) {
      bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
      to = from + (shift ? -1 : 1);
      if (to >= GetPageCount()) to = 0;
      if (to < 0) to = GetPageCount() - 1;
    }
  }
  bool allow = true;
  if (OnCanChange) OnCanChange(this, from, to, allow);
  return allow && TCustomTabControl::CanChange();
}

void TCvPageControl::ShowControl(TControl* control) {
  if (auto* page = dynamic_cast<TCvTabSheet*>(control); page && page->PageControl() == this) SetActivePage(page);
}

void TCvPageControl::Loaded() {
  TCustomTabControl::Loaded();
  for (TCvTabSheet* p : pages_) p->SetHighlighted(p->Highlighted());
  UpdateSizingImages();
  loaded_ = true;
  for (auto it = pages_.rbegin(); it != pages_.rend(); ++it) UpdateTab(*it);
  if (activePage_) UpdateTab(activePage_);
}

void TCvPageControl::GetChildren(const TGetChildProc& proc, TComponent* root) {
  for (TCvTabSheet* p : pages_) proc(p);
  (void)root;
}

void TCvPageControl::SetChildOrder(TComponent* child, int order) {
  if (auto* p = dynamic_cast<TCvTabSheet*>(child); p && p->PageControl() == this) p->SetPageIndex(order);
}

void TCvPageControl::Notification(TComponent* component, TOperation operation) {
  TCustomTabControl::Notification(component, operation);
  if (operation == opRemove && component == images_) {
    images_ = nullptr;
    if (tabBorder3D_) TCustomTabControl::SetImages(nullptr);
    UpdateSizingImages();
  }
}

// ---- margins and sizing images ---------------------------------------------------------------------

void TCvPageControl::UpdateSizingImages() {
  // A tab reserves this much for its image: the user's image and the margins around it. Negative
  // margins never make the reserve smaller than one pixel.
  if (SideTabs()) {
    int h = tabMargin_->RightMargin() + (images_ ? images_->Height() : 0) + tabMargin_->TopMargin();
    sizingImages_->SetHeight(std::max(1, h));
  } else {
    int w = tabMargin_->RightMargin() + (images_ ? images_->Width() : 0) + tabMargin_->LeftMargin();
    sizingImages_->SetWidth(std::max(1, w));
  }
  if (!tabBorder3D_) TCustomTabControl::SetImages(sizingImages_.get());
  TabsChanged();
}

void TCvPageControl::MarginChange(int newValue, int, int index) {
  if (!loaded_ && !InState(csDesigning)) {
    Invalidate();
    return;
  }
  // The new value is stored after this call: recompute from it.
  int left = index == 0 ? newValue : tabMargin_->LeftMargin();
  int top = index == 1 ? newValue : tabMargin_->TopMargin();
  int right = index == 2 ? newValue : tabMargin_->RightMargin();
  if (SideTabs())
    sizingImages_->SetHeight(std::max(1, right + (images_ ? images_->Height() : 0) + top));
  else
    sizingImages_->SetWidth(std::max(1, right + (images_ ? images_->Width() : 0) + left));
  if (!tabBorder3D_) TCustomTabControl::SetImages(sizingImages_.get());
  TabsChanged();
  Invalidate();
}

void TCvPageControl::SetTabMargin(TTabMargin* v) {
  if (!v) return;
  tabMargin_->Assign(v);
  UpdateSizingImages();
  Invalidate();
}

void TCvPageControl::SetImages(TCustomImageList* v) {
  if (images_ == v) return;
  if (images_) images_->RemoveFreeNotification(this);
  images_ = v;
  if (images_) images_->FreeNotification(this);
  if (tabBorder3D_) TCustomTabControl::SetImages(images_);
  UpdateSizingImages();
  Invalidate();
}

void TCvPageControl::SetTabPosition(TTabPosition v) {
  if (TabPosition() == v) return;
  // A refused position leaves the images where they are.
  CheckTabPosition(v);
  TCustomTabControl::SetImages(nullptr);
  TCustomTabControl::SetTabPosition(v);
  TCustomTabControl::SetImages(tabBorder3D_ ? images_ : sizingImages_.get());
  UpdateSizingImages();
}

// ---- colours and looks -----------------------------------------------------------------------------

void TCvPageControl::SetDefaultTextColor(TColor v) {
  for (TCvTabSheet* p : pages_)
    if (p->textColor_ == defaultTextColor_) p->textColor_ = v;
  defaultTextColor_ = v;
  Invalidate();
}

void TCvPageControl::SetDefaultTabColor(TColor v) {
  for (TCvTabSheet* p : pages_)
    if (p->tabColor_ == defaultTabColor_) p->tabColor_ = v;
  defaultTabColor_ = v;
  Invalidate();
}

void TCvPageControl::SetDefaultTabColorTo(TColor v) {
  for (TCvTabSheet* p : pages_)
    if (p->tabColorTo_ == defaultTabColorTo_) p->tabColorTo_ = v;
  defaultTabColorTo_ = v;
  Invalidate();
}

namespace {
template <class T>
void StoreAndRepaint(TControl* c, T& field, const T& v, bool onlyOnChange) {
  if (onlyOnChange && field == v) return;
  field = v;
  c->Invalidate();
}
}  // namespace

void TCvPageControl::SetActiveColor(TColor v) { StoreAndRepaint(this, activeColor_, v, false); }
void TCvPageControl::SetActiveColorTo(TColor v) { StoreAndRepaint(this, activeColorTo_, v, false); }
void TCvPageControl::SetTabBorderColor(TColor v) { StoreAndRepaint(this, tabBorderColor_, v, false); }
void TCvPageControl::SetTabHoverColor(TColor v) { tabHoverColor_ = v; }
void TCvPageControl::SetTabHoverColorTo(TColor v) { tabHoverColorTo_ = v; }
void TCvPageControl::SetTabHoverBorder(TColor v) { tabHoverBorder_ = v; }
void TCvPageControl::SetShowFocus(bool v) { StoreAndRepaint(this, showFocus_, v, true); }
void TCvPageControl::SetTabOverlap(TTabOverlapSize v) { StoreAndRepaint(this, tabOverlap_, std::clamp(v, 0, 15), false); }
void TCvPageControl::SetTabSheet3D(bool v) { StoreAndRepaint(this, tabSheet3D_, v, true); }
void TCvPageControl::SetTabSheetBorderColor(TColor v) { StoreAndRepaint(this, tabSheetBorderColor_, v, true); }
void TCvPageControl::SetTabBackGroundColor(TColor v) { StoreAndRepaint(this, tabBackGroundColor_, v, true); }
void TCvPageControl::SetRoundEdges(bool v) { StoreAndRepaint(this, roundEdges_, v, true); }
void TCvPageControl::SetTabStyle(TCvTabStyle v) { StoreAndRepaint(this, tabStyle_, v, true); }
void TCvPageControl::SetLowerActive(int v) { StoreAndRepaint(this, lowerActive_, v, true); }

void TCvPageControl::SetTabSplitLine(bool v) {
  if (v && (tabStyle_ == CvPageControl::tsDotNet || tabStyle_ == CvPageControl::tsOndrel))
    throw Exception("TabSplitLine must be false when TabStyle is tsDotNet/tsOndrel");
  tabSplitLine_ = v;
  Invalidate();
}

void TCvPageControl::SetActiveFont(TFont* v) {
  activeFont_->Assign(v);
  Invalidate();
}

void TCvPageControl::SetCloseGlyph(TBitmap* v) {
  closeGlyph_->Assign(v);
  Invalidate();
}

void TCvPageControl::SetTabBackGroundActive(TBitmap* v) {
  tabBackGroundActive_->Assign(v);
  Invalidate();
}

void TCvPageControl::SetTabBackGround(TBitmap* v) {
  tabBackGround_->Assign(v);
  if (InState(csDesigning) && !tabBackGround_->Empty())
    SetTabHeight((SideTabs() ? tabBackGround_->Width() : tabBackGround_->Height()) - 3);
  Invalidate();
}

void TCvPageControl::SetTabBorder3D(bool v) {
  tabBorder3D_ = v;
  TCustomTabControl::SetImages(v ? images_ : sizingImages_.get());
  SetOwnerDraw(!v);
  for (auto it = pages_.rbegin(); it != pages_.rend(); ++it) UpdateTab(*it);
  if (!v && activePage_) UpdateTab(activePage_);
  Invalidate();
}
