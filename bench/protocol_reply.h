#pragma once
// The reply the read benchmarks take: rows of 45 columns (ID, 4 dates, 10 amounts, 5 integers,
// 25 texts) as the host sends them. Shared by bench_protocol and the one-read driver.
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "memtable/memtable.h"
#include "platform/rtl/sysutils.h"

namespace bench_reply {

constexpr int kColumns = 45;

struct Column {
  std::string name, description;
  TFieldType type;
  int size;
};

inline const std::vector<Column>& Columns() {
  static const std::vector<Column> columns = [] {
    std::vector<Column> c;
    for (int i = 0; i < kColumns; ++i) {
      char name[16];
      std::snprintf(name, sizeof name, "BILDA%03d", i);
      if (i == 0) c.push_back({"BILDA_ID", "BILDA_ID:NUMBER:38:0", ftLargeint, 0});
      else if (i <= 4) c.push_back({name, std::string(name) + ":DATE:7:0", ftDate, 0});
      else if (i <= 14) c.push_back({name, std::string(name) + ":NUMBER:12:2", ftFloat, 0});
      else if (i <= 19) c.push_back({name, std::string(name) + ":NUMBER:10:0", ftLargeint, 0});
      else c.push_back({name, std::string(name) + ":VARCHAR2:40:0", ftString, 40});
    }
    return c;
  }();
  return columns;
}

inline std::string Value(const Column& c, int row, int col) {
  switch (c.type) {
    case ftDate: return Format("2024-%.2d-%.2d 00:00:00", {1 + (row + col) % 12, 1 + (row * 7 + col) % 28});
    case ftFloat: return Format("%d.%.2d", {(row * 31 + col * 17) % 100000, (row + col) % 100});
    case ftLargeint: return col == 0 ? IntToStr(row + 1) : IntToStr((row * 13 + col) % 1000000);
    default:
      return (col % 3 == 0) ? Format("商户名称%d号", {row % 997}) : Format("CODE-%.6d-%d", {row, col});
  }
}

inline std::string MakeReply(int rows) {
  std::string text = "<?xml version=\"1.0\" encoding=\"utf-8\"?><corvane><status><code>0</code><info></info>"
                     "</status><rs typ=\"recordset\" tbname=\"TB_BILDA\">";
  std::string fields;
  for (const Column& c : Columns()) fields += (fields.empty() ? "" : " ") + c.description;
  for (int r = 0; r < rows; ++r) {
    text += "<row";
    if (r == 0) text += " fields=\"" + fields + "\"";
    for (int i = 0; i < kColumns; ++i) {
      const Column& c = Columns()[i];
      text += ' ';
      text += c.name;
      text += "=\"";
      text += Value(c, r, i);
      text += '"';
    }
    text += "/>";
  }
  text += "</rs></corvane>";
  return text;
}

inline const std::string& Reply(int rows) {
  static std::map<int, std::string> texts;
  auto it = texts.find(rows);
  if (it == texts.end()) it = texts.emplace(rows, MakeReply(rows)).first;
  return it->second;
}

}  // namespace bench_reply
