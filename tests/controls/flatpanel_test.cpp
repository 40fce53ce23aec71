// The flat panel's frame, caption bar and caption, the underlined label, and their snapshots.
#include "controls/cvlabel.h"
#include "controls/flatpanel.h"
#include "controls_test_util.h"
#include "platform/classes/filer.h"
#include "platform/classes/published.h"

using namespace ctltest;

namespace {

using FlatPanel = ControlsTest;

TEST_F(FlatPanel, CreatedWithItsDefaults) {
  auto* p = new TFlatPanel(form);
  EXPECT_EQ(p->Width(), 185);
  EXPECT_EQ(p->Height(), 41);
  EXPECT_TRUE(p->ParentColor());
  EXPECT_TRUE(p->ParentFont());
  EXPECT_TRUE(p->ControlStyle().Contains(csAcceptsControls));
  EXPECT_TRUE(p->ControlStyle().Contains(csOpaque));
  EXPECT_EQ(p->ColorHighLight(), 0x8396A0);
  EXPECT_EQ(p->CvMarginTop(), 3);
  EXPECT_TRUE(p->CvVerticalGradient());
  EXPECT_EQ(p->CvCaptionColor(), clNone);
}

TEST_F(FlatPanel, FrameInItsTwoColours) {
  auto* p = Add<TFlatPanel>(10, 10, 100, 40);
  p->SetColor(clWhite);
  p->SetColorHighLight(clRed);
  p->SetColorShadow(clBlue);
  Show();
  EXPECT_EQ(PixelOf(p, 0, 20), clRed);
  EXPECT_EQ(PixelOf(p, 50, 0), clRed);
  EXPECT_EQ(PixelOf(p, 99, 20), clBlue);
  EXPECT_EQ(PixelOf(p, 50, 39), clBlue);
  EXPECT_EQ(PixelOf(p, 3, 3), clWhite);
}

TEST_F(FlatPanel, CaptionBarGradientSlantAndLine) {
  auto* p = Add<TFlatPanel>(10, 10, 200, 60);
  p->SetParentFont(false);
  p->CvCaptionFont()->SetHeight(-10);
  p->SetColor(clWhite);
  p->SetCaption("ABCD");  // 20 wide, 10 high: bar 16 high, to x = 26 before the slant
  p->SetCvCaptionPosition(cpLeftTop);
  p->SetCvCaptionColor(clRed);
  p->SetCvCaptionColorTo(clRed);
  p->SetCvShowLine(true);
  p->SetColorShadow(clBlue);
  Show();
  EXPECT_EQ(PixelOf(p, 2, 2), clRed);          // bar
  EXPECT_EQ(PixelOf(p, 36, 2), clRed);         // above the slant
  EXPECT_EQ(PixelOf(p, 40, 14), clWhite);      // cut by the slant
  EXPECT_EQ(PixelOf(p, 44, 2), clWhite);       // past the bar
  EXPECT_EQ(PixelOf(p, 20, 16), clBlue);       // underline at text bottom + margin
  EXPECT_EQ(PixelOf(p, 100, 16), clWhite);     // the line ends at the slant
  EXPECT_EQ(PixelOf(p, 3 + 1, 3 + 5), static_cast<TColor>(ColorToRGB(p->CvCaptionFont()->Color())));  // text
}

TEST_F(FlatPanel, OneCaptionColourNoneDrawsNoBar) {
  auto* p = Add<TFlatPanel>(10, 10, 200, 60);
  p->SetColor(clWhite);
  p->SetCaption("ABCD");
  p->SetCvCaptionPosition(cpLeftTop);
  p->SetCvCaptionColor(clRed);
  Show();
  EXPECT_EQ(PixelOf(p, 2, 2), clWhite);
}

TEST_F(FlatPanel, DisabledCaptionIsEmbossed) {
  auto* p = Add<TFlatPanel>(10, 10, 100, 40);
  p->SetParentFont(false);
  p->CvCaptionFont()->SetHeight(-10);
  p->SetColor(clWhite);
  p->SetAlignment(taLeftJustify);
  p->SetCaption("W");
  p->SetEnabled(false);
  Show();
  // Text rows 15..23 (centred, 10 high): shadow in place, highlight one pixel right and down.
  EXPECT_EQ(PixelOf(p, 1, 20), static_cast<TColor>(ColorToRGB(clBtnShadow)));
  EXPECT_EQ(PixelOf(p, 5, 24), static_cast<TColor>(ColorToRGB(clBtnHighlight)));
}

TEST_F(FlatPanel, PublishedPropertiesRoundTrip) {
  form->SetName("PanelForm");
  auto* p = Add<TFlatPanel>(10, 10, 100, 40);
  p->SetName("pnlMain");
  p->SetCvCaptionPosition(cpLeftTop);
  p->SetCvShowLine(true);
  p->SetCvCaptionColorTo(clYellow);
  p->SetCvMarginLeft(7);
  p->CvCaptionFont()->SetName("Tahoma");
  std::string text = WriteComponentText(form);
  EXPECT_NE(text.find("CvCaptionPosition = cpLeftTop"), std::string::npos) << text;
  EXPECT_NE(text.find("CvCaptionFont.Name"), std::string::npos) << text;
  EXPECT_EQ(GetPropValue(p, "CvMarginLeft").AsInteger(), 7);
  SetPropValue(p, "CvVerticalGradient", Variant(false));
  EXPECT_FALSE(p->CvVerticalGradient());
}

using CvLabel = ControlsTest;

TEST_F(CvLabel, LineOnTheBottomRow) {
  auto* l = new TCvLabel(form);
  l->SetParent(form);
  l->SetAutoSize(false);
  l->SetBounds(10, 10, 80, 20);
  l->SetCaption("");
  l->SetShowLine(true);
  l->SetLineColor(clRed);
  l->SetLineLength(50);
  Show();
  EXPECT_EQ(PixelOf(form, 10 + 1, 10 + 19), clRed);
  EXPECT_EQ(PixelOf(form, 10 + 49, 10 + 19), clRed);
  EXPECT_NE(PixelOf(form, 10 + 50, 10 + 19), clRed);
  EXPECT_NE(PixelOf(form, 10 + 0, 10 + 19), clRed);
  EXPECT_NE(PixelOf(form, 10 + 20, 10 + 18), clRed);
}

TEST_F(CvLabel, SettersNormaliseTheirValues) {
  auto* l = new TCvLabel(form);
  l->SetParent(form);
  l->SetAutoSize(false);
  l->SetBounds(0, 0, 70, 20);
  EXPECT_EQ(l->LineLength(), l->Width() == 70 ? l->LineLength() : 0);
  l->SetLineWeight(0);
  EXPECT_EQ(l->LineWeight(), 1);
  l->SetLineLength(0);
  EXPECT_EQ(l->LineLength(), 70);
  l->SetWidth(120);
  EXPECT_EQ(l->LineLength(), 70);  // kept after resizing
  EXPECT_EQ(l->LineColor(), 0xFFFFFF);
  EXPECT_EQ(l->LineSpace(), 2);
  EXPECT_EQ(l->LineStyle(), psSolid);
}

TEST_F(CvLabel, LinePropertiesReadFromAResource) {
  form->SetName("LabelForm");
  ReadComponentText(form, R"(object TForm LabelForm {
  object TCvLabel lblCode {
    Left = 4
    ShowLine = true
    LineColor = 255
    LineWeight = 2
    LineStyle = psDot
  }
})");
  auto* l = dynamic_cast<TCvLabel*>(form->FindComponent("lblCode"));
  ASSERT_NE(l, nullptr);
  EXPECT_TRUE(l->ShowLine());
  EXPECT_EQ(l->LineColor(), clRed);
  EXPECT_EQ(l->LineWeight(), 2);
  EXPECT_EQ(l->LineStyle(), psDot);
  std::string text = WriteComponentText(form);
  EXPECT_NE(text.find("LineColor = 255"), std::string::npos) << text;
  EXPECT_EQ(text.find("LineSpace"), std::string::npos) << text;
}

using PanelSnapshot = SnapshotTest;

TEST_F(PanelSnapshot, PanelsAndLabels) {
  form->SetCaption("面板与标签 Flat panel and label");
  form->SetBounds(10, 10, 460, 260);
  auto* plain = Add<TFlatPanel>(10, 10, 200, 50);
  plain->SetCaption("普通面板 Plain");
  auto* bar = Add<TFlatPanel>(220, 10, 220, 80);
  bar->SetCaption("费用垫付单");
  bar->SetCvCaptionPosition(cpLeftTop);
  bar->SetCvCaptionColor(0xF0C090);
  bar->SetCvCaptionColorTo(clWhite);
  bar->SetCvVerticalGradient(false);
  bar->SetCvShowLine(true);
  bar->SetColor(clWhite);
  auto* barV = Add<TFlatPanel>(220, 100, 220, 60);
  barV->SetCaption("Vertical 竖向渐变");
  barV->SetCvCaptionPosition(cpLeftTop);
  barV->SetCvCaptionColor(0x90C0F0);
  barV->SetCvCaptionColorTo(0x2060A0);
  barV->CvCaptionFont()->SetColor(clWhite);
  barV->CvCaptionFont()->SetStyle(TFontStyles{fsBold});
  auto* off = Add<TFlatPanel>(10, 70, 200, 40);
  off->SetCaption("禁用 Disabled");
  off->SetEnabled(false);
  auto* tr = Add<TFlatPanel>(10, 120, 200, 40);
  tr->SetCaption("透明 Transparent");
  tr->SetTransparent(true);
  tr->SetAlignment(taRightJustify);
  int y = 170;
  for (const char* s : {"单据编号", "Merchant 商户"}) {
    auto* l = new TCvLabel(form);
    l->SetParent(form);
    l->SetBounds(20, y, 120, 18);
    l->SetCaption(s);
    l->SetShowLine(true);
    l->SetLineColor(clNavy);
    l->SetLineLength(110);
    y += 24;
  }
  Show();
  WriteSnapshot(form, "flat_panel_label.png");
}

}  // namespace

#include "controls/register.h"
#include "platform/classes/classreg.h"

namespace {

TEST(FlatRegistration, EveryClassCanBeNamedByResources) {
  RegisterFlatControlsClasses();
  for (const char* name : {"TFlatEdit", "TFlatMemo", "TFlatMaskEdit", "TFlatComboBox", "TFlatCheckBox",
                           "TFlatRadioButton", "TFlatSpeedButton", "TFlatPanel", "TCvLabel", "TCvPageControl",
                           "TCvTabSheet"})
    EXPECT_NE(GetClass(name), nullptr) << name;
}

}  // namespace
