// The host's row of buttons laid out in rows: however narrow the tool bar, every button lies whole
// inside it, in order, and none overlaps another.
#include <gtest/gtest.h>

#include <string>

#include "host/hostui.h"
#include "platform/os/wingdi.h"
#include "platform/os/winuser.h"

namespace {

using namespace fanohost;

ui::ButtonRow HostUiToolRow() {
  ui::ButtonRow row;
  const char* texts[] = {"新增", "修改", "删除", "保存", "查询", "取消", "首笔", "上笔", "下笔", "末笔",
                         "签核状况", "打印预览", "导出明细表格", "收款状况"};
  int i = 0;
  for (const char* t : texts) row.buttons.push_back({"c" + std::to_string(i), t, true, i++ == 10, {}});
  return row;
}

TEST(HostToolRow, EveryButtonLiesWholeInsideTheBarAtAnyWidth) {
  FanoUseHeadless();
  FanoSetTestFont(TRUE);
  HDC dc = FanoCreateRecordingDC(2000, 200);
  SelectObject(dc, ui::Font());
  struct Case {
    int right;
    int minRows;
    int maxRows;
  } cases[] = {{2000, 1, 1}, {1096, 1, 1}, {756, 2, 2}, {400, 2, 5}, {100, 5, 14}};
  for (const Case& c : cases) {
    SCOPED_TRACE("right edge " + std::to_string(c.right));
    ui::ButtonRow row = HostUiToolRow();
    const int rows = row.LayoutWrapped(dc, 4, 3, 23, 44, c.right, 2);
    EXPECT_GE(rows, c.minRows);
    EXPECT_LE(rows, c.maxRows);
    int lastTop = 3;
    for (size_t i = 0; i < row.buttons.size(); ++i) {
      const RECT& r = row.buttons[i].rect;
      EXPECT_GE(r.left, 4) << row.buttons[i].text;
      // A button wider than the bar still has a row of its own; all others end inside.
      if (r.left > 4) {
        EXPECT_LE(r.right, c.right) << row.buttons[i].text;
      }
      EXPECT_EQ(r.bottom - r.top, 23);
      EXPECT_EQ((r.top - 3) % 25, 0);
      EXPECT_GE(r.top, lastTop);
      if (i > 0 && r.top == row.buttons[i - 1].rect.top) {
        EXPECT_GT(r.left, row.buttons[i - 1].rect.right);
      } else if (i > 0) {
        EXPECT_EQ(r.left, 4);
      }
      lastTop = r.top;
    }
    EXPECT_EQ(row.buttons.back().rect.top, 3 + (rows - 1) * 25);
    // Every button is found where it is shown.
    for (size_t i = 0; i < row.buttons.size(); ++i) {
      const RECT& r = row.buttons[i].rect;
      EXPECT_EQ(row.HitTest(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}), static_cast<int>(i));
    }
  }
  ui::ButtonRow empty;
  EXPECT_EQ(empty.LayoutWrapped(dc, 4, 3, 23, 44, 500, 2), 0);
  DeleteDC(dc);
  FanoSetTestFont(FALSE);
}

}  // namespace
