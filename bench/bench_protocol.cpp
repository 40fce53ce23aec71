// The host protocol side by side with plain XML work on the same text:
// - reading a reply of 1,000, 10,000 and 100,000 rows of 45 columns into a form's table
//   (ParseReply, then CopyDataTo) against a plain parse of the same text by our XML library and by
//   pugixml;
// - writing a save request (copy mode 0, every row inserted) for 1 header with 10,000 lines and for
//   1,000 headers with 10 lines each, against pugixml building and writing the same document, and
//   against the same writer on four times the rows (the time per row must not grow).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <pugixml.hpp>
#include <string>
#include <vector>

#include "protocol_reply.h"
#include "ratio_report.h"
#include "memtable/memtable.h"
#include "platform/rtl/sysutils.h"
#include "protocol/cvprotocol.h"
#include "xml/document.h"

namespace {

// ---------------------------------------------------------------- replies

using bench_reply::Column;
using bench_reply::Columns;
using bench_reply::Reply;

void SetRowRate(benchmark::State& state, int rows) {
  state.counters["per_row"] =
      benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsIterationInvariantRate |
                                                        benchmark::Counter::kInvert);
}

void ReadReply_ours(benchmark::State& state, int rows) {
  const std::string& text = Reply(rows);
  TMemTableGx form;
  for (const Column& c : Columns()) form.FieldDefs().Add(c.name, c.type, c.size);
  form.CreateDataSet();
  for (auto _ : state) {
    TCvProtocol p;
    if (!p.ParseReply(text)) state.SkipWithError(p.ErrorText().c_str());
    p.GetTable(0)->CopyDataTo(&form);
    if (form.RecordCount() != rows) state.SkipWithError("rows lost");
    state.PauseTiming();
    form.EmptyTable();
    state.ResumeTiming();
  }
  SetRowRate(state, rows);
}

// ParseReply alone: what of the reading is the reply's, and what the copy into the form's table.
void ReadReply_parse_only(benchmark::State& state, int rows) {
  const std::string& text = Reply(rows);
  for (auto _ : state) {
    TCvProtocol p;
    if (!p.ParseReply(text)) state.SkipWithError(p.ErrorText().c_str());
    benchmark::DoNotOptimize(p.GetTable(0));
  }
  SetRowRate(state, rows);
}

void ReadReply_xml(benchmark::State& state, int rows) {
  const std::string& text = Reply(rows);
  for (auto _ : state) {
    TXmlDocument doc;
    doc.ReadFromString(text);
    benchmark::DoNotOptimize(doc.Root());
  }
  SetRowRate(state, rows);
}

void ReadReply_pugixml(benchmark::State& state, int rows) {
  const std::string& text = Reply(rows);
  for (auto _ : state) {
    pugi::xml_document doc;
    benchmark::DoNotOptimize(doc.load_buffer(text.data(), text.size()));
  }
  SetRowRate(state, rows);
}

// ---------------------------------------------------------------- requests

struct SaveTables {
  TMemTableGx header, headerDelta, lines, linesDelta;
  SaveTables(int headers, int linesPerHeader) {
    header.FieldDefs().Add("BILDA_ID", ftInteger);
    for (int i = 1; i < 20; ++i) header.FieldDefs().Add(Format("BILDA%.3d", {i}), ftString, 40);
    header.FieldDefs().Add("BILDA020", ftDate);
    header.FieldDefs().Add("BILDA021", ftFloat);
    header.CreateDataSet();
    header.SetCvTableName("TB_BILDA");
    header.SetPKName("BILDA_ID");
    lines.FieldDefs().Add("BILDB_ID", ftInteger);
    lines.FieldDefs().Add("BILDB001", ftInteger);
    for (int i = 2; i < 10; ++i) lines.FieldDefs().Add(Format("BILDB%.3d", {i}), ftString, 40);
    lines.FieldDefs().Add("BILDB010", ftFloat);
    lines.FieldDefs().Add("BILDB011", ftDate);
    lines.CreateDataSet();
    lines.SetCvTableName("TB_BILDB");
    lines.SetPKName("BILDB_ID");
    lines.SetFKName("TB_BILDA:BILDB001");
    headerDelta.FieldDefs().Assign(&header.FieldDefs());
    headerDelta.CreateDataSet();
    linesDelta.FieldDefs().Assign(&lines.FieldDefs());
    linesDelta.CreateDataSet();
    header.SetCachedUpdates(true);
    lines.SetCachedUpdates(true);
    const TDateTime day = EncodeDate(2024, 3, 5);
    for (int h = 0; h < headers; ++h) {
      header.Append();
      header.Fields()[0]->SetAsInteger(h + 1);
      for (int i = 1; i < 20; ++i) header.Fields()[i]->SetAsString(Format("单据%d-%d", {h, i}));
      header.Fields()[20]->SetAsDateTime(day);
      header.Fields()[21]->SetAsFloat(h * 1.25);
      header.Post();
    }
    // Lines interleaved across headers, as rows of several documents would be.
    for (int l = 0; l < linesPerHeader; ++l) {
      for (int h = 0; h < headers; ++h) {
        lines.Append();
        lines.Fields()[0]->SetAsInteger(h * linesPerHeader + l + 1);
        lines.Fields()[1]->SetAsInteger(h + 1);
        for (int i = 2; i < 10; ++i) lines.Fields()[i]->SetAsString(Format("LINE-%d-%d", {l, i}));
        lines.Fields()[10]->SetAsFloat(l * 0.5);
        lines.Fields()[11]->SetAsDateTime(day);
        lines.Post();
      }
    }
  }
};

void Prepare(TCvProtocol& p, SaveTables& t) {
  p.SetCopyMode(0);
  TCvTable* table = p.GetTable(p.AddTable());
  table->SetData(&t.header);
  table->SetDelta(&t.headerDelta);
  table->AddChild(&t.lines, &t.linesDelta);
}

void WriteRequest_ours(benchmark::State& state, int headers, int perHeader) {
  SaveTables tables(headers, perHeader);
  TCvProtocol p;
  Prepare(p, tables);
  size_t size = 0;
  for (auto _ : state) size = p.BuildRequest().size();
  state.counters["bytes"] = static_cast<double>(size);
  SetRowRate(state, headers * (perHeader + 1));
}

// pugixml building and writing the same document from the protocol's own table copies.
void WriteRequest_pugixml(benchmark::State& state, int headers, int perHeader) {
  SaveTables tables(headers, perHeader);
  TCvProtocol p;
  Prepare(p, tables);
  // The request our writer makes, read back: pugixml writes the same elements and attributes.
  pugi::xml_document model;
  const std::string request = p.BuildRequest();
  model.load_buffer(request.data(), request.size());
  for (auto _ : state) {
    pugi::xml_document doc;
    pugi::xml_node decl = doc.append_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    decl.append_attribute("encoding") = "utf-8";
    pugi::xml_node params = doc.append_child("corvane").append_child("params");
    struct Copy {
      static void Node(pugi::xml_node to, pugi::xml_node from) {
        for (pugi::xml_attribute a : from.attributes()) to.append_attribute(a.name()) = a.value();
        for (pugi::xml_node c : from.children()) Node(to.append_child(c.name()), c);
      }
    };
    Copy::Node(params, model.child("corvane").child("params"));
    struct Sink : pugi::xml_writer {
      std::string text;
      void write(const void* data, size_t size) override { text.append(static_cast<const char*>(data), size); }
    } sink;
    doc.save(sink, "", pugi::format_raw);
    benchmark::DoNotOptimize(sink.text.size());
  }
  SetRowRate(state, headers * (perHeader + 1));
}


}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  const int sizes[] = {1000, 10000, 100000};
  for (int rows : sizes) {
    const std::string n = std::to_string(rows);
    benchmark::RegisterBenchmark(("read_reply/" + n + "/ours").c_str(), ReadReply_ours, rows)
        ->Unit(benchmark::kMillisecond)->MinTime(0.5);
    benchmark::RegisterBenchmark(("read_reply/" + n + "/parse_only").c_str(), ReadReply_parse_only, rows)
        ->Unit(benchmark::kMillisecond)->MinTime(0.5);
    benchmark::RegisterBenchmark(("read_reply/" + n + "/xml_parse").c_str(), ReadReply_xml, rows)
        ->Unit(benchmark::kMillisecond)->MinTime(0.5);
    benchmark::RegisterBenchmark(("read_reply/" + n + "/pugixml").c_str(), ReadReply_pugixml, rows)
        ->Unit(benchmark::kMillisecond)->MinTime(0.5);
  }
  // Requests: headers/lines per header; the larger shapes show the time per row staying flat.
  const std::pair<int, int> shapes[] = {{1, 10000}, {1000, 10}, {1, 40000}, {4000, 10}};
  for (const auto& [headers, lines] : shapes) {
    const std::string n = std::to_string(headers) + "x" + std::to_string(lines);
    benchmark::RegisterBenchmark(("write_request/" + n + "/ours").c_str(), WriteRequest_ours, headers, lines)
        ->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(3);
    if (headers * lines == 10000)
      benchmark::RegisterBenchmark(("write_request/" + n + "/pugixml").c_str(), WriteRequest_pugixml, headers, lines)
          ->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(3);
  }
  RatioRecorder recorder;
  benchmark::RunSpecifiedBenchmarks(&recorder);

  std::printf("\n");
  auto time = [&](const std::string& name) {
    auto it = recorder.times.find(name);
    return it == recorder.times.end() ? 0.0 : it->second;
  };
  for (int rows : sizes) {
    const std::string n = std::to_string(rows);
    if (const double t = time("read_reply/" + n + "/ours"); t > 0)
      std::printf("time per row read_reply/%d: %.3f us (a plain parse by our library: %.3f us)\n", rows,
                  t * 1000.0 / rows, time("read_reply/" + n + "/xml_parse") * 1000.0 / rows);
  }
  std::map<std::string, double> perRow;
  for (const auto& [headers, lines] : shapes) {
    const std::string n = std::to_string(headers) + "x" + std::to_string(lines);
    const double rows = headers * (lines + 1.0);
    if (const double t = time("write_request/" + n + "/ours"); t > 0) {
      perRow[n] = t / rows;
      std::printf("time per row write_request/%s: %.3f us\n", n.c_str(), t * 1000.0 / rows);
    }
  }
  for (int rows : sizes) {
    const std::string n = std::to_string(rows);
    recorder.PrintRatio("read_reply/" + n + "/ours", "read_reply/" + n + "/xml_parse", "read_reply/" + n, "xml_parse");
    recorder.PrintRatio("read_reply/" + n + "/ours", "read_reply/" + n + "/pugixml", "read_reply/" + n, "pugixml");
    recorder.PrintRatio("read_reply/" + n + "/parse_only", "read_reply/" + n + "/xml_parse", "parse_reply/" + n,
                        "xml_parse");
  }
  for (const char* n : {"1x10000", "1000x10"})
    recorder.PrintRatio(std::string("write_request/") + n + "/ours", std::string("write_request/") + n + "/pugixml",
                        std::string("write_request/") + n, "pugixml");
  // Per row, four times the rows against the measured shape: 1 means linear.
  auto linear = [&](const char* big, const char* small) {
    if (perRow.count(big) && perRow.count(small) && perRow[small] > 0)
      std::printf("ratio write_request_per_row/%s vs write_request_per_row/%s: %.2f\n", big, small,
                  perRow[big] / perRow[small]);
  };
  linear("1x40000", "1x10000");
  linear("4000x10", "1000x10");
  benchmark::Shutdown();
  return 0;
}
