// The speed button.
#include "platform/forms/buttons.h"

#include <algorithm>

#include "platform/forms/forms.h"
#include "platform/forms/menus.h"

FANO_IMPLEMENT_COMPONENT(TSpeedButton, TGraphicControl)

void CalcButtonLayout(TCanvas* canvas, const TRect& client, const TPoint& offset, const std::string& caption,
                      TButtonLayout layout, int margin, int spacing, const TSize& glyphSize, TPoint& glyphPos,
                      TRect& textBounds) {
  TPoint clientSize(client.Width(), client.Height());
  TPoint textSize;
  if (!caption.empty()) {
    RECT r{0, 0, client.Width(), 0};
    canvas->RequiredState(TCanvasState{csHandleValid, csFontValid});
    DrawTextA(canvas->Handle(), caption.c_str(), static_cast<int>(caption.size()), &r, DT_CALCRECT);
    textBounds = TRect(r);
    textSize = TPoint(r.right - r.left, r.bottom - r.top);
  } else {
    textBounds = TRect();
  }
  TPoint textPos;
  glyphPos = TPoint();
  bool horizontal = layout == blGlyphLeft || layout == blGlyphRight;
  if (horizontal) {
    glyphPos.Y = (clientSize.Y - glyphSize.cy + 1) / 2;
    textPos.Y = (clientSize.Y - textSize.Y + 1) / 2;
  } else {
    glyphPos.X = (clientSize.X - glyphSize.cx + 1) / 2;
    textPos.X = (clientSize.X - textSize.X + 1) / 2;
  }
  if (textSize.X == 0 || glyphSize.cx == 0) spacing = 0;
  if (margin == -1) {
    if (spacing == -1) {
      int total = horizontal ? glyphSize.cx + textSize.X : glyphSize.cy + textSize.Y;
      margin = ((horizontal ? clientSize.X : clientSize.Y) - total) / 3;
      spacing = margin;
    } else {
      int total = horizontal ? glyphSize.cx + spacing + textSize.X : glyphSize.cy + spacing + textSize.Y;
      margin = ((horizontal ? clientSize.X : clientSize.Y) - total + 1) / 2;
    }
  } else if (spacing == -1) {
    int room = horizontal ? clientSize.X - (margin + glyphSize.cx) : clientSize.Y - (margin + glyphSize.cy);
    spacing = (room - (horizontal ? textSize.X : textSize.Y)) / 2;
  }
  switch (layout) {
    case blGlyphLeft:
      glyphPos.X = margin;
      textPos.X = glyphPos.X + glyphSize.cx + spacing;
      break;
    case blGlyphRight:
      glyphPos.X = clientSize.X - margin - glyphSize.cx;
      textPos.X = glyphPos.X - spacing - textSize.X;
      break;
    case blGlyphTop:
      glyphPos.Y = margin;
      textPos.Y = glyphPos.Y + glyphSize.cy + spacing;
      break;
    case blGlyphBottom:
      glyphPos.Y = clientSize.Y - margin - glyphSize.cy;
      textPos.Y = glyphPos.Y - spacing - textSize.Y;
      break;
  }
  glyphPos = glyphPos + TPoint(client.Left + offset.X, client.Top + offset.Y);
  textBounds.Offset(textPos.X + client.Left + offset.X, textPos.Y + client.Top + offset.Y);
}

// ---- TSpeedButton -----------------------------------------------------------------------------------

TSpeedButton::TSpeedButton(TComponent* owner) : TGraphicControl(owner), glyph_(std::make_unique<TBitmap>()) {
  SetBounds(Left(), Top(), 23, 22);
  SetControlStyle(TControlStyle{csCaptureMouse, csDoubleClicks});
  SetParentFont(true);
  glyph_->OnChange = [this](TObject*) { Invalidate(); };
}

TSpeedButton::~TSpeedButton() = default;

void TSpeedButton::SetGlyph(TBitmap* v) {
  glyph_->Assign(v);
  if (!glyph_->Empty() && glyph_->Height() > 0 && glyph_->Width() % glyph_->Height() == 0) {
    int n = glyph_->Width() / glyph_->Height();
    if (n >= 1 && n <= 4) numGlyphs_ = n;
  }
  Invalidate();
}

void TSpeedButton::SetNumGlyphs(TNumGlyphs v) {
  v = std::clamp(v, 1, 4);
  if (numGlyphs_ == v) return;
  numGlyphs_ = v;
  Invalidate();
}

void TSpeedButton::SetLayout(TButtonLayout v) {
  if (layout_ == v) return;
  layout_ = v;
  Invalidate();
}

void TSpeedButton::SetMargin(int v) {
  if (margin_ == v || v < -1) return;
  margin_ = v;
  Invalidate();
}

void TSpeedButton::SetSpacing(int v) {
  if (spacing_ == v) return;
  spacing_ = v;
  Invalidate();
}

void TSpeedButton::SetTransparent(bool v) {
  if (transparent_ == v) return;
  transparent_ = v;
  SetControlStyle(v ? ControlStyle() - csOpaque : ControlStyle() + csOpaque);
  Invalidate();
}

void TSpeedButton::SetFlat(bool v) {
  if (flat_ == v) return;
  flat_ = v;
  Invalidate();
}

void TSpeedButton::SetDown(bool v) {
  if (groupIndex_ == 0) v = false;
  if (v == down_) return;
  if (down_ && !allowAllUp_) return;
  down_ = v;
  if (v) {
    if (state_ == bsUp) Invalidate();
    state_ = bsExclusive;
  } else {
    state_ = bsUp;
    Repaint();
  }
  if (v) UpdateExclusive();
}

void TSpeedButton::SetGroupIndex(int v) {
  if (groupIndex_ == v) return;
  groupIndex_ = v;
  UpdateExclusive();
}

void TSpeedButton::SetAllowAllUp(bool v) {
  if (allowAllUp_ == v) return;
  allowAllUp_ = v;
  UpdateExclusive();
}

void TSpeedButton::UpdateExclusive() {
  if (groupIndex_ == 0 || !Parent()) return;
  TMessage m{CM_BUTTONPRESSED, static_cast<WPARAM>(groupIndex_), reinterpret_cast<LPARAM>(this), 0};
  Parent()->Broadcast(m);
}

void TSpeedButton::Click() { TGraphicControl::Click(); }

void TSpeedButton::Loaded() {
  TGraphicControl::Loaded();
  Invalidate();
}

void TSpeedButton::UpdateTracking() {
  if (!flat_ || !Enabled()) return;
  POINT p;
  GetCursorPos(&p);
  bool inside = FindDragTarget(TPoint(p), true) == this;
  if (inside != mouseInControl_) {
    mouseInControl_ = inside;
    Invalidate();
  }
}

void TSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TGraphicControl::MouseDown(button, shift, x, y);
  if (button != mbLeft || !Enabled()) return;
  if (!down_) {
    state_ = bsDown;
    Invalidate();
  }
  dragging_ = true;
}

void TSpeedButton::MouseMove(TShiftState shift, int x, int y) {
  TGraphicControl::MouseMove(shift, x, y);
  if (!dragging_) return;
  TButtonState next = down_ ? bsExclusive : bsUp;
  if (ClientRect().Contains(TPoint(x, y))) next = down_ ? bsExclusive : bsDown;
  if (next != state_) {
    state_ = next;
    Invalidate();
  }
}

void TSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TGraphicControl::MouseUp(button, shift, x, y);
  if (!dragging_) return;
  dragging_ = false;
  bool doClick = ClientRect().Contains(TPoint(x, y));
  if (groupIndex_ == 0) {
    state_ = bsUp;
    mouseInControl_ = false;
    if (doClick) Invalidate();
  } else if (doClick) {
    SetDown(!down_);
    if (down_) Repaint();
  } else {
    if (down_) state_ = bsExclusive;
    Repaint();
  }
  if (doClick) Click();
  UpdateTracking();
}

void TSpeedButton::DrawGlyph(TCanvas* canvas, const TPoint& pos, TButtonState state) {
  if (glyph_->Empty() || glyph_->Height() == 0) return;
  int cellW = glyph_->Width() / numGlyphs_;
  int h = glyph_->Height();
  int cell = static_cast<int>(state);
  bool grey = false;
  if (cell >= numGlyphs_) {
    grey = state == bsDisabled;
    cell = 0;
  }
  COLORREF transparent = ColorToRGB(glyph_->TransparentColor()) & 0xFFFFFF;
  HDC src = glyph_->Canvas()->Handle();
  HDC dst = canvas->Handle();
  if (!grey) {
    TransparentBlt(dst, pos.X, pos.Y, cellW, h, src, cell * cellW, 0, cellW, h, transparent);
    return;
  }
  // One glyph, disabled: its shape embossed in the highlight and shadow colours.
  COLORREF light = ColorToRGB(clBtnHighlight) & 0xFFFFFF;
  COLORREF shadow = ColorToRGB(clBtnShadow) & 0xFFFFFF;
  for (int pass = 0; pass < 2; ++pass) {
    for (int y = 0; y < h; ++y) {
      std::vector<uint32_t> row = glyph_->ScanLine(y);
      for (int x = 0; x < cellW; ++x) {
        uint32_t rgb = row[static_cast<size_t>(x)];
        COLORREF c = RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
        if (c == transparent) continue;
        if (pass == 0) SetPixel(dst, pos.X + x + 1, pos.Y + y + 1, light);
        else SetPixel(dst, pos.X + x, pos.Y + y, shadow);
      }
    }
  }
}

void TSpeedButton::Paint() {
  if (!Enabled()) {
    state_ = bsDisabled;
    dragging_ = false;
  } else if (state_ == bsDisabled) {
    state_ = down_ && groupIndex_ != 0 ? bsExclusive : bsUp;
  }
  TCanvas* c = Canvas();
  c->SetFont(Font());
  TRect r = ClientRect();
  bool pressed = state_ == bsDown || state_ == bsExclusive;
  HDC dc = c->Handle();
  if (!flat_) {
    RECT rr = r;
    DrawFrameControl(dc, &rr, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_ADJUSTRECT | (pressed ? DFCS_PUSHED : 0));
    r = TRect(rr);
  } else {
    if (pressed || (mouseInControl_ && state_ != bsDisabled) || InState(csDesigning)) {
      RECT rr = r;
      DrawEdge(dc, &rr, pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, (transparent_ ? 0 : BF_MIDDLE) | BF_RECT);
    } else if (!transparent_) {
      c->Brush()->SetColor(Color());
      c->FillRect(r);
    }
    r.Inflate(-1, -1);
  }
  TPoint offset;
  if (pressed) {
    if (state_ == bsExclusive && (!flat_ || !mouseInControl_)) {
      // The held-down face: a dither of the face and highlight colours.
      TBitmap pattern;
      pattern.SetSize(8, 8);
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) pattern.Canvas()->SetPixels(x, y, ((x + y) & 1) ? clBtnHighlight : clBtnFace);
      c->Brush()->SetBitmap(&pattern);
      c->FillRect(r);
      c->Brush()->SetBitmap(nullptr);
    }
    offset = TPoint(1, 1);
  }
  TSize glyphSize = glyph_->Empty() ? TSize() : TSize(glyph_->Width() / numGlyphs_, glyph_->Height());
  TPoint glyphPos;
  TRect textBounds;
  std::string caption = Caption();
  CalcButtonLayout(c, r, offset, caption, layout_, margin_, spacing_, glyphSize, glyphPos, textBounds);
  DrawGlyph(c, glyphPos, state_);
  c->Brush()->SetStyle(bsClear);
  auto text = [&](const TRect& tr, TColor color) {
    c->Font()->SetColor(color);
    c->RequiredState(TCanvasState{csHandleValid, csFontValid, csBrushValid});
    RECT rr = tr;
    DrawTextA(c->Handle(), caption.c_str(), static_cast<int>(caption.size()), &rr, DT_CENTER | DT_VCENTER);
  };
  if (state_ == bsDisabled) {
    TRect tr = textBounds;
    tr.Offset(1, 1);
    text(tr, clBtnHighlight);
    text(textBounds, clBtnShadow);
  } else {
    text(textBounds, Font()->Color());
  }
}

void TSpeedButton::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case CM_BUTTONPRESSED: {
      if (static_cast<int>(m.WParam) != groupIndex_) break;
      auto* sender = reinterpret_cast<TSpeedButton*>(m.LParam);
      if (sender != this) {
        if (sender->Down() && down_) {
          down_ = false;
          state_ = bsUp;
          Invalidate();
        }
        allowAllUp_ = sender->AllowAllUp();
      }
      return;
    }
    case CM_DIALOGCHAR:
      if (IsAccel(m.CharCode(), Caption()) && Enabled() && Visible() && Parent() && Parent()->Showing()) {
        Click();
        m.Result = 1;
        return;
      }
      break;
    case CM_ENABLEDCHANGED:
    case CM_FONTCHANGED:
    case CM_TEXTCHANGED:
      TGraphicControl::Dispatch(m);
      Invalidate();
      return;
    case CM_MOUSEENTER:
      TGraphicControl::Dispatch(m);
      if (flat_ && !mouseInControl_ && Enabled()) {
        mouseInControl_ = true;
        Repaint();
      }
      return;
    case CM_MOUSELEAVE:
      TGraphicControl::Dispatch(m);
      if (flat_ && mouseInControl_ && Enabled() && !dragging_) {
        mouseInControl_ = false;
        Invalidate();
      }
      return;
    case WM_LBUTTONDBLCLK:
      TGraphicControl::Dispatch(m);
      if (down_) DblClick();
      return;
    default: break;
  }
  TGraphicControl::Dispatch(m);
}
