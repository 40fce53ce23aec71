// End to end with the expense advance form: the host runs scripts of what a clerk does (commands of
// the tool bar, clicks on the form, keys and text), and the test reads the host's log and the
// database. Points are in the host window's client area, on the demo layout.
#include "e2e_support.h"

namespace {

using namespace e2e;

// Lookup buttons of the header editors, the editors typed into, and the lines grid.
const char* kTypeButton = "480 83";          // 单别
const char* kMerchantButton = "480 111";     // 商户
const char* kContractButton = "813 111";     // 合同号
const char* kStallButton = "480 139";        // 摊位
const char* kOrganisationButton = "760 139"; // 营运组织
const char* kDepartmentButton = "480 167";   // 业务部门
const char* kStaffButton = "760 167";        // 业务人员

// A complete new document with two lines of 12.5 and 7.25, typed and picked as a clerk would.
std::string NewDocumentScript(const std::string& number) {
  return std::string("command search\ncommand new\n") +
         "pick first\nclick " + kTypeButton + "\n"
         "click 747 83\ntext " + number + "\n"
         "click 977 83\nkey Home\ntext 20261207\n"
         "click 977 111\nkey Down Enter\n"
         "pick 2\nclick " + kMerchantButton + "\n"
         "pick first\nclick " + kStallButton + "\n"
         "pick first\nclick " + kContractButton + "\n"
         "pick 2\nclick " + kOrganisationButton + "\n"
         "pick first\nclick " + kDepartmentButton + "\n"
         "pick first\nclick " + kStaffButton + "\n"
         "click 597 195\ntext 端到端测试\n"
         "click 397 296\nkey Enter Enter\ntext 12.5\nkey Enter\ntext 第一行\n"
         "key Enter Down Home\nkey Enter Enter\ntext 7.25\nkey Enter\ntext 第二行\nkey Enter\n";
}

// The text between `before` and the next `after`, from `from` on ("" when absent).
std::string Between(const std::string& s, const std::string& before, const std::string& after, size_t from = 0) {
  size_t a = s.find(before, from);
  if (a == std::string::npos) return {};
  a += before.size();
  size_t b = s.find(after, a);
  return b == std::string::npos ? std::string() : s.substr(a, b - a);
}

// The boxes the form showed, as "text|flags|caption".
std::vector<std::string> Boxes(const HostRun& r) {
  std::vector<std::string> out;
  for (const Entry& e : r.log) {
    if (e.keyword != "BOX") continue;
    std::string flags = Between(e.text, ", flags ", " ");
    out.push_back(Between(e.text, ", text \"", "\"") + "|" + flags + "|" + Between(e.text, "caption \"", "\""));
  }
  return out;
}

// The document id a "display" request asks for.
std::string DisplayedId(const std::string& request) { return Between(request, "<param typ=\"integer\">", "</param>"); }

// The request document and the reply of the n-th command of that name (0-based); empty if none.
std::pair<std::string, std::string> Exchange(const HostRun& r, const std::string& command, int n = 0) {
  int from = 0;
  for (int i = 0;; ++i) {
    int at = r.Find("RECV", "command \"" + command + "\"", from);
    if (at < 0 || at + 2 >= static_cast<int>(r.log.size())) return {};
    if (i == n) return {r.log[at + 1].text, r.log[at + 2].text};
    from = at + 1;
  }
}

// The reply of the lookup of a view.
std::string LookupReply(const HostRun& r, const std::string& view) {
  int at = r.Find("RECV", "0x474 lookup \"" + view + "\"");
  return at < 0 || at + 1 >= static_cast<int>(r.log.size()) ? std::string() : r.log[at + 1].text;
}

std::string Db(const HostRun& r) { return (r.dir / "e2e.db").string(); }

TEST(DocumentForm, EveryRefusedCommandShowsItsNoticeWithCaptionAndFlags) {
  HostRun r = RunHost("refused",
                      "command update\ncommand delete\ncommand save\n"
                      "click " + std::string(kTypeButton) + "\n"
                      "command search\ncommand new\ncommand new\ncommand delete\n"
                      "note save with the document number only\nclick 747 83\ntext FDX0001\ncommand save\n"
                      "answer yes\nanswer yes\nquit\n");
  EXPECT_EQ(r.exitCode, 0) << r.Dump();
  const std::vector<std::string> expected{
      "数据集为空！|2|提示：",          "数据集为空！|2|提示：",
      "浏览状态无法保存记录！|1|提示：", "浏览状态无法查询！|1|提示：",
      "编辑状态无法新增记录！|1|提示：", "编辑状态无法删除记录！|1|提示：",
      "[单别ID] 不得为空！|1|提示：",    "有数据未保存，您确定要退出当前窗体吗？|4|提示："};
  EXPECT_EQ(Boxes(r), expected) << r.Dump();
  // Refused: no lookup went to the host, nothing was saved.
  EXPECT_EQ(r.Count("RECV", "0x474"), 0);
  EXPECT_EQ(r.Count("RECV", "singleRecordSet"), 0);
  EXPECT_EQ(Scalar(Db(r), "SELECT count(*) FROM TB_BILDA WHERE BILDA002 = 'FDX0001'"), 0);
  fs::remove_all(r.dir);
}

// The README's demo, run as scripts/run.sh runs it (replies logged by their size only): it adds its
// line to the fourth document of the list, picks the third merchant and one of its stalls, and the
// database holds all of it after the save.
TEST(DocumentForm, TheReadmeDemoAddsItsLineAndSavesIt) {
  std::ifstream in(testpaths::SourceDir() / "host" / "demo.script");
  std::stringstream script;
  script << in.rdbuf();
  ASSERT_FALSE(script.str().empty());
  HostRun r = RunHost("demo", script.str(), {}, "", false);
  ASSERT_EQ(r.exitCode, 0) << r.Dump();
  EXPECT_NE(r.Find("BOX", "保存成功！"), -1) << r.Dump();
  const long long document = ListedIds(Db(r), 4)[3];
  EXPECT_EQ(Scalar(Db(r), "SELECT count(*) FROM TB_BILDB WHERE BILDB001 = " + std::to_string(document) +
                              " AND BILDB006 = 12.5 AND BILDB008 = '演示明细'"),
            1)
      << r.Dump();
  EXPECT_EQ(Scalar(Db(r), "SELECT count(*) FROM TB_BILDB WHERE BILDB008 = '演示明细'"), 1);
  const long long merchant = Scalar(Db(r), "SELECT BILDA006 FROM TB_BILDA WHERE BILDA_ID = " + std::to_string(document));
  EXPECT_EQ(merchant, Scalar(Db(r), "SELECT PUBGO_ID FROM vh_pubgo ORDER BY PUBGO001 LIMIT 1 OFFSET 2"));
  EXPECT_EQ(Scalar(Db(r), "SELECT count(*) FROM TB_BILDA a JOIN vh_pubig_t1 s ON s.PUBIG_ID = a.BILDA007 "
                          "AND s.PUBGO_ID = a.BILDA006 WHERE a.BILDA_ID = " + std::to_string(document)),
            1);
  // By default a reply is logged by its size, rows and beginning, not whole.
  const int search = r.Find("REPLY", "0x473");
  ASSERT_NE(search, -1);
  EXPECT_NE(r.log[search].text.find(" rows, begins <?xml"), std::string::npos) << r.log[search].text.substr(0, 400);
  EXPECT_LT(r.log[search].text.size(), 1000u);
  fs::remove_all(r.dir);
}

// Controls are named in scripts: focus puts the keyboard into the editor of that name; a name the
// form lacks, or a cell a grid lacks, stops the script with exit code 2.
TEST(DocumentForm, ScriptsNameControlsAndCells) {
  HostRun r = RunHost("named", "command search\ncommand update\nfocus DBEditGx21\nkey End\ntext 聚焦备注\n"
                               "command save\nquit\n");
  ASSERT_EQ(r.exitCode, 0) << r.Dump();
  const long long first = ListedIds(Db(r), 1)[0];
  EXPECT_EQ(Scalar(Db(r), "SELECT count(*) FROM TB_BILDA WHERE BILDA_ID = " + std::to_string(first) +
                              " AND BILDA011 LIKE '%聚焦备注'"),
            1)
      << r.Dump();
  fs::remove_all(r.dir);
  struct Case {
    const char* script;
    const char* error;
  } cases[] = {{"focus NoSuchEditor\n", "no visible control \"NoSuchEditor\""},
               {"command search\ncell grdAllView 100000 BILDA002\n", "has no line 100000"},
               {"command search\ncell grdMain 1 NOSUCHFIELD\n", "shows no field \"NOSUCHFIELD\""}};
  for (const Case& c : cases) {
    HostRun bad = RunHost("named_bad", c.script);
    EXPECT_EQ(bad.exitCode, 2) << bad.Dump();
    EXPECT_NE(bad.Find("ERROR", c.error), -1) << bad.Dump();
    fs::remove_all(bad.dir);
  }
}

class DocumentSave : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    run_ = new HostRun(RunHost("save", NewDocumentScript("FDE2E0001") +
                                           "snapshot typed.png\ncommand save\nsnapshot saved.png\n"
                                           "note the document comes back from the host\n"
                                           "command search\nsnapshot searched.png\nquit\n"));
  }
  static void TearDownTestSuite() {
    if (run_ && !::testing::Test::HasFailure()) fs::remove_all(run_->dir);
    delete run_;
  }
  static const HostRun& run() { return *run_; }
  static inline HostRun* run_ = nullptr;
};

TEST_F(DocumentSave, ACompleteNewDocumentIsSavedInOneRequestAndGetsItsIds) {
  EXPECT_EQ(run().exitCode, 0) << run().Dump();
  EXPECT_EQ(run().Count("ERROR", ""), 0) << run().Dump();
  EXPECT_EQ(run().Count("SHOW", ""), 0) << run().Dump();
  auto [request, reply] = Exchange(run(), "singleRecordSet");
  ASSERT_FALSE(request.empty()) << run().Dump();
  EXPECT_EQ(ReplyCode(reply), "0") << reply;
  // One header inserted with its two lines nested under it.
  EXPECT_EQ(CountOf(request, "<TB_BILDA op=\"1\""), 1) << request;
  EXPECT_EQ(CountOf(request, "<TB_BILDB op=\"1\""), 2) << request;
  EXPECT_EQ(Attribute(request, "BILDA002"), "FDE2E0001");
  EXPECT_EQ(Attribute(request, "BILDA003"), "2026-12-07 00:00:00");
  EXPECT_EQ(Attribute(request, "BILDA012"), "1");
  EXPECT_EQ(Attribute(request, "BILDA018"), "N");
  EXPECT_EQ(Attribute(request, "BILDA011"), "端到端测试");
  EXPECT_EQ(Attribute(request, "CREATE_USER"), "admin");
  EXPECT_EQ(Attribute(request, "FLAG"), "0");
  // The notice follows the reply.
  int saved = run().Find("BOX", "保存成功！");
  ASSERT_GT(saved, run().Find("RECV", "singleRecordSet")) << run().Dump();
  EXPECT_NE(run().log[saved].text.find("flags 1"), std::string::npos);

  // The row persisted under the id the reply gave, with its lines and their amounts.
  const std::string db = Db(run());
  long long id = Scalar(db, "SELECT BILDA_ID FROM TB_BILDA WHERE BILDA002 = 'FDE2E0001'");
  ASSERT_GT(id, 0);
  size_t header = reply.find("tbname=\"TB_BILDA\" id=\"");
  ASSERT_NE(header, std::string::npos) << reply;
  EXPECT_EQ(Attribute(reply, "id", header - 20), std::to_string(id));
  EXPECT_EQ(Scalar(db, "SELECT count(*) FROM TB_BILDB WHERE BILDB001 = " + std::to_string(id)), 2);
  EXPECT_EQ(Scalar(db, "SELECT CAST(round(sum(BILDB006) * 100) AS INTEGER) FROM TB_BILDB WHERE BILDB001 = " +
                           std::to_string(id)),
            1975);
  EXPECT_EQ(Scalar(db, "SELECT count(*) FROM TB_BILDB WHERE BILDB001 = " + std::to_string(id) +
                           " AND BILDB008 IN ('第一行', '第二行')"),
            2);
}

TEST_F(DocumentSave, EachLookupCopiesTheChosenRecordIntoTheHeader) {
  auto [request, reply] = Exchange(run(), "singleRecordSet");
  ASSERT_FALSE(request.empty()) << run().Dump();
  struct Copy {
    const char* view;
    const char* from;
    const char* to;
  };
  const Copy copies[] = {
      {"vh_pubfa", "PUBFA_ID", "BILDA001"}, {"vh_pubgo", "PUBGO_ID", "BILDA006"},
      {"vh_pubig_t1", "PUBIG_ID", "BILDA007"}, {"vh_conbe", "CONBE_ID", "BILDA008"},
      {"vh_pubcb", "PUBCB_ID", "BILDA005"}, {"vh_pubcb", "PUBCB005", "BILDA004"},
      {"vh_pubcc", "PUBCC_ID", "BILDA009"}, {"vh_pubcd", "PUBCD_ID", "BILDA010"}};
  for (const Copy& c : copies) {
    std::string chosen = LookupReply(run(), c.view);
    ASSERT_EQ(CountOf(chosen, "<row "), 1) << c.view << "\n" << run().Dump();
    EXPECT_FALSE(Attribute(chosen, c.from).empty()) << c.view;
    EXPECT_EQ(Attribute(request, c.to), Attribute(chosen, c.from)) << c.view << " " << c.from;
  }
  // The stall lookup offers the stalls of the merchant chosen before it.
  int stall = run().Find("RECV", "0x474 lookup \"vh_pubig_t1\"");
  ASSERT_GE(stall, 0);
  EXPECT_NE(run().log[stall].text.find("[\"arg\" kind 0 on \"" + Attribute(LookupReply(run(), "vh_pubgo"), "PUBGO_ID") +
                                       "\"]"),
            std::string::npos)
      << run().log[stall].text;
}

TEST_F(DocumentSave, TheSavedDocumentIsFoundAgainWithItsLines) {
  // The search after the save lists it first (the newest date) and loads it from the host.
  int search = run().Find("RECV", "0x473 search", run().Find("BOX", "保存成功！"));
  ASSERT_GE(search, 0) << run().Dump();
  int display = run().Find("RECV", "command \"display\"", search);
  ASSERT_GE(display, 0);
  long long id = Scalar(Db(run()), "SELECT BILDA_ID FROM TB_BILDA WHERE BILDA002 = 'FDE2E0001'");
  EXPECT_NE(run().log[display + 1].text.find("<param typ=\"integer\">" + std::to_string(id) + "</param>"),
            std::string::npos)
      << run().log[display + 1].text;
  const std::string& reply = run().log[display + 2].text;
  size_t lines = reply.find("tbname=\"TB_BILDB\"");
  ASSERT_NE(lines, std::string::npos);
  EXPECT_EQ(CountOf(reply.substr(lines), "<row "), 2);
  for (const char* png : {"typed.png", "saved.png", "searched.png"}) EXPECT_TRUE(fs::exists(run().dir / png)) << png;
}

TEST(DocumentForm, AClickOnAListRowLoadsThatDocument) {
  HostRun r = RunHost("load", "command search\nclick 80 160\nquit\n");
  EXPECT_EQ(r.exitCode, 0) << r.Dump();
  auto [request, reply] = Exchange(r, "display", 1);
  ASSERT_FALSE(request.empty()) << r.Dump();
  // The fourth row of the list, newest first.
  long long id = Scalar(Db(r), "SELECT BILDA_ID FROM TB_BILDA ORDER BY BILDA003 DESC, BILDA_ID DESC LIMIT 1 OFFSET 3");
  EXPECT_NE(request.find("<param typ=\"integer\">" + std::to_string(id) + "</param>"), std::string::npos) << request;
  EXPECT_EQ(ReplyCode(reply), "0");
  size_t lines = reply.find("tbname=\"TB_BILDB\"");
  ASSERT_NE(lines, std::string::npos);
  EXPECT_EQ(CountOf(reply.substr(lines), "<row "),
            Scalar(Db(r), "SELECT count(*) FROM TB_BILDB WHERE BILDB001 = " + std::to_string(id)));
  fs::remove_all(r.dir);
}

TEST(DocumentForm, TheStallLookupOfANewDocumentWithoutMerchantSendsZero) {
  HostRun r = RunHost("stall", "command search\ncommand new\npick none\nclick " + std::string(kStallButton) +
                                   "\nanswer yes\nanswer yes\nquit\n");
  EXPECT_EQ(r.exitCode, 0) << r.Dump();
  int stall = r.Find("RECV", "0x474 lookup \"vh_pubig_t1\"");
  ASSERT_GE(stall, 0) << r.Dump();
  EXPECT_NE(r.log[stall].text.find("[\"arg\" kind 0 on \"0\"]"), std::string::npos) << r.log[stall].text;
  fs::remove_all(r.dir);
}

TEST(DocumentForm, CancelReloadsTheDocumentFromTheHostAndSendsNothing) {
  HostRun r = RunHost("cancel", "command search\ncommand update\npick 2\nclick " + std::string(kMerchantButton) +
                                    "\ncommand cancel\ncommand save\nquit\n");
  EXPECT_EQ(r.exitCode, 0) << r.Dump();
  int cancel = r.Find("SEND", "command \"cancel\"");
  ASSERT_GE(cancel, 0) << r.Dump();
  int reload = r.Find("RECV", "command \"display\"", cancel);
  ASSERT_GT(reload, cancel) << r.Dump();
  EXPECT_EQ(r.log[reload + 1].text, Exchange(r, "display", 0).first) << "the same document again";
  EXPECT_EQ(r.Count("RECV", "singleRecordSet"), 0);
  // Back in browse: the save is refused, and closing asks nothing.
  EXPECT_EQ(Boxes(r), std::vector<std::string>{"浏览状态无法保存记录！|1|提示："}) << r.Dump();
  fs::remove_all(r.dir);
}

TEST(DocumentForm, DeleteAsksAndOnYesRemovesTheDocumentAtTheHost) {
  HostRun r = RunHost("delete", "command search\nanswer no\ncommand delete\nanswer yes\ncommand delete\nquit\n");
  EXPECT_EQ(r.exitCode, 0) << r.Dump();
  const std::vector<std::string> expected{"您确定要删除该笔数据吗？|4|提示：", "您确定要删除该笔数据吗？|4|提示：",
                                          "删除成功！|1|提示："};
  EXPECT_EQ(Boxes(r), expected) << r.Dump();
  EXPECT_EQ(r.Count("RECV", "singleRecordSet"), 1);
  const std::string id = DisplayedId(Exchange(r, "display", 0).first);
  ASSERT_FALSE(id.empty()) << r.Dump();
  auto [request, reply] = Exchange(r, "singleRecordSet");
  EXPECT_EQ(ReplyCode(reply), "0") << reply;
  EXPECT_EQ(CountOf(request, "<TB_BILDA op=\"1\""), 0) << request;
  EXPECT_EQ(Scalar(Db(r), "SELECT count(*) FROM TB_BILDA WHERE BILDA_ID = " + id), 0);
  EXPECT_EQ(Scalar(Db(r), "SELECT count(*) FROM TB_BILDB WHERE BILDB001 = " + id), 0);
  // The list's current row is loaded after the delete.
  EXPECT_GT(r.Find("RECV", "command \"display\"", r.Find("BOX", "删除成功！")), 0) << r.Dump();
  fs::remove_all(r.dir);
}

TEST(DocumentForm, ARefusedSaveChangesNothing) {
  // Without a session the host refuses the save with a code of its own.
  HostRun r = RunHost("refused_save", NewDocumentScript("FDE2E0002") + "command save\nanswer yes\nanswer yes\nquit\n",
                      {"--garble", "open"});
  EXPECT_EQ(r.exitCode, 0) << r.Dump();
  auto [request, reply] = Exchange(r, "singleRecordSet");
  ASSERT_FALSE(request.empty()) << r.Dump();
  EXPECT_EQ(ReplyCode(reply), "-2") << reply;
  EXPECT_GT(r.Find("SHOW", "", r.Find("RECV", "singleRecordSet")), 0) << r.Dump();
  EXPECT_EQ(r.Count("BOX", "保存成功！"), 0);
  EXPECT_EQ(Scalar(Db(r), "SELECT count(*) FROM TB_BILDA WHERE BILDA002 = 'FDE2E0002'"), 0);
  // The new document is still open: closing asks, once.
  EXPECT_EQ(r.Count("BOX", "有数据未保存"), 1) << r.Dump();
  fs::remove_all(r.dir);
}

TEST(DocumentForm, AnUnreadableDeleteReplyKeepsTheDocumentInTheForm) {
  HostRun r = RunHost("failed_delete",
                      "command search\ngarble save\nanswer yes\ncommand delete\n"
                      "note the header is back: update is taken\ncommand update\n"
                      "answer yes\nanswer yes\nquit\n");
  EXPECT_EQ(r.exitCode, 0) << r.Dump();
  EXPECT_EQ(r.Count("RECV", "singleRecordSet"), 1);
  EXPECT_GT(r.Find("SHOW", "", r.Find("RECV", "singleRecordSet")), 0) << r.Dump();
  EXPECT_EQ(r.Count("BOX", "删除成功！"), 0);
  EXPECT_EQ(r.Count("BOX", "数据集为空！"), 0) << r.Dump();
  EXPECT_EQ(r.Count("BOX", "有数据未保存"), 1) << r.Dump();
  // No reload: the form kept its rows rather than asking the host again.
  EXPECT_EQ(r.Count("RECV", "command \"display\""), 1) << r.Dump();
  fs::remove_all(r.dir);
}

TEST(DocumentForm, TheFormOpensAgainAfterItWasClosed) {
  HostRun r = RunHost("reopen", "command search\nclose\nreopen\ncommand search\nsnapshot reopened.png\nquit\n");
  EXPECT_EQ(r.exitCode, 0) << r.Dump();
  EXPECT_EQ(r.Count("RECV", "0x46F close session 1"), 1) << r.Dump();
  int reopen = r.Find("SCRIPT", "reopen");
  ASSERT_GE(reopen, 0);
  EXPECT_GT(r.Find("RECV", "0x46E open session", reopen), reopen);
  EXPECT_GT(r.Find("RECV", "command \"display\", session 2", reopen), reopen) << r.Dump();
  EXPECT_EQ(r.Count("RECV", "0x46F close session 2"), 1) << r.Dump();
  EXPECT_EQ(r.Count("ERROR", ""), 0) << r.Dump();
  fs::remove_all(r.dir);
}

TEST(DocumentForm, ADateTypedAfterAClickAndLettersTypedIntoAnAmountAreStoredAsMeant) {
  // As a clerk does it: a click into the date and the digits typed at once, without Home first;
  // letters typed by mistake into an amount.
  std::string script = NewDocumentScript("FDE2E0003");
  const std::string withHome = "click 977 83\nkey Home\ntext 20261207\n";
  ASSERT_NE(script.find(withHome), std::string::npos);
  script.replace(script.find(withHome), withHome.size(), "click 977 83\ntext 20261207\n");
  ASSERT_NE(script.find("text 12.5\n"), std::string::npos);
  script.replace(script.find("text 12.5\n"), 10, "text 1a2b.c5\n");
  HostRun r = RunHost("typed_date", script + "command save\nquit\n");
  EXPECT_EQ(r.exitCode, 0) << r.Dump();
  EXPECT_EQ(r.Count("ERROR", ""), 0) << r.Dump();
  EXPECT_EQ(r.Count("SHOW", ""), 0) << r.Dump();
  EXPECT_EQ(Scalar(Db(r), "SELECT count(*) FROM TB_BILDA WHERE BILDA002 = 'FDE2E0003' AND BILDA003 LIKE '2026-12-07%'"), 1)
      << r.Dump();
  EXPECT_EQ(Scalar(Db(r), "SELECT CAST(round(sum(BILDB006) * 100) AS INTEGER) FROM TB_BILDB WHERE BILDB001 = "
                          "(SELECT BILDA_ID FROM TB_BILDA WHERE BILDA002 = 'FDE2E0003')"),
            1975)
      << r.Dump();
  fs::remove_all(r.dir);
}

// The texts the script read from the total under the lines, in order.
std::vector<std::string> Totals(const HostRun& r) {
  std::vector<std::string> out;
  for (const Entry& e : r.log)
    if (e.keyword == "READ" && e.text.rfind("DBEditGx20 ", 0) == 0) out.push_back(Between(e.text, "\"", "\""));
  return out;
}

// A clerk's session: a new document with an amount the host refuses, corrected and saved; then a
// line deleted and one added, saved, and the document opened again. The total follows every step,
// nothing is sent twice, and the keys the host gives reach the rows they were given for.
TEST(DocumentForm, ARefusedSaveCorrectedAndAnEditOfItsLinesStoreEachChangeOnce) {
  std::string script = NewDocumentScript("FDE2E0004");
  ASSERT_NE(script.find("text 12.5\n"), std::string::npos);
  script.replace(script.find("text 12.5\n"), 10, "text 500000000000000\n");
  script +=
      "read DBEditGx20\ncommand save\nread DBEditGx20\n"
      "cell grdMain 1 BILDB006\ntext 0.00004\nkey Enter\nread DBEditGx20\ncommand save\nread DBEditGx20\n"
      "command update\ncell grdMain 2 BILDB008\nanswer yes\nkey Ctrl+Delete\nread DBEditGx20\n"
      "cell grdMain last BILDB006\nkey Down\ntext 0.12345\nkey Enter\nread DBEditGx20\n"
      "command save\nread DBEditGx20\ncommand save\ncommand search\nread DBEditGx20\nquit\n";
  HostRun r = RunHost("refused_then_edited", script);
  ASSERT_EQ(r.exitCode, 0) << r.Dump();
  // The host keeps amounts to two decimals: what the reload shows.
  EXPECT_EQ(Totals(r), (std::vector<std::string>{"500000000000007", "500000000000007", "7.25004", "7.25004", "4E-5",
                                                 "0.12349", "0.12349", "0.12"}))
      << r.Dump();
  EXPECT_EQ(r.Count("RECV", "singleRecordSet"), 3) << r.Dump();
  EXPECT_NE(ReplyCode(Exchange(r, "singleRecordSet", 0).second), "0");
  EXPECT_EQ(r.Count("BOX", "浏览状态无法保存记录！"), 1) << r.Dump();  // the second save in a row

  auto [stored, keys] = Exchange(r, "singleRecordSet", 1);
  EXPECT_EQ(ReplyCode(keys), "0") << keys;
  EXPECT_EQ(CountOf(stored, "<TB_BILDB op=\"1\""), 2) << stored;
  const std::string db = Db(r);
  const std::string id = std::to_string(Scalar(db, "SELECT BILDA_ID FROM TB_BILDA WHERE BILDA002 = 'FDE2E0004'"));
  auto keyOf = [&keys = keys](const std::string& table, int rn) {  // a binding is no variable to capture
    return Between(keys, "<rowid rn=\"" + std::to_string(rn) + "\" tbname=\"" + table + "\" id=\"", "\"");
  };
  ASSERT_EQ(keyOf("TB_BILDA", 1), id) << keys;
  const std::string first = keyOf("TB_BILDB", 1), second = keyOf("TB_BILDB", 2);

  auto [edited, editKeys] = Exchange(r, "singleRecordSet", 2);
  EXPECT_EQ(ReplyCode(editKeys), "0") << editKeys;
  // The deleted line goes first, by the key the host gave it, in a wrapper of its header; the
  // header goes by its key, the new line under it.
  EXPECT_EQ(edited.find("<param typ=\"recordset\" tbname=\"TB_BILDA\"><TB_BILDA op=\"0\" pk=\"BILDA_ID\" fk=\"\">"
                        "<child tbname=\"TB_BILDB\"><TB_BILDB op=\"2\" pk=\"BILDB_ID\" fk=\"TB_BILDA:BILDB001\" BILDB_ID=\"" +
                        second + "\"/></child></TB_BILDA><TB_BILDA op=\"3\""),
            edited.find("<param typ"))
      << edited;
  EXPECT_EQ(Attribute(edited, "BILDA_ID", edited.find("op=\"3\"")), id) << edited;
  EXPECT_EQ(CountOf(edited, "<TB_BILDB op=\"1\""), 1) << edited;
  EXPECT_EQ(CountOf(edited, "BILDB_ID=\"" + first + "\""), 0) << "the untouched line is not sent again";
  EXPECT_EQ(Scalar(db, "SELECT count(*) FROM TB_BILDA WHERE BILDA002 = 'FDE2E0004'"), 1);
  EXPECT_EQ(Scalar(db, "SELECT count(*) FROM TB_BILDB WHERE BILDB001 = " + id), 2);
  EXPECT_EQ(Scalar(db, "SELECT count(*) FROM TB_BILDB WHERE BILDB_ID = " + first + " AND BILDB006 = 0"), 1);
  EXPECT_EQ(Scalar(db, "SELECT count(*) FROM TB_BILDB WHERE BILDB_ID = " + second), 0);
  EXPECT_EQ(Scalar(db, "SELECT count(*) FROM TB_BILDB WHERE BILDB001 = " + id + " AND BILDB006 = 0.12 AND BILDB_ID = " +
                           Between(editKeys, "tbname=\"TB_BILDB\" id=\"", "\"")),
            1)
      << editKeys;
  fs::remove_all(r.dir);
}

}  // namespace
