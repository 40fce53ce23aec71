// End to end: the stand-in host runs headless with the module and a script of user actions; the
// test reads the host's log (every message, request and reply) and the database behind it.
#include <condition_variable>
#include <mutex>
#include <thread>

#include "e2e_support.h"

namespace {

using namespace e2e;

// A test that runs far over its time names itself and ends the run: the runner would otherwise
// wait out its own limit and say only that the whole program timed out. Its state lives for the
// whole process, as its thread does.
class Watchdog : public ::testing::EmptyTestEventListener {
 public:
  explicit Watchdog(int seconds) : state_(new State()) {
    state_->seconds = seconds;
    std::thread([s = state_] { Watch(*s); }).detach();
  }

 private:
  struct State {
    int seconds = 0;
    std::mutex mutex;
    std::condition_variable wake;
    std::string name;
    std::chrono::steady_clock::time_point until;
    bool running = false;
  };
  void OnTestStart(const ::testing::TestInfo& info) override {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->name = std::string(info.test_suite_name()) + "." + info.name();
    state_->until = std::chrono::steady_clock::now() + std::chrono::seconds(state_->seconds);
    state_->running = true;
    state_->wake.notify_all();
  }
  void OnTestEnd(const ::testing::TestInfo&) override {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->running = false;
  }
  static void Watch(State& s) {
    std::unique_lock<std::mutex> lock(s.mutex);
    for (;;) {
      if (!s.running) {
        s.wake.wait(lock);
      } else if (s.wake.wait_until(lock, s.until) == std::cv_status::timeout && s.running &&
                 std::chrono::steady_clock::now() >= s.until) {
        std::fprintf(stderr, "[ watchdog ] %s ran over %d s\n", s.name.c_str(), s.seconds);
        std::fflush(stderr);
        std::_Exit(3);
      }
    }
  }
  State* state_;
};

// Ten minutes a test: the slowest takes well under a minute, under the sanitizers too.
const bool kWatched = [] {
  ::testing::UnitTest::GetInstance()->listeners().Append(new Watchdog(600));
  return true;
}();

const char* kCloseQuestion = "有数据未保存，您确定要退出当前窗体吗？";

const char* kSessionScript =
    "note search and load the first document\n"
    "command search\n"
    "snapshot after-search.png\n"
    "probe 797 262\n"
    "note a lookup of the operating organisations on a new document\n"
    "command new\n"
    "pick 2\n"
    "click 761 142\n"
    "note a garbled reply to the reload of the document\n"
    "command update\n"
    "garble display\n"
    "command cancel\n"
    "note closing while editing asks once\n"
    "command search\n"
    "command update\n"
    "answer yes\n"
    "answer yes\n"
    "close\n"
    "snapshot closed.png\n"
    "quit\n";

class EndToEnd : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { session_ = new HostRun(RunHost("session", kSessionScript)); }
  static void TearDownTestSuite() {
    if (session_ && !::testing::Test::HasFailure()) fs::remove_all(session_->dir);
    delete session_;
  }
  static const HostRun& run() { return *session_; }
  static inline HostRun* session_ = nullptr;
};

TEST_F(EndToEnd, TheHostRunsTheScriptToTheEnd) {
  EXPECT_EQ(run().exitCode, 0) << run().Dump();
  EXPECT_GE(run().Find("HOST", "ended with exit code 0"), 0) << run().Dump();
  EXPECT_GE(run().Find("HOST", "module unloaded"), 0);
  EXPECT_EQ(run().Count("ERROR", ""), 0) << run().Dump();
  for (const char* png : {"after-search.png", "closed.png"}) {
    std::ifstream f(run().dir / png, std::ios::binary);
    char magic[8] = {};
    f.read(magic, 8);
    EXPECT_EQ(std::string(magic + 1, 3), "PNG") << png;
  }
}

TEST_F(EndToEnd, TheEntryRegistersTheFormAndBothCommandSetsBeforeItReturnsTheHandle) {
  int call = run().Find("SEND", "ShowChildForm(");
  int form = run().Find("RECV", "0x46A register form", call);
  int own = run().Find("RECV", "0x46B own commands", form);
  int base = run().Find("RECV", "0x46D base commands", own);
  int ret = run().Find("RECV", "ShowChildForm returned", base);
  ASSERT_TRUE(call >= 0 && form > call && own > form && base > own && ret > base) << run().Dump();
  std::string handle = run().log[form].text.substr(std::string("0x46A register form ").size());
  EXPECT_EQ(run().log[ret].text, "ShowChildForm returned " + handle);
  EXPECT_NE(handle, "0x0");
  // The tool bar holds the standard commands, then the form's own.
  const std::string& bar = run().log[base].text;
  size_t lastStandard = bar.find("lastrec"), firstOwn = bar.find("Command1");
  EXPECT_NE(bar.find("the tool bar: new "), std::string::npos) << bar;
  EXPECT_TRUE(lastStandard != std::string::npos && firstOwn != std::string::npos && lastStandard < firstOwn) << bar;
  EXPECT_NE(run().log[base].text.find("new"), std::string::npos);
  EXPECT_NE(run().log[base].text.find("lastrec"), std::string::npos);
  EXPECT_NE(run().log[own].text.find("Command1"), std::string::npos);
}

TEST_F(EndToEnd, TheFirstActivationOpensExactlyOneSessionAfterTheHostRecords) {
  int info = run().Find("SEND", "0x468 host information");
  int colours = run().Find("SEND", "0x469 colour scheme", info);
  int activate = run().Find("SEND", "activation", colours);
  int open = run().Find("RECV", "0x46E open session", activate);
  ASSERT_TRUE(info >= 0 && colours > info && activate > colours && open > activate) << run().Dump();
  EXPECT_EQ(run().Count("RECV", "0x46E"), 1) << run().Dump();
  EXPECT_NE(run().log[open].text.find("request name \"Fano217\""), std::string::npos);
  EXPECT_NE(run().log[open].text.find("module code \"BIL\""), std::string::npos);
  const std::string& reply = run().log[open + 1].text;
  EXPECT_EQ(ReplyCode(reply), "0");
  EXPECT_NE(reply.find("<rs typ=\"integer\">1</rs>"), std::string::npos) << reply;
  EXPECT_NE(run().log[info].text.find("account \"admin\""), std::string::npos);
}

TEST_F(EndToEnd, TheHostRecordsArriveAtTheForm) {
  // The function name travels back with the search (the text after ":" of 0x468's text).
  EXPECT_GE(run().Find("RECV", "0x473 search, function \"fano217\""), 0) << run().Dump();
  // The form is painted in the scheme's form colour (the host's, not the resource's).
  EXPECT_GE(run().Find("PROBE", "797 262 E9DDD2"), 0) << run().Dump();
  // The module found the dialog library in the host directory of the host information.
  EXPECT_GE(run().Find("BOX", "caption \"提示：\""), 0) << run().Dump();
}

TEST_F(EndToEnd, DisplayIsAnsweredFromTheDatabase) {
  int search = run().Find("RECV", "0x473 search");
  ASSERT_GE(search, 0) << run().Dump();
  int display = run().Find("RECV", "0x470 command \"display\", session 1", search);
  ASSERT_GE(display, 0) << run().Dump();
  const std::string& request = run().log[display + 1].text;
  const std::string& reply = run().log[display + 2].text;
  ASSERT_EQ(run().log[display + 1].keyword, "REQUEST");
  ASSERT_EQ(run().log[display + 2].keyword, "REPLY");
  size_t at = request.find("<param typ=\"integer\">");
  size_t end = at == std::string::npos ? at : request.find("</param>", at);
  ASSERT_NE(end, std::string::npos) << request;
  std::string id = request.substr(at + 21, end - at - 21);
  EXPECT_EQ(ReplyCode(reply), "0") << reply;
  std::string db = (run().dir / "e2e.db").string();
  // The newest document heads the list, and the reply carries it with its lines.
  EXPECT_EQ(std::to_string(Scalar(db, "SELECT BILDA_ID FROM TB_BILDA ORDER BY BILDA003 DESC, BILDA_ID DESC LIMIT 1")), id);
  size_t lines = reply.find("tbname=\"TB_BILDB\"");
  ASSERT_NE(lines, std::string::npos);
  EXPECT_EQ(Attribute(reply, "BILDA_ID"), id);
  EXPECT_EQ(CountOf(reply.substr(0, lines), "<row "), 1);
  EXPECT_EQ(CountOf(reply.substr(lines), "<row "), Scalar(db, "SELECT count(*) FROM TB_BILDB WHERE BILDB001 = " + id));
  EXPECT_EQ(Attribute(reply, "BILDB001", lines), id) << "the lines belong to the document";
}

TEST_F(EndToEnd, ALookupIsAnsweredWithTheChosenRowOnly) {
  int lookup = run().Find("RECV", "0x474 lookup \"vh_pubcb\"");
  ASSERT_GE(lookup, 0) << run().Dump();
  const std::string& reply = run().log[lookup + 1].text;
  EXPECT_EQ(ReplyCode(reply), "0");
  EXPECT_EQ(CountOf(reply, "<row "), 1) << reply;
  std::string db = (run().dir / "e2e.db").string();
  // "pick 2": the second organisation by code.
  EXPECT_EQ(Attribute(reply, "PUBCB_ID"),
            std::to_string(Scalar(db, "SELECT PUBCB_ID FROM vh_pubcb ORDER BY PUBCB001 LIMIT 1 OFFSET 1")));
}

TEST_F(EndToEnd, AGarbledReplyIsReportedAndTheFormGoesOn) {
  int garbled = run().Find("HOST", "garbling the display reply");
  ASSERT_GE(garbled, 0) << run().Dump();
  int shown = run().Find("SHOW", "", garbled);
  ASSERT_GT(shown, garbled) << run().Dump();
  EXPECT_FALSE(run().log[shown].text.empty());
  // Nothing of the session changed: the close still names session 1.
  EXPECT_GE(run().Find("RECV", "0x46F close session 1", shown), 0) << run().Dump();
}

TEST_F(EndToEnd, ClosingWhileEditingAsksTheScriptedQuestionAndClosesTheSessionOnce) {
  int may = run().Find("SEND", "0x476 may the form close?");
  ASSERT_GE(may, 0) << run().Dump();
  int box1 = run().Find("BOX", kCloseQuestion, may);
  int answered = run().Find("RECV", "0x476 answered 0", box1);
  int request = run().Find("SEND", "0x467 close request", answered);
  int close = run().Find("RECV", "0x46F close session 1", request);
  int closed = run().Find("RECV", "0x467 answered 0", close);
  ASSERT_TRUE(box1 > may && answered > box1 && request > answered && close > request && closed > close)
      << run().Dump();
  // The close request after the yes asks nothing more.
  EXPECT_EQ(run().Count("BOX", kCloseQuestion), 1) << run().Dump();
  EXPECT_NE(run().log[box1].text.find("caption \"提示：\""), std::string::npos);
  EXPECT_NE(run().log[box1].text.find("flags 4 -> 6 (the script)"), std::string::npos) << run().log[box1].text;
  EXPECT_EQ(run().Count("RECV", "0x46F"), 1) << run().Dump();
  EXPECT_EQ(ReplyCode(run().log[close + 1].text), "0");
}

// However narrow the window, the tool bar's buttons take rows enough for all of them, and a button
// of a later row is clicked like any other.
TEST(EndToEndAlone, TheToolBarWrapsSoEveryCommandStaysReachable) {
  // At 760 pixels the second row holds 签核状况 alone, which has no action in browse state.
  struct Case {
    const char* size;
    int minRows, maxRows;
    bool clickRuns;
  } cases[] = {{"1100x760", 1, 1, false}, {"760x520", 2, 2, false}, {"440x400", 2, 3, true}, {"320x240", 3, 4, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    HostRun r = RunHost("toolbar", "snapshot toolbar.png\nclick 30 42\nwait 10\nquit\n", {"--size", c.size});
    ASSERT_EQ(r.exitCode, 0) << r.Dump();
    const int laid = r.Find("HOST", "the tool bar's 15 buttons take ");
    ASSERT_NE(laid, -1) << r.Dump();
    const int rows = std::atoi(r.log[laid].text.c_str() + r.log[laid].text.find(" take ") + 6);
    EXPECT_GE(rows, c.minRows);
    EXPECT_LE(rows, c.maxRows);
    // The point is on the first button of the second row when there is one.
    const int sent = r.Find("SEND", "command \"", r.Find("SCRIPT", "click 30 42"));
    if (!c.clickRuns) {
      EXPECT_EQ(sent, -1) << r.Dump();
    } else {
      ASSERT_NE(sent, -1) << r.Dump();
      EXPECT_EQ(r.log[sent].text.find("\"new\""), std::string::npos) << r.log[sent].text;
    }
    if (!::testing::Test::HasFailure()) fs::remove_all(r.dir);
  }
}

TEST(EndToEndAlone, AGarbledOpenReplyLeavesTheSessionUnopened) {
  HostRun r = RunHost("garbled_open", "command search\nquit\n", {"--garble", "open"});
  EXPECT_EQ(r.exitCode, 0) << r.Dump();
  int open = r.Find("RECV", "0x46E open session");
  ASSERT_GE(open, 0) << r.Dump();
  int shown = r.Find("SHOW", "", open);
  ASSERT_GT(shown, open) << r.Dump();
  // The session id stayed 0: the document load names session 0, which the host refuses.
  int display = r.Find("RECV", "0x470 command \"display\", session 0", shown);
  ASSERT_GE(display, 0) << r.Dump();
  EXPECT_EQ(ReplyCode(r.log[display + 2].text), "-2");
  fs::remove_all(r.dir);
}

TEST(EndToEndAlone, AQuestionAnsweredNoKeepsTheFormOpen) {
  HostRun r = RunHost("refused", "command search\ncommand update\nanswer no\nclose\nnote still open\nanswer yes\nanswer yes\nquit\n");
  EXPECT_EQ(r.exitCode, 0) << r.Dump();
  int refused = r.Find("RECV", "0x476 answered 1");
  int note = r.Find("SCRIPT", "note still open", refused);
  ASSERT_TRUE(refused >= 0 && note > refused) << r.Dump();
  for (int i = refused; i < note; ++i) {
    EXPECT_EQ(r.log[i].text.find("0x467"), std::string::npos) << r.log[i].text;
    EXPECT_EQ(r.log[i].text.find("0x46F"), std::string::npos) << r.log[i].text;
  }
  EXPECT_EQ(r.Count("RECV", "0x46F close session 1"), 1) << r.Dump();
  fs::remove_all(r.dir);
}

// The list is locked while a document is edited: a script's click on it reaches nothing, as a
// person's would, so the cancel loads the document being edited again and not the row clicked.
TEST(EndToEndAlone, AClickOnTheLockedListMovesNothing) {
  HostRun r = RunHost("locked_list", "command search\ncell grdAllView 2 BILDA002\ncommand update\n"
                                     "cell grdAllView 4 BILDA002\ncommand cancel\nquit\n");
  EXPECT_EQ(r.exitCode, 0) << r.Dump();
  const int opened = r.Find("REQUEST", "<param", r.Find("SCRIPT", "cell grdAllView line 2"));
  const int click = r.Find("SCRIPT", "cell grdAllView line 4", opened);
  const int cancel = r.Find("SCRIPT", "command cancel", click);
  const int reloaded = r.Find("REQUEST", "<param", cancel);
  ASSERT_TRUE(opened >= 0 && click > opened && cancel > click && reloaded > cancel) << r.Dump();
  EXPECT_EQ(r.Find("REQUEST", "", click), reloaded) << "the click loaded a document";
  EXPECT_EQ(r.log[reloaded].text, r.log[opened].text);
  fs::remove_all(r.dir);
}

// The grid's own confirmation (Ctrl+Delete on a line) is answered by the script as the module's
// boxes are; without an answer a headless run ends with an error that names it, and never waits.
TEST(EndToEndAlone, TheGridsConfirmationIsAnsweredByTheScriptOrEndsTheRun) {
  struct Case {
    const char* name;
    const char* answer;  // a script line before the key, or none
    int exitCode;
    const char* logged;  // the BOX line's end
    bool deleted;        // the save that follows sends the line's deletion
  };
  const Case cases[] = {
      {"confirm_ok", "answer ok\n", 0, "-> 1 (the script)", true},
      {"confirm_cancel", "answer cancel\n", 0, "-> 2 (the script)", false},
      {"confirm_none", "", 2, "-> 2 (no answer)", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HostRun r = RunHost(c.name, std::string("command search\ncommand update\ncell grdMain 1 BILDB008\n") + c.answer +
                                    "key Ctrl+Delete\nnote after the key\ncommand save\nquit\n");
    EXPECT_EQ(r.exitCode, c.exitCode) << r.Dump();
    const int box = r.Find("BOX", "dialog \"Confirm\", text \"Delete record?\", buttons \"OK/Cancel\"");
    ASSERT_GE(box, 0) << r.Dump();
    EXPECT_NE(r.log[box].text.find(c.logged), std::string::npos) << r.log[box].text;
    if (c.exitCode == 0) {
      EXPECT_GT(r.Find("SCRIPT", "note after the key", box), box) << r.Dump();
      // The answer reached the grid: OK deleted the line, Cancel kept it.
      const int save = r.Find("REQUEST", "<TB_BILDA ", box);
      ASSERT_GT(save, box) << r.Dump();
      EXPECT_EQ(r.log[save].text.find("<TB_BILDB op=\"2\"") != std::string::npos, c.deleted) << r.log[save].text;
    } else {
      EXPECT_NE(r.output.find("the dialog \"Confirm\" (\"Delete record?\") has no answer"), std::string::npos) << r.output;
      EXPECT_LT(r.Find("SCRIPT", "note after the key"), 0) << "the run went on";
    }
    fs::remove_all(r.dir);
  }
}

TEST(EndToEndAlone, ScriptAndStartFailuresEndWithTheirExitCodes) {
  HostRun bad = RunHost("bad_script", "command search\njump 3\n");
  EXPECT_EQ(bad.exitCode, 2) << bad.Dump();
  EXPECT_NE(bad.output.find("line 2"), std::string::npos) << bad.output;
  fs::remove_all(bad.dir);
  HostRun unknown = RunHost("unknown_command", "command nosuchcommand\n");
  EXPECT_EQ(unknown.exitCode, 2);
  EXPECT_GE(unknown.Find("ERROR", "nosuchcommand"), 0) << unknown.Dump();
  EXPECT_GE(unknown.Find("RECV", "0x46F"), 0) << "the form is closed on the way out";
  fs::remove_all(unknown.dir);
  HostRun missing = RunHost("no_module", "quit\n", {"--module", "/nonexistent/libfano217.so"});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_GE(missing.Find("ERROR", "cannot load the module"), 0) << missing.Dump();
  fs::remove_all(missing.dir);
}

TEST(EndToEndAlone, TheWindowModeRunsTheSameSessionUnderX11) {
  FANO_SKIP_OR_FAIL_UNLESS(xserver::Have("Xvfb"), "Xvfb is not installed");
  xserver::Process server;
  std::string display = xserver::StartXvfb(server, "1280x1024x24");
  ASSERT_FALSE(display.empty()) << "Xvfb did not start";
  HostRun r = RunHost("window", kSessionScript, {}, "env -u FANO_HEADLESS DISPLAY=" + display);
  EXPECT_EQ(r.exitCode, 0) << r.Dump();
  EXPECT_GE(r.Find("HOST", "with an X11 window"), 0) << r.Dump();
  EXPECT_EQ(r.Count("RECV", "0x46E"), 1);
  EXPECT_EQ(r.Count("RECV", "0x46F close session 1"), 1) << r.Dump();
  EXPECT_GE(r.Find("BOX", "-> 6 (the script)"), 0);
  fs::remove_all(r.dir);
}

}  // namespace
