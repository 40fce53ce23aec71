#include <gtest/gtest.h>

#include <charconv>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "protocol_support.h"

using namespace protocol_test;

namespace {

std::string Reply(const std::string& body, const std::string& status = "<status><code>0</code><info>ok</info></status>") {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?><corvane>" + status + body + "</corvane>";
}

std::string Recordset(const std::string& rows, const std::string& tbname = " tbname=\"tb_bilda\"") {
  return "<rs typ=\"recordset\"" + tbname + ">" + rows + "</rs>";
}

// Parses a reply that must fail and answers the reason.
std::string Refused(TCvProtocol& p, const std::string& text) {
  EXPECT_FALSE(p.ParseReply(text));
  EXPECT_EQ(p.GetParamCount(), 0);
  EXPECT_EQ(p.GetTableCount(), 0);
  EXPECT_EQ(p.GetRowIdCount(), 0);
  EXPECT_EQ(p.Code(), -1);
  EXPECT_EQ(p.Info(), p.ErrorText());
  return p.ErrorText();
}

}  // namespace

TEST(ReplyTest, StatusAndNoResults) {
  TCvProtocol p;
  ASSERT_TRUE(p.ParseReply(Reply("", "<status><code> -3 </code><info>出错了 &amp; more</info></status>")));
  EXPECT_EQ(p.Code(), -3);
  EXPECT_EQ(p.Info(), "出错了 & more");
  EXPECT_EQ(p.ErrorText(), "");
  EXPECT_EQ(p.GetParamCount(), 0);
  EXPECT_EQ(p.GetTableCount(), 0);
  // A reply without info keeps the old one; a code that is no number reads as 0.
  ASSERT_TRUE(p.ParseReply(Reply("", "<status><code>x</code></status>")));
  EXPECT_EQ(p.Code(), 0);
  EXPECT_EQ(p.Info(), "出错了 & more");
}

TEST(ReplyTest, CommentsOfAnyTextAreSkipped) {
  TCvProtocol p;
  ASSERT_TRUE(p.ParseReply(Reply("<!-- rows -- none --><rs typ=\"integer\">7</rs><!--end-->",
                                 "<status><!--ok---><code>0</code></status>")))
      << p.ErrorText();
  EXPECT_EQ(p.Code(), 0);
  ASSERT_EQ(p.GetParamCount(), 1);
  EXPECT_EQ(p.GetParam(0)->Value(), "7");
  // Among and inside the rows of a recordset, read while parsing and through the tree alike; a row
  // written inside a comment is no row.
  const std::string rows = Reply(Recordset(
      "<!-- a -- b --><r fields=\"A:NUMBER:38:0 B:VARCHAR2:5:0\" A=\"1\" B=\"x\"><!--in -- row--></r>"
      "<!-- <r A=\"9\"/> -- --><r A=\"2\"/><ids rn=\"1\" id=\"5\" tbname=\"TB_BILDA\"/><!----->"));
  for (bool streamed : {true, false}) {
    SCOPED_TRACE(streamed);
    ASSERT_TRUE(streamed ? p.ParseReply(rows) : p.ParseReplyFromTree(rows)) << p.ErrorText();
    ASSERT_EQ(p.GetTableCount(), 1);
    TMemTableGx* d = p.GetTable(0)->Data();
    ASSERT_EQ(d->RecordCount(), 2);
    d->First();
    EXPECT_EQ(d->FieldByName("B")->AsString(), "x");
    d->Last();
    EXPECT_EQ(d->FieldByName("A")->AsInteger(), 2);
    EXPECT_EQ(p.FindNewId("TB_BILDA", 1), 5);
  }
}

TEST(ReplyTest, AReplyWithoutCodeIsAFailureEvenAfterASuccess) {
  TCvProtocol p;
  ASSERT_TRUE(p.ParseReply(Reply("<rs typ=\"integer\">7</rs>", "<status><code>0</code></status>")));
  ASSERT_EQ(p.Code(), 0);
  // An earlier success must not stand for a reply that does not say how the request went.
  EXPECT_FALSE(p.ParseReply(Reply("<rs typ=\"integer\">8</rs>", "<status><info>stored</info></status>")));
  EXPECT_EQ(p.Code(), -1);
  EXPECT_EQ(p.ErrorText(), "The reply has no status code");
  EXPECT_EQ(p.Info(), "The reply has no status code");
  EXPECT_EQ(p.GetParamCount(), 0);
  EXPECT_FALSE(p.ParseReply(Reply("", "<status/>")));
  EXPECT_EQ(p.Code(), -1);
}

TEST(ReplyTest, ScalarResultsBecomeParametersInDocumentOrder) {
  FormatSettingsGuard guard;
  FormatSettings.DecimalSeparator = ',';
  TCvProtocol p;
  ASSERT_TRUE(p.ParseReply(Reply(
      "<rs typ=\"string\"> a&lt;b </rs>"
      "<nested><rs typ=\"Integer\">not a number</rs><rs typ=\"LONG\"> 42</rs></nested>"
      "<rs typ=\"double\">2.5</rs><rs typ=\"double\">2,5</rs>"
      "<rs typ=\"date\">2024-03-05</rs>"
      "<rs>no type: skipped</rs>")));
  ASSERT_EQ(p.GetParamCount(), 6);
  EXPECT_EQ(p.GetParam(0)->Value(), " a<b ");
  EXPECT_EQ(p.GetParam(0)->DataType(), CvType::String);
  EXPECT_EQ(p.GetParam(1)->Value(), "0");
  EXPECT_EQ(p.GetParam(1)->DataType(), CvType::Integer);
  EXPECT_EQ(p.GetParam(2)->AsInteger(), 42);
  EXPECT_EQ(p.GetParam(3)->Value(), "2.5");
  EXPECT_EQ(p.GetParam(3)->DataType(), CvType::Double);
  EXPECT_EQ(p.GetParam(4)->Value(), "0");  // numbers in replies use "."
  EXPECT_EQ(p.GetParam(5)->Value(), "2024-03-05");
  EXPECT_EQ(p.GetParam(5)->DataType(), CvType::String);
  // The next parse starts afresh.
  ASSERT_TRUE(p.ParseReply(Reply("")));
  EXPECT_EQ(p.GetParamCount(), 0);
}

TEST(ReplyTest, TheFieldDescriptionGivesTheColumns) {
  TCvProtocol p;
  ASSERT_TRUE(p.ParseReply(Reply(Recordset(
      "<r fields=\"NAME:VARCHAR2:0:0 AMOUNT:NUMBER:12:2 ID:NUMBER:38:0 D:DATE:7:0 X:CLOB:0:0 "
      "C:nchar:8 N:Numeric:: I:INTEGER:10:0 DT:DateTime:7:0 B:BLOB:20:0 E:VARCHAR2\"/>"))));
  ASSERT_EQ(p.GetTableCount(), 1);
  TMemTableGx* d = p.GetTable(0)->Data();
  EXPECT_EQ(d->CvTableName(), "TB_BILDA");
  EXPECT_EQ(d->PKName(), "");
  EXPECT_EQ(d->FKName(), "");
  EXPECT_FALSE(d->CachedUpdates());
  ASSERT_TRUE(d->Active());
  struct Expect {
    const char* name;
    TFieldType type;
    int size;
  };
  const Expect expected[] = {{"NAME", ftString, 255}, {"AMOUNT", ftFloat, 0},  {"ID", ftLargeint, 0},
                             {"D", ftDate, 0},        {"X", ftString, 1000},   {"C", ftString, 8},
                             {"N", ftLargeint, 0},    {"I", ftLargeint, 0},    {"DT", ftDate, 0},
                             {"B", ftString, 20},     {"E", ftString, 255}};
  ASSERT_EQ(d->FieldCount(), 11);
  for (int i = 0; i < 11; ++i) {
    TField* f = d->Fields()[i];
    EXPECT_EQ(f->FieldName(), expected[i].name);
    EXPECT_EQ(f->DataType(), expected[i].type) << expected[i].name;
    if (expected[i].type == ftString) {
      EXPECT_EQ(f->Size(), expected[i].size) << expected[i].name;
    }
    EXPECT_FALSE(f->Required());
  }
  EXPECT_EQ(d->RecordCount(), 1);
}

TEST(ReplyTest, RowsAreReadValueByValueWithNullsForWhatIsMissing) {
  FormatSettingsGuard guard;
  FormatSettings.DecimalSeparator = ',';
  FormatSettings.ShortDateFormat = "dd/mm/yyyy";
  FormatSettings.DateSeparator = '/';
  TCvProtocol p;
  ASSERT_TRUE(p.ParseReply(Reply(Recordset(
      "<row fields=\"BILDA_ID:NUMBER:38:0 BILDA002:VARCHAR2:10:0 BILDA003:DATE:7:0 BILDA004:NUMBER:12:2\" "
      "BILDA_ID=\"9000000000\" BILDA002=\"单据 &amp; x\" BILDA003=\"2024-03-05 00:00:00\" BILDA004=\"-12.75\"/>"
      "<row BILDA_ID=\"2\" BILDA002=\"\" BILDA003=\"2024-03-06 10:11:12\"/>"
      "<row BILDA_ID=\"3\" bilda002=\"other case\" BILDA003=\"2024-03-07\" BILDA004=\"1e3\"/>"))));
  TMemTableGx* d = p.GetTable(0)->Data();
  ASSERT_EQ(d->RecordCount(), 3);
  d->First();
  EXPECT_EQ(d->UpdateStatus(), usUnmodified);
  EXPECT_EQ(d->FieldByName("BILDA_ID")->AsLargeInt(), 9000000000LL);
  EXPECT_EQ(d->FieldByName("BILDA002")->AsString(), "单据 & x");
  EXPECT_EQ(d->FieldByName("BILDA003")->AsDateTime(), EncodeDate(2024, 3, 5));
  EXPECT_DOUBLE_EQ(d->FieldByName("BILDA004")->AsFloat(), -12.75);
  d->Next();
  EXPECT_TRUE(d->FieldByName("BILDA002")->IsNull());  // empty value
  EXPECT_TRUE(d->FieldByName("BILDA004")->IsNull());  // absent
  EXPECT_EQ(d->FieldByName("BILDA003")->AsDateTime(), EncodeDateTime(2024, 3, 6, 10, 11, 12, 0));
  d->Next();
  EXPECT_TRUE(d->FieldByName("BILDA002")->IsNull());  // names are matched exactly
  EXPECT_EQ(d->FieldByName("BILDA003")->AsDateTime(), EncodeDate(2024, 3, 7));
  EXPECT_DOUBLE_EQ(d->FieldByName("BILDA004")->AsFloat(), 1000);
  EXPECT_FALSE(d->HasCachedChanges());
}

// Numbers are read to the nearest double, as a full decimal reading gives it, whatever their
// digits; forms outside plain decimals still go through the platform's reading.
TEST(ReplyTest, NumbersAreReadExactly) {
  const std::vector<std::string> texts = {"0.1",   "0.3",     "-0.0",     "2.675", "1.005", "123456789012.34",
                                          "999999999999999", "0.00000000000001", "-45.5", "7", "00012.50",
                                          "1234567890123456", "1e3"};
  std::string rows;
  for (size_t i = 0; i < texts.size(); ++i) {
    rows += "<r";
    if (i == 0) rows += " fields=\"N:NUMBER:20:2\"";
    rows += " N=\"" + texts[i] + "\"/>";
  }
  TCvProtocol p;
  ASSERT_TRUE(p.ParseReply(Reply(Recordset(rows)))) << p.ErrorText();
  TMemTableGx* d = p.GetTable(0)->Data();
  ASSERT_EQ(d->RecordCount(), static_cast<int>(texts.size()));
  d->First();
  for (const std::string& t : texts) {
    double expected = 0;
    ASSERT_EQ(std::from_chars(t.data(), t.data() + t.size(), expected).ptr, t.data() + t.size());
    const double got = d->FieldByName("N")->AsFloat();
    EXPECT_EQ(std::memcmp(&got, &expected, sizeof got), 0) << t << ": " << got << " against " << expected;
    d->Next();
  }
  for (const char* bad : {"1.2.3", "-", "1,5", "1.5x"})
    EXPECT_EQ(Refused(p, Reply(Recordset(std::string("<r fields=\"N:NUMBER:12:2\" N=\"") + bad + "\"/>")))
                  .rfind("Row 1 of recordset TB_BILDA, field N: ", 0),
              0u)
        << bad;
}

// Numbers of every length up to and past 16 bytes, whole, with a fraction, negative, and of forms
// the platform reads instead, each under a short name and under a long one whose digits and points
// stand just before the value: each reads as the platform's reading of its text.
TEST(ReplyTest, NumbersOfEveryLengthReadAsThePlatformReadsThem) {
  std::vector<std::string> texts;
  const std::string digits = "98765432109876543";
  for (int whole = 1; whole <= 17; ++whole)
    for (int fraction = 0; whole + fraction <= 17; ++fraction)
      for (bool negative : {false, true}) {
        std::string t = (negative ? "-" : "") + digits.substr(0, static_cast<size_t>(whole));
        if (fraction > 0) t += "." + digits.substr(17 - static_cast<size_t>(fraction));
        texts.push_back(t);
      }
  for (const char* t : {"0", "-0", "0.0", "00000000000000.5", "100000000000000", "999999999999999.",
                        "0.000000000000001", "1000000.000001", "12.50", "5.", ".5", "-.5", "-5.", "+5",
                        "1e3", "1.5e2", "0x10", "1 ", " 1"})
    texts.push_back(t);
  std::string rows;
  std::vector<double> expected;
  for (const std::string& t : texts) {
    double v = 0;
    try {
      v = StrToFloat(t, TFormatSettings::Invariant());
    } catch (const Exception&) {
      continue;  // refused: tried below on its own
    }
    expected.push_back(v);
    rows += "<r";
    if (rows.size() == 2) rows += " fields=\"N:NUMBER:20:2 A1.2.3.4.5.6.7.8.9.0.1.2:NUMBER:20:2\"";
    rows += " N=\"" + t + "\" A1.2.3.4.5.6.7.8.9.0.1.2=\"" + t + "\"/>";
  }
  ASSERT_GT(expected.size(), 300u);
  TCvProtocol p;
  ASSERT_TRUE(p.ParseReply(Reply(Recordset(rows)))) << p.ErrorText();
  TMemTableGx* d = p.GetTable(0)->Data();
  ASSERT_EQ(d->RecordCount(), static_cast<int>(expected.size()));
  d->First();
  for (double want : expected) {
    for (const char* name : {"N", "A1.2.3.4.5.6.7.8.9.0.1.2"}) {
      const double got = d->FieldByName(name)->AsFloat();
      EXPECT_EQ(std::memcmp(&got, &want, sizeof got), 0) << name << " row " << d->RecNo() << ": " << got << " against " << want;
    }
    d->Next();
  }
  for (const char* bad : {"1.2.3", "-", ".", "-1-2", "12a.5", "1..5", "--5", "1.5.", "5-"}) {
    bool refused = false;
    try {
      StrToFloat(bad, TFormatSettings::Invariant());
    } catch (const Exception&) {
      refused = true;
    }
    if (!refused) continue;
    EXPECT_FALSE(p.ParseReply(Reply(Recordset(std::string("<r fields=\"A1.2.3.4.5.6.7.8.9.0.1.2:NUMBER:12:2\" "
                                                          "A1.2.3.4.5.6.7.8.9.0.1.2=\"") + bad + "\"/>"))))
        << bad;
  }
}

TEST(ReplyTest, RecordsetNamesAndRowIds) {
  TCvProtocol p;
  ASSERT_TRUE(p.ParseReply(Reply(
      Recordset("<x rn=\"3\" tbname=\"tb_bilda\" id=\"501\"/><y rn=\"4\" tbname=\"TB_BILDB\" id=\"x\"/>"
                "<z rn=\"bad\" tbname=\"TB_BILDB\"/>",
                "") +
      Recordset("<r fields=\"A:VARCHAR2:5:0\" A=\"1\"/><x rn=\"3\" tbname=\"TB_BILDA\" id=\"777\"/>"
                "<x rn=\"5\" id=\"901\"/>"))))
      << p.ErrorText();
  ASSERT_EQ(p.GetTableCount(), 2);
  // Only row ids: a table without columns that is not open.
  EXPECT_EQ(p.GetTable(0)->Data()->CvTableName(), "UNKNOWN");
  EXPECT_EQ(p.GetTable(0)->Data()->FieldCount(), 0);
  EXPECT_FALSE(p.GetTable(0)->Data()->Active());
  EXPECT_EQ(p.GetTable(1)->Data()->RecordCount(), 1);
  ASSERT_EQ(p.GetRowIdCount(), 5);
  EXPECT_EQ(p.GetRowId(0)->TbName(), "tb_bilda");  // case kept
  EXPECT_EQ(p.GetRowId(0)->Rn(), 3);
  EXPECT_EQ(p.GetRowId(0)->Id(), 501);
  EXPECT_EQ(p.GetRowId(1)->Id(), 0);
  EXPECT_EQ(p.GetRowId(2)->Rn(), 0);
  EXPECT_EQ(p.GetRowId(2)->Id(), 0);
  // The last matching record wins; names ignore ASCII case.
  EXPECT_EQ(p.FindNewId("TB_BILDA", 3), 777);
  EXPECT_EQ(p.FindNewId("tb_bildb", 4), 0);
  EXPECT_EQ(p.FindNewId("TB_BILDA", 4), 0);
  EXPECT_EQ(p.FindNewId("TB_OTHER", 3), 0);
  // A row id without "tbname" is read with an empty name, which no table matches, not even the
  // recordset's own.
  EXPECT_EQ(p.GetRowId(4)->TbName(), "");
  EXPECT_EQ(p.GetRowId(4)->Rn(), 5);
  EXPECT_EQ(p.GetRowId(4)->Id(), 901);
  EXPECT_EQ(p.FindNewId("TB_BILDA", 5), 0);
  EXPECT_EQ(p.FindNewId("", 5), 901);
}

// Among rows, an element is a row id wherever its "rn" entry stands, and its other entries are
// no values: one that names a column with a value the column cannot take is no error.
TEST(ReplyTest, RowIdsAmongRowsWhateverTheirEntries) {
  TCvProtocol p;
  ASSERT_TRUE(p.ParseReply(Reply(Recordset("<r fields=\"A:VARCHAR2:5:0 N:NUMBER:10:0\" A=\"1\" N=\"5\"/>"
                                           "<x A=\"2\" N=\"abc\" rn=\"7\" tbname=\"TB_BILDA\" id=\"70\"/>"
                                           "<r A=\"3\" N=\"6\"/>"
                                           "<x A=\"4\" tbname=\"TB_BILDA\" rn=\"8\" id=\"80\"/>"
                                           "<r A=\"5\" N=\"7\"/>"))))
      << p.ErrorText();
  TMemTableGx* t = p.GetTable(0)->Data();
  ASSERT_EQ(t->RecordCount(), 3);
  t->First();
  std::string seen;
  for (; !t->Eof(); t->Next()) seen += t->FieldByName("A")->AsString();
  EXPECT_EQ(seen, "135");
  EXPECT_EQ(t->RecordsList()->NextID(), 4);  // a row id takes no record id
  ASSERT_EQ(p.GetRowIdCount(), 2);
  EXPECT_EQ(p.FindNewId("TB_BILDA", 7), 70);
  EXPECT_EQ(p.FindNewId("TB_BILDA", 8), 80);
  // A bad value in a row that is no row id is still refused, with its row's number.
  EXPECT_FALSE(p.ParseReply(Reply(Recordset("<r fields=\"N:NUMBER:10:0\" N=\"5\"/><x tbname=\"T\" rn=\"1\"/>"
                                            "<r N=\"abc\"/>"))));
  EXPECT_NE(p.ErrorText().find("Row 2 "), std::string::npos) << p.ErrorText();
}

TEST(ReplyTest, ResultsOfUnknownTypesAreSkipped) {
  // A save's reply: the committed rows' new ids beside results this reader has no type for.
  TCvProtocol p;
  ASSERT_TRUE(p.ParseReply(Reply("<rs typ=\"boolean\">1</rs><rs typ=\"integer\">7</rs><rs typ=\"blob\"><r/></rs>" +
                                 Recordset("<x rn=\"3\" tbname=\"TB_BILDA\" id=\"501\"/>", "") +
                                 "<rs>no type</rs><rs typ=\"\">empty type</rs><rs typ=\"string\">s</rs>")))
      << p.ErrorText();
  EXPECT_EQ(p.Code(), 0);
  ASSERT_EQ(p.GetParamCount(), 2);
  EXPECT_EQ(p.GetParam(0)->AsInteger(), 7);
  EXPECT_EQ(p.GetParam(1)->AsString(), "s");
  ASSERT_EQ(p.GetTableCount(), 1);
  EXPECT_EQ(p.FindNewId("TB_BILDA", 3), 501);
}

TEST(ReplyTest, BadRepliesAreRefusedWithTheirReason) {
  TCvProtocol p;
  EXPECT_EQ(Refused(p, "not xml at all <").rfind("The reply is not XML: ", 0), 0u);
  EXPECT_EQ(Refused(p, ""), Refused(p, ""));
  EXPECT_EQ(Refused(p, "<corvane><rs typ=\"string\">x</rs></corvane>"), "The reply has no status");
  EXPECT_EQ(Refused(p, "<other><status/></other>"), "The reply has no status");
  EXPECT_EQ(Refused(p, Reply(Recordset("<r A=\"1\"/>"))),
            "The first row of recordset TB_BILDA has no field description");
  EXPECT_EQ(Refused(p, Reply(Recordset("<r fields=\"A:VARCHAR2:x:0\"/>"))),
            "The size of \"A:VARCHAR2:x:0\" in the field description is not an integer");
  EXPECT_EQ(Refused(p, Reply(Recordset("<r fields=\"A:NUMBER:1:2.5\"/>"))),
            "The scale of \"A:NUMBER:1:2.5\" in the field description is not an integer");
  EXPECT_EQ(Refused(p, Reply(Recordset("<r fields=\"A:NUMBER:1:0  B:DATE\"/>"))),
            "Item 2 of the field description is empty");
  EXPECT_EQ(Refused(p, Reply(Recordset("<r fields=\"\"/>"))), "Item 1 of the field description is empty");
  EXPECT_EQ(Refused(p, Reply(Recordset("<r fields=\" A:NUMBER:1:0\"/>"))), "Item 1 of the field description is empty");
  EXPECT_EQ(Refused(p, Reply(Recordset("<r fields=\"A:DATE B:DATE C:DATE  \"/>"))),
            "Item 4 of the field description is empty");
  EXPECT_EQ(Refused(p, Reply(Recordset("<r fields=\":VARCHAR2:1:0\"/>"))),
            "The field description item \":VARCHAR2:1:0\" has no name");
  // Values a column cannot take.
  EXPECT_EQ(Refused(p, Reply(Recordset("<r fields=\"ID:NUMBER:38:0\" ID=\"1\"/><r ID=\"1.5\"/>"))),
            "Row 2 of recordset TB_BILDA, field ID: '1.5' is not a valid integer value");
  EXPECT_EQ(Refused(p, Reply(Recordset("<r fields=\"A:NUMBER:9:2\" A=\"1,5\"/>"))),
            "Row 1 of recordset TB_BILDA, field A: '1,5' is not a valid floating point value");
  EXPECT_NE(Refused(p, Reply(Recordset("<r fields=\"D:DATE\" D=\"2024-13-45\"/>"))).find("is not a valid date"),
            std::string::npos);
  // Column definitions the table refuses.
  EXPECT_FALSE(Refused(p, Reply(Recordset("<r fields=\"A:VARCHAR2:5:0 a:DATE\"/>"))).empty());
  EXPECT_FALSE(Refused(p, Reply(Recordset("<r fields=\"A:VARCHAR2:40000:0\"/>"))).empty());
  EXPECT_FALSE(Refused(p, Reply(Recordset("<r fields=\"A:VARCHAR2:-1:0\"/>"))).empty());
}

TEST(ReplyTest, AFailureAfterGoodTablesKeepsNothingAndOverridesAnOldSuccess) {
  TCvProtocol p;
  ASSERT_TRUE(p.ParseReply(Reply("<rs typ=\"integer\">1</rs>")));
  EXPECT_EQ(p.Code(), 0);
  const std::string reason = Refused(
      p, Reply("<rs typ=\"integer\">5</rs>" + Recordset("<r fields=\"A:VARCHAR2:5:0\" A=\"x\"/>") +
               Recordset("<r fields=\"D:DATE:7:0\" D=\"yesterday\"/>", " tbname=\"T2\"")));
  EXPECT_NE(reason.find("Row 1 of recordset T2, field D"), std::string::npos);
  // The next good reply reads as usual.
  ASSERT_TRUE(p.ParseReply(Reply("<rs typ=\"integer\">1</rs>")));
  EXPECT_EQ(p.Code(), 0);
  EXPECT_EQ(p.Info(), "ok");
  EXPECT_EQ(p.ErrorText(), "");
}

// A reply's rows go into a form's table the same whether the table is told of them at once (only
// its view listens) or row by row (another listener on its store); a reply that breaks part way
// is refused with its reason and leaves the form's table as it was.
TEST(ReplyTest, RowsCopiedIntoAFormAreTheSameToldAtOnceOrRowByRow) {
  std::string rows;
  for (int i = 1; i <= 120; ++i)
    rows += Format("<r%s ID=\"%d\" NAME=\"名称%d\" AMOUNT=\"%d.%.2d\" DAY=\"2024-03-%.2d 10:00:00\"/>",
                   {i == 1 ? std::string(" fields=\"ID:NUMBER:38:0 NAME:VARCHAR2:20:0 AMOUNT:NUMBER:12:2 DAY:DATE:7:0\"")
                           : std::string(),
                    i, i % 17, i * 3, i % 100, 1 + i % 28});
  auto form = [](TMemTableGx& t) {
    t.FieldDefs().Add("ID", ftLargeint);
    t.FieldDefs().Add("NAME", ftString, 20);
    t.FieldDefs().Add("AMOUNT", ftFloat);
    t.FieldDefs().Add("DAY", ftDate);
    t.CreateDataSet();
    t.Append();
    t.FieldByName("ID")->SetAsInteger(-1);
    t.Post();
  };
  auto dump = [](TMemTableGx& t) {
    std::string out;
    t.First();
    while (!t.Eof()) {
      for (TField* f : t.Fields()) out += f->AsString() + "|";
      out += std::to_string(t.UpdateStatus()) + ";";
      t.Next();
    }
    return out;
  };
  TMemTableGx atOnce, rowByRow;
  form(atOnce);
  form(rowByRow);
  TRecordsListNotificatorGx listener;
  listener.SetMemTableData(rowByRow.MemTableData());
  TCvProtocol p;
  ASSERT_TRUE(p.ParseReply(Reply(Recordset(rows)))) << p.ErrorText();
  p.GetTable(0)->CopyDataTo(&atOnce);
  p.GetTable(0)->CopyDataTo(&rowByRow);
  EXPECT_EQ(atOnce.RecordCount(), 121);
  EXPECT_EQ(atOnce.RecNo(), 1);
  EXPECT_EQ(rowByRow.RecNo(), 1);
  const std::string read = dump(atOnce);
  EXPECT_EQ(read, dump(rowByRow));
  // Broken at row 60: refused with the row's number, nothing reaches the form.
  const std::string broken = Reply(Recordset(rows.substr(0, rows.find("<r ID=\"60\"")) +
                                             "<r ID=\"60\" DAY=\"2024-02-30 10:00:00\"/>" +
                                             rows.substr(rows.find("<r ID=\"61\""))));
  EXPECT_NE(Refused(p, broken).find("Row 60 of recordset TB_BILDA, field DAY"), std::string::npos);
  ASSERT_EQ(p.GetTableCount(), 0);
  EXPECT_EQ(dump(atOnce), read);
}

TEST(ReplyTest, NewIdsAreWrittenIntoTheInsertedRowsTheRequestSent) {
  TMemTableGx lines, linesDelta;
  MakeLines(lines);
  MakeDeltaLike(linesDelta, lines, "mtblSubDelta");
  AppendValues(lines, {10, 1, "stored", 0.0});
  lines.SetCachedUpdates(true);
  AppendValues(lines, {Null(), 1, "new a", 0.0});
  AppendValues(lines, {-5, 1, "new b", 0.0});
  AppendValues(lines, {-6, 1, "not answered", 0.0});

  TMemTableGx header;
  MakeHeader(header);
  AppendValues(header, {1, "a", Null(), 0.0, 0, Null(), false});
  header.SetCachedUpdates(true);
  EditValue(header, 1, "BILDA002", "A");
  TCvProtocol p;
  TCvTable* t = p.GetTable(p.AddTable());
  t->SetData(&header);
  t->AddChild(&lines, &linesDelta);
  pugi::xml_document doc;
  std::vector<std::string> rn;
  for (auto& l : Elements(ParseRequest(doc, p.BuildRequest()).child("param").child("TB_BILDA").child("child")))
    rn.push_back(Attr(l, "rn"));
  EXPECT_EQ(rn, (std::vector<std::string>{"2", "3", "4"}));
  GoTo(lines, 10);

  ASSERT_TRUE(p.ParseReply(Reply(Recordset("<id rn=\"2\" tbname=\"TB_BILDB\" id=\"1002\"/>"
                                           "<id rn=\"3\" tbname=\"tb_bildb\" id=\"1003\"/>"
                                           "<id rn=\"1\" tbname=\"TB_BILDB\" id=\"9\"/>"
                                           "<id rn=\"4\" tbname=\"TB_BILDA\" id=\"8\"/>"))));
  p.ApplyNewIds(&lines);
  EXPECT_EQ(lines.FieldByName("BILDB_ID")->AsInteger(), 10);  // back on the row that was current
  std::vector<int> ids;
  std::vector<TUpdateStatus> status;
  lines.First();
  while (!lines.Eof()) {
    ids.push_back(lines.FieldByName("BILDB_ID")->AsInteger());
    status.push_back(lines.UpdateStatus());
    lines.Next();
  }
  // Row 1 is stored, so its record is ignored; row 4 got no key from the host and keeps its own.
  EXPECT_EQ(ids, (std::vector<int>{10, 1002, 1003, -6}));
  EXPECT_EQ(status, (std::vector<TUpdateStatus>{usUnmodified, usInserted, usInserted, usInserted}));
}

// A new row the reply gives no key (or an id that reads 0) keeps its own, not 0: two such rows would
// share the key 0 (which a unique key refuses), and the lines keyed to them would nest under neither
// in the next save. A key the table refuses leaves its row as it was.
TEST(ReplyTest, NewRowsTheReplyGivesNoKeyKeepTheirsAndTheirLines) {
  TMemTableGx header, lines;
  header.IndexDefs()->Add("PK", "BILDA_ID", {ixUnique});
  MakeHeader(header);
  MakeLines(lines);
  header.SetCachedUpdates(true);
  lines.SetCachedUpdates(true);
  for (int id : {-1, -2, -3}) AppendValues(header, {id, "new", Null(), 0.0, 0, Null(), false});
  AppendValues(lines, {-11, -2, "of -2", 0.0});
  AppendValues(lines, {-12, -3, "of -3", 0.0});
  TCvProtocol p;
  ASSERT_TRUE(p.ParseReply(Reply(Recordset("<id rn=\"1\" tbname=\"TB_BILDA\" id=\"101\"/><id rn=\"2\" "
                                           "tbname=\"TB_BILDA\" id=\"abc\"/><id rn=\"3\" tbname=\"TB_BILDA\" id=\"5000000000\"/>"))));
  p.ApplyNewIds(&header);
  EXPECT_EQ(header.State(), dsBrowse);
  ASSERT_TRUE(p.ParseReply(Reply(Recordset("<id rn=\"2\" tbname=\"TB_BILDA\" id=\"101\"/>"))));
  EXPECT_ANY_THROW(p.ApplyNewIds(&header));
  EXPECT_EQ(header.State(), dsBrowse);
  p.Clear();
  p.SetCopyMode(0);
  TCvTable* t = p.GetTable(p.AddTable());
  t->SetData(&header);
  t->AddChild(&lines, nullptr);
  pugi::xml_document doc;
  std::vector<std::string> nested;
  for (auto& row : Elements(ParseRequest(doc, p.BuildRequest()).child("param")))
    for (auto& line : Elements(row.child("child"))) nested.push_back(Attr(row, "BILDA_ID") + ">" + Attr(line, "BILDB_ID"));
  EXPECT_EQ(nested, (std::vector<std::string>{"-2>-11", "-3>-12"}));
}

// In a table sorted by its key, each new key moves its row: the keys still go to the rows the
// request numbered, and the row that was current stays current.
TEST(ReplyTest, NewIdsReachTheirRowsInATableSortedByTheKey) {
  for (const char* order : {"BILDA_ID", "BILDA_ID DESC"}) {
    SCOPED_TRACE(order);
    TMemTableGx header;
    MakeHeader(header);
    header.SetCachedUpdates(true);
    for (int id : {-3, -2, -1}) AppendValues(header, {id, id == -3 ? "a" : id == -2 ? "b" : "c", Null(), 0.0, 0, Null(), false});
    header.SetSortOrder(order);
    TCvProtocol p;
    p.SetCopyMode(0);
    p.GetTable(p.AddTable())->SetData(&header);
    pugi::xml_document doc;
    std::map<std::string, std::string> sent;  // rn by name
    for (auto& row : Elements(ParseRequest(doc, p.BuildRequest()).child("param"))) sent[Attr(row, "BILDA002")] = Attr(row, "rn");
    ASSERT_TRUE(p.ParseReply(Reply(Recordset("<id rn=\"1\" tbname=\"TB_BILDA\" id=\"101\"/><id rn=\"2\" "
                                             "tbname=\"TB_BILDA\" id=\"102\"/><id rn=\"3\" tbname=\"TB_BILDA\" id=\"103\"/>"))));
    GoTo(header, -2);
    p.ApplyNewIds(&header);
    EXPECT_EQ(header.FieldByName("BILDA002")->AsString(), "b");
    for (header.First(); !header.Eof(); header.Next())
      EXPECT_EQ(header.FieldByName("BILDA_ID")->AsInteger(), 100 + std::stoi(sent[header.FieldByName("BILDA002")->AsString()]));
    EXPECT_EQ(header.RecordCount(), 3);
  }
}

TEST(ReplyTest, ValuesReadAsTheXmlLibraryReadsThem) {
  // The library also takes unquoted values and doubled quotes; the rows read the same values.
  TCvProtocol p;
  ASSERT_TRUE(p.ParseReply(Reply(Recordset(
      "<r fields=\"A:VARCHAR2:9:0 B:VARCHAR2:9:0 C:VARCHAR2:9:0 D:VARCHAR2:9:0\" A='x=\"1\"' B=\"it&apos;s\" C='p q'/>"
      "<r A=\"x\"\"y\" B=z C='a''b' D=\"&#x4E2D;&lt;\"/>"))));
  TMemTableGx* d = p.GetTable(0)->Data();
  ASSERT_EQ(d->RecordCount(), 2);
  d->First();
  EXPECT_EQ(d->FieldByName("A")->AsString(), "x=\"1\"");
  EXPECT_EQ(d->FieldByName("B")->AsString(), "it's");
  EXPECT_EQ(d->FieldByName("C")->AsString(), "p q");
  EXPECT_TRUE(d->FieldByName("D")->IsNull());
  d->Next();
  EXPECT_EQ(d->FieldByName("A")->AsString(), "x\"y");
  EXPECT_EQ(d->FieldByName("B")->AsString(), "z");
  EXPECT_EQ(d->FieldByName("C")->AsString(), "a'b");
  EXPECT_EQ(d->FieldByName("D")->AsString(), "中<");
}

TEST(ReplyTest, ReferencesAndQuotesAreFoundWhereverTheyStandInAValue) {
  // Values of every length up to past two 16-byte steps, with a reference, the other quote or a
  // doubled quote at each place, under a short name and a long one.
  for (const std::string name : {"A", "LONG_NAME_OF_A_COLUMN"}) {
    std::string rows;
    std::vector<std::string> expected;
    for (size_t n = 0; n <= 40; ++n) {
      for (size_t k = 0; k <= n; ++k) {
        const std::string head(k, 'a'), tail(n - k, 'b');
        rows += "<r " + name + "=\"" + head + "&amp;" + tail + "\"/>";
        expected.push_back(head + "&" + tail);
        rows += "<r " + name + "=\"" + head + "'" + tail + "\"/>";
        expected.push_back(head + "'" + tail);
        rows += "<r " + name + "=\"" + head + "\"\"" + tail + "\"/>";
        expected.push_back(head + "\"" + tail);
      }
      rows += "<r " + name + "=\"" + std::string(n, 'c') + "\"/>";
      expected.push_back(std::string(n, 'c'));
    }
    rows.insert(rows.find(' '), " fields=\"" + name + ":VARCHAR2:100:0\"");
    TCvProtocol p;
    ASSERT_TRUE(p.ParseReply(Reply(Recordset(rows)))) << p.ErrorText();
    TMemTableGx* d = p.GetTable(0)->Data();
    ASSERT_EQ(d->RecordCount(), static_cast<int>(expected.size()));
    d->First();
    for (const std::string& e : expected) {
      // An empty value reads as Null, which reads as "".
      EXPECT_EQ(d->FieldByName(name)->AsString(), e) << name << " row " << d->RecNo();
      d->Next();
    }
  }
}

TEST(ReplyTest, DatesInTheHostsOwnFormReadAsTheirDateAndTimeAcrossTheCalendar) {
  std::string rows;
  std::vector<TDateTime> expected;
  const int years[] = {1, 4, 99, 100, 400, 1600, 1899, 1900, 1970, 2000, 2023, 2024, 2100, 9999};
  for (int y : years) {
    for (int m = 1; m <= 12; ++m) {
      for (int day : {1, 15, 28, 29, 30, 31}) {
        if (day > DaysInAMonth(y, m)) continue;
        const int h = (y + m) % 24, n = (day * 7) % 60, sec = (m * 11 + day) % 60;
        rows += Format("<r D=\"%.4d-%.2d-%.2d %.2d:%.2d:%.2d\"/>", {y, m, day, h, n, sec});
        expected.push_back(EncodeDateTime(y, m, day, h, n, sec, 0));
      }
    }
  }
  rows.insert(rows.find(' '), " fields=\"D:DATE:7:0\"");
  TCvProtocol p;
  ASSERT_TRUE(p.ParseReply(Reply(Recordset(rows)))) << p.ErrorText();
  TMemTableGx* d = p.GetTable(0)->Data();
  ASSERT_EQ(d->RecordCount(), static_cast<int>(expected.size()));
  d->First();
  for (TDateTime e : expected) {
    EXPECT_EQ(d->FieldByName("D")->AsDateTime(), e) << d->FieldByName("D")->AsString();
    d->Next();
  }
  // Days a month does not have are refused as before, leap days of years without one too.
  for (const char* bad : {"2023-02-29 00:00:00", "1900-02-29 00:00:00", "2024-04-31 00:00:00", "2024-00-10 00:00:00",
                          "0000-01-01 00:00:00", "2024-01-00 00:00:00"})
    EXPECT_NE(Refused(p, Reply(Recordset(std::string("<r fields=\"D:DATE\" D=\"") + bad + "\"/>"))).find("is not a valid date"),
              std::string::npos)
        << bad;
  ASSERT_TRUE(p.ParseReply(Reply(Recordset("<r fields=\"D:DATE\" D=\"2000-02-29 23:59:59\"/>"))));
  EXPECT_EQ(p.GetTable(0)->Data()->FieldByName("D")->AsDateTime(), EncodeDateTime(2000, 2, 29, 23, 59, 59, 0));
}

TEST(ReplyTest, TextsAreCutToTheirSizeAndTheFirstOfTwoEqualNamesCounts) {
  TCvProtocol p;
  ASSERT_TRUE(p.ParseReply(Reply(Recordset(
      "<r fields=\"A:VARCHAR2:5:0 B:NUMBER:9:0\" A=\"abcdefg\" B=\"1\" B=\"2\"/>"
      "<r B=\"3\" A=\"单据单据\"/>"))));
  TMemTableGx* d = p.GetTable(0)->Data();
  d->First();
  EXPECT_EQ(d->FieldByName("A")->AsString(), "abcde");
  EXPECT_EQ(d->FieldByName("B")->AsLargeInt(), 1);
  d->Next();
  // Sizes count code-page-936 bytes: two characters of two bytes each fit in five.
  EXPECT_EQ(d->FieldByName("A")->AsString(), "单据");
  EXPECT_EQ(d->FieldByName("B")->AsLargeInt(), 3);
}

namespace {

// Everything a reply leaves in the protocol object, in one text.
std::string ReplyState(TCvProtocol& p, bool ok) {
  std::string out = std::string(ok ? "true" : "false") + " code=" + std::to_string(p.Code()) + " info=" + p.Info() +
                    " error=" + p.ErrorText() + "\n";
  for (int i = 0; i < p.GetParamCount(); ++i)
    out += "param " + std::to_string(p.GetParam(i)->DataType()) + ":" + p.GetParam(i)->AsString() + "\n";
  for (int i = 0; i < p.GetRowIdCount(); ++i)
    out += "rowid " + p.GetRowId(i)->TbName() + ":" + std::to_string(p.GetRowId(i)->Rn()) + ":" +
           std::to_string(p.GetRowId(i)->Id()) + "\n";
  for (int i = 0; i < p.GetTableCount(); ++i) {
    TMemTableGx* d = p.GetTable(i)->Data();
    out += "table " + d->CvTableName() + (d->Active() ? " open" : " closed") +
           (d->CachedUpdates() ? " cached" : "") + "\n";
    for (int f = 0; f < d->FieldDefs().Count(); ++f) {
      const TFieldDef* def = d->FieldDefs().Items(f);
      out += " def " + def->Name() + ":" + std::to_string(def->DataType()) + ":" + std::to_string(def->Size()) +
             (def->Required() ? ":required" : "") + "\n";
    }
    if (!d->Active()) continue;
    for (d->First(); !d->Eof(); d->Next()) {
      out += " row " + std::to_string(d->RecNo()) + " status " + std::to_string(d->UpdateStatus()) + ":";
      for (TField* f : d->Fields()) out += " " + (f->IsNull() ? std::string("<null>") : f->AsString());
      out += "\n";
    }
  }
  return out;
}

void ExpectStreamedAsTree(const std::string& text) {
  TCvProtocol streamed, tree;
  const bool a = streamed.ParseReply(text);
  const bool b = tree.ParseReplyFromTree(text);
  EXPECT_EQ(ReplyState(streamed, a), ReplyState(tree, b)) << text;
}

}  // namespace

TEST(ReplyTest, RowsReadDuringTheParseGiveWhatTheTreeGives) {
  const std::string fields = " fields=\"ID:NUMBER:38:0 NAME:VARCHAR2:6:0 D:DATE:7:0 A:NUMBER:12:2\"";
  const std::string good = "<r" + fields + " ID=\"1\" NAME=\"费用垫付单据\" D=\"2024-03-05 00:00:00\" A=\"12.5\"/>" +
                           "<r ID = \"2\" NAME='a &amp; &#20013;&lt;' A=\"-0.25\"/><r/><r NAME=\"\" ID=\"3\" ID=\"4\"/>";
  const std::vector<std::string> replies = {
      Reply(""),
      Reply(Recordset(good)),
      Reply(Recordset(good, "") + "<rs typ=\"Integer\">x</rs>" + Recordset(good, " tbname=\"t2\"")),
      // Status after the results, results nested in other elements and in rows.
      "<corvane>" + Recordset(good) + "<x>" + Recordset(good) + "</x><status><code>2</code></status></corvane>",
      Reply(Recordset("<r" + fields + " ID=\"1\">" + Recordset(good, " tbname=\"in\"") + "</r><r ID=\"2\"></r>")),
      Reply(Recordset("<rs typ=\"string\" fields=\"X:VARCHAR2:5:0\" X=\"v\">text</rs><rs typ=\"recordset\"/>"
                      "<rs typ=\"string\"/><rs typ=\"recordset\" fields=\"Y:VARCHAR2:1:0\" Y=\"z\"/>")),
      Reply("<rs typ=\"recordset\" tbname=\"TB\"><id rn=\"1\" tbname=\"tb_bilda\" id=\"5\"/>" + good +
            "<id rn=\"x\" tbname=\"b\"/><!-- <r ID=\"9\"/> --><![CDATA[<r ID=\"8\"/>]]>text</rs>"),
      Reply("<rs typ=\"recordset\"><id rn=\"1\" tbname=\"tb_bilda\" id=\"5\"/></rs>"),
      "<!DOCTYPE corvane [<!ELEMENT corvane ANY>]><corvane><status><code>0</code></status>" + Recordset(good) +
          "</corvane>",
      "<rs typ=\"recordset\">" + good + "<status><code>0</code></status></rs>",
      Reply(Recordset(good + "<!DOCTYPE x [<r ID=\"7\"/>" + Recordset(good, " tbname=\"dtd\"") + "]><r ID=\"8\"/>")),
      // Failures: the reasons come out as the tree's, in its order.
      Reply(Recordset(good) + Recordset("<r A=\"1\"/>")),
      Reply(Recordset("<r" + fields + " ID=\"1\"><rs typ=\"recordset\"><r/></rs></r><r ID=\"1.5\"/>")),
      Reply(Recordset(good)) + "<",
      "<corvane>" + Recordset("<r A=\"1\"/>") + "</corvane>",
      "<corvane>" + Recordset(good) + "<status/></corvane>",
      Reply(Recordset("<r rn=\"1\" id=\"2\"/>")),
      Reply(Recordset("<r" + fields + " ID=\"x\"/>")),
      Reply(Recordset("<r fields=\"A:VARCHAR2:x:0\"/>")),
      Reply(Recordset(good + "<r ID=\"1\"></rx>")),
      Reply(Recordset(good + "< />")),
      "",
  };
  for (const std::string& text : replies) ExpectStreamedAsTree(text);
}

TEST(ReplyTest, AReplyThatFailsLeavesTheStatusAsTheTreeReadLeavesIt) {
  TCvProtocol streamed, tree;
  ASSERT_TRUE(streamed.ParseReply(Reply("", "<status><code>4</code><info>kept</info></status>")));
  ASSERT_TRUE(tree.ParseReplyFromTree(Reply("", "<status><code>4</code><info>kept</info></status>")));
  // The rows fail after the status has been read.
  const std::string bad = Reply(Recordset("<r A=\"1\"/>"), "<status><code>7</code><info>new</info></status>");
  EXPECT_EQ(ReplyState(streamed, streamed.ParseReply(bad)), ReplyState(tree, tree.ParseReplyFromTree(bad)));
  EXPECT_EQ(streamed.Code(), -1);
  ASSERT_TRUE(streamed.ParseReply(Reply("", "<status><code>1</code></status>")));
  EXPECT_EQ(streamed.Info(), "The first row of recordset TB_BILDA has no field description");
}

// A date value with a colon has its date before the first blank; without a blank it has none and
// the field is null, while the rest of the reply is read.
TEST(ReplyTest, ADateValueWithAColonAndNoBlankIsNull) {
  struct Case {
    const char* value;
    bool isNull;
    TDateTime expected;
  };
  const Case cases[] = {
      {"10:00:00", true, 0},
      {"2024-03-06T10:11:12", true, 0},
      {"2024-03-06:10", true, 0},
      {"2024-03-06 10:11:12", false, EncodeDateTime(2024, 3, 6, 10, 11, 12, 0)},
      {"2024-03-06 10:11", false, EncodeDateTime(2024, 3, 6, 10, 11, 0, 0)},
      {"2024-3-6 10:11:12", false, EncodeDateTime(2024, 3, 6, 10, 11, 12, 0)},  // not the host's own form
      {"2024-03-06", false, EncodeDate(2024, 3, 6)},
  };
  for (const Case& c : cases) {
    TCvProtocol p;
    ASSERT_TRUE(p.ParseReply(Reply(Recordset(std::string("<r fields=\"ID:NUMBER:38:0 D:DATE:7:0\" ID=\"1\" D=\"") +
                                             c.value + "\"/><r ID=\"2\" D=\"2024-01-02\"/>"))))
        << c.value << ": " << p.ErrorText();
    EXPECT_EQ(p.Code(), 0);
    TMemTableGx* d = p.GetTable(0)->Data();
    ASSERT_EQ(d->RecordCount(), 2) << c.value;
    d->First();
    EXPECT_EQ(d->FieldByName("ID")->AsInteger(), 1);
    EXPECT_EQ(d->FieldByName("D")->IsNull(), c.isNull) << c.value;
    if (!c.isNull) {
      EXPECT_EQ(d->FieldByName("D")->AsDateTime(), c.expected) << c.value;
    }
    d->Next();
    EXPECT_EQ(d->FieldByName("D")->AsDateTime(), EncodeDate(2024, 1, 2));
  }
}

TEST(ReplyTest, DatesInTheHostsOwnFormKeepTheirTime) {
  TCvProtocol p;
  ASSERT_TRUE(p.ParseReply(Reply(Recordset(
      "<r fields=\"A:DATE:7:0 B:DATE:7:0 C:DATE:7:0 D:DATE:7:0\" A=\"2024-06-28 17:44:19\" B=\"1899-12-29 06:00:00\" "
      "C=\"2024-06-29 25:61:00\" D=\"2024-06-29 1x:00:00\"/>"))))
      << p.ErrorText();
  TMemTableGx* d = p.GetTable(0)->Data();
  EXPECT_EQ(d->FieldByName("A")->AsDateTime(), EncodeDateTime(2024, 6, 28, 17, 44, 19, 0));
  EXPECT_DOUBLE_EQ(d->FieldByName("B")->AsDateTime(), -1.25);
  // A time that does not read leaves the date alone.
  EXPECT_EQ(d->FieldByName("C")->AsDateTime(), EncodeDate(2024, 6, 29));
  EXPECT_EQ(d->FieldByName("D")->AsDateTime(), EncodeDate(2024, 6, 29));
  for (const char* bad : {"2024-02-30 10:00:00", "2024-0x-05 10:00:00", "20x4-01-05 10:00:00"})
    EXPECT_NE(Refused(p, Reply(Recordset(std::string("<r fields=\"D:DATE\" D=\"") + bad + "\"/>"))).find("is not a valid date"),
              std::string::npos)
        << bad;
}

TEST(ReplyTest, RowsThatOrderTheirAttributesDifferentlyReadTheSame) {
  TCvProtocol p;
  ASSERT_TRUE(p.ParseReply(Reply(Recordset(
      "<r fields=\"ID:NUMBER:38:0 NAME:VARCHAR2:20:0 NAME2:VARCHAR2:20:0\" ID=\"1\" NAME=\"a\" NAME2=\"b\"/>"
      "<r NAME2=\"c\" ID=\"2\" NAME=\"d\"/>"
      "<r IDX=\"9\" NAME=\"e\" ID=\"3\"/>"
      "<r ID=\"4\" NAME2=\"f\" NAME=\"g\" X/>"
      "<r NAME=\"h\" NAME=\"i\" ID=\"5\" id=\"7\"/>"
      "<r ID=\"6\" X NAME2=\"j\"/>"))))
      << p.ErrorText();
  TMemTableGx* d = p.GetTable(0)->Data();
  std::vector<std::string> rows;
  for (d->First(); !d->Eof(); d->Next()) {
    std::string row;
    for (TField* f : d->Fields()) row += (f->IsNull() ? std::string("-") : f->AsString()) + ";";
    rows.push_back(row);
  }
  EXPECT_EQ(rows, (std::vector<std::string>{"1;a;b;", "2;d;c;", "3;e;-;", "4;g;f;", "5;h;-;", "6;-;j;"}));
}

TEST(ReplyTest, RowIdsOfARecordsetInsideARowFollowThoseOfTheOuterRecordset) {
  const std::string text = Reply(
      "<rs typ=\"recordset\" tbname=\"a\"><id rn=\"1\" tbname=\"A\" id=\"10\"/>"
      "<r fields=\"X:VARCHAR2:5:0\" X=\"x\"><rs typ=\"recordset\" tbname=\"b\"><id rn=\"1\" tbname=\"B\" id=\"20\"/>"
      "</rs></r><id rn=\"2\" tbname=\"A\" id=\"11\"/><id rn=\"1\" tbname=\"b\" id=\"21\"/></rs>");
  ExpectStreamedAsTree(text);
  TCvProtocol p;
  ASSERT_TRUE(p.ParseReply(text)) << p.ErrorText();
  std::vector<std::string> ids;
  for (int i = 0; i < p.GetRowIdCount(); ++i)
    ids.push_back(p.GetRowId(i)->TbName() + ":" + std::to_string(p.GetRowId(i)->Id()));
  EXPECT_EQ(ids, (std::vector<std::string>{"A:10", "A:11", "b:21", "B:20"}));
  // The last matching record counts: the outer recordset's comes first in the list.
  EXPECT_EQ(p.FindNewId("b", 1), 20);
  ASSERT_EQ(p.GetTableCount(), 2);
  EXPECT_EQ(p.GetTable(1)->Data()->CvTableName(), "B");
}
