// As a person meets it: the host's window under a virtual X server with a light window manager,
// driven by the X server's own mouse and keyboard (xdotool): a clerk creates a document with two
// lines, picks merchant and stall in the lookup dialogs with the mouse, types Chinese text through
// the input method path, saves, quits the host, starts it again, searches and finds the document.
// Snapshots of the X server after each step stay in the test's folder (printed) for people to see.
// The steps wait for what the X server shows (a window appearing or going), bounded in time.
#include <fcntl.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "e2e_support.h"

namespace {

using namespace e2e;

using xserver::Have;
using xserver::Spawn;
using Child = xserver::Process;

class AsAUser : public ::testing::Test {
 protected:
  void SetUp() override {
    FANO_SKIP_OR_FAIL_UNLESS(Have("Xvfb") && Have("xdotool") && Have("openbox"),
                             "Xvfb, xdotool or the window manager (openbox) is not installed");
    // A folder per test: the snapshots of one test stay when the next one starts.
    dir = fs::temp_directory_path() /
          ("fano_user_" + std::to_string(getpid()) + "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    // The host takes the manager's frame only when the manager is there before it. A server and
    // manager that do not come up are replaced by a new pair, on another display; what went wrong
    // is told when none did.
    std::string why;
    bool managed = false;
    for (int attempt = 1; attempt <= 3 && !managed; ++attempt) {
      display = xserver::StartXvfb(xvfb, "1280x1024x24");
      if (display.empty()) {
        why += "\n  try " + std::to_string(attempt) + ": Xvfb did not start";
        continue;
      }
      managed = StartManager(attempt, why);
      if (!managed) {
        wm.Stop();
        xvfb.Stop();
      }
    }
    ASSERT_TRUE(managed) << "the window manager did not start:" << why;
  }
  // Starts openbox on `display` and waits (bounded) until it takes the windows shown; false with the
  // reason added to `why` when it ended first or did not within the time.
  bool StartManager(int attempt, std::string& why) {
    const fs::path log = dir / ("openbox-" + std::to_string(attempt) + ".log");
    const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    wm = Spawn({"openbox", "--sm-disable"}, display, out);
    Child check = Spawn({BinaryDir() + "/tests/e2e/fano_xshot", "--wm", "60"}, display);
    if (out >= 0) close(out);
    int code = -1;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(70);
    std::string failed;
    while (failed.empty()) {
      if (check.WaitExit(100, code)) {
        if (code == 0) return true;
        int serverCode = 0;
        failed = xvfb.WaitExit(0, serverCode) ? "the server of " + display + " ended with code " + std::to_string(serverCode)
                                              : "it took no window on " + display + " within 60 s";
      } else if (int wmCode = 0; wm.WaitExit(0, wmCode)) {
        failed = "openbox ended with code " + std::to_string(wmCode) + " on " + display;
      } else if (std::chrono::steady_clock::now() >= until) {
        failed = "the check did not end on " + display;
      }
    }
    std::ifstream in(log);
    std::stringstream said;
    said << in.rdbuf();
    why += "\n  try " + std::to_string(attempt) + ": " + failed + "; openbox said: " + said.str();
    return false;
  }
  void TearDown() override {
    host.Stop();
    wm.Stop();
    xvfb.Stop();
    if (!dir.empty()) std::printf("[ snapshots ] %s\n", dir.c_str());
  }

  std::string Tool(const std::string& args) const {
    std::string cmd = "DISPLAY=" + display + " timeout 20 " + args + " 2>/dev/null";
    std::string out;
    if (FILE* p = popen(cmd.c_str(), "r")) {
      char buf[256];
      while (fgets(buf, sizeof buf, p)) out += buf;
      pclose(p);
    }
    return out;
  }
  void X(const std::string& args) const { Tool("xdotool " + args); }
  // The first visible window whose name holds `part`, or "".
  std::string WindowNamed(const std::string& part) const {
    std::istringstream ids(Tool("xdotool search --onlyvisible --name ."));
    std::string id;
    while (ids >> id)
      if (Tool("xdotool getwindowname " + id).find(part) != std::string::npos) return id;
    return {};
  }
  // Bounded by the clock: the tools themselves take time on a busy machine.
  bool WaitWindow(const std::string& part, bool present, int ms = 10000) const {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
      if (WindowNamed(part).empty() != present) return true;
      if (std::chrono::steady_clock::now() >= until) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }
  void StartHost(const std::string& out) {
    fs::create_directories(dir / out);
    host = Spawn({BinaryDir() + "/host/fano_host", "--db", (dir / "user.db").string(), "--out", (dir / out).string(),
                  "--log-replies"},
                 display);
    ASSERT_TRUE(WaitWindow("Fano", true)) << "the host window did not come";
    main = WindowNamed("Fano");
    X("windowactivate --sync " + main);
  }
  // Each input is given time to be taken in, as a person's pace would.
  static void Pace(int ms = 150) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
  // Points are given as in the host's headless snapshots, whose frame and caption are its own; under
  // the window manager the window is the client area alone.
  static constexpr int kFrameX = 4, kFrameY = 23;
  void Click(int x, int y) const {
    X("mousemove --window " + main + " " + std::to_string(x - kFrameX) + " " + std::to_string(y - kFrameY) +
      " click 1");
    Pace(300);
  }
  // A lookup button, then a double click on a row of the dialog it opens.
  void PickThrough(int x, int y, int row, const std::string& shot = "") {
    Click(x, y);
    ASSERT_TRUE(WaitWindow("选择", true)) << "no lookup dialog";
    std::string dialog = WindowNamed("选择");
    if (!shot.empty()) {
      Pace();
      Snapshot(shot);
    }
    X("mousemove --window " + dialog + " 100 " + std::to_string(54 - kFrameY + 17 * row) + " click --repeat 2 --delay 80 1");
    ASSERT_TRUE(WaitWindow("选择", false)) << "the lookup dialog stayed";
  }
  void Keys(const std::string& keys) const {
    X("key --delay 150 " + keys);
    Pace();
  }
  void Type(const std::string& text) const {
    X("type --delay 150 " + Shell(text));
    Pace();
  }
  void Snapshot(const std::string& name) const {
    Tool(BinaryDir() + "/tests/e2e/fano_xshot " + Shell((dir / name).string()));
  }
  // Closes the host as a person does (the window manager's close) and waits for it to end.
  void QuitHost() {
    X("windowactivate --sync " + main);
    Keys("alt+F4");
    int code = -1;
    ASSERT_TRUE(host.WaitExit(10000, code)) << "the host did not end";
    EXPECT_EQ(code, 0);
  }

  // The host's log (of the run in folder `out`), read again until an entry with that keyword and
  // text follows entry `from`; its index, or -1.
  int WaitLog(const std::string& out, const std::string& keyword, const std::string& part, int from) const {
    for (int waited = 0; waited < 10000; waited += 100) {
      HostRun r;
      r.log = ReadLog(dir / out / "host.log");
      int at = r.Find(keyword, part, from);
      if (at >= 0) return at;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return -1;
  }
  // The documents the host was asked to show after entry `from`.
  std::vector<long long> Displayed(const std::string& out, int from) const {
    HostRun r;
    r.log = ReadLog(dir / out / "host.log");
    r.dir = dir;
    return DisplayedIds(r, from);
  }
  int LogSize(const std::string& out) const { return static_cast<int>(ReadLog(dir / out / "host.log").size()); }

  fs::path dir;
  std::string display;
  std::string main;
  Child xvfb, wm, host;
};

TEST_F(AsAUser, ADocumentTypedAndPickedIsFoundAgainAfterARestart) {
  StartHost("run1");
  Snapshot("01-started.png");
  Click(30, 37);  // 新增
  PickThrough(480, 107, 0);  // 单别
  Click(747, 107);           // 垫付单号, then Tab through the header
  Type("FDX0001");
  Keys("Tab");
  Type("20261207");
  Keys("Tab Tab Tab Down Tab");  // 商户, 合同号 to 垫付类型: its first item
  Snapshot("02-header-typed.png");
  PickThrough(480, 135, 1, "02b-lookup.png");  // 商户: the second merchant
  PickThrough(480, 163, 0);  // 摊位: a stall of that merchant
  PickThrough(760, 163, 0);  // 营运组织
  PickThrough(480, 191, 0);  // 业务部门
  PickThrough(760, 191, 0);  // 业务人员
  Click(597, 219);           // 备注, Chinese through the input method path
  Type("演示备注");
  Snapshot("03-header-picked.png");
  // The lines: Enter steps through the cells that take typing (past the joined texts), Down at the
  // last line appends one.
  Click(397, 319);
  Keys("Return Return");
  Type("12.5");
  Keys("Return");
  Type("第一行");
  Keys("Return Down Home Return Return");
  Type("7.25");
  Keys("Return");
  Type("第二行");
  Keys("Return");
  Snapshot("04-lines.png");
  Click(168, 37);  // 保存
  ASSERT_TRUE(WaitWindow("提示", true)) << "no notice after the save";
  Snapshot("05-saved.png");
  Keys("Return");
  ASSERT_TRUE(WaitWindow("提示", false));
  QuitHost();

  const std::string db = (dir / "user.db").string();
  long long id = Scalar(db, "SELECT BILDA_ID FROM TB_BILDA WHERE BILDA002 = 'FDX0001'");
  ASSERT_GT(id, 0) << "the document was not saved";
  const std::string of = " FROM TB_BILDB WHERE BILDB001 = " + std::to_string(id);
  EXPECT_EQ(Scalar(db, "SELECT count(*)" + of), 2);
  EXPECT_EQ(Scalar(db, "SELECT CAST(round(sum(BILDB006) * 100) AS INTEGER)" + of), 1975);
  EXPECT_EQ(Scalar(db, "SELECT count(*)" + of + " AND BILDB008 IN ('第一行', '第二行')"), 2);
  EXPECT_EQ(Scalar(db, "SELECT count(*) FROM TB_BILDA WHERE BILDA_ID = " + std::to_string(id) +
                           " AND BILDA011 = '演示备注' AND BILDA003 LIKE '2026-12-07%' AND BILDA012 = '1'"),
            1);
  EXPECT_GT(Scalar(db, "SELECT BILDA007 FROM TB_BILDA WHERE BILDA_ID = " + std::to_string(id)), 0);

  // Started again: the search lists it first and loads it with its lines.
  StartHost("run2");
  Click(214, 37);  // 查询
  std::vector<Entry> log;
  int display = -1;
  for (int waited = 0; waited < 10000 && display < 0; waited += 100) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    log = ReadLog(dir / "run2" / "host.log");
    for (int i = 0; i + 2 < static_cast<int>(log.size()); ++i)
      if (log[i].keyword == "RECV" && log[i].text.find("command \"display\"") != std::string::npos) display = i;
  }
  ASSERT_GE(display, 0) << "no document was loaded";
  EXPECT_NE(log[display + 1].text.find("<param typ=\"integer\">" + std::to_string(id) + "</param>"), std::string::npos);
  const std::string& reply = log[display + 2].text;
  size_t lines = reply.find("tbname=\"TB_BILDB\"");
  ASSERT_NE(lines, std::string::npos);
  EXPECT_EQ(CountOf(reply.substr(lines), "<row "), 2);
  Snapshot("06-found-again.png");
  QuitHost();
}


// Where a window is on the screen and its size, as the X server has it.
struct Place {
  int x = 0, y = 0, w = 0, h = 0;
};

// A notice while typing, and the line-delete confirmation: each opens on the screen over the host's
// window, is answered by the keyboard, and the keyboard is the clerk's again afterwards.
TEST_F(AsAUser, BoxesOpenOverTheWindowAndTheKeyboardStaysWithTheClerk) {
  auto place = [&](const std::string& id) {
    Place p;
    std::istringstream in(Tool("xdotool getwindowgeometry --shell " + id));
    std::string line;
    while (std::getline(in, line)) {
      size_t eq = line.find('=');
      if (eq == std::string::npos) continue;
      std::string key = line.substr(0, eq);
      int v = std::atoi(line.c_str() + eq + 1);
      if (key == "X") p.x = v;
      if (key == "Y") p.y = v;
      if (key == "WIDTH") p.w = v;
      if (key == "HEIGHT") p.h = v;
    }
    return p;
  };
  StartHost("run1");
  Click(30, 37);             // 新增
  PickThrough(480, 107, 0);  // 单别
  Click(747, 107);           // 垫付单号: half of it typed, then a notice
  Type("FDY0");
  Click(30, 37);  // 新增 again while editing
  ASSERT_TRUE(WaitWindow("提示", true)) << "no notice";
  Pace(500);
  const Place notice = place(WindowNamed("提示"));
  Snapshot("n1-notice.png");
  // One line of text beside the icon over one row of buttons, with margins: no empty band below.
  EXPECT_LE(notice.h, 14 + 32 + 14 + 24 + 14 + 4) << "the notice is taller than its content";
  Keys("Return");
  ASSERT_TRUE(WaitWindow("提示", false));
  Type("001");  // the rest reaches the field that had the keyboard
  Keys("Tab");
  Type("20261208");
  Keys("Tab Tab Tab Down Tab");
  PickThrough(480, 135, 1);  // 商户
  PickThrough(480, 163, 0);  // 摊位
  PickThrough(760, 163, 0);  // 营运组织
  PickThrough(480, 191, 0);  // 业务部门
  PickThrough(760, 191, 0);  // 业务人员
  // Two lines, the second deleted through the grid's confirmation.
  Click(397, 319);
  Keys("Return Return");
  Type("12.5");
  Keys("Return");
  Type("第一行");
  Keys("Return Down Home Return Return");
  Type("7.25");
  Keys("Return");
  Type("第二行");
  Keys("Return");
  Keys("ctrl+Delete");
  ASSERT_TRUE(WaitWindow("Confirm", true)) << "no confirmation";
  Pace(500);  // the window manager's placing
  const Place box = place(WindowNamed("Confirm"));
  const Place host = place(main);
  Snapshot("n2-confirm.png");
  EXPECT_GE(box.x, 0);
  EXPECT_GE(box.y, 0);
  EXPECT_LE(box.x + box.w, 1280) << "the confirmation is off the screen";
  EXPECT_LE(box.y + box.h, 1024) << "the confirmation is off the screen";
  EXPECT_NEAR(box.x + box.w / 2, host.x + host.w / 2, 30) << "centred on the host's window";
  EXPECT_NEAR(box.y + box.h / 2, host.y + host.h / 2, 30);
  EXPECT_GE(box.w, 150) << "wide enough for its text and two buttons";
  Keys("Return");
  ASSERT_TRUE(WaitWindow("Confirm", false));
  // The grid still has the keyboard: a second Ctrl+Delete asks again, and Escape keeps the line.
  Keys("ctrl+Delete");
  ASSERT_TRUE(WaitWindow("Confirm", true)) << "the keyboard did not come back to the grid";
  Keys("Escape");
  ASSERT_TRUE(WaitWindow("Confirm", false));
  // Alt+F4 with unsaved changes, answered 否 by mouse: the window manager took Alt's release, yet
  // the fields take plain keys afterwards.
  X("windowactivate --sync " + main);
  Keys("alt+F4");
  ASSERT_TRUE(WaitWindow("提示", true)) << "no question on closing with unsaved changes";
  Pace(500);
  const std::string question = WindowNamed("提示");
  const Place q = place(question);
  // Two buttons of 78 pixels, 10 apart, centred, 14 pixels above the bottom: 否 is the second.
  X("mousemove --window " + question + " " + std::to_string((q.w - 166) / 2 + 78 + 10 + 39) + " " +
    std::to_string(q.h - 14 - 12) + " click 1");
  ASSERT_TRUE(WaitWindow("提示", false)) << "the question stayed";
  Click(597, 219);  // 备注
  Type("note");
  Click(168, 37);  // 保存
  ASSERT_TRUE(WaitWindow("提示", true)) << "no notice after the save";
  Snapshot("n3-saved.png");
  Keys("Return");
  ASSERT_TRUE(WaitWindow("提示", false));
  QuitHost();

  const std::string db = (dir / "user.db").string();
  long long id = Scalar(db, "SELECT BILDA_ID FROM TB_BILDA WHERE BILDA002 = 'FDY0001'");
  ASSERT_GT(id, 0) << "the number typed around the notice was not saved whole";
  const std::string of = " FROM TB_BILDB WHERE BILDB001 = " + std::to_string(id);
  EXPECT_EQ(Scalar(db, "SELECT count(*)" + of), 1);
  EXPECT_EQ(Scalar(db, "SELECT count(*)" + of + " AND BILDB008 = '第一行'"), 1);
  EXPECT_EQ(Scalar(db, "SELECT count(*) FROM TB_BILDA WHERE BILDA_ID = " + std::to_string(id) + " AND BILDA011 = 'note'"), 1)
      << "keys typed after the close question did not reach the field";
}

// The clerk opens the first document of the list, moves the list's cursor with the arrow keys to
// the next one (which loads nothing), then edits and saves, and deletes: both act on the document
// shown, and the list afterwards shows what the host holds.
TEST_F(AsAUser, SaveAndDeleteAfterTheListCursorMovedActOnTheDocumentShown) {
  StartHost("run1");
  const std::string db = (dir / "user.db").string();
  const std::vector<long long> listed = ListedIds(db, 3);
  ASSERT_GT(listed[2], 0) << "the demo database lists fewer than three documents";
  auto waitLog = [&](const std::string& keyword, const std::string& part, int from) {
    return WaitLog("run1", keyword, part, from);
  };
  auto displayed = [&](int from) { return Displayed("run1", from); };
  auto logSize = [&] { return LogSize("run1"); };
  // A box answered by Enter; the next box may follow at once under the same title, so it is this
  // window that has to go.
  auto answerBox = [&](const std::string& shot) {
    ASSERT_TRUE(WaitWindow("提示", true)) << "no box";
    Pace(300);
    const std::string box = WindowNamed("提示");
    if (!shot.empty()) Snapshot(shot);
    Keys("Return");
    bool gone = false;
    for (int waited = 0; waited < 10000 && !gone; waited += 100) {
      std::istringstream ids(Tool("xdotool search --onlyvisible --name ."));
      std::string id;
      gone = true;
      while (ids >> id) gone = gone && id != box;
      if (!gone) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ASSERT_TRUE(gone) << "the box stayed";
  };

  Click(214, 37);  // 查询
  ASSERT_GE(waitLog("RECV", "command \"display\"", 0), 0) << "no document was loaded";
  Click(80, 121);  // the list's first row
  Keys("Down");    // the cursor to the second row: nothing is loaded
  Pace(300);
  Snapshot("l1-cursor-moved.png");
  EXPECT_EQ(displayed(0), (std::vector<long long>{listed[0], listed[0]})) << "the arrow key loaded a document";

  Click(76, 37);    // 修改
  Click(597, 219);  // 备注
  Keys("End");
  Type("改");
  Click(168, 37);  // 保存
  answerBox("l2-saved.png");
  EXPECT_EQ(Scalar(db, "SELECT count(*) FROM TB_BILDA WHERE BILDA_ID = " + std::to_string(listed[0]) +
                           " AND BILDA011 LIKE '%改'"),
            1)
      << "the save did not store the document shown";
  EXPECT_EQ(Scalar(db, "SELECT count(*) FROM TB_BILDA WHERE BILDA011 LIKE '%改'"), 1);

  // The list's rows read back by clicking them: each loads its own document.
  int from = logSize();
  Click(80, 121);
  Click(80, 139);
  ASSERT_GE(waitLog("RECV", "command \"display\"", from), 0);
  Pace(300);
  EXPECT_EQ(displayed(from), (std::vector<long long>{listed[0], listed[1]})) << "the save changed another list row";

  // The second row is shown now; the cursor goes back up to the first, then the delete.
  Keys("Up");
  Pace(300);
  from = logSize();
  Click(122, 37);  // 删除
  answerBox("l3-delete-question.png");  // 是
  answerBox("l4-deleted.png");
  ASSERT_GE(waitLog("RECV", "command \"display\"", from), 0) << "nothing was loaded after the delete";
  EXPECT_EQ(Scalar(db, "SELECT count(*) FROM TB_BILDA WHERE BILDA_ID = " + std::to_string(listed[1])), 0)
      << "the document shown was not deleted";
  EXPECT_EQ(Scalar(db, "SELECT count(*) FROM TB_BILDA WHERE BILDA_ID = " + std::to_string(listed[0])), 1)
      << "the document under the cursor was deleted";

  // The list and the host agree: its first two rows are the two documents the host lists first.
  from = logSize();
  Click(80, 121);
  Click(80, 139);
  ASSERT_GE(waitLog("RECV", "command \"display\"", from), 0);
  Pace(300);
  Snapshot("l5-list-after-delete.png");
  EXPECT_EQ(displayed(from), ListedIds(db, 2));
  EXPECT_EQ(ListedIds(db, 2), (std::vector<long long>{listed[0], listed[2]}));
  QuitHost();
}

// A right click on the lines grid's top-left cell leaves the pointer free: the next left click on a
// row of the document list loads that document at once.
TEST_F(AsAUser, ARightClickOnTheLinesCornerLeavesTheNextClickToTheList) {
  StartHost("run1");
  const std::vector<long long> listed = ListedIds((dir / "user.db").string(), 3);
  ASSERT_GT(listed[2], 0) << "the demo database lists fewer than three documents";
  Click(214, 37);  // 查询
  ASSERT_GE(WaitLog("run1", "RECV", "command \"display\"", 0), 0) << "no document was loaded";
  for (int row : {1, 2}) {
    X("mousemove --window " + main + " " + std::to_string(336 - kFrameX) + " " + std::to_string(303 - kFrameY) +
      " click 3");  // the lines grid's top-left cell, right button
    Pace(300);
    const int from = LogSize("run1");
    Click(80, 121 + 18 * row);
    ASSERT_GE(WaitLog("run1", "RECV", "command \"display\"", from), 0) << "the click on list row " << row << " was lost";
    Pace(300);
    EXPECT_EQ(Displayed("run1", from), std::vector<long long>{listed[static_cast<size_t>(row)]});
  }
  Snapshot("r1-after-right-clicks.png");
  QuitHost();
}

// The page control's docking by the mouse under the window manager: a docked form's tab dragged
// off the window floats the form in a window of its own; the form dragged back onto the pages is
// a page again and its window goes.
TEST_F(AsAUser, APagesTabDraggedOffFloatsAndDraggedBackDocks) {
  fs::path out = dir / "dock.out";
  int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  Child demo = Spawn({BinaryDir() + "/tests/e2e/fano_dockdemo"}, display, fd);
  close(fd);
  // The lines the program printed so far.
  auto lines = [&] {
    std::ifstream in(out);
    std::vector<std::string> all;
    for (std::string line; std::getline(in, line);) all.push_back(line);
    return all;
  };
  auto waitLine = [&](const std::string& want) {
    for (int waited = 0; waited < 10000; waited += 100) {
      std::vector<std::string> all = lines();
      if (std::find(all.begin(), all.end(), want) != all.end()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  };
  ASSERT_TRUE(WaitWindow("停靠演示", true)) << "the program's window did not come";
  ASSERT_TRUE(waitLine("ready 2"));
  std::string w = WindowNamed("停靠演示");
  X("windowactivate --sync " + w);
  Pace(300);
  Snapshot("d1-docked.png");

  // The second tab (垫付明细) pressed, dragged past the threshold and off the window.
  X("mousemove --window " + w + " 90 22");
  Pace();
  X("mousedown 1");
  Pace(300);
  X("mousemove --window " + w + " 95 40");
  Pace();
  X("mousemove 600 600");
  Pace();
  X("mousemove 700 650");
  Pace(300);
  X("mouseup 1");
  ASSERT_TRUE(waitLine("floating 1")) << "the form did not float";
  ASSERT_TRUE(WaitWindow("垫付明细", true)) << "no window of its own for the floating form";
  std::string floating = WindowNamed("垫付明细");
  Pace(300);
  Snapshot("d2-floating.png");

  // Pressed inside the floating form and dragged onto the pages: the outline shows there.
  X("mousemove --window " + floating + " 100 80");
  Pace();
  X("mousedown 1");
  Pace(300);
  X("mousemove --window " + floating + " 110 90");
  Pace();
  X("mousemove --window " + w + " 150 100");
  Pace();
  X("mousemove --window " + w + " 200 120");
  Pace(300);
  Snapshot("d3-outline-over-pages.png");
  X("mouseup 1");
  ASSERT_TRUE(waitLine("docked 2")) << "the form did not dock back";
  EXPECT_TRUE(WaitWindow("垫付明细", false)) << "the floating window stayed";
  Pace(300);
  Snapshot("d4-docked-again.png");
}

// A clerk edits a stored document as quickly as the hands go: Chinese text typed fast into 备注,
// then 垫付单号 clicked and typed into at once (the window manager, busy with the keyboard mapping
// changes that such typing brings, holds the click a while: the keys typed after it still reach
// the field clicked, through the input method path for the Chinese and as plain key events for
// the rest). Then in the lines: an empty line appended at the bottom, the second
// line clicked and its amount typed with a stray letter, which is refused with the display's bell.
TEST_F(AsAUser, KeysAndClicksReachWhatTheClerkPointedAt) {
  const std::string db = (dir / "user.db").string();
  StartHost("run1");
  // The first listed document with two lines or more, by its row in the list.
  const std::vector<long long> listed = ListedIds(db, 10);
  int row = -1, lines = 0;
  for (int i = 0; i < static_cast<int>(listed.size()) && row < 0; ++i) {
    lines = static_cast<int>(Scalar(db, "SELECT count(*) FROM TB_BILDB WHERE BILDB001 = " + std::to_string(listed[i])));
    if (lines >= 2) row = i;
  }
  ASSERT_GE(row, 0) << "no listed document has two lines";
  const long long id = listed[static_cast<size_t>(row)];
  const std::string idText = std::to_string(id);
  auto text = [&](const std::string& sql) {
    std::string out;
    sqlite3* h = nullptr;
    if (sqlite3_open_v2(db.c_str(), &h, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
      sqlite3_stmt* st = nullptr;
      if (sqlite3_prepare_v2(h, sql.c_str(), -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW &&
          sqlite3_column_text(st, 0))
        out = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
      sqlite3_finalize(st);
    }
    sqlite3_close(h);
    return out;
  };
  const std::string note = text("SELECT BILDA011 FROM TB_BILDA WHERE BILDA_ID = " + idText);
  const long long firstLine = Scalar(db, "SELECT min(BILDB_ID) FROM TB_BILDB WHERE BILDB001 = " + idText);
  const long long secondLine = Scalar(db, "SELECT min(BILDB_ID) FROM TB_BILDB WHERE BILDB001 = " + idText +
                                              " AND BILDB_ID > " + std::to_string(firstLine));
  const std::string firstAmount = text("SELECT BILDB006 FROM TB_BILDB WHERE BILDB_ID = " + std::to_string(firstLine));
  auto loaded = [&](long long doc) {
    for (int waited = 0; waited < 10000; waited += 100) {
      std::vector<Entry> log = ReadLog(dir / "run1" / "host.log");
      for (int i = 0; i + 1 < static_cast<int>(log.size()); ++i)
        if (log[i].keyword == "RECV" && log[i].text.find("command \"display\"") != std::string::npos &&
            log[i + 1].text.find("<param typ=\"integer\">" + std::to_string(doc) + "</param>") != std::string::npos)
          return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  };
  // The server's bell, heard by a client of its own.
  fs::path bellsOut = dir / "bells.out";
  int fd = open(bellsOut.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  Child bells = Spawn({BinaryDir() + "/tests/e2e/fano_xshot", "--bells"}, display, fd);
  close(fd);
  auto bellLines = [&] {
    std::ifstream in(bellsOut);
    int n = 0;
    for (std::string line; std::getline(in, line);) n += line == "bell";
    return n;
  };

  Click(214, 37);  // 查询
  Click(80, 121 + 18 * row);
  ASSERT_TRUE(loaded(id)) << "the document was not loaded";
  Click(76, 37);  // 修改
  Click(597, 219);  // 备注
  Keys("End");
  X("type --delay 60 " + Shell("演示中文备注一二三四"));  // 16 characters a second
  auto clickAndType = [&](int x, int y, const std::string& keys, const std::string& typed) {
    X("mousemove --window " + main + " " + std::to_string(x - kFrameX) + " " + std::to_string(y - kFrameY) +
      " click 1 key --delay 60 " + keys + " type --delay 60 " + Shell(typed));
  };
  clickAndType(747, 107, "End shift+Home", "FDR单号01");  // 垫付单号, typed over at once
  Pace(2000);
  Snapshot("k1-header.png");

  // The lines: down to the last, Down appends an empty one; then the second line's amount.
  Click(397, 319);
  for (int i = 0; i <= lines; ++i) Keys("Down");
  Snapshot("k2-appended.png");
  const int bellsBefore = bellLines();
  Click(397, 319 + 18);
  Keys("Return Return");
  Type("8a.5");
  Keys("Return");
  Snapshot("k3-second-line.png");
  Click(168, 37);  // 保存
  ASSERT_TRUE(WaitWindow("提示", true)) << "no notice after the save";
  Keys("Return");
  ASSERT_TRUE(WaitWindow("提示", false));
  EXPECT_GT(bellLines(), bellsBefore) << "the refused letter rang no bell";
  bells.Stop();
  QuitHost();

  EXPECT_EQ(text("SELECT BILDA011 FROM TB_BILDA WHERE BILDA_ID = " + idText), note + "演示中文备注一二三四")
      << "keys went astray around the clicks, or characters were lost or doubled";
  EXPECT_EQ(text("SELECT BILDA002 FROM TB_BILDA WHERE BILDA_ID = " + idText), "FDR单号01");
  EXPECT_EQ(Scalar(db, "SELECT count(*) FROM TB_BILDB WHERE BILDB001 = " + idText), lines)
      << "the empty line was stored, or a line was lost";
  EXPECT_EQ(text("SELECT BILDB006 FROM TB_BILDB WHERE BILDB_ID = " + std::to_string(secondLine)), "8.5")
      << "the amount did not reach the line clicked";
  EXPECT_EQ(text("SELECT BILDB006 FROM TB_BILDB WHERE BILDB_ID = " + std::to_string(firstLine)), firstAmount)
      << "the line above the one clicked changed";
}

// A stored document's date typed over right after a click inside it: Home at once, eight digits,
// Tab, 保存. Home must reach the date after the click has placed the caret there, or the digits
// land one place on (a window manager that focuses on a click holds the press a moment).
TEST_F(AsAUser, ADateClickedAndTypedOverAtOnceIsSavedAsTyped) {
  const std::string db = (dir / "user.db").string();
  StartHost("run1");
  const long long id = ListedIds(db, 1)[0];
  ASSERT_GT(id, 0) << "the demo database lists no document";
  Click(214, 37);  // 查询: the first document is loaded
  ASSERT_GE(WaitLog("run1", "RECV", "command \"display\"", 0), 0) << "no document was loaded";
  Click(76, 37);  // 修改
  X("mousemove --window " + main + " " + std::to_string(990 - kFrameX) + " " + std::to_string(107 - kFrameY) +
    " click 1 key --delay 60 Home type --delay 60 20260230");
  Keys("Tab");
  Snapshot("d1-date-typed.png");
  Click(168, 37);  // 保存
  ASSERT_TRUE(WaitWindow("提示", true)) << "no notice after the save";
  Snapshot("d2-saved.png");
  Keys("Return");
  ASSERT_TRUE(WaitWindow("提示", false));
  QuitHost();
  // The 30th of February is the month's last day.
  EXPECT_EQ(Scalar(db, "SELECT count(*) FROM TB_BILDA WHERE BILDA_ID = " + std::to_string(id) +
                           " AND BILDA003 LIKE '2026-02-28%'"),
            1)
      << "the digits did not land where the click and Home put the caret";
}

TEST_F(AsAUser, ADateTypedAfterAClickAndTheTypeDropDownShowsItsItems) {
  StartHost("run1");
  Click(30, 37);    // 新增
  Click(957, 107);  // 垫付日期, at its left edge: the digits typed at once
  Type("20261201");
  Keys("Tab");
  Snapshot("01-date-typed.png");
  // The list of 垫付类型 opens below the editor: dark text where it lies, not a white box.
  auto dark = [&] { return std::atol(Tool(BinaryDir() + "/tests/e2e/fano_xshot --dark " + main + " 953 124 110 28").c_str()); };
  const long before = dark();
  Click(1072, 135);
  Snapshot("02-type-dropped.png");
  EXPECT_GT(dark(), before + 60) << "the drop-down's items are not drawn";
  Keys("Escape");
  // Closing with the new document unsaved asks once; 是 closes.
  X("windowactivate --sync " + main);
  Keys("alt+F4");
  ASSERT_TRUE(WaitWindow("提示", true)) << "no question before closing";
  Keys("Return");
  int code = -1;
  ASSERT_TRUE(host.WaitExit(10000, code)) << "the host did not end";
  EXPECT_EQ(code, 0);
}

}  // namespace
