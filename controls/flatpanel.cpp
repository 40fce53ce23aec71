// The flat panel: frame, caption bar and caption, composed in a bitmap.
#include "controls/flatpanel.h"

#include "platform/classes/classreg.h"
#include "platform/classes/published.h"

FANO_IMPLEMENT_COMPONENT(TFlatPanel, TCustomPanel)
FANO_REGISTER_CLASS(TFlatPanel);

FANO_ENUM_NAMES(TCvCaptionPosition, "cpNone", "cpLeftTop");

FANO_PUBLISHED(TFlatPanel, p) {
  p.Property("Alignment", &TCustomPanel::Alignment, &TCustomPanel::SetAlignment);
  p.Property("Transparent", &TFlatPanel::Transparent, &TFlatPanel::SetTransparent);
  p.Property("ColorHighLight", &TFlatPanel::ColorHighLight, &TFlatPanel::SetColorHighLight);
  p.Property("ColorShadow", &TFlatPanel::ColorShadow, &TFlatPanel::SetColorShadow);
  p.Property("CvCaptionPosition", &TFlatPanel::CvCaptionPosition, &TFlatPanel::SetCvCaptionPosition);
  p.Property("CvShowLine", &TFlatPanel::CvShowLine, &TFlatPanel::SetCvShowLine);
  p.Property("CvMarginTop", &TFlatPanel::CvMarginTop, &TFlatPanel::SetCvMarginTop);
  p.Property("CvMarginLeft", &TFlatPanel::CvMarginLeft, &TFlatPanel::SetCvMarginLeft);
  p.Property("CvMarginRight", &TFlatPanel::CvMarginRight, &TFlatPanel::SetCvMarginRight);
  p.Property("CvCaptionFont", &TFlatPanel::CvCaptionFont, &TFlatPanel::SetCvCaptionFont).Stored(true);
  p.Property("CvMarginBottom", &TFlatPanel::CvMarginBottom, &TFlatPanel::SetCvMarginBottom);
  p.Property("CvCaptionColor", &TFlatPanel::CvCaptionColor, &TFlatPanel::SetCvCaptionColor);
  p.Property("CvCaptionColorTo", &TFlatPanel::CvCaptionColorTo, &TFlatPanel::SetCvCaptionColorTo);
  p.Property("CvVerticalGradient", &TFlatPanel::CvVerticalGradient, &TFlatPanel::SetCvVerticalGradient);
}

TFlatPanel::TFlatPanel(TComponent* owner) : TCustomPanel(owner), captionFont_(std::make_unique<TFont>()) {
  captionFont_->OnChange = [this](TObject*) { Perform(CM_FONTCHANGED, 0, 0); };
  SetParentFont(true);
  SetParentColor(true);
  TControlStyle style = ControlStyle();
  style.Include(csAcceptsControls);
  style.Include(csOpaque);
  SetControlStyle(style);
  SetBounds(Left(), Top(), 185, 41);
}

TFlatPanel::~TFlatPanel() { captionFont_->OnChange = nullptr; }

void TFlatPanel::SetTransparent(bool v) { Store(transparent_, v); }
void TFlatPanel::SetColors(int index, TColor v) {
  if (index < 0 || index > 1) return;
  Store(colors_[index], v);
}
void TFlatPanel::SetCvCaptionPosition(TCvCaptionPosition v) { Store(captionPosition_, v); }
void TFlatPanel::SetCvShowLine(bool v) { Store(showLine_, v); }
void TFlatPanel::SetCvMarginTop(int v) { Store(marginTop_, v); }
void TFlatPanel::SetCvMarginLeft(int v) { Store(marginLeft_, v); }
void TFlatPanel::SetCvMarginRight(int v) { Store(marginRight_, v); }
void TFlatPanel::SetCvMarginBottom(int v) { Store(marginBottom_, v); }
void TFlatPanel::SetCvCaptionColor(TColor v) { Store(captionColor_, v); }
void TFlatPanel::SetCvCaptionColorTo(TColor v) { Store(captionColorTo_, v); }
void TFlatPanel::SetCvVerticalGradient(bool v) { Store(verticalGradient_, v); }

void TFlatPanel::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case CM_ENABLEDCHANGED:
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
      TCustomPanel::Dispatch(m);
      Invalidate();
      return;
    default: break;
  }
  TCustomPanel::Dispatch(m);
}

void TFlatPanel::Paint() {
  TRect r = ClientRect();
  if (r.Width() <= 0 || r.Height() <= 0) return;
  UINT flags = DT_VCENTER | DT_SINGLELINE;
  switch (Alignment()) {
    case taLeftJustify: flags |= DT_LEFT; break;
    case taRightJustify: flags |= DT_RIGHT; break;
    case taCenter: flags |= DT_CENTER; break;
  }
  TBitmap bmp;
  bmp.SetSize(r.Width(), r.Height());
  TCanvas* c = bmp.Canvas();
  if (transparent_) {
    DrawParentImage(this, c);
  } else {
    c->Brush()->SetColor(Color());
    c->Brush()->SetStyle(bsSolid);
    c->FillRect(r);
  }
  DrawButtonFrame(c, r, colors_[0], 1, colors_[1]);
  c->SetFont(captionFont_.get());
  c->Brush()->SetStyle(bsClear);
  DrawCaption(c, r, flags);
  Canvas()->Draw(0, 0, &bmp);
}

void TFlatPanel::DrawCaption(TCanvas* c, const TRect& r, UINT flags) {
  std::string caption = Caption();
  auto drawText = [&](TRect tr, UINT f) {
    if (Enabled()) {
      c->Font()->SetColor(captionFont_->Color());
      c->Brush()->SetStyle(bsClear);
      c->RequiredState(TCanvasState{csHandleValid, csFontValid, csBrushValid});
      RECT rr = tr;
      DrawTextA(c->Handle(), caption.c_str(), static_cast<int>(caption.size()), &rr, f);
    } else {
      DrawEmbossedText(c, caption, tr, f);
    }
  };
  if (captionPosition_ == cpNone) {
    drawText(r, flags);
    return;
  }
  int th = c->TextHeight(caption);
  int tw = c->TextWidth(caption);
  int barH = th + marginTop_ + marginBottom_;
  if (captionColor_ != clNone && captionColorTo_ != clNone) {
    TRect bar(r.Left + 1, r.Top + 1, r.Left + 1 + tw + marginLeft_ + marginRight_ - 1, r.Top + 1 + barH - 1);
    if (showLine_) bar.Right += barH;
    DrawGradient(c, captionColor_, captionColorTo_, !verticalGradient_, bar, barH);
    if (showLine_) {
      int x = r.Left + marginLeft_ + tw + marginRight_;
      c->Pen()->SetColor(Color());
      c->Pen()->SetStyle(psSolid);
      c->Pen()->SetMode(pmCopy);
      c->Brush()->SetColor(Color());
      c->Brush()->SetStyle(bsSolid);
      c->Polygon({TPoint(x, r.Top + barH), TPoint(x + barH, r.Top), TPoint(x + barH, r.Top + barH)});
    }
  }
  TRect text(r.Left + marginLeft_, r.Top + marginTop_, r.Left + marginLeft_ + tw, r.Top + marginTop_ + th);
  if (showLine_) {
    c->Pen()->SetColor(colors_[1]);
    c->Pen()->SetWidth(1);
    c->Pen()->SetStyle(psSolid);
    int y = text.Bottom + marginBottom_;
    c->MoveTo(r.Left, y);
    c->LineTo(text.Right + marginRight_, y);
    c->LineTo(text.Right + marginRight_ + barH + 1, r.Top - 1);
  }
  c->Brush()->SetColor(Color());
  c->Brush()->SetStyle(bsClear);
  drawText(text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
}
