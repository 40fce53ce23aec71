// The underlined label.
#include "controls/cvlabel.h"

#include "platform/classes/classreg.h"
#include "platform/classes/published.h"

FANO_IMPLEMENT_COMPONENT(TCvLabel, TLabel)
FANO_REGISTER_CLASS(TCvLabel);

FANO_PUBLISHED(TCvLabel, p) {
  p.Property("ShowLine", &TCvLabel::ShowLine, &TCvLabel::SetShowLine);
  p.Property("LineWeight", &TCvLabel::LineWeight, &TCvLabel::SetLineWeight);
  p.Property("LineColor", &TCvLabel::LineColor, &TCvLabel::SetLineColor);
  p.Property("LineLength", &TCvLabel::LineLength, &TCvLabel::SetLineLength);
  p.Property("LineSpace", &TCvLabel::LineSpace, &TCvLabel::SetLineSpace);
  p.Property("LineStyle", &TCvLabel::LineStyle, &TCvLabel::SetLineStyle);
}

TCvLabel::TCvLabel(TComponent* owner) : TLabel(owner) { lineLength_ = Width(); }

void TCvLabel::SetShowLine(bool v) { Change(showLine_, v); }
void TCvLabel::SetLineWeight(int v) { Change(lineWeight_, v < 1 ? 1 : v); }
void TCvLabel::SetLineColor(TColor v) { Change(lineColor_, v); }
void TCvLabel::SetLineLength(int v) { Change(lineLength_, v < 1 ? Width() : v); }
void TCvLabel::SetLineSpace(int v) { Change(lineSpace_, v); }
void TCvLabel::SetLineStyle(TPenStyle v) { Change(lineStyle_, v); }

void TCvLabel::Paint() {
  TLabel::Paint();
  if (!showLine_) return;
  TCanvas* c = Canvas();
  c->Pen()->SetStyle(lineStyle_);
  c->Pen()->SetColor(lineColor_);
  c->Pen()->SetWidth(lineWeight_);
  c->MoveTo(1, Height() - 1);
  c->LineTo(lineLength_, Height() - 1);
}
