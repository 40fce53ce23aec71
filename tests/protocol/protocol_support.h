#pragma once
// Helpers of the protocol tests: form tables shaped like the document's header (TB_BILDA) and line
// (TB_BILDB) tables, rows with a chosen update status, and a pugixml view of request documents.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <string>
#include <vector>

#include "memtable/memtable.h"
#include "platform/rtl/sysutils.h"
#include "protocol/cvprotocol.h"

namespace protocol_test {

// Header: BILDA_ID integer key, BILDA002 string, BILDA003 date, BILDA004 float, BILDA006 integer,
// BILDA006C1 joined display column, FLAG Boolean.
inline void MakeHeader(TMemTableGx& t, const std::string& name = "mtblMain") {
  t.SetName(name);
  t.FieldDefs().Add("BILDA_ID", ftInteger);
  t.FieldDefs().Add("BILDA002", ftString, 20);
  t.FieldDefs().Add("BILDA003", ftDate);
  t.FieldDefs().Add("BILDA004", ftFloat);
  t.FieldDefs().Add("BILDA006", ftInteger);
  t.FieldDefs().Add("BILDA006C1", ftString, 20);
  t.FieldDefs().Add("FLAG", ftBoolean);
  t.CreateDataSet();
  t.SetCvTableName("tb_bilda");
  t.SetPKName("bilda_id");
  t.FieldByName("BILDA_ID")->SetIsKey(true);
  t.FieldByName("BILDA006C1")->SetIsJoin(true);
  t.FieldByName("BILDA002")->SetNotNull(true);
}

// Lines: BILDB_ID integer key, BILDB001 the header's key, BILDB002 string, BILDB003 float.
inline void MakeLines(TMemTableGx& t, const std::string& name = "mtblSub") {
  t.SetName(name);
  t.FieldDefs().Add("BILDB_ID", ftInteger);
  t.FieldDefs().Add("BILDB001", ftInteger);
  t.FieldDefs().Add("BILDB002", ftString, 20);
  t.FieldDefs().Add("BILDB003", ftFloat);
  t.CreateDataSet();
  t.SetCvTableName("TB_BILDB");
  t.SetPKName("BILDB_ID");
  t.SetFKName("TB_BILDA:BILDB001");
  t.FieldByName("BILDB_ID")->SetIsKey(true);
}

// A delta table with the same columns as `like` (no rows).
inline void MakeDeltaLike(TMemTableGx& delta, TMemTableGx& like, const std::string& name) {
  delta.SetName(name);
  delta.FieldDefs().Assign(&like.FieldDefs());
  delta.CreateDataSet();
  delta.SetCvTableName(like.CvTableName());
  delta.SetFKName(like.FKName());
}

inline void AppendValues(TMemTableGx& t, const std::vector<Variant>& values) {
  t.Append();
  for (size_t i = 0; i < values.size(); ++i) t.Fields()[static_cast<int>(i)]->SetValue(values[i]);
  t.Post();
}

// Moves to the row whose first column holds `id`.
inline void GoTo(TMemTableGx& t, int id) {
  ASSERT_TRUE(t.Locate(t.Fields()[0]->FieldName(), Variant(id), {}));
}

inline void EditValue(TMemTableGx& t, int id, const std::string& field, const Variant& value) {
  GoTo(t, id);
  t.Edit();
  t.FieldByName(field)->SetValue(value);
  t.Post();
}

inline std::string Attr(const pugi::xml_node& n, const char* name) { return n.attribute(name).as_string(); }

// The names of the attributes of an element, in document order.
inline std::vector<std::string> AttrNames(const pugi::xml_node& n) {
  std::vector<std::string> names;
  for (const pugi::xml_attribute& a : n.attributes()) names.emplace_back(a.name());
  return names;
}

// The element children of a node.
inline std::vector<pugi::xml_node> Elements(const pugi::xml_node& n) {
  std::vector<pugi::xml_node> list;
  for (pugi::xml_node c : n.children())
    if (c.type() == pugi::node_element) list.push_back(c);
  return list;
}

// Parses a request document with pugixml and answers its "params" element.
inline pugi::xml_node ParseRequest(pugi::xml_document& doc, const std::string& text) {
  const pugi::xml_parse_result r = doc.load_buffer(text.data(), text.size(), pugi::parse_default | pugi::parse_declaration);
  EXPECT_TRUE(r) << r.description() << "\n" << text;
  EXPECT_STREQ(doc.first_child().name(), "xml");
  EXPECT_EQ(Attr(doc.first_child(), "encoding"), "utf-8");
  pugi::xml_node root = doc.child("corvane");
  EXPECT_EQ(Elements(root).size(), 1u);
  return root.child("params");
}

// Restores the format settings a test changed.
struct FormatSettingsGuard {
  TFormatSettings saved = FormatSettings;
  ~FormatSettingsGuard() { FormatSettings = saved; }
};

}  // namespace protocol_test
