// End to end: what the form's save and delete do to the host and to the document list, whatever
// the list's cursor and the host's replies did in between. The list is read back by clicking its
// rows: each click asks the host to display the document of that row.
#include "e2e_support.h"

namespace {

using namespace e2e;

// Client points of the list's first rows (18 pixels apart), in the demo layout.
std::string ListRow(int row) { return "click 80 " + std::to_string(98 + 18 * row) + "\n"; }
std::string ListDb(const HostRun& r) { return (r.dir / "e2e.db").string(); }

TEST(DocumentList, SaveRefreshesTheRowOfTheDocumentShownNotTheRowUnderTheCursor) {
  HostRun r = RunHost("list_save", "command search\n" + ListRow(0) + "key Down\ncommand update\ncommand save\n" +
                                       ListRow(0) + ListRow(1) + ListRow(2) + "quit\n");
  ASSERT_EQ(r.exitCode, 0) << r.Dump();
  ASSERT_EQ(r.Count("BOX", "保存成功！"), 1) << r.Dump();
  const std::vector<long long> listed = ListedIds(ListDb(r), 3);
  // search, the click on row 1, then the three rows read back after the save
  const std::vector<long long> expected{listed[0], listed[0], listed[0], listed[1], listed[2]};
  EXPECT_EQ(DisplayedIds(r), expected) << r.Dump();
  fs::remove_all(r.dir);
}

TEST(DocumentList, SaveAfterARefusedDisplayKeepsTheRowTheCursorWentTo) {
  HostRun r = RunHost("list_refused", "command search\ngarble display\n" + ListRow(1) +
                                          "command update\ncommand save\n" + ListRow(0) + ListRow(1) + "quit\n");
  ASSERT_EQ(r.exitCode, 0) << r.Dump();
  ASSERT_EQ(r.Count("BOX", "保存成功！"), 1) << r.Dump();
  // The save stored the document shown (the first), not the one of the refused display.
  const std::vector<long long> listed = ListedIds(ListDb(r), 2);
  auto [request, reply] = CommandExchange(r, "singleRecordSet");
  EXPECT_EQ(Attribute(request, "BILDA_ID"), std::to_string(listed[0])) << request;
  const std::vector<long long> expected{listed[0], listed[1], listed[0], listed[1]};
  EXPECT_EQ(DisplayedIds(r), expected) << r.Dump();
  fs::remove_all(r.dir);
}

TEST(DocumentList, DeleteRemovesTheRowOfTheDocumentShownNotTheRowUnderTheCursor) {
  HostRun before = RunHost("list_delete_before", "quit\n");
  const std::vector<long long> was = ListedIds(ListDb(before), 3);
  fs::remove_all(before.dir);

  HostRun r = RunHost("list_delete", "command search\n" + ListRow(0) + "key Down\nanswer yes\ncommand delete\n" +
                                         ListRow(0) + ListRow(1) + "quit\n");
  ASSERT_EQ(r.exitCode, 0) << r.Dump();
  ASSERT_EQ(r.Count("BOX", "删除成功！"), 1) << r.Dump();
  EXPECT_EQ(Scalar(ListDb(r), "SELECT count(*) FROM TB_BILDA WHERE BILDA_ID = " + std::to_string(was[0])), 0);
  EXPECT_EQ(Scalar(ListDb(r), "SELECT count(*) FROM TB_BILDA WHERE BILDA_ID = " + std::to_string(was[1])), 1);
  // After the delete the form loads the list's current row; the rows read back are the two that
  // followed the deleted one.
  const int deleted = r.Find("BOX", "删除成功！");
  const std::vector<long long> after = DisplayedIds(r, deleted);
  ASSERT_EQ(after.size(), 3u) << r.Dump();
  EXPECT_EQ(after[1], was[1]) << r.Dump();
  EXPECT_EQ(after[2], was[2]) << r.Dump();
  EXPECT_EQ(ListedIds(ListDb(r), 2), (std::vector<long long>{was[1], was[2]}));
  fs::remove_all(r.dir);
}

TEST(DocumentList, DeleteAfterARefusedDisplayRemovesTheDocumentShownFromHostAndList) {
  HostRun before = RunHost("list_refused_delete_before", "quit\n");
  const std::vector<long long> was = ListedIds(ListDb(before), 3);
  fs::remove_all(before.dir);

  HostRun r = RunHost("list_refused_delete", "command search\ngarble display\n" + ListRow(1) +
                                                 "answer yes\ncommand delete\n" + ListRow(0) + ListRow(1) + "quit\n");
  ASSERT_EQ(r.exitCode, 0) << r.Dump();
  ASSERT_EQ(r.Count("BOX", "删除成功！"), 1) << r.Dump();
  // The first document was shown (the second one's display was refused): it is the one deleted.
  EXPECT_EQ(Scalar(ListDb(r), "SELECT count(*) FROM TB_BILDA WHERE BILDA_ID = " + std::to_string(was[0])), 0);
  EXPECT_EQ(Scalar(ListDb(r), "SELECT count(*) FROM TB_BILDA WHERE BILDA_ID = " + std::to_string(was[1])), 1);
  const std::vector<long long> after = DisplayedIds(r, r.Find("BOX", "删除成功！"));
  ASSERT_EQ(after.size(), 3u) << r.Dump();
  EXPECT_EQ((std::vector<long long>{after[1], after[2]}), (std::vector<long long>{was[1], was[2]})) << r.Dump();
  fs::remove_all(r.dir);
}

TEST(DocumentList, DeletingTheSecondDocumentLeavesTheFirstInSightAndListed) {
  HostRun r = RunHost("list_delete_second", "command search\n" + ListRow(1) + "answer yes\ncommand delete\n" +
                                                ListRow(0) + ListRow(1) + "quit\n");
  ASSERT_EQ(r.exitCode, 0) << r.Dump();
  ASSERT_EQ(r.Count("BOX", "删除成功！"), 1) << r.Dump();
  const std::vector<long long> after = DisplayedIds(r, r.Find("BOX", "删除成功！"));
  ASSERT_EQ(after.size(), 3u) << r.Dump();
  // The list's first rows are the host's first documents.
  EXPECT_EQ((std::vector<long long>{after[1], after[2]}), ListedIds(ListDb(r), 2)) << r.Dump();
  fs::remove_all(r.dir);
}

// A reply that does not say how the request went is a failure: the edit stays open and is sent
// again by the next save.
TEST(DocumentReply, ASaveReplyWithoutCodeAfterASuccessfulDisplayKeepsTheEdit) {
  HostRun r = RunHost("nocode_save", "command search\ncommand update\nclick 597 195\nkey End\ntext 补记\n"
                                     "garble save nocode\ncommand save\nnote once more\ncommand save\nquit\n");
  ASSERT_EQ(r.exitCode, 0) << r.Dump();
  auto [first, reply] = CommandExchange(r, "singleRecordSet", 0);
  ASSERT_FALSE(first.empty()) << r.Dump();
  EXPECT_EQ(ReplyCode(reply), "<none>") << reply;
  const int refused = r.Find("RECV", "singleRecordSet");
  EXPECT_GT(r.Find("SHOW", "no status code", refused), refused) << r.Dump();
  // Only the second save is reported as done, and it sends the edit again.
  const int again = r.Find("SCRIPT", "note once more");
  EXPECT_EQ(r.Count("BOX", "保存成功！"), 1) << r.Dump();
  EXPECT_GT(r.Find("BOX", "保存成功！"), again) << r.Dump();
  auto [second, reply2] = CommandExchange(r, "singleRecordSet", 1);
  EXPECT_NE(Attribute(second, "BILDA011").find("补记"), std::string::npos) << second;
  EXPECT_EQ(ReplyCode(reply2), "0") << reply2;
  fs::remove_all(r.dir);
}

TEST(DocumentReply, ADeleteReplyWithoutCodeKeepsTheDocumentAndItsListRow) {
  HostRun r = RunHost("nocode_delete", "command search\nanswer yes\ngarble save nocode\ncommand delete\n"
                                       "note the header is back: update is taken\ncommand update\ncommand cancel\n" +
                                       ListRow(0) + "quit\n");
  ASSERT_EQ(r.exitCode, 0) << r.Dump();
  EXPECT_EQ(r.Count("RECV", "singleRecordSet"), 1);
  EXPECT_EQ(r.Count("BOX", "删除成功！"), 0) << r.Dump();
  EXPECT_EQ(r.Count("BOX", "数据集为空！"), 0) << r.Dump();
  EXPECT_GT(r.Find("SHOW", "no status code"), 0) << r.Dump();
  // The list still holds the document: its first row loads it.
  const std::vector<long long> ids = DisplayedIds(r);
  ASSERT_FALSE(ids.empty());
  EXPECT_EQ(ids.back(), ids.front()) << r.Dump();
  fs::remove_all(r.dir);
}

// A save the host committed whose reply gives the new rows no key (the row ids name another table
// or none): the clerk is told it was saved and the document comes back from the host, so that the
// next save cannot send its new rows a second time. (The first document has two lines: Down on
// the second appends one.)
TEST(DocumentReply, ASaveReplyWhoseNewIdsNameAnotherTableReloadsTheStoredDocument) {
  HostRun r = RunHost("foreign_ids", "command search\ncommand update\nclick 397 314\nkey Down Home\n"
                                     "key Enter Enter\ntext 7.25\nkey Enter\ntext 新行\nkey Enter\n"
                                     "garble save foreign-ids\ncommand save\nnote once more\ncommand save\nquit\n");
  ASSERT_EQ(r.exitCode, 0) << r.Dump();
  auto [first, reply] = CommandExchange(r, "singleRecordSet", 0);
  ASSERT_EQ(CountOf(first, "<TB_BILDB op=\"1\""), 1) << first;
  ASSERT_NE(reply.find("tbname=\"TB_ELSEWHERE\""), std::string::npos) << reply;
  EXPECT_EQ(ReplyCode(reply), "0") << reply;
  const int saved = r.Find("BOX", "保存成功！");
  ASSERT_GT(saved, 0) << r.Dump();
  EXPECT_LT(saved, r.Find("SCRIPT", "note once more")) << r.Dump();
  // The document is displayed again from the host; the second save finds nothing to save.
  const std::vector<long long> before = DisplayedIds(r);
  const std::vector<long long> after = DisplayedIds(r, saved);
  ASSERT_EQ(after.size(), 1u) << r.Dump();
  EXPECT_EQ(after[0], before[0]) << r.Dump();
  EXPECT_EQ(r.Count("RECV", "singleRecordSet"), 1) << r.Dump();
  EXPECT_GT(r.Find("BOX", "浏览状态无法保存记录！", saved), saved) << r.Dump();
  EXPECT_EQ(Scalar(ListDb(r), "SELECT count(*) FROM TB_BILDB WHERE BILDB008 = '新行'"), 1);
  fs::remove_all(r.dir);
}

// A new document with its header typed and picked (the lookups' first rows, the second merchant),
// its lines untouched.
std::string NewHeaderScript(const std::string& number) {
  return "command search\ncommand new\n"
         "pick first\nclick 480 83\n"
         "click 747 83\ntext " + number + "\n"
         "click 977 83\nkey Home\ntext 20261207\n"
         "click 977 111\nkey Down Enter\n"
         "pick 2\nclick 480 111\npick first\nclick 480 139\npick first\nclick 813 111\n"
         "pick 2\nclick 760 139\npick first\nclick 480 167\npick first\nclick 760 167\n";
}

long long LinesOf(const HostRun& r, const std::string& number) {
  return Scalar(ListDb(r), "SELECT count(*) FROM TB_BILDB WHERE BILDB001 = (SELECT BILDA_ID FROM TB_BILDA WHERE BILDA002 = '" +
                           number + "')");
}

// A new document whose save reply gives its row ids without "tbname": no new row gets its key, not
// even the header's, so the host's list finds the document by its number and it is displayed from
// the host; the second save sends nothing.
TEST(DocumentReply, ASaveReplyWhoseNewIdsNameNoTableStoresANewDocumentOnce) {
  HostRun r = RunHost("nameless_ids", NewHeaderScript("FDU0003") +
                                          "click 397 296\nkey Enter Enter\ntext 12.5\nkey Enter\ntext 第一行\n"
                                          "garble save nameless-ids\ncommand save\nnote once more\ncommand save\nquit\n");
  ASSERT_EQ(r.exitCode, 0) << r.Dump();
  auto [request, reply] = CommandExchange(r, "singleRecordSet", 0);
  ASSERT_EQ(CountOf(request, "<TB_BILDA op=\"1\""), 1) << request;
  ASSERT_EQ(CountOf(request, "<TB_BILDB op=\"1\""), 1) << request;
  EXPECT_EQ(ReplyCode(reply), "0") << reply;
  EXPECT_EQ(CountOf(reply, "<rowid rn=\"1\" id=\""), 2) << reply;
  const int saved = r.Find("BOX", "保存成功！");
  ASSERT_GT(saved, 0) << r.Dump();
  EXPECT_LT(saved, r.Find("SCRIPT", "note once more")) << r.Dump();
  EXPECT_EQ(r.Count("RECV", "singleRecordSet"), 1) << r.Dump();
  EXPECT_GT(r.Find("BOX", "浏览状态无法保存记录！", saved), saved) << r.Dump();
  // Stored once, and displayed from the host after the save.
  EXPECT_EQ(Scalar(ListDb(r), "SELECT count(*) FROM TB_BILDA WHERE BILDA002 = 'FDU0003'"), 1);
  EXPECT_EQ(LinesOf(r, "FDU0003"), 1);
  const std::vector<long long> shown = DisplayedIds(r, saved);
  ASSERT_FALSE(shown.empty()) << r.Dump();
  EXPECT_EQ(shown.back(), Scalar(ListDb(r), "SELECT BILDA_ID FROM TB_BILDA WHERE BILDA002 = 'FDU0003'")) << r.Dump();
  fs::remove_all(r.dir);
}

TEST(DocumentLines, ANewDocumentSavedWithItsLinesUntouchedStoresNoLine) {
  HostRun r = RunHost("untouched_new", NewHeaderScript("FDU0001") + "command save\nquit\n");
  ASSERT_EQ(r.exitCode, 0) << r.Dump();
  ASSERT_EQ(r.Count("BOX", "保存成功！"), 1) << r.Dump();
  EXPECT_EQ(Scalar(ListDb(r), "SELECT count(*) FROM TB_BILDA WHERE BILDA002 = 'FDU0001'"), 1);
  EXPECT_EQ(LinesOf(r, "FDU0001"), 0);
  EXPECT_EQ(CountOf(CommandExchange(r, "singleRecordSet").first, "<TB_BILDB "), 0);
  fs::remove_all(r.dir);
}

TEST(DocumentLines, ALineAppendedByEnterOnTheLastCellAndLeftUntouchedIsNotStored) {
  HostRun r = RunHost("untouched_appended", NewHeaderScript("FDU0002") +
                                                "click 397 296\nkey Enter Enter\ntext 12.5\n"
                                                "key Enter\ntext 第一行\nkey Enter Enter Enter\n"
                                                "snapshot appended.png\ncommand save\nquit\n");
  ASSERT_EQ(r.exitCode, 0) << r.Dump();
  ASSERT_EQ(r.Count("BOX", "保存成功！"), 1) << r.Dump();
  EXPECT_EQ(LinesOf(r, "FDU0002"), 1);
  EXPECT_EQ(Scalar(ListDb(r), "SELECT count(*) FROM TB_BILDB WHERE BILDB008 = '第一行' AND BILDB006 = 12.5"), 1);
  fs::remove_all(r.dir);
}

// The form's own close button (right of its title strip) and the host's button that opens the
// module again (the first of the tool bar once the form has gone).
constexpr const char* kFormCloseButton = "click 1081 40\n";
constexpr const char* kReopenButton = "click 40 14\n";

TEST(DocumentClose, TheHostClosesWithUnsavedChangesAfterOneQuestion) {
  HostRun r = RunHost("close_once", "command search\ncommand update\nanswer yes\nquit\n");
  ASSERT_EQ(r.exitCode, 0) << r.Dump();
  EXPECT_EQ(r.Count("BOX", "有数据未保存，您确定要退出当前窗体吗？"), 1) << r.Dump();
  EXPECT_EQ(r.Count("RECV", "0x467 answered 0"), 1) << r.Dump();
  EXPECT_EQ(r.Count("RECV", "0x46F close session 1"), 1) << r.Dump();
  fs::remove_all(r.dir);
}

TEST(DocumentClose, TheFormsOwnCloseButtonLeavesAHostThatOpensTheModuleAgain) {
  HostRun r = RunHost("close_button", std::string("command search\ncommand new\nanswer yes\n") + kFormCloseButton +
                                          "snapshot closed.png\n" + kReopenButton +
                                          "command search\nsnapshot reopened.png\nquit\n");
  ASSERT_EQ(r.exitCode, 0) << r.Dump();
  EXPECT_EQ(r.Count("ERROR", ""), 0) << r.Dump();
  EXPECT_EQ(r.Count("BOX", "有数据未保存"), 1) << r.Dump();
  const int closed = r.Find("RECV", "0x466 the form closed itself");
  ASSERT_GT(closed, r.Find("RECV", "0x46F close session 1")) << r.Dump();
  // The tool bar's button makes the form again, with a session of its own that loads documents.
  const int opened = r.Find("RECV", "0x46E open session", closed);
  ASSERT_GT(opened, closed) << r.Dump();
  EXPECT_GT(r.Find("RECV", "command \"display\", session 2", opened), opened) << r.Dump();
  EXPECT_EQ(r.Count("RECV", "0x46F close session 2"), 1) << r.Dump();
  EXPECT_TRUE(fs::exists(r.dir / "closed.png"));
  EXPECT_TRUE(fs::exists(r.dir / "reopened.png"));
  fs::remove_all(r.dir);
}

}  // namespace
