#include "editors/editbuttons.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "editors/gxwindows.h"
#include "platform/classes/classreg.h"
#include "platform/classes/published.h"
#include "platform/os/uxtheme.h"

FANO_IMPLEMENT_COMPONENT(TEditButtonControlGx, TSpeedButton)
FANO_IMPLEMENT_COMPONENT(TSpeedButtonGx, TEditButtonControlGx)
FANO_IMPLEMENT_ITEM(TEditButtonGx, TCollectionItem)
FANO_IMPLEMENT_ITEM(TDropDownEditButtonGx, TEditButtonGx)
FANO_IMPLEMENT_ITEM(TVisibleEditButtonGx, TEditButtonGx)
FANO_IMPLEMENT_ABSTRACT(TEditButtonsGx, TCollection)

bool UseButtonsBitmapCache = true;

namespace {

constexpr TShortCut kAltDown = 32808;

TSize& CheckGlyph() {
  static TSize size{13, 13};
  return size;
}

// RAII for a theme handle.
struct Theme {
  explicit Theme(const char16_t* cls) : h(ThemesActive() ? OpenThemeData(nullptr, cls) : nullptr) {}
  ~Theme() {
    if (h) CloseThemeData(h);
  }
  HTHEME h;
};

void FillSolid(HDC dc, const TRect& r, COLORREF color) {
  HBRUSH b = CreateSolidBrush(color);
  RECT rc = r;
  FillRect(dc, &rc, b);
  DeleteObject(b);
}

void FrameSolid(HDC dc, const TRect& r, COLORREF color) {
  HBRUSH b = CreateSolidBrush(color);
  RECT rc = r;
  FrameRect(dc, &rc, b);
  DeleteObject(b);
}

COLORREF Rgb(TColor c) { return static_cast<COLORREF>(ColorToRGB(c)); }

// The background of an ellipsis, plus or minus button.
void DrawPushBackground(HDC dc, const TRect& r, const TButtonBitmapInfoGx& k) {
  Theme theme(k.Flat ? u"TOOLBAR" : u"BUTTON");
  if (theme.h) {
    int state = !k.Enabled ? PBS_DISABLED : k.Pressed ? PBS_PRESSED : k.Active ? PBS_HOT : PBS_NORMAL;
    RECT rc = r;
    DrawThemeBackground(theme.h, dc, k.Flat ? TP_BUTTON : BP_PUSHBUTTON, state, &rc, nullptr);
    return;
  }
  if (k.Flat) {
    FillSolid(dc, r, GetSysColor(COLOR_BTNFACE));
  } else {
    RECT rc = r;
    DrawEdge(dc, &rc, k.Pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_MIDDLE);
  }
}

// Squares in the button text colour, or embossed when disabled.
void DrawMarks(HDC dc, const std::vector<TRect>& marks, bool enabled) {
  auto paint = [&](int dx, COLORREF color) {
    for (TRect m : marks) {
      m.Offset(dx, dx);
      FillSolid(dc, m, color);
    }
  };
  if (enabled) {
    paint(0, GetSysColor(COLOR_BTNTEXT));
  } else {
    paint(1, GetSysColor(COLOR_BTNHIGHLIGHT));
    paint(0, GetSysColor(COLOR_BTNSHADOW));
  }
}

void DrawEllipsis(HDC dc, const TRect& r, const TButtonBitmapInfoGx& k) {
  DrawPushBackground(dc, r, k);
  int w = r.Width();
  int dot = w < 8 ? 1 : 2;
  int gap = w < 12 ? 1 : 2;
  int x = r.Left + (w - dot) / 2;
  int y = r.Top + (r.Height() - dot) / 2;
  if (k.Pressed) {
    ++x;
    ++y;
  }
  std::vector<TRect> marks;
  for (int i = -1; i <= 1; ++i) marks.push_back(Bounds(x + i * (gap + dot), y, dot, dot));
  DrawMarks(dc, marks, k.Enabled);
}

void DrawPlusMinus(HDC dc, const TRect& r, const TButtonBitmapInfoGx& k, bool plus) {
  DrawPushBackground(dc, r, k);
  int w = r.Width(), h = r.Height();
  int s = std::min(w, h);
  int l = std::max(1, s * 4 / 7);
  int t = std::max(1, l / 3);
  if (k.Flat) --l;
  if ((l & 1) != (s & 1)) ++l;
  if (plus && (l & 1) != (t & 1)) l += s < 12 ? 1 : -1;
  int shift = k.Pressed ? 1 : 0;
  std::vector<TRect> marks{Bounds(r.Left + (w - l) / 2 + shift, r.Top + (h - t) / 2 + shift, l, t)};
  if (plus) marks.push_back(Bounds(r.Left + (w - t) / 2 + shift, r.Top + (h - l) / 2 + shift, t, l));
  DrawMarks(dc, marks, k.Enabled);
}

void DrawCheck(HDC dc, const TRect& r, const TButtonBitmapInfoGx& k) {
  Theme theme(u"BUTTON");
  if (theme.h) {
    int base = k.CheckState == cbChecked ? CBS_CHECKEDNORMAL : k.CheckState == cbGrayed ? CBS_MIXEDNORMAL : CBS_UNCHECKEDNORMAL;
    RECT rc = r;
    DrawThemeBackground(theme.h, dc, BP_CHECKBOX, k.Enabled ? base : base + 3, &rc, nullptr);
    return;
  }
  UINT state = DFCS_BUTTONCHECK;
  if (k.CheckState == cbChecked) state |= DFCS_CHECKED;
  if (k.CheckState == cbGrayed) state |= DFCS_CHECKED | DFCS_BUTTON3STATE;
  if (!k.Enabled) state |= DFCS_INACTIVE;
  if (k.Pressed) state |= DFCS_PUSHED;
  if (k.Flat) {
    int saved = SaveDC(dc);
    IntersectClipRect(dc, r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1);
    RECT rc = r;
    DrawFrameControl(dc, &rc, DFC_BUTTON, state);
    RestoreDC(dc, saved);
    FrameSolid(dc, r, GetSysColor(k.Active ? COLOR_BTNFACE : COLOR_BTNSHADOW));
  } else {
    RECT rc = r;
    DrawFrameControl(dc, &rc, DFC_BUTTON, state);
  }
}

void DrawArrow(HDC dc, const TRect& r, const TButtonBitmapInfoGx& k, bool updown) {
  if (updown) {
    Theme theme(u"SCROLLBAR");
    if (theme.h) {
      int base = k.LowerHalf ? ABS_DOWNNORMAL : ABS_UPNORMAL;
      int state = !k.Enabled ? base + 3 : k.Pressed ? base + 2 : k.Active ? base + 1 : base;
      RECT rc = r;
      DrawThemeBackground(theme.h, dc, SBP_ARROWBTN, state, &rc, nullptr);
      return;
    }
  } else {
    Theme theme(u"COMBOBOX");
    if (theme.h) {
      int state = !k.Enabled ? CBXS_DISABLED : k.Pressed ? CBXS_PRESSED : k.Active ? CBXS_HOT : CBXS_NORMAL;
      RECT rc = r;
      DrawThemeBackground(theme.h, dc, CP_DROPDOWNBUTTON, state, &rc, nullptr);
      return;
    }
  }
  UINT state = updown ? (k.LowerHalf ? DFCS_SCROLLDOWN : DFCS_SCROLLUP) : DFCS_SCROLLCOMBOBOX;
  if (k.Pressed) state |= DFCS_PUSHED;
  if (k.Flat) state |= DFCS_FLAT;
  if (!k.Enabled) state |= DFCS_INACTIVE;
  RECT rc = r;
  DrawFrameControl(dc, &rc, DFC_SCROLL, state);
}

// One button or one half of an up-down button, drawn into its rectangle.
void DrawButtonFrame(HDC dc, const TRect& rect, const TButtonBitmapInfoGx& k) {
  if (k.DrawStyle == ebdsCheckBoxGx) {
    DrawCheck(dc, rect, k);
    return;
  }
  bool themes = ThemesActive();
  bool clip = k.Flat && k.Active && !themes;
  int saved = 0;
  if (clip) {
    saved = SaveDC(dc);
    IntersectClipRect(dc, rect.Left + 1, rect.Top + 1, rect.Right - 1, rect.Bottom - 1);
  }
  TRect r = rect;
  if (k.Flat && !themes) r.Inflate(k.Active ? 1 : 2, k.Active ? 1 : 2);
  switch (k.DrawStyle) {
    case ebdsDropDownGx: DrawArrow(dc, r, k, false); break;
    case ebdsUpDownGx: DrawArrow(dc, r, k, true); break;
    case ebdsEllipsisGx: DrawEllipsis(dc, r, k); break;
    case ebdsPlusGx: DrawPlusMinus(dc, r, k, true); break;
    case ebdsMinusGx: DrawPlusMinus(dc, r, k, false); break;
    default: break;
  }
  if (clip) {
    RestoreDC(dc, saved);
    RECT rc = rect;
    DrawEdge(dc, &rc, k.Pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
  }
}

// Through the cache when it is on; without it, clipped to `clip` (device coordinates) when one
// is given.
void DrawPart(HDC dc, const TRect& r, TButtonBitmapInfoGx key, const TRect* clip) {
  key.Width = r.Width();
  key.Height = r.Height();
  if (UseButtonsBitmapCache) {
    TBitmap* bmp = ButtonsBitmapCache().GetButtonBitmap(key);
    if (bmp && key.Width > 0 && key.Height > 0)
      StretchBlt(dc, r.Left, r.Top, r.Width(), r.Height(), bmp->Canvas()->Handle(), 0, 0, key.Width, key.Height,
                 SRCCOPY);
    return;
  }
  int saved = 0;
  if (clip) {
    saved = SaveDC(dc);
    // A region, not IntersectClipRect: that one takes logical coordinates.
    HRGN rgn = CreateRectRgn(clip->Left, clip->Top, clip->Right, clip->Bottom);
    ExtSelectClipRgn(dc, rgn, RGN_AND);
    DeleteObject(rgn);
  }
  DrawButtonFrame(dc, r, key);
  if (clip) RestoreDC(dc, saved);
}

}  // namespace

TEditButtonDrawStyleGx EditButtonDrawStyle(TEditButtonStyleGx style) noexcept {
  switch (style) {
    case ebsDropDownGx: return ebdsDropDownGx;
    case ebsEllipsisGx: return ebdsEllipsisGx;
    case ebsGlyphGx:
    case ebsUpDownGx: return ebdsUpDownGx;
    case ebsPlusGx: return ebdsPlusGx;
    case ebsMinusGx: return ebdsMinusGx;
  }
  return ebdsDropDownGx;
}

TBitmap* TButtonsBitmapCache::GetButtonBitmap(TButtonBitmapInfoGx key) {
  key.Width = std::max(0, key.Width);
  key.Height = std::max(0, key.Height);
  for (Entry& e : entries_)
    if (e.Key == key) return e.Bitmap.get();
  auto bmp = std::make_unique<TBitmap>();
  bmp->SetSize(key.Width, key.Height);
  if (key.Width > 0 && key.Height > 0 && key.DrawStyle <= ebdsMinusGx)
    DrawButtonFrame(bmp->Canvas()->Handle(), TRect(0, 0, key.Width, key.Height), key);
  entries_.push_back({key, std::move(bmp)});
  return entries_.back().Bitmap.get();
}

TButtonsBitmapCache& ButtonsBitmapCache() {
  static TButtonsBitmapCache cache;
  return cache;
}

int DefaultEditButtonWidth() {
  HDC dc = GetDC(nullptr);
  TEXTMETRICA tm{};
  GetTextMetricsA(dc, &tm);
  ReleaseDC(nullptr, dc);
  int w = static_cast<int>(std::lround(tm.tmHeight * 2.0 / 3.0));
  if (w % 2 == 0) ++w;
  return std::min(w, GetSystemMetrics(SM_CXVSCROLL));
}

int DefaultFlatButtonWidth() {
  static const int width = DefaultEditButtonWidth();
  return width;
}

int DefaultEditButtonHeight(int width, bool flat) {
  (void)flat;
  return ScaleByHalf(width, true);
}

int ScaleByHalf(int value, bool flag) {
  return flag ? static_cast<int>(std::nearbyint(value * 1.5)) : value;
}

void ClearButtonsBitmapCache() { ButtonsBitmapCache().Clear(); }

void LoadSystemGlyphs() {
  HBITMAP b = LoadBitmapGx(nullptr, OBM_CHECKBOXES);
  if (!b) return;
  BITMAP info{};
  if (GetObjectA(b, sizeof(info), &info)) CheckGlyph() = TSize{info.bmWidth / 4, info.bmHeight / 3};
  DeleteObject(b);
}

TSize CheckBoxGlyphSize() {
  static const bool loaded = (LoadSystemGlyphs(), true);
  (void)loaded;
  return CheckGlyph();
}

TRect FitRectToMaxSize(const TRect& rect, int horzAlign, int vertAlign) {
  TSize max = CheckBoxGlyphSize();
  TRect r = rect;
  if (r.Width() > max.cx) {
    if (horzAlign == 1) r.Left = r.Right - max.cx;
    else if (horzAlign == 2) r.Left += (r.Width() - max.cx) / 2;
    r.Right = r.Left + max.cx;
  }
  if (r.Height() > max.cy) {
    if (vertAlign == 1) r.Top += (r.Height() - max.cy) / 2;
    else if (vertAlign == 2) r.Top = r.Bottom - max.cy;
    r.Bottom = r.Top + max.cy;
  }
  return r;
}

bool ThemesActive() { return IsThemeActive() && IsAppThemed(); }

void PaintEditButton(HDC dc, TRect rect, TColor parentColor, TCheckBoxState checkState, bool enabled, bool active,
                     bool flat, int downButton, TEditButtonDrawStyleGx style) {
  bool themes = ThemesActive();
  TButtonBitmapInfoGx key;
  key.DrawStyle = static_cast<uint8_t>(style);
  key.Active = active;
  key.Enabled = enabled;
  key.CheckState = static_cast<uint8_t>(checkState);
  COLORREF parent = Rgb(parentColor);
  if (style == ebdsCheckBoxGx) {
    if (themes) flat = false;
    int w = rect.Width(), h = rect.Height();
    if (w > h) {
      rect.Left += (w - h) / 2;
      rect.Right = rect.Left + h;
    } else if (h > w) {
      rect.Top += (h - w) / 2;
      rect.Bottom = rect.Top + w;
    }
    TRect box = rect;
    if (flat) box.Inflate(-1, -1);
    key.Flat = flat;
    key.Pressed = downButton != 0;
    DrawPart(dc, box, key, nullptr);
    if (flat) {
      if (active) {
        RECT rc = rect;
        DrawEdge(dc, &rc, BDR_SUNKENOUTER, BF_RECT);
      } else {
        FrameSolid(dc, rect, parent);
      }
    }
    return;
  }
  key.Flat = flat;
  TRect r = rect;
  const TRect* clip = nullptr;
  TRect clipRect;
  if (flat && !active && !themes) {
    r.Inflate(-1, -1);
    clipRect = r;
    WindowsLPtoDP(dc, clipRect);
    clip = &clipRect;
  }
  if (style == ebdsUpDownGx) {
    TRect upper = r, lower = r;
    upper.Bottom = upper.Top + r.Height() / 2;
    lower.Top = lower.Bottom - r.Height() / 2;
    key.Pressed = downButton == 1;
    DrawPart(dc, upper, key, clip);
    key.Pressed = downButton == 2;
    key.LowerHalf = true;
    DrawPart(dc, lower, key, clip);
    if (r.Height() % 2 == 1)
      FillSolid(dc, TRect(r.Left, upper.Bottom, r.Right, lower.Top), parent);
    else if (flat && !active)
      FillSolid(dc, TRect(r.Left, upper.Bottom, r.Right, upper.Bottom + 1), parent);
  } else {
    key.Pressed = downButton != 0;
    DrawPart(dc, r, key, clip);
  }
  if (flat && !active) FrameSolid(dc, rect, parent);
}

// ---- TEditButtonControlGx ------------------------------------------------------------------------

TEditButtonControlGx::TEditButtonControlGx(TComponent* owner) : TSpeedButton(owner) {}

TEditButtonControlGx::~TEditButtonControlGx() = default;

void TEditButtonControlGx::SetActive(bool value) {
  if (active_ == value) return;
  active_ = value;
  Invalidate();
}

void TEditButtonControlGx::SetStyle(TEditButtonStyleGx value) {
  if (style_ == value) return;
  style_ = value;
  Invalidate();
}

void TEditButtonControlGx::SetAlwaysDown(bool value) {
  alwaysDown_ = value;
  if (value) {
    SetGroupIndex(1);
    SetDown(true);
    SetAllowAllUp(false);
    downButton_ = 1;
  } else {
    SetAllowAllUp(true);
    SetDown(false);
    SetGroupIndex(0);
    downButton_ = 0;
  }
  Invalidate();
}

void TEditButtonControlGx::SetAutoRepeatTimer(unsigned interval) {
  if (interval == 0) {
    if (timer_) timer_->SetEnabled(false);
    return;
  }
  if (!timer_) {
    timer_ = new TTimer(this);
    timer_->SetEnabled(false);
    timer_->SetOnTimer([this](TObject*) { TimerTick(); });
  }
  timer_->SetInterval(interval);
  timer_->SetEnabled(true);
}

bool TEditButtonControlGx::AutoRepeatRunning() const { return timer_ && timer_->Enabled(); }

unsigned TEditButtonControlGx::AutoRepeatInterval() const { return timer_ ? timer_->Interval() : 0; }

void TEditButtonControlGx::ButtonDown(bool topButton, bool& autoRepeat) {
  if (!OnDown) return;
  bool handled = false;
  OnDown(this, topButton, autoRepeat, handled);
}

void TEditButtonControlGx::UpdateDownButton(int x, int y) {
  (void)x;
  int code = 0;
  if (State() == bsDown || State() == bsExclusive) {
    if (style_ == ebsUpDownGx) {
      int h = Height();
      code = y < h / 2 ? 1 : y > h - h / 2 ? 2 : 0;
    } else {
      code = 1;
    }
  }
  if (code != downButton_) {
    downButton_ = code;
    Invalidate();
  }
}

void TEditButtonControlGx::TimerTick() {
  if (State() != bsDown) return;
  if (timer_->Interval() == 400) timer_->SetInterval(100);
  bool autoRepeat = style_ == ebsUpDownGx;
  ButtonDown(downButton_ == 1, autoRepeat);
  if (!autoRepeat) SetAutoRepeatTimer(0);
}

void TEditButtonControlGx::Click() {
  if (suppressClick_) {
    suppressClick_ = false;
    return;
  }
  TSpeedButton::Click();
}

void TEditButtonControlGx::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TSpeedButton::MouseDown(button, shift, x, y);
  if (button != mbLeft || !Enabled()) return;
  UpdateDownButton(x, y);
  if (downButton_ > 0) {
    bool autoRepeat = style_ == ebsUpDownGx;
    ButtonDown(downButton_ == 1, autoRepeat);
    if (autoRepeat) SetAutoRepeatTimer(400);
  }
}

void TEditButtonControlGx::MouseMove(TShiftState shift, int x, int y) {
  if (style_ == ebsUpDownGx && State() == bsDown && Dragging()) {
    int h = Height();
    if ((downButton_ == 2 && y < h / 2) || (downButton_ == 1 && y > h - h / 2)) {
      SetState(bsUp);
      SetAutoRepeatTimer(0);
      Invalidate();
      return;
    }
  }
  if (style_ == ebsUpDownGx && State() == bsUp && Dragging() && downButton_ != 0) return;  // released by the move
  TSpeedButton::MouseMove(shift, x, y);
}

void TEditButtonControlGx::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (style_ == ebsUpDownGx && State() != bsDown) suppressClick_ = true;
  TSpeedButton::MouseUp(button, shift, x, y);
  suppressClick_ = false;
  UpdateDownButton(x, y);
  SetAutoRepeatTimer(0);
}

void TEditButtonControlGx::Paint() {
  HDC dc = Canvas()->Handle();
  TColor parent = Parent() ? Parent()->Color() : clBtnFace;
  TRect client = ClientRect();
  bool down = State() == bsDown || State() == bsExclusive;
  if (style_ == ebsGlyphGx) {
    if (Flat() && !ThemesActive()) {
      int saved = SaveDC(dc);
      IntersectClipRect(dc, client.Left + 1, client.Top + 1, client.Right - 1, client.Bottom - 1);
      TSpeedButton::Paint();
      RestoreDC(dc, saved);
      RECT rc = client;
      if (active_) DrawEdge(dc, &rc, down ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
      else FrameSolid(dc, client, Rgb(parent));
    } else {
      TSpeedButton::Paint();
    }
    return;
  }
  PaintEditButton(dc, client, parent, cbUnchecked, Enabled(), active_, Flat(), down ? downButton_ : 0,
                  EditButtonDrawStyle(style_));
}

// ---- TEditButtonActionLinkGx ---------------------------------------------------------------------

TEditButtonActionLinkGx::TEditButtonActionLinkGx(TEditButtonGx* client) : TActionLink(client), client_(client) {}

bool TEditButtonActionLinkGx::IsEnabledLinked() {
  return TActionLink::IsEnabledLinked() && CustomAction() && client_->Enabled() == CustomAction()->Enabled();
}
bool TEditButtonActionLinkGx::IsHintLinked() {
  return TActionLink::IsHintLinked() && CustomAction() && client_->Hint() == CustomAction()->Hint();
}
bool TEditButtonActionLinkGx::IsShortCutLinked() {
  return TActionLink::IsShortCutLinked() && CustomAction() && client_->ShortCut() == CustomAction()->ShortCut();
}
bool TEditButtonActionLinkGx::IsVisibleLinked() {
  return TActionLink::IsVisibleLinked() && CustomAction() && client_->Visible() == CustomAction()->Visible();
}
void TEditButtonActionLinkGx::SetEnabled(bool value) {
  if (IsEnabledLinked()) client_->SetEnabled(value);
}
void TEditButtonActionLinkGx::SetHint(const std::string& value) {
  if (IsHintLinked()) client_->SetHint(value);
}
void TEditButtonActionLinkGx::SetShortCut(TShortCut value) {
  if (IsShortCutLinked()) client_->SetShortCut(value);
}
void TEditButtonActionLinkGx::SetVisible(bool value) {
  if (IsVisibleLinked()) client_->SetVisible(value);
}

// ---- TEditButtonGx -----------------------------------------------------------------------------

TEditButtonGx::TEditButtonGx(TCollection* collection) : TCollectionItem(collection), glyph_(std::make_unique<TBitmap>()) {
  glyph_->SetTransparent(true);
  glyph_->OnChange = [this](TObject*) { PropertyChanged(); };
  if (auto* buttons = dynamic_cast<TEditButtonsGx*>(collection)) editor_ = buttons->Editor();
}

TEditButtonGx* TEditButtonGx::CreateForEditor(TComponent* editor) {
  auto* b = new TEditButtonGx(nullptr);
  b->editor_ = editor;
  return b;
}

TEditButtonGx::~TEditButtonGx() {
  OnChange = nullptr;
  if (actionLink_) actionLink_->SetAction(nullptr);
}

void TEditButtonGx::Assign(TPersistent* source) {
  auto* b = dynamic_cast<TEditButtonGx*>(source);
  if (!b) {
    TCollectionItem::Assign(source);
    return;
  }
  SetAction(b->Action());
  SetDropdownMenu(b->DropdownMenu());
  SetEnabled(b->Enabled());
  SetGlyph(b->Glyph());
  SetHint(b->Hint());
  SetNumGlyphs(b->NumGlyphs());
  SetShortCut(b->ShortCut());
  SetStyle(b->Style());
  SetVisible(b->Visible());
  SetWidth(b->Width());
  OnClick = b->OnClick;
  OnDown = b->OnDown;
}

TPersistent* TEditButtonGx::GetOwner() const {
  if (Collection()) return TCollectionItem::GetOwner();
  return editor_;
}

TBasicAction* TEditButtonGx::Action() const { return actionLink_ ? actionLink_->Action() : nullptr; }

void TEditButtonGx::SetAction(TBasicAction* value) {
  if (!value) {
    actionLink_.reset();
    return;
  }
  if (!actionLink_) actionLink_ = std::make_unique<TEditButtonActionLinkGx>(this);
  actionLink_->SetAction(value);
  // Later changes come through the link's setters, each only while that property is linked; a
  // change of anything else of the action reloads nothing.
  ActionChange(value, value->ComponentState().Contains(csLoading));
}

void TEditButtonGx::ActionChange(TObject* sender, bool checkDefaults) {
  auto* a = dynamic_cast<TCustomAction*>(sender);
  if (!a) return;
  if (!checkDefaults || enabled_) SetEnabled(a->Enabled());
  if (!checkDefaults || hint_.empty()) SetHint(a->Hint());
  if (!checkDefaults || shortCut_ == 0) SetShortCut(a->ShortCut());
  if (!checkDefaults || visible_) SetVisible(a->Visible());
}

void TEditButtonGx::PropertyChanged() {
  if (OnChange) OnChange(this);
  else if (Collection()) Changed(false);
}

void TEditButtonGx::SetDropdownMenu(TPopupMenu* value) {
  if (dropdownMenu_ == value) return;
  dropdownMenu_ = value;
  PropertyChanged();
}

void TEditButtonGx::SetEnabled(bool value) {
  if (enabled_ == value) return;
  enabled_ = value;
  PropertyChanged();
}

void TEditButtonGx::SetGlyph(TBitmap* value) { glyph_->Assign(value); }

void TEditButtonGx::SetHint(const std::string& value) {
  if (hint_ == value) return;
  hint_ = value;
  PropertyChanged();
}

void TEditButtonGx::SetNumGlyphs(int value) {
  value = std::clamp(value, 1, 4);
  if (numGlyphs_ == value) return;
  numGlyphs_ = value;
  PropertyChanged();
}

void TEditButtonGx::SetShortCut(TShortCut value) {
  if (shortCut_ == value) return;
  shortCut_ = value;
  PropertyChanged();
}

void TEditButtonGx::SetStyle(TEditButtonStyleGx value) {
  if (style_ == value) return;
  style_ = value;
  PropertyChanged();
}

void TEditButtonGx::SetVisible(bool value) {
  if (visible_ == value) return;
  visible_ = value;
  PropertyChanged();
}

void TEditButtonGx::SetWidth(int value) {
  if (width_ == value) return;
  width_ = value;
  PropertyChanged();
}

bool TEditButtonGx::IsEnabledStored() const { return !actionLink_ || !actionLink_->IsEnabledLinked(); }
bool TEditButtonGx::IsHintStored() const { return !actionLink_ || !actionLink_->IsHintLinked(); }
bool TEditButtonGx::IsShortCutStored() const { return !actionLink_ || !actionLink_->IsShortCutLinked(); }
bool TEditButtonGx::IsVisibleStored() const { return !actionLink_ || !actionLink_->IsVisibleLinked(); }

void TEditButtonGx::Click(TObject* sender, bool& handled) {
  if (OnClick) {
    TButtonClickEventGx onClick = OnClick;  // the handler may free this button
    onClick(sender, handled);
    return;
  }
  if (actionLink_ && actionLink_->Action()) {
    TComponent* target = editor_;
    if (!target && Collection()) target = dynamic_cast<TComponent*>(Collection()->Owner());
    actionLink_->Execute(target);
    handled = true;
  }
}

TEditButtonControlGx* TEditButtonGx::CreateEditButtonControl() {
  auto* c = new TEditButtonControlGx(editor_);
  if (auto* parent = dynamic_cast<TWinControl*>(editor_)) c->SetParent(parent);
  c->SetControlStyle(c->ControlStyle() + csReplicatable);
  c->SetBounds(0, 0, 10, 17);
  c->SetVisible(true);
  c->SetTransparent(false);
  return c;
}

void TEditButtonGx::InitiateAction() {
  if (actionLink_) actionLink_->Update();
}

TDropDownEditButtonGx::TDropDownEditButtonGx(TCollection* collection) : TEditButtonGx(collection) {
  SetShortCut(kAltDown);
}

TDropDownEditButtonGx* TDropDownEditButtonGx::CreateForEditor(TComponent* editor) {
  auto* b = new TDropDownEditButtonGx(nullptr);
  b->SetEditor(editor);
  return b;
}

TVisibleEditButtonGx::TVisibleEditButtonGx(TCollection* collection) : TEditButtonGx(collection) {
  SetShortCut(kAltDown);
  SetVisible(true);
}

TVisibleEditButtonGx* TVisibleEditButtonGx::CreateForEditor(TComponent* editor) {
  auto* b = new TVisibleEditButtonGx(nullptr);
  b->SetEditor(editor);
  return b;
}

// ---- TEditButtonsGx ----------------------------------------------------------------------------

TEditButtonsGx::TEditButtonsGx(TComponent* editor, TClass itemClass) : TCollection(itemClass), editor_(editor) {}

void TEditButtonsGx::Update(TCollectionItem* item) {
  TCollection::Update(item);
  if (OnChange) OnChange(this);
}

FANO_ENUM_NAMES(TEditButtonStyleGx, "ebsDropDownGx", "ebsEllipsisGx", "ebsGlyphGx", "ebsUpDownGx", "ebsPlusGx",
                "ebsMinusGx");

FANO_PUBLISHED(TEditButtonGx, p) {
  p.Property("Action", &TEditButtonGx::Action, &TEditButtonGx::SetAction);
  p.Property("DropdownMenu", &TEditButtonGx::DropdownMenu, &TEditButtonGx::SetDropdownMenu);
  p.Property("Enabled", &TEditButtonGx::Enabled, &TEditButtonGx::SetEnabled)
      .Stored(&TEditButtonGx::IsEnabledStored);
  p.Property("Glyph", &TEditButtonGx::Glyph, &TEditButtonGx::SetGlyph);
  p.Property("Hint", &TEditButtonGx::Hint, &TEditButtonGx::SetHint).Stored(&TEditButtonGx::IsHintStored);
  p.Property("NumGlyphs", &TEditButtonGx::NumGlyphs, &TEditButtonGx::SetNumGlyphs);
  p.Property("ShortCut", &TEditButtonGx::ShortCut, &TEditButtonGx::SetShortCut)
      .Stored(&TEditButtonGx::IsShortCutStored);
  p.Property("Style", &TEditButtonGx::Style, &TEditButtonGx::SetStyle);
  p.Property("Visible", &TEditButtonGx::Visible, &TEditButtonGx::SetVisible)
      .Stored(&TEditButtonGx::IsVisibleStored);
  p.Property("Width", &TEditButtonGx::Width, &TEditButtonGx::SetWidth);
  p.Property("OnClick", &TEditButtonGx::OnClick);
  p.Property("OnDown", &TEditButtonGx::OnDown);
}

FANO_PUBLISHED(TSpeedButtonGx, p) {
  p.Property("Active", &TEditButtonControlGx::Active, &TEditButtonControlGx::SetActive);
  p.Property("Style", &TEditButtonControlGx::Style, &TEditButtonControlGx::SetStyle);
}

FANO_REGISTER_CLASS(TSpeedButtonGx);
