// The flat combo box: frame, button and arrow, focus state and the list's colour.
#include "controls/flatcombobox.h"

#include "platform/classes/classreg.h"
#include "platform/classes/published.h"

FANO_IMPLEMENT_COMPONENT(TFlatComboBox, TCustomComboBox)
FANO_REGISTER_CLASS(TFlatComboBox);

FANO_PUBLISHED(TFlatComboBox, p) {
  p.Property("ColorArrow", &TFlatComboBox::ColorArrow, &TFlatComboBox::SetColorArrow);
  p.Property("ColorArrowBackground", &TFlatComboBox::ColorArrowBackground, &TFlatComboBox::SetColorArrowBackground);
  p.Property("ColorBorder", &TFlatComboBox::ColorBorder, &TFlatComboBox::SetColorBorder);
  p.Property("UseAdvColors", &TFlatComboBox::UseAdvColors, &TFlatComboBox::SetUseAdvColors);
  p.Property("AdvColorBorder", &TFlatComboBox::AdvColorBorder, &TFlatComboBox::SetAdvColorBorder);
  p.Property("AdvColorArrowBackground", &TFlatComboBox::AdvColorArrowBackground,
             &TFlatComboBox::SetAdvColorArrowBackground);
  p.Property("Caption", &TControl::Caption, &TControl::SetCaption).Stored(false);
  p.Property("Style", &TCustomComboBox::Style, &TCustomComboBox::SetStyle);
  p.Property("DropDownCount", &TCustomComboBox::DropDownCount, &TCustomComboBox::SetDropDownCount);
  p.Property("ItemHeight", &TCustomComboBox::ItemHeight, &TCustomComboBox::SetItemHeight);
  p.Property("MaxLength", &TCustomComboBox::MaxLength, &TCustomComboBox::SetMaxLength);
  p.Property("Sorted", &TCustomComboBox::Sorted, &TCustomComboBox::SetSorted);
  p.Property("Items", &TCustomComboBox::Items, &TCustomComboBox::SetItems);
  p.Property("ItemIndex", &TCustomComboBox::ItemIndex, &TCustomComboBox::SetItemIndex);
  p.Property("Text", &TControl::Text, &TControl::SetText);
  p.Property("OnChange", &TCustomComboBox::OnChange);
  p.Property("OnDropDown", &TCustomComboBox::OnDropDown);
  p.Property("OnSelect", &TCustomComboBox::OnSelect);
  p.Property("OnCloseUp", &TCustomComboBox::OnCloseUp);
}

TFlatComboBox::TFlatComboBox(TComponent* owner) : TCustomComboBox(owner) {
  TControlStyle style = ControlStyle();
  style.Exclude(csFixedHeight);
  style.Include(csOpaque);
  SetControlStyle(style);
  SetItemHeight(13);
  sysBtnWidth_ = GetSystemMetrics(SM_CXVSCROLL);
}

TFlatComboBox::~TFlatComboBox() {
  if (listBrush_) DeleteObject(listBrush_);
}

void TFlatComboBox::RepaintFrame() {
  Invalidate();
  RedrawBorders();
}

void TFlatComboBox::SetColors(int index, TColor v) {
  if (index < 0 || index > 2) return;
  colors_[index] = v;
  RepaintFrame();
}

void TFlatComboBox::SetAdvColors(int index, TAdvColors v) {
  if (index < 0 || index > 1) return;
  adv_[index] = std::min<TAdvColors>(v, 100);
  CalcAdvColors();
  RepaintFrame();
}

void TFlatComboBox::SetUseAdvColors(bool v) {
  if (useAdvColors_ == v) return;
  useAdvColors_ = v;
  CalcAdvColors();
  RepaintFrame();
}

void TFlatComboBox::CalcAdvColors() {
  if (!useAdvColors_ || !Parent()) return;
  colors_[2] = CalcAdvancedColor(Parent()->Color(), colors_[2], adv_[0], true);
  colors_[1] = CalcAdvancedColor(Parent()->Color(), colors_[1], adv_[1], true);
}

TRect TFlatComboBox::ButtonRect() const {
  TRect r(0, 0, Width(), Height());
  r.Left = r.Left + ClientWidth() - buttonWidth_;
  r.Offset(-1, 0);
  r.Left -= 1;
  r.Right += 1;
  return r;
}

void TFlatComboBox::DrawButton(HDC dc) {
  TRect tr = ButtonRect();
  RECT r = tr;
  HBRUSH face = CreateSolidBrush(ColorToRGB(colors_[1]));
  HBRUSH frame = CreateSolidBrush(ColorToRGB(colors_[2]));
  FillRect(dc, &r, face);
  FrameRect(dc, &r, frame);
  DeleteObject(face);
  DeleteObject(frame);
  int x = tr.Left + tr.Width() / 2 - 6;
  int y = tr.Top + tr.Height() / 2 - 1;
  bool dropped = HandleAllocated() && DroppedDown();
  auto triangle = [&](int dx, int dy, COLORREF color) {
    POINT pts[3];
    if (dropped) {
      pts[0] = {x + 4 + dx, y + 2 + dy};
      pts[1] = {x + 8 + dx, y + 2 + dy};
      pts[2] = {x + 6 + dx, y + dy};
    } else {
      pts[0] = {x + 4 + dx, y + dy};
      pts[1] = {x + 8 + dx, y + dy};
      pts[2] = {x + 6 + dx, y + 2 + dy};
    }
    HPEN pen = CreatePen(PS_SOLID, 1, color);
    HBRUSH brush = CreateSolidBrush(color);
    HGDIOBJ op = SelectObject(dc, pen), ob = SelectObject(dc, brush);
    Polygon(dc, pts, 3);
    SelectObject(dc, op);
    SelectObject(dc, ob);
    DeleteObject(pen);
    DeleteObject(brush);
  };
  if (Enabled()) {
    triangle(0, 0, ColorToRGB(colors_[0]));
  } else {
    triangle(1, 1, RGB(255, 255, 255));
    triangle(0, 0, RGB(0x80, 0x80, 0x80));
  }
}

void TFlatComboBox::RedrawBorders() {
  if (!HandleAllocated()) return;
  HWND wnd = WindowHandle();
  HDC dc = GetWindowDC(wnd);
  if (!dc) return;
  RECT r{0, 0, Width(), Height()};
  r.right -= buttonWidth_ + 1;
  HBRUSH border = CreateSolidBrush(ColorToRGB(colors_[2]));
  HBRUSH body = CreateSolidBrush(ColorToRGB(Color()));
  FrameRect(dc, &r, border);
  InflateRect(&r, -1, -1);
  FrameRect(dc, &r, body);
  InflateRect(&r, -1, -1);
  FrameRect(dc, &r, body);
  DeleteObject(border);
  DeleteObject(body);
  if (Style() != csSimple) DrawButton(dc);
  ReleaseDC(wnd, dc);
}

void TFlatComboBox::DrawSelectionStrip() {
  if (!HandleAllocated() || !ListStyle()) return;
  HWND wnd = WindowHandle();
  HDC dc = GetDC(wnd);
  if (!dc) return;
  TRect client = ClientRect();
  TRect r = client;
  r.Inflate(-2, -3);
  bool focusedNow = Focused() && !DroppedDown();
  RECT strip{r.Right - buttonWidth_ - 8, r.Top, r.Right - buttonWidth_ - 3, r.Bottom};
  HBRUSH b = CreateSolidBrush(ColorToRGB(focusedNow ? clHighlight : Color()));
  FillRect(dc, &strip, b);
  DeleteObject(b);
  if (focusedNow) {
    RECT f = client;
    InflateRect(&f, -3, -3);
    f.right = client.Right - 2 - buttonWidth_;
    HBRUSH hb = CreateSolidBrush(ColorToRGB(clHighlight));
    FrameRect(dc, &f, hb);
    DeleteObject(hb);
  }
  ReleaseDC(wnd, dc);
}

void TFlatComboBox::UpdateFocus(HWND focus) {
  bool now;
  if (InState(csDesigning)) {
    now = Enabled();
  } else {
    now = (HandleAllocated() && DroppedDown()) || (focus && (focus == WindowHandle() || focus == EditHandle()));
  }
  if (now != focused_) {
    focused_ = now;
    RedrawBorders();
  }
}

void TFlatComboBox::SizeEditChild() {
  if ((Style() == csDropDown || Style() == csSimple) && EditHandle())
    SetWindowPos(EditHandle(), nullptr, 0, 0, ClientWidth() - buttonWidth_ - 8, Height() - 6,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
}

// The edit child is known only once the window is made, after its first sizing: a new window
// (a style or font change recreates it) would keep the native width until the next resize.
void TFlatComboBox::CreateWnd() {
  TCustomComboBox::CreateWnd();
  SizeEditChild();
}

void TFlatComboBox::EditWndProc(TMessage& m) {
  TCustomComboBox::EditWndProc(m);
  if (m.Msg == WM_SETFOCUS) UpdateFocus(GetFocus());
  if (m.Msg == WM_KILLFOCUS) UpdateFocus(reinterpret_cast<HWND>(m.WParam));
}

void TFlatComboBox::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps{};
      HDC given = reinterpret_cast<HDC>(m.WParam);
      HDC dc = given ? given : BeginPaint(Handle(), &ps);
      if (!dc) return;
      RECT update = given ? RECT{0, 0, Width(), Height()} : ps.rcPaint;
      update.right = std::min<LONG>(update.right, Width() - buttonWidth_ - 4);
      FillRect(dc, &update, Brush()->Handle());
      RECT button = ButtonRect();
      RECT meet{};
      if (IntersectRect(&meet, &button, &update) || given) DrawButton(dc);
      int saved = SaveDC(dc);
      ExcludeClipRect(dc, ClientWidth() - sysBtnWidth_, 0, ClientWidth(), ClientHeight());
      TMessage native = m;
      native.WParam = reinterpret_cast<WPARAM>(dc);
      TCustomComboBox::Dispatch(native);
      RestoreDC(dc, saved);
      if (Style() == csDropDown && DroppedDown()) {
        RECT f = ClientRect();
        InflateRect(&f, -2, -2);
        f.right = Width() - buttonWidth_ - 3;
        HBRUSH b = CreateSolidBrush(ColorToRGB(clWindow));
        FrameRect(dc, &f, b);
        DeleteObject(b);
      }
      if (!given) EndPaint(Handle(), &ps);
      if (Style() != csDropDown) DrawSelectionStrip();
      RedrawBorders();
      m.Result = 0;
      return;
    }
    case WM_NCPAINT:
      TCustomComboBox::Dispatch(m);
      RedrawBorders();
      return;
    case WM_SIZE:
      TCustomComboBox::Dispatch(m);
      SizeEditChild();
      return;
    case WM_CTLCOLORLISTBOX:
    case CN_CTLCOLORLISTBOX: {
      TCustomComboBox::Dispatch(m);
      SetBkColor(reinterpret_cast<HDC>(m.WParam), ColorToRGB(Color()));
      if (!listBrush_ || listBrushColor_ != Color()) {
        if (listBrush_) DeleteObject(listBrush_);
        listBrush_ = CreateSolidBrush(ColorToRGB(Color()));
        listBrushColor_ = Color();
      }
      m.Result = reinterpret_cast<LRESULT>(listBrush_);
      return;
    }
    case CN_COMMAND:
      TCustomComboBox::Dispatch(m);
      switch (m.WParamHi()) {
        case CBN_SELCHANGE:
        case CBN_DROPDOWN:
        case CBN_SELENDOK: DrawSelectionStrip(); break;
        case CBN_CLOSEUP: {
          if (HandleAllocated()) {
            RECT r = ButtonRect();
            r.left -= 2;
            InvalidateRect(WindowHandle(), &r, FALSE);
          }
          UpdateFocus(GetFocus());
          RedrawBorders();
          break;
        }
        default: break;
      }
      return;
    case WM_KEYDOWN: {
      std::string before = Text();
      TCustomComboBox::Dispatch(m);
      if (ListStyle() && Text() != before) DrawSelectionStrip();
      return;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      TCustomComboBox::Dispatch(m);
      if (!InState(csDesigning)) {
        UpdateFocus(m.Msg == WM_KILLFOCUS ? reinterpret_cast<HWND>(m.WParam) : GetFocus());
        DrawSelectionStrip();
      }
      return;
    case CM_SYSCOLORCHANGE:
    case CM_PARENTCOLORCHANGED:
      TCustomComboBox::Dispatch(m);
      CalcAdvColors();
      RepaintFrame();
      return;
    case CM_ENABLEDCHANGED:
      TCustomComboBox::Dispatch(m);
      RepaintFrame();
      return;
    case CM_FONTCHANGED:
      TCustomComboBox::Dispatch(m);
      SetItemHeight(13);
      RecreateWnd();
      return;
    default: break;
  }
  TCustomComboBox::Dispatch(m);
}
