// The page control's painter: strip, tabs in three styles, page frame, close buttons and hover
// frame, composed off-screen once per paint.
#include <algorithm>

#include "controls/cvpagecontrol.h"

namespace {

// The strip the tabs take, grown from every visible tab.
struct Strip {
  int Left, Top, Right, Bottom;
};

bool Opaque(TColor c) { return c != clNone; }

}  // namespace

// ---- close buttons ------------------------------------------------------------------------------------

void TCvPageControl::DrawCloseButton(TCanvas* c, const TRect& r, int state, bool active) {
  int x = r.Left + tabMargin_->LeftMargin();
  int y = r.Top + tabMargin_->TopMargin();
  bool left = TabPosition() == tpLeft;
  switch (TabPosition()) {
    case tpTop:
    case tpBottom:
      if (active) y += lowerActive_;
      break;
    case tpRight:
      x += 2 - (active ? lowerActive_ : 0);
      break;
    case tpLeft:
      x += active ? lowerActive_ : 0;
      y = r.Bottom - tabMargin_->TopMargin() + (tabBackGroundActive_->Empty() ? tabOverlap_ : 0);
      break;
  }
  TRect box = left ? TRect(x + 2, y - 13, x + 14, y - 2) : TRect(x + 2, y + 2, x + 14, y + 13);
  if (!closeGlyph_->Empty()) {
    HDC dc = c->Handle();
    int saved = SaveDC(dc);
    IntersectClipRect(dc, box.Left, box.Top, box.Left + 12, box.Top + 11);
    closeGlyph_->SetTransparent(true);
    c->Draw(box.Left, box.Top, closeGlyph_.get());
    RestoreDC(dc, saved);
    return;
  }
  static constexpr TColor kBox[3] = {0xFFFFFF, 0xFFFFFF, 0xC0C0C0};
  static constexpr TColor kFrame[3] = {0x808080, 0x000000, 0x000000};
  static constexpr TColor kCross[3] = {0x000000, 0x808080, 0x000000};
  state = std::clamp(state, 0, 2);
  c->Pen()->SetWidth(1);
  c->Pen()->SetStyle(psSolid);
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(kBox[state]);
  c->Pen()->SetColor(kFrame[state]);
  c->Rectangle(box);
  c->Pen()->SetColor(kCross[state]);
  // The cross, mirrored for tabs on the left whose box hangs above the anchor.
  auto line = [&](int x1, int y1, int x2, int y2) {
    if (left) {
      y1 = -y1;
      y2 = -y2;
    }
    c->MoveTo(x + x1, y + y1);
    c->LineTo(x + x2, y + y2);
  };
  line(5, 9, 11, 4);
  line(6, 9, 10, 4);
  line(5, 5, 11, 10);
  line(6, 5, 10, 10);
}

bool TCvPageControl::PtInCloseButton(int pageIndex, int x, int y) {
  TRect r = TabRectOfPage(pageIndex);
  if (r.Width() <= 0 && r.Height() <= 0) return false;
  TRect box;
  if (TabPosition() == tpLeft) {
    int l = r.Left + tabMargin_->LeftMargin();
    int b = r.Bottom - tabMargin_->TopMargin();
    if (tabBackGroundActive_->Empty()) {
      l += 2;
      b += tabOverlap_;
    }
    box = TRect(l + 2, b - 13, l + 14, b - 2);
  } else {
    int l = r.Left + tabMargin_->LeftMargin();
    int t = r.Top + tabMargin_->TopMargin();
    box = TRect(l + 2, t + 2, l + 14, t + 13);
  }
  return x >= box.Left && x < box.Right && y >= box.Top && y < box.Bottom;
}

// ---- paint path ------------------------------------------------------------------------------------

void TCvPageControl::PaintToBuffer(TMessage& m) {
  PAINTSTRUCT ps{};
  HDC paintDC = reinterpret_cast<HDC>(m.WParam);
  bool own = paintDC == nullptr;
  int w = std::max(1, Width()), h = std::max(1, Height());
  HDC screen = GetDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
  HDC mem = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(mem, bmp);
  if (own) paintDC = BeginPaint(Handle(), &ps);
  // The erase the window skipped happens here, off-screen: the native painting leaves the page
  // between its frame and the sheet untouched.
  RECT all{0, 0, w, h};
  FillRect(mem, &all, Brush()->Handle());
  TMessage inner = m;
  inner.WParam = reinterpret_cast<WPARAM>(mem);
  TCustomTabControl::Dispatch(inner);
  {
    TCanvas canvas;
    canvas.SetHandle(mem);
    PaintTabs(&canvas);
    canvas.SetHandle(nullptr);
  }
  if (paintDC) BitBlt(paintDC, 0, 0, w, h, mem, 0, 0, SRCCOPY);
  if (own) EndPaint(Handle(), &ps);
  SelectObject(mem, old);
  DeleteDC(mem);
  DeleteObject(bmp);
  m.Result = 0;
}

// ---- PaintTabs -------------------------------------------------------------------------------------

void TCvPageControl::PaintTabs(TCanvas* c) {
  int w = Width(), h = Height();
  TTabPosition pos = TabPosition();
  c->Brush()->SetColor(Parent() ? Parent()->Brush()->Color() : clBtnFace);
  c->Brush()->SetStyle(bsSolid);
  c->SetFont(Font());

  // 2: wipe the native drawing of every visible tab and grow the strip.
  Strip s{w, h, 0, 0};
  bool first = true;
  int visibleTabs = 0;
  for (int i = GetPageCount() - 1; i >= 0; --i) {
    if (!pages_[static_cast<size_t>(i)]->TabShowing()) continue;
    TRect r = TabRectOfPage(i);
    ++visibleTabs;
    if (first) s.Top = r.Top;
    first = false;
    s.Left = std::min(s.Left, static_cast<int>(r.Left));
    s.Top = std::min(s.Top, static_cast<int>(r.Top));
    s.Right = std::max(s.Right, static_cast<int>(r.Right));
    s.Bottom = std::max(s.Bottom, static_cast<int>(r.Bottom));
    r.Right += 2;
    switch (pos) {
      case tpTop: r.Left -= 2; r.Top -= 2; break;
      case tpBottom: r.Left -= 2; r.Bottom += 2; break;
      case tpLeft: r.Left -= 2; r.Top -= 2; r.Bottom += 2; r.Right -= 2; break;
      case tpRight: r.Top -= 2; r.Bottom += 2; break;
    }
    c->FillRect(r);
  }
  // 3: a designer's hint on an empty control.
  if (InState(csDesigning) && visibleTabs == 0) {
    int th = c->TextHeight("gh");
    const char* lines[] = {"Right-click and choose \"New Page\"", "to insert a new tabsheet",
                           "If no such right-click menu option appears", "please install designtime package!"};
    int offsets[] = {0, th, 3 * th, 4 * th};
    c->Brush()->SetStyle(bsClear);
    for (int i = 0; i < 4; ++i) {
      TFontStyles st = Font()->Style();
      if (i >= 2) st.Include(fsItalic);
      c->Font()->SetStyle(st);
      c->TextOut(10, h / 2 + offsets[i], lines[i]);
    }
    c->SetFont(Font());
    c->Brush()->SetStyle(bsSolid);
  }
  // 4: an empty strip.
  if (visibleTabs == 0) {
    switch (pos) {
      case tpTop: s.Bottom = 2; break;
      case tpBottom: s.Top = h - 2; break;
      case tpLeft: s.Right = 2; break;
      case tpRight: s.Left = w - 2; break;
    }
  }
  // 5: the native scroll arrows' corner.
  if (!MultiLine()) {
    c->Brush()->SetColor(Color());
    if (pos == tpTop) {
      c->FillRect(TRect(w - 35, 0, w, s.Bottom));
      c->Pen()->SetColor(clWhite);
      c->MoveTo(std::max(s.Right, w - 35), s.Bottom);
      c->LineTo(w, s.Bottom);
    } else if (pos == tpBottom) {
      c->FillRect(TRect(w - 35, s.Top, w, h));
      c->Pen()->SetColor(cl3DDkShadow);
      c->MoveTo(std::max(s.Right, w - 35), s.Top - 1);
      c->LineTo(w, s.Top - 1);
    }
  }
  // 6: the strip's background.
  c->Brush()->SetColor(tabBackGroundColor_);
  c->Brush()->SetStyle(bsSolid);
  switch (pos) {
    case tpTop: c->FillRect(TRect(0, 0, w, s.Bottom)); break;
    case tpBottom: c->FillRect(TRect(0, s.Top, w, h)); break;
    case tpLeft: c->FillRect(TRect(0, 0, s.Right, h)); break;
    case tpRight: c->FillRect(TRect(s.Left, 0, w, h)); break;
  }
  // The page area and its strip-side edge.
  TRect page(0, 0, w, h);
  switch (pos) {
    case tpTop: page.Top = s.Bottom; break;
    case tpBottom: page.Bottom = s.Top; break;
    case tpLeft: page.Left = s.Right; break;
    case tpRight: page.Right = s.Left; break;
  }
  bool sheetBand = activePage_ && (Opaque(activePage_->Color()) || Opaque(activePage_->ColorTo()));
  // 7: the sheet's colour in a 3-pixel band inside the page frame.
  if (sheetBand) {
    int d = tabSheet3D_ ? 1 : 0;
    TRect in(page.Left + 1, page.Top + 1, page.Right - 1, page.Bottom - 1);
    switch (pos) {
      case tpTop: in.Top = page.Top + d; break;
      case tpBottom: in.Bottom = page.Bottom - d; break;
      case tpLeft: in.Left = page.Left + d; break;
      case tpRight: in.Right = page.Right - d; break;
    }
    TRect bands[4] = {TRect(in.Left, in.Top, in.Left + 3, in.Bottom), TRect(in.Left, in.Top, in.Right, in.Top + 3),
                      TRect(in.Right - 3, in.Top, in.Right, in.Bottom), TRect(in.Left, in.Bottom - 3, in.Right, in.Bottom)};
    // The strip-side band runs to 4 pixels from the frame line, whatever d is: it meets the page.
    switch (pos) {
      case tpTop: bands[1].Bottom = page.Top + 4; break;
      case tpBottom: bands[3].Top = page.Bottom - 4; break;
      case tpLeft: bands[0].Right = page.Left + 4; break;
      case tpRight: bands[2].Left = page.Right - 4; break;
    }
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    for (const TRect& b : bands) {
      HRGN one = CreateRectRgn(b.Left, b.Top, b.Right, b.Bottom);
      CombineRgn(rgn, rgn, one, RGN_OR);
      DeleteObject(one);
    }
    HDC dc = c->Handle();
    int saved = SaveDC(dc);
    ExtSelectClipRgn(dc, rgn, RGN_AND);
    DeleteObject(rgn);
    TColor from = activePage_->Color(), to = activePage_->ColorTo();
    if (!Opaque(to)) {
      c->Pen()->SetColor(from);
      c->Brush()->SetColor(from);
      c->Brush()->SetStyle(bsSolid);
      c->Rectangle(ClientRect());
    } else {
      GradientFill(c, from, to, false, ClientRect(), 16);
      TRect near = pos == tpTop ? bands[1] : pos == tpBottom ? bands[3] : pos == tpLeft ? bands[0] : bands[2];
      c->Brush()->SetColor(from);
      c->FillRect(near);
    }
    RestoreDC(dc, saved);
  }
  // 8: the page frame.
  if (!tabSheet3D_) {
    auto line = [&](int x1, int y1, int x2, int y2) {
      c->MoveTo(x1, y1);
      c->LineTo(x2, y2);
    };
    c->Pen()->SetWidth(1);
    c->Pen()->SetStyle(psSolid);
    c->Pen()->SetColor(tabSheetBorderColor_);
    int sb = s.Bottom, st = s.Top, sr = s.Right, sl = s.Left;
    switch (pos) {
      case tpTop:
        line(0, sb, 0, h);
        line(0, h - 1, w, h - 1);
        line(w - 1, h - 2, w - 1, sb);
        line(0, sb, w, sb);
        if (!sheetBand) {
          c->Pen()->SetColor(Color());
          line(1, h - 2, w - 1, h - 2);
          line(w - 2, h - 2, w - 2, sb);
        }
        break;
      case tpBottom:
        line(0, 0, 0, st);
        line(0, st - 1, w, st - 1);
        line(w - 1, st - 1, w - 1, 0);
        line(0, 0, w, 0);
        if (!sheetBand) {
          c->Pen()->SetColor(Color());
          line(1, st - 2, w - 1, st - 2);
          line(w - 2, st - 2, w - 2, 0);
        }
        break;
      case tpLeft:
        line(sr, 0, sr, h);
        line(sr, h - 2, w - 2, h - 2);
        line(w - 2, h, w - 2, 0);
        line(w - 2, 0, sr, 0);
        c->Pen()->SetColor(Color());
        c->Polyline({TPoint(sr, h - 1), TPoint(w - 1, h - 1), TPoint(w - 1, -1)});
        break;
      case tpRight:
        line(0, 0, 0, h);
        line(0, h - 2, sl, h - 2);
        line(sl - 1, h, sl - 1, 0);
        line(sl - 1, 0, 0, 0);
        c->Pen()->SetColor(Color());
        line(0, h - 1, sl, h - 1);
        if (!sheetBand) line(sl - 2, h - 3, sl - 2, 0);
        break;
    }
    // 9: the two corners away from the strip rounded.
    if (roundEdges_) {
      // The top-tab figure at the bottom-left and bottom-right corners of the page, turned so that
      // "bottom" points away from the strip.
      auto corner = [&](int ax, int ay, int dx, int dy, bool across) {
        // (ax, ay): the corner pixel; dx, dy: the directions into the page.
        auto pt = [&](int along, int in) {
          return across ? TPoint(ax + dx * in, ay + dy * along) : TPoint(ax + dx * along, ay + dy * in);
        };
        c->Pen()->SetColor(Color());
        c->Polyline({pt(0, 3), pt(0, 0), pt(4, 0)});
        c->Pen()->SetColor(tabSheetBorderColor_);
        c->Polyline({pt(1, 3), pt(1, 1)});
        c->Polyline({pt(2, 1), pt(4, 1)});
      };
      switch (pos) {
        case tpTop: corner(0, h - 1, 1, -1, false); corner(w - 1, h - 1, -1, -1, false); break;
        case tpBottom: corner(0, 0, 1, 1, false); corner(w - 1, 0, -1, 1, false); break;
        case tpLeft: corner(w - 1, 0, -1, 1, true); corner(w - 1, h - 1, -1, -1, true); break;
        case tpRight: corner(0, 0, 1, 1, true); corner(0, h - 1, 1, -1, true); break;
      }
    }
  }
  // 10: the strip edge joins the tabs to the page.
  bool stripEdge = false;
  if (!tabSplitLine_ && GetPageCount() > 0 && visibleTabs > 0) {
    stripEdge = true;
    TColor band = Color();
    if (sheetBand) band = (pos == tpBottom && Opaque(activePage_->ColorTo())) ? activePage_->ColorTo() : activePage_->Color();
    c->Pen()->SetColor(band);
    c->Pen()->SetStyle(psSolid);
    bool bitmapClassic = tabStyle_ == CvPageControl::tsClassic && !tabBackGround_->Empty();
    switch (pos) {
      case tpTop: c->MoveTo(3, s.Bottom); c->LineTo(s.Right + tabOverlap_, s.Bottom); break;
      case tpBottom: c->MoveTo(2, s.Top - 1); c->LineTo(s.Right + tabOverlap_, s.Top - 1); break;
      case tpLeft: c->MoveTo(s.Right, 2); c->LineTo(s.Right, s.Bottom + tabOverlap_ + (bitmapClassic ? 2 : 0)); break;
      case tpRight: c->MoveTo(s.Left - 1, s.Bottom - 1 + tabOverlap_); c->LineTo(s.Left - 1, 2); break;
    }
  }
  // 11: the tabs, the first painted last.
  TRect stripRect(s.Left, s.Top, s.Right, s.Bottom);
  bool reach = stripEdge;
  for (int i = GetPageCount() - 1; i >= 0; --i)
    if (pages_[static_cast<size_t>(i)]->TabShowing()) DrawTab(c, i, reach, stripRect, stripEdge);
  // 12: an active tab with its own bitmap overlaps its neighbours.
  if (!tabBackGround_->Empty() && !tabBackGroundActive_->Empty() && activePage_ && activePage_->TabShowing() &&
      !OnDrawTab)
    DrawActiveBitmapTab(c, activePage_->PageIndex());
  // 14: the hover frame.
  DrawHoverFrame(c);
}

void TCvPageControl::DrawTab(TCanvas* c, int pageIndex, bool& reach, const TRect& strip, bool stripEdge) {
  TCvTabSheet* page = pages_[static_cast<size_t>(pageIndex)];
  TRect r = TabRectOfPage(pageIndex);
  bool active = page == activePage_;
  TTabPosition pos = TabPosition();
  int w = Width(), h = Height();
  bool bitmapMode = !tabBackGround_->Empty();
  bool custom = static_cast<bool>(OnDrawTab);
  if (custom) OnDrawTab(this, pageIndex, r, active);

  // b: colours.
  TColor from, to;
  TGradientDirection dir;
  if (active && Opaque(activeColor_)) {
    from = activeColor_;
    to = activeColorTo_;
    dir = page->TabGradientDirection();
  } else if (pageIndex == hoverIndex_ && (Opaque(tabHoverColor_) || Opaque(tabHoverColorTo_))) {
    from = tabHoverColor_;
    to = tabHoverColorTo_;
    dir = page->HoverGradientDirection();
  } else {
    from = page->TabColor();
    to = page->TabColorTo();
    dir = page->TabGradientDirection();
  }
  // c: background.
  bool deferred = false;
  if (!custom) {
    if (!bitmapMode) {
      if (!Opaque(to)) {
        if (Opaque(from)) {
          c->Brush()->SetColor(from);
          c->Brush()->SetStyle(bsSolid);
          c->FillRect(r);
        }
      } else if (Opaque(from)) {
        TRect g = r;
        switch (pos) {
          case tpTop: g = TRect(r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom); break;
          case tpBottom: g = TRect(r.Left + 1, r.Top, r.Right - 1, r.Bottom - 1); break;
          case tpLeft: g = TRect(r.Left + 1, r.Top + 1, r.Right, r.Bottom - 1); break;
          case tpRight: g = TRect(r.Left, r.Top + 1, r.Right - 1, r.Bottom - 1); break;
        }
        GradientFill(c, from, to, dir == gdHorizontal, g, 16);
      }
    } else if (active && !tabBackGroundActive_->Empty()) {
      deferred = true;
    } else if (pos == tpTop || pos == tpBottom) {
      DrawSlicedBitmapHorz(tabBackGround_.get(), c, r.Left - 2, r.Width() + 2 + tabOverlap_, r.Top);
    } else {
      DrawSlicedBitmapVert(tabBackGround_.get(), c, r.Left, r.Height() + 3 + tabOverlap_, r.Top);
    }
  }
  // d: borders (not over bitmaps).
  if (!bitmapMode) {
    c->Brush()->SetStyle(bsClear);
    c->Pen()->SetColor(tabBorderColor_);
    c->Pen()->SetStyle(psSolid);
    c->Pen()->SetWidth(1);
    int L = r.Left, T = r.Top, R = r.Right - 1, B = r.Bottom - 1;
    // Three edges away from the page (open toward it), in strip terms.
    auto openFrame = [&] {
      switch (pos) {
        case tpTop: c->Polyline({TPoint(L, B + 1), TPoint(L, T), TPoint(R, T), TPoint(R, B + 1)}); break;
        case tpBottom: c->Polyline({TPoint(L, T - 1), TPoint(L, B), TPoint(R, B), TPoint(R, T - 1)}); break;
        case tpLeft: c->Polyline({TPoint(R + 1, T), TPoint(L, T), TPoint(L, B), TPoint(R + 1, B)}); break;
        case tpRight: c->Polyline({TPoint(L - 1, T), TPoint(R, T), TPoint(R, B), TPoint(L - 1, B)}); break;
      }
    };
    auto line = [&](int x1, int y1, int x2, int y2) {
      c->MoveTo(x1, y1);
      c->LineTo(x2, y2);
    };
    // The edge toward the page and the two across the strip.
    auto pageEdge = [&] {
      switch (pos) {
        case tpTop: line(L, B, R + 1, B); break;
        case tpBottom: line(L, T, R + 1, T); break;
        case tpLeft: line(R, T, R, B + 1); break;
        case tpRight: line(L, T, L, B + 1); break;
      }
    };
    auto acrossEdges = [&] {
      if (pos == tpTop || pos == tpBottom) {
        line(L, T, L, B + 1);
        line(R, T, R, B + 1);
      } else {
        line(L, T, R + 1, T);
        line(L, B, R + 1, B);
      }
    };
    bool sideways = pos == tpLeft || pos == tpRight;
    // The far end of a tab: its right side (bottom for side tabs).
    int farEnd = sideways ? r.Bottom : r.Right;
    int edge = sideways ? h : w;
    bool nearPage = true;
    switch (pos) {
      case tpTop: nearPage = r.Bottom == strip.Bottom; break;
      case tpBottom: nearPage = r.Top == strip.Top; break;
      case tpLeft: nearPage = r.Right == strip.Right; break;
      case tpRight: nearPage = r.Left == strip.Left; break;
    }
    TCvTabSheet* next = FindNextPage(page, true, true);
    bool nextActive = next && next == activePage_ && next->PageIndex() > pageIndex;
    bool reachesEnd = farEnd >= edge - 5;
    switch (tabStyle_) {
      case CvPageControl::tsClassic:
        if (active) {
          openFrame();
        } else {
          if (!nearPage) reach = false;
          TRect f = r;
          if (farEnd < edge - 5) (sideways ? f.Bottom : f.Right) += 1;
          if (reach) {
            switch (pos) {
              case tpTop: f.Bottom += 1; break;
              case tpBottom: f.Top -= 1; break;
              case tpLeft: f.Right += 1; break;
              case tpRight: f.Left -= 1; break;
            }
          }
          c->Rectangle(f);
          reach = stripEdge && !tabSheet3D_ && !tabSplitLine_;
        }
        break;
      case CvPageControl::tsDotNet:
        if (active) {
          openFrame();
        } else {
          pageEdge();
          if (!(nextActive && !reachesEnd)) {
            c->Pen()->SetColor(activeColor_);
            if (sideways) {
              line(L + 3, B - 2, R - 2, B - 2);
              line(L + 3, B - 3, R - 2, B - 3);
            } else {
              line(R - 2, T + 3, R - 2, B - 2);
              line(R - 3, T + 3, R - 3, B - 2);
            }
          }
        }
        break;
      case CvPageControl::tsOndrel:
        if (active) {
          acrossEdges();
        } else {
          pageEdge();
          if (!(nextActive && !reachesEnd)) {
            if (sideways) line(L + 3, B - 2, R - 2, B - 2);
            else line(R - 2, T + 3, R - 2, B - 2);
          }
        }
        break;
    }
  }
  if (deferred) return;
  if (!custom) DrawTabImageAndText(c, page, r, active, bitmapMode);
  else if (page->ShowClose()) DrawCloseButton(c, r, 0, active);
  DrawFocusFrame(c, r, active, 0);
}

void TCvPageControl::DrawTabImageAndText(TCanvas* c, TCvTabSheet* page, const TRect& r, bool active, bool bitmapTab) {
  TTabPosition pos = TabPosition();
  int lower = active ? lowerActive_ : 0;
  int x = 0, y = 0;
  switch (pos) {
    case tpTop:
      x = r.Left + 4;
      y = r.Top + 1 + lower;
      if (page->ShowClose()) x += 14;
      break;
    case tpBottom:
      x = r.Left + 4;
      y = active ? r.Top + lowerActive_ + 1 : r.Top;
      if (page->ShowClose()) x += 14;
      break;
    case tpLeft:
      x = r.Left + 1 + lower;
      y = r.Bottom - 4 - (page->ShowClose() ? 13 : 0);
      break;
    case tpRight:
      x = r.Right - 1 - lower;
      y = r.Top + 4 + (page->ShowClose() ? 13 : 0);
      break;
  }
  if (bitmapTab) {
    switch (pos) {
      case tpLeft: x -= 2; y -= 3; break;
      case tpRight: x -= TabHeight() / 3; y -= 3; break;
      case tpBottom: y += 3; break;
      case tpTop: break;
    }
  }
  if (!active && tabStyle_ == CvPageControl::tsClassic && pos == tpBottom) y += 2;
  x += tabMargin_->LeftMargin();
  if (pos == tpLeft) {
    y -= tabMargin_->TopMargin();
    if (tabBackGroundActive_->Empty()) y += tabOverlap_ + 3;
  } else {
    y += tabMargin_->TopMargin();
  }
  TFont* font = active ? activeFont_.get() : Font();
  c->SetFont(font);
  if (pos == tpLeft || pos == tpRight) {
    LOGFONTA lf{};
    font->GetLogFont(lf);
    lf.lfEscapement = pos == tpLeft ? 900 : 2700;
    lf.lfOrientation = 30;
    c->Font()->SetHandle(CreateFontIndirectA(&lf));
  }
  if (page->ShowClose()) DrawCloseButton(c, r, 0, active);
  int image = active && page->ActiveImageIndex() >= 0 ? page->ActiveImageIndex() : page->ImageIndex();
  if (images_ && image >= 0) {
    switch (pos) {
      case tpTop:
      case tpBottom:
        images_->Draw(c, x - 2, y, image);
        x += images_->Width();
        break;
      case tpLeft:
        images_->Draw(c, x + 1, y - 14, image);
        y -= images_->Height();
        break;
      case tpRight:
        images_->Draw(c, x - 18, y, image);
        y += images_->Height();
        break;
    }
  }
  TColor color = active ? font->Color() : page->TextColor();
  if (!page->TabEnable()) color = 0x808080;
  if (!page->Enabled()) color = clGrayText;
  c->Font()->SetColor(color);
  c->Brush()->SetStyle(bsClear);
  std::string caption = page->Caption();
  if (pos == tpTop || pos == tpBottom) {
    c->RequiredState(TCanvasState{csHandleValid, csFontValid, csBrushValid});
    RECT tr{x, y, r.Right, r.Bottom};
    DrawTextA(c->Handle(), caption.c_str(), static_cast<int>(caption.size()), &tr, DT_SINGLELINE | DT_NOPREFIX);
  } else {
    c->TextOut(x, y, caption);
  }
  c->SetFont(Font());
}

void TCvPageControl::DrawActiveBitmapTab(TCanvas* c, int pageIndex) {
  TCvTabSheet* page = pages_[static_cast<size_t>(pageIndex)];
  TRect r = TabRectOfPage(pageIndex);
  bool lowered = lowerActive_ >= 1;
  switch (TabPosition()) {
    case tpTop:
      DrawSlicedBitmapHorz(tabBackGroundActive_.get(), c, r.Left - 2, r.Width() + 2 + tabOverlap_, r.Top - (lowered ? 1 : 2));
      break;
    case tpBottom:
      DrawSlicedBitmapHorz(tabBackGroundActive_.get(), c, r.Left - 2, r.Width() + 2 + tabOverlap_, r.Top - (lowered ? 3 : 1));
      break;
    case tpLeft:
      DrawSlicedBitmapVert(tabBackGroundActive_.get(), c, r.Left + (lowered ? 1 : 0), r.Height() + 3 + tabOverlap_, r.Top);
      break;
    case tpRight:
      DrawSlicedBitmapVert(tabBackGroundActive_.get(), c, r.Left - (lowered ? 3 : 1), r.Height() + 3 + tabOverlap_, r.Top);
      break;
  }
  DrawTabImageAndText(c, page, r, true, true);
  DrawFocusFrame(c, r, true, tabOverlap_);
}

void TCvPageControl::DrawFocusFrame(TCanvas* c, const TRect& r, bool active, int offset) {
  if (InState(csDesigning) || !showFocus_ || !active || !Focused()) return;
  c->Brush()->SetStyle(bsClear);
  c->Pen()->SetColor(clBlack);
  c->Pen()->SetStyle(psDot);
  if (TabPosition() == tpTop || TabPosition() == tpBottom)
    c->Rectangle(r.Left + 5, r.Top + 3, r.Right - 3, r.Bottom - 5 - offset);
  else
    c->Rectangle(r.Left + 5, r.Top + 3, r.Right - 3 - offset, r.Bottom - 5);
  c->Pen()->SetStyle(psSolid);
}

void TCvPageControl::DrawHoverFrame(TCanvas* c) {
  if (hoverIndex_ < 0 || hoverIndex_ >= GetPageCount() || !Opaque(tabHoverBorder_)) return;
  TCvTabSheet* page = pages_[static_cast<size_t>(hoverIndex_)];
  if (page == activePage_ || !page->TabShowing()) return;
  TRect r = TabRectOfPage(hoverIndex_);
  int L = r.Left, T = r.Top, R = r.Right, B = r.Bottom;
  c->Pen()->SetColor(tabHoverBorder_);
  c->Pen()->SetStyle(psSolid);
  switch (TabPosition()) {
    case tpTop:
      if (R >= Width() - 5) --R;
      c->Polyline({TPoint(L, B - 2), TPoint(L, T - 1), TPoint(R, T - 1), TPoint(R, B - 1)});
      break;
    case tpBottom:
      if (R >= Width() - 5) --R;
      c->Polyline({TPoint(L, T + 1), TPoint(L, B), TPoint(R, B), TPoint(R, T)});
      break;
    case tpLeft:
      if (B >= Height() - 5) --B;
      c->Polyline({TPoint(R - 2, T), TPoint(L - 1, T), TPoint(L - 1, B), TPoint(R - 1, B)});
      break;
    case tpRight:
      if (B >= Height() - 5) --B;
      c->Polyline({TPoint(L + 1, T), TPoint(R, T), TPoint(R, B), TPoint(L, B)});
      break;
  }
}

void TCvPageControl::InvalidateTab(int pageIndex) {
  if (!HandleAllocated()) return;
  TRect r = TabRectOfPage(pageIndex);
  if (r.Width() <= 0 && r.Height() <= 0) return;
  r.Inflate(3, 3);
  RECT rr = r;
  InvalidateRect(WindowHandle(), &rr, TRUE);
}
