// One read of the benchmark's reply, for instruction counts: run under
//   valgrind --tool=callgrind --collect-atstart=no build/bench/read_reply_once <rows> <ours|parse|xml>
// Only the measured read is counted (a first read warms up, as the benchmark's iterations do);
// without valgrind it just reads.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "protocol_reply.h"
#include "protocol/cvprotocol.h"
#include "xml/document.h"

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_TOGGLE_COLLECT
#endif

namespace {

int Read(const std::string& text, const char* what, TMemTableGx& form) {
  if (std::strcmp(what, "xml") == 0) {
    TXmlDocument doc;
    doc.ReadFromString(text);
    return doc.Root() ? 1 : 0;
  }
  TCvProtocol p;
  if (!p.ParseReply(text)) {
    std::fprintf(stderr, "%s\n", p.ErrorText().c_str());
    std::exit(1);
  }
  if (std::strcmp(what, "parse") == 0) return p.GetTable(0)->Data()->RecordCount();
  p.GetTable(0)->CopyDataTo(&form);
  return form.RecordCount();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s <rows> <ours|parse|xml>\n", argv[0]);
    return 2;
  }
  const int rows = std::atoi(argv[1]);
  const std::string& text = bench_reply::Reply(rows);
  TMemTableGx form;
  for (const bench_reply::Column& c : bench_reply::Columns()) form.FieldDefs().Add(c.name, c.type, c.size);
  form.CreateDataSet();
  Read(text, argv[2], form);
  form.EmptyTable();
  CALLGRIND_TOGGLE_COLLECT;
  const int n = Read(text, argv[2], form);
  CALLGRIND_TOGGLE_COLLECT;
  std::printf("%d\n", n);
  return 0;
}
