// End to end: the stand-in host runs headless with the module and a script of user actions; the
// test reads the host's log (every message, request and reply) and the database behind it.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Entry {
  std::string keyword;
  std::string text;
};

struct HostRun {
  int exitCode = -1;
  std::vector<Entry> log;
  fs::path dir;
  std::string output;  // the host's standard error

  // Index of the first entry at or after `from` with that keyword whose text contains `part`.
  int Find(const std::string& keyword, const std::string& part, int from = 0) const {
    for (int i = std::max(0, from); i < static_cast<int>(log.size()); ++i)
      if (log[i].keyword == keyword && log[i].text.find(part) != std::string::npos) return i;
    return -1;
  }
  int Count(const std::string& keyword, const std::string& part) const {
    int n = 0;
    for (const Entry& e : log) n += e.keyword == keyword && e.text.find(part) != std::string::npos;
    return n;
  }
  std::string Dump() const {
    std::string s;
    for (const Entry& e : log) s += e.keyword + " " + e.text.substr(0, 300) + "\n";
    return s + "--- stderr:\n" + output;
  }
};

std::string BinaryDir() {
  const char* bin = std::getenv("FANO_BINARY_DIR");
  return bin ? bin : ".";
}

std::string Shell(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'') out += "'\\''";
    else out += c;
  }
  return out + "'";
}

// A log line is "[<ms>] <KEYWORD> <text>"; replies make lines far too long for std::regex.
std::vector<Entry> ReadLog(const fs::path& path) {
  std::vector<Entry> out;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.size() < 3 || line[0] != '[') continue;
    size_t close = line.find("] ");
    if (close == std::string::npos || close == 1 ||
        line.find_first_not_of("0123456789", 1) != close)
      continue;
    size_t kw = close + 2;
    size_t sp = line.find(' ', kw);
    if (sp == std::string::npos || sp == kw) continue;
    size_t text = line.find_first_not_of(' ', sp);
    out.push_back({line.substr(kw, sp - kw), text == std::string::npos ? "" : line.substr(text)});
  }
  return out;
}

// Runs the host with a script; `prefix` goes in front of the command (xvfb-run for the window).
HostRun RunHost(const std::string& name, const std::string& script, const std::vector<std::string>& args = {},
                const std::string& prefix = "") {
  static std::atomic<int> counter{0};
  HostRun run;
  run.dir = fs::temp_directory_path() / ("fano_e2e_" + std::to_string(getpid()) + "_" + std::to_string(counter++) + "_" + name);
  fs::remove_all(run.dir);
  fs::create_directories(run.dir);
  {
    std::ofstream(run.dir / "script.txt") << script;
  }
  std::string cmd = "cd " + Shell(run.dir.string()) + " && " + prefix + " timeout 300 " +
                    Shell(BinaryDir() + "/host/fano_host") + " --db " + Shell((run.dir / "e2e.db").string()) +
                    " --out " + Shell(run.dir.string()) + " --script script.txt";
  if (prefix.empty()) cmd += " --headless";
  for (const std::string& a : args) cmd += " " + Shell(a);
  cmd += " 2> " + Shell((run.dir / "stderr.txt").string());
  int status = std::system(cmd.c_str());
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.log = ReadLog(run.dir / "host.log");
  std::ifstream err(run.dir / "stderr.txt");
  std::stringstream s;
  s << err.rdbuf();
  run.output = s.str();
  return run;
}

// The value of `name="..."` in a document, from `from` on.
std::string Attribute(const std::string& doc, const std::string& name, size_t from = 0) {
  std::string key = " " + name + "=\"";
  size_t p = doc.find(key, from);
  if (p == std::string::npos) return "";
  p += key.size();
  return doc.substr(p, doc.find('"', p) - p);
}

int CountOf(const std::string& text, const std::string& part) {
  int n = 0;
  for (size_t p = text.find(part); p != std::string::npos; p = text.find(part, p + 1)) ++n;
  return n;
}

std::string ReplyCode(const std::string& doc) {
  std::smatch m;
  static const std::regex code(R"(<code>(-?\d+)</code>)");
  return std::regex_search(doc, m, code) ? std::string(m[1]) : "<none>";
}

long long Scalar(const std::string& dbPath, const std::string& sql) {
  sqlite3* db = nullptr;
  long long v = -1;
  if (sqlite3_open_v2(dbPath.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
      v = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
  }
  sqlite3_close_v2(db);
  return v;
}

const char* kCloseQuestion = "有数据未保存，您确定要退出当前窗体吗？";

const char* kSessionScript =
    "note search and load the first document\n"
    "command search\n"
    "snapshot after-search.png\n"
    "probe 700 262\n"
    "note a lookup of the operating organisations on a new document\n"
    "command new\n"
    "pick 2\n"
    "click 664 142\n"
    "note a garbled reply to the reload of the document\n"
    "command update\n"
    "garble display\n"
    "command cancel\n"
    "note closing while editing asks twice\n"
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
  EXPECT_GE(run().Find("PROBE", "700 262 E9DDD2"), 0) << run().Dump();
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
  std::smatch m;
  ASSERT_TRUE(std::regex_search(request, m, std::regex(R"(<param typ="integer">(\d+)</param>)"))) << request;
  std::string id = m[1];
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
  int box2 = run().Find("BOX", kCloseQuestion, request);
  int close = run().Find("RECV", "0x46F close session 1", box2);
  int closed = run().Find("RECV", "0x467 answered 0", close);
  ASSERT_TRUE(box1 > may && answered > box1 && request > answered && box2 > request && close > box2 && closed > close)
      << run().Dump();
  EXPECT_NE(run().log[box1].text.find("caption \"提示：\""), std::string::npos);
  EXPECT_NE(run().log[box1].text.find("flags 4 -> 6 (the script)"), std::string::npos) << run().log[box1].text;
  EXPECT_EQ(run().Count("RECV", "0x46F"), 1) << run().Dump();
  EXPECT_EQ(ReplyCode(run().log[close + 1].text), "0");
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
  if (std::system("command -v xvfb-run >/dev/null 2>&1") != 0) GTEST_SKIP() << "xvfb-run is not installed";
  HostRun r = RunHost("window", kSessionScript, {}, "env -u FANO_HEADLESS xvfb-run -a -s '-screen 0 1280x1024x24'");
  EXPECT_EQ(r.exitCode, 0) << r.Dump();
  EXPECT_GE(r.Find("HOST", "with an X11 window"), 0) << r.Dump();
  EXPECT_EQ(r.Count("RECV", "0x46E"), 1);
  EXPECT_EQ(r.Count("RECV", "0x46F close session 1"), 1) << r.Dump();
  EXPECT_GE(r.Find("BOX", "-> 6 (the script)"), 0);
  fs::remove_all(r.dir);
}

}  // namespace
