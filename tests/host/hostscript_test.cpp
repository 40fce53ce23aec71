// The host's script reader and its log lines.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "host/hostlog.h"
#include "host/hostscript.h"
#include "platform/os/clock.h"
#include "platform/os/winuser.h"

namespace {

using namespace fanohost;

std::vector<ScriptAction> ReadScript(const std::string& text) {
  std::vector<ScriptAction> actions;
  std::string error;
  EXPECT_TRUE(ReadScript(text, actions, error)) << error;
  return actions;
}

std::string Error(const std::string& text) {
  std::vector<ScriptAction> actions;
  std::string error;
  EXPECT_FALSE(ReadScript(text, actions, error)) << text;
  EXPECT_TRUE(actions.empty());
  return error;
}

TEST(HostScript, ReadsEveryActionWithItsArgumentsAndLine) {
  auto a = ReadScript(
      "# a comment\n"
      "\n"
      "wait 250\r\n"
      "command Search\n"
      "click 10 -5 double\n"
      "click-window \"OK button\" 3 4\n"
      "key Ctrl+Shift+F2 a Enter\n"
      "text   备注 \"quoted\" inside  \n"
      "answer yes\n"
      "answer 42\n"
      "pick BILDA002=FY-0001\n"
      "pick 3\n"
      "garble display\n"
      "snapshot \"a b.png\"\n"
      "activate\nhide\nshow\nclose\nnote checked  here\nquit");
  ASSERT_EQ(a.size(), 18u);
  EXPECT_EQ(a[0].kind, ActionKind::Wait);
  EXPECT_EQ(a[0].ms, 250u);
  EXPECT_EQ(a[0].line, 3);
  EXPECT_EQ(a[1].text, "Search");
  EXPECT_EQ(a[2].kind, ActionKind::Click);
  EXPECT_EQ(a[2].y, -5);
  EXPECT_EQ(a[2].click, ClickKind::Double);
  EXPECT_EQ(a[3].text, "OK button");
  EXPECT_TRUE(a[3].hasPosition);
  EXPECT_EQ(a[3].x, 3);
  ASSERT_EQ(a[4].keys.size(), 3u);
  EXPECT_EQ(a[4].keys[0].vk, static_cast<uint32_t>(VK_F2));
  EXPECT_TRUE(a[4].keys[0].ctrl && a[4].keys[0].shift && !a[4].keys[0].alt);
  EXPECT_EQ(a[4].keys[1].vk, static_cast<uint32_t>('A'));
  EXPECT_EQ(a[4].keys[2].vk, static_cast<uint32_t>(VK_RETURN));
  EXPECT_EQ(a[5].kind, ActionKind::Text);
  EXPECT_EQ(a[5].text, "备注 \"quoted\" inside");
  EXPECT_EQ(a[6].answer, 6);
  EXPECT_EQ(a[7].answer, 42);
  EXPECT_EQ(a[8].pick.kind, PickChoice::Match);
  EXPECT_EQ(a[8].pick.column, "BILDA002");
  EXPECT_EQ(a[8].pick.value, "FY-0001");
  EXPECT_EQ(a[9].pick.kind, PickChoice::Row);
  EXPECT_EQ(a[9].pick.row, 3);
  EXPECT_EQ(a[10].text, "display");
  EXPECT_EQ(a[11].text, "a b.png");
  EXPECT_EQ(a[15].kind, ActionKind::Close);
  EXPECT_EQ(a[16].text, "checked  here");
  EXPECT_EQ(a[17].kind, ActionKind::Quit);
}

TEST(HostScript, TextTakesAWholeQuotedLineWithoutItsQuotes) {
  auto a = ReadScript("text \"  leading blanks\"\nnote \"\"");
  ASSERT_EQ(a.size(), 2u);
  EXPECT_EQ(a[0].text, "  leading blanks");
  EXPECT_EQ(a[1].text, "");
}

TEST(HostScript, BadLinesAreRefusedWithTheirNumber) {
  struct Case {
    const char* text;
    const char* part;
  } cases[] = {
      {"wait", "line 1: wait"},
      {"\n\nwait -1", "line 3"},
      {"wait 10ms", "milliseconds"},
      {"command", "command"},
      {"command a b", "command"},
      {"click 1", "click"},
      {"click 1 2 middle", "middle"},
      {"click-window a 1", "click-window"},
      {"focus", "focus"},
      {"focus a b", "focus"},
      {"read", "read takes"},
      {"cell grdMain 1", "cell"},
      {"cell grdMain 0 BILDB006", "\"0\""},
      {"cell grdMain first BILDB006", "first"},
      {"key", "key"},
      {"key Ctrl+", "no key"},
      {"key Hyper+A", "no key"},
      {"key F13", "no key"},
      {"text", "text"},
      {"answer maybe", "maybe"},
      {"pick =x", "pick"},
      {"pick 0", "pick"},
      {"garble everything", "garble"},
      {"garble save halfway", "halfway"},
      {"snapshot", "snapshot"},
      {"probe 1", "probe"},
      {"probe 1 x", "probe"},
      {"quit now", "quit"},
      {"jump 1", "unknown action"},
      {"text \"open", "quote"},
      {"note \xff", "UTF-8"},
  };
  for (const Case& c : cases) EXPECT_NE(Error(c.text).find(c.part), std::string::npos) << c.text << ": " << Error(c.text);
}

TEST(HostScript, AGarbleMayNameHowTheReplyIsSpoilt) {
  auto a = ReadScript("garble save nocode\ngarble Save Foreign-Ids\ngarble any cut\ngarble save nameless-ids");
  ASSERT_EQ(a.size(), 4u);
  EXPECT_EQ(a[0].text, "save nocode");
  EXPECT_EQ(a[1].text, "save foreign-ids");
  EXPECT_EQ(a[2].text, "any");
  EXPECT_EQ(a[3].text, "save nameless-ids");
}

TEST(HostScript, ProbesReadAPoint) {
  auto a = ReadScript("probe 12 -3");
  ASSERT_EQ(a.size(), 1u);
  EXPECT_EQ(a[0].kind, ActionKind::Probe);
  EXPECT_EQ(a[0].x, 12);
  EXPECT_EQ(a[0].y, -3);
}

TEST(HostScript, ControlsAndCellsAreNamed) {
  auto a = ReadScript("focus DBEditGx4\ncell grdMain 3 BILDB006\ncell \"grdMain\" Last bildb008\nread DBEditGx20");
  ASSERT_EQ(a.size(), 4u);
  EXPECT_EQ(a[0].kind, ActionKind::Focus);
  EXPECT_EQ(a[0].text, "DBEditGx4");
  EXPECT_EQ(a[3].kind, ActionKind::Read);
  EXPECT_EQ(a[3].text, "DBEditGx20");
  EXPECT_EQ(a[1].kind, ActionKind::Cell);
  EXPECT_EQ(a[1].text, "grdMain");
  EXPECT_EQ(a[1].cellLine, 3);
  EXPECT_EQ(a[1].field, "BILDB006");
  EXPECT_EQ(a[2].cellLine, -1);
  EXPECT_EQ(a[2].field, "bildb008");
}

TEST(HostScript, AnEmptyScriptHasNoActions) {
  EXPECT_TRUE(ReadScript("").empty());
  EXPECT_TRUE(ReadScript("# only\n\n  # comments\n").empty());
}

TEST(HostScript, KeyStrokesNameLettersDigitsAndModifiers) {
  KeyStroke k;
  ASSERT_TRUE(ReadKeyStroke("alt+F4", k));
  EXPECT_TRUE(k.alt);
  EXPECT_EQ(k.vk, static_cast<uint32_t>(VK_F4));
  ASSERT_TRUE(ReadKeyStroke("7", k));
  EXPECT_EQ(k.vk, static_cast<uint32_t>('7'));
  ASSERT_TRUE(ReadKeyStroke("PgDn", k));
  EXPECT_EQ(k.vk, static_cast<uint32_t>(VK_NEXT));
  EXPECT_FALSE(ReadKeyStroke("", k));
  EXPECT_FALSE(ReadKeyStroke("ab", k));
}

TEST(HostLogLines, CarryTheClockAKeywordAndOneLineOfText) {
  ClockSetSimulated(1);
  auto path = std::filesystem::temp_directory_path() / ("fano_hostlog_" + std::to_string(getpid()) + ".log");
  {
    HostLog log;
    ASSERT_TRUE(log.OpenFile(path.string()));
    log.Write("RECV", "0x46A register form");
    log.Document("REPLY", "0x470", "<a>\n<b/>\r</a>\x01");
    log.Write("SCRIPTLONG", std::string("bad \xff byte"));
    ASSERT_EQ(log.Lines().size(), 3u);
    uint64_t now = GetTickCount64();
    EXPECT_EQ(log.Lines()[0], "[" + std::to_string(now) + "] RECV   0x46A register form");
    EXPECT_NE(log.Lines()[1].find("REPLY  0x470: <a>\\n<b/>\\r</a>\\x01"), std::string::npos);
    EXPECT_NE(log.Lines()[2].find("SCRIPTLONG bad "), std::string::npos);
    EXPECT_EQ(log.Lines()[2].find('\xff'), std::string::npos);
  }
  std::ifstream in(path);
  std::string line;
  int n = 0;
  while (std::getline(in, line)) ++n;
  EXPECT_EQ(n, 3);
  std::filesystem::remove(path);
  EXPECT_EQ(Quoted("a\"b\n"), "\"a\"b\\n\"");
  EXPECT_EQ(HexValue(0x1f), "0x1f");
}

// A reply of many megabytes is written whole in pieces (only when asked for), each piece made one
// line as the whole would be; by default the log says its size, its rows and how it begins.
TEST(HostLogLines, AReplyIsLoggedWholeOrByItsSizeRowsAndBeginning) {
  ClockSetSimulated(1);
  std::string reply = "<?xml version=\"1.0\"?>\n<corvane><rs typ=\"recordset\">";
  for (int i = 0; i < 4000; ++i) reply += "<row A=\"费用" + std::to_string(i) + "\tx\"/>";
  reply += "<rowid rn=\"1\"/><row/></rs></corvane>\n";
  ASSERT_GT(reply.size(), 70000u);  // more than one piece of 64 KB
  auto path = std::filesystem::temp_directory_path() / ("fano_hostlog_reply_" + std::to_string(getpid()) + ".log");
  {
    HostLog log;
    ASSERT_TRUE(log.OpenFile(path.string()));
    log.Document("REPLY", "0x473", reply);
    log.DocumentSummary("REPLY", "0x473", reply);
    ASSERT_EQ(log.Lines().size(), 2u);
    EXPECT_LE(log.Lines()[0].size(), 64 + HostLog::kKeptBytes);
    EXPECT_EQ(log.Lines()[1].find("REPLY  0x473: " + std::to_string(reply.size()) + " bytes, 4001 rows, begins <?xml"),
              log.Lines()[1].find("REPLY"));
    EXPECT_LT(log.Lines()[1].size(), 400u);
  }
  std::ifstream in(path);
  std::string whole, summary;
  std::getline(in, whole);
  std::getline(in, summary);
  EXPECT_EQ(whole.substr(whole.find("REPLY")), "REPLY  0x473: " + HostLog::OneLine(reply));
  EXPECT_NE(summary.find(" rows, begins "), std::string::npos);
  std::filesystem::remove(path);
  EXPECT_EQ(HostLog::CountRows("<row/><rows/><row a=\"1\"/><rowid/><row\n/>"), 3u);
}

}  // namespace
