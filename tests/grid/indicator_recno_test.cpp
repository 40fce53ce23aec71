// The indicator column with record numbers and the current-row mark: both fit, side by side.
#include <gtest/gtest.h>

#include "dbgrid_test_util.h"

using namespace dbgridtest;

namespace {

class IndicatorRecNoTest : public DBGridTest {
 protected:
  // The columns of the row's indicator cell (inside its frame) that hold ink.
  std::vector<bool> InkColumns(int dataRow) {
    HDC dc = FanoCreateRecordingDC(grid->ClientWidth(), grid->ClientHeight());
    PaintWithCanvas(grid->Canvas(), dc, [this] { grid->Paint(); });
    const TRect cell = grid->CellRect(0, grid->GetTitleOffset() + dataRow);
    const COLORREF background = GetPixel(dc, cell.Left + 1, cell.Top + 2);
    std::vector<bool> ink;
    for (int x = cell.Left + 1; x < cell.Right - 1; ++x) {
      bool any = false;
      for (int y = cell.Top + 2; y < cell.Bottom - 2; ++y) any = any || GetPixel(dc, x, y) != background;
      ink.push_back(any);
    }
    DeleteDC(dc);
    return ink;
  }
  // Runs of inked columns, counted from the left.
  static int Runs(const std::vector<bool>& ink) {
    int runs = 0;
    for (size_t i = 0; i < ink.size(); ++i) runs += ink[i] && (i == 0 || !ink[i - 1]);
    return runs;
  }
  // The number is all ink before the mark (the last run): its span from first to last inked
  // column, and the blank columns between it and the mark.
  static std::pair<int, int> NumberSpanAndGap(const std::vector<bool>& ink) {
    int last = static_cast<int>(ink.size()) - 1;
    while (last >= 0 && !ink[last]) --last;
    int markStart = last;
    while (markStart > 0 && ink[markStart - 1]) --markStart;
    int numberEnd = markStart - 1;
    while (numberEnd >= 0 && !ink[numberEnd]) --numberEnd;
    int first = 0;
    while (first < numberEnd && !ink[first]) ++first;
    if (numberEnd < 0) return {0, -1};
    return {numberEnd - first + 1, markStart - numberEnd - 1};
  }
  // The width of a record number as the indicator writes it (one point smaller).
  int NumberWidth(const std::string& number) {
    TMeasureCanvas m;
    m.Canvas()->Font()->Assign(grid->Font());
    m.Canvas()->Font()->SetSize(grid->Font()->Size() - 1);
    return m.Canvas()->TextWidth(number);
  }
  static std::string Shown(const std::vector<bool>& ink) {
    std::string s;
    for (bool b : ink) s += b ? '#' : '.';
    return s;
  }
};

TEST_F(IndicatorRecNoTest, TheRecordNumberDoesNotTouchTheCurrentRowMark) {
  AddRows(3);
  MakeGrid();
  AddColumn("ID", "编号");
  Bind();
  grid->SetOptionsGx(grid->OptionsGx() + TDBGridGxOptions{dghShowRecNo});
  ASSERT_EQ(grid->IndicatorOffset(), 1);
  // The current row: its number and the arrow, apart.
  // The current row: its number, whole inside the frame, and the arrow, apart.
  const std::vector<bool> current = InkColumns(0);
  // Whole: as wide as the text less its trailing spacing.
  EXPECT_GE(NumberSpanAndGap(current).first, NumberWidth("1") - 1) << Shown(current);
  EXPECT_GE(NumberSpanAndGap(current).second, 2) << Shown(current);
  // Another row shows its number alone.
  EXPECT_EQ(Runs(InkColumns(1)), 1) << Shown(InkColumns(1));
  // Two-digit numbers too.
  AddRows(12);
  grid->LayoutChanged();
  table->Last();
  const std::vector<bool> wide = InkColumns(grid->Row() - grid->GetTitleOffset());
  EXPECT_GE(NumberSpanAndGap(wide).first, NumberWidth("15") - 1) << Shown(wide);
  EXPECT_GE(NumberSpanAndGap(wide).second, 2) << Shown(wide);
}

}  // namespace
