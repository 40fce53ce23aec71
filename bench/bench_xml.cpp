// XML parsing and writing side by side with pugixml, libxml2 (both build a document) and expat
// (events only, no document), on two 10 MB documents made here: a reply-like one (rows of 45
// attributes with some Chinese text) and a text-heavy one. Documents are parsed from memory and
// from a stream, and written to a string and to a stream. Also prints the memory each parser holds
// for its document and its peak while parsing, counted by the allocator.
#include <benchmark/benchmark.h>
#include <expat.h>
#include <libxml/parser.h>
#include <libxml/xmlmemory.h>
#include <libxml/xmlsave.h>
#include <malloc.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <istream>
#include <map>
#include <memory>
#include <new>
#include <pugixml.hpp>
#include <string>
#include <vector>

#include "platform/rtl/streams.h"
#include "xml/codec.h"
#include "xml/document.h"
#include "ratio_report.h"

// ---------------------------------------------------------------- counting allocator

namespace {

// Counting is on only while memory is measured, so that it does not weigh on the timings.
std::atomic<bool> g_counting{false};
std::atomic<int64_t> g_current{0};
std::atomic<int64_t> g_peak{0};

void Count(int64_t delta) {
  int64_t now = g_current.fetch_add(delta) + delta;
  int64_t peak = g_peak.load();
  while (now > peak && !g_peak.compare_exchange_weak(peak, now)) {
  }
}

void* CountingMalloc(size_t n) {
  void* p = std::malloc(n);
  if (p && g_counting.load(std::memory_order_relaxed)) Count(static_cast<int64_t>(malloc_usable_size(p)));
  return p;
}

void CountingFree(void* p) {
  if (!p) return;
  if (g_counting.load(std::memory_order_relaxed)) Count(-static_cast<int64_t>(malloc_usable_size(p)));
  std::free(p);
}

void* CountingRealloc(void* p, size_t n) {
  if (!g_counting.load(std::memory_order_relaxed)) return std::realloc(p, n);
  const auto old = static_cast<int64_t>(p ? malloc_usable_size(p) : 0);
  void* q = std::realloc(p, n);
  if (q) Count(static_cast<int64_t>(malloc_usable_size(q)) - old);
  return q;
}

char* CountingStrdup(const char* s) {
  size_t n = std::strlen(s) + 1;
  auto* p = static_cast<char*>(CountingMalloc(n));
  if (p) std::memcpy(p, s, n);
  return p;
}

struct MemoryUse {
  double heldMb = 0;  // held by the document after parsing
  double peakMb = 0;  // highest while parsing
};

// Starts counting at the current heap use; Done() reads what was added since.
class MemoryMark {
 public:
  MemoryMark() : base_(g_current.load()) { g_peak = base_; }
  MemoryUse Done() const {
    return {static_cast<double>(g_current.load() - base_) / (1 << 20),
            static_cast<double>(g_peak.load() - base_) / (1 << 20)};
  }

 private:
  int64_t base_;
};

}  // namespace

void* operator new(size_t n) {
  void* p = CountingMalloc(n ? n : 1);
  if (!p) throw std::bad_alloc();
  return p;
}
void* operator new[](size_t n) { return operator new(n); }
void operator delete(void* p) noexcept { CountingFree(p); }
void operator delete[](void* p) noexcept { CountingFree(p); }
void operator delete(void* p, size_t) noexcept { CountingFree(p); }
void operator delete[](void* p, size_t) noexcept { CountingFree(p); }
void* operator new(size_t n, std::align_val_t align) {
  const auto a = static_cast<size_t>(align);
  void* p = std::aligned_alloc(a, (n + a - 1) / a * a);
  if (!p) throw std::bad_alloc();
  if (g_counting.load(std::memory_order_relaxed)) Count(static_cast<int64_t>(malloc_usable_size(p)));
  return p;
}
void operator delete(void* p, std::align_val_t) noexcept { CountingFree(p); }
void operator delete(void* p, size_t, std::align_val_t) noexcept { CountingFree(p); }

// ---------------------------------------------------------------- documents

namespace {

class Random {
 public:
  uint32_t Next() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<uint32_t>(state_ >> 33);
  }
  uint32_t Below(uint32_t n) { return Next() % n; }

 private:
  uint64_t state_ = 217;
};

const char* const kChinese[] = {"费用垫付单", "经营公司", "商户名称", "摊位编号", "合同", "业务部门", "业务员", "备注说明"};
const char* const kWords[] = {"market", "stall",   "merchant", "contract", "fee",  "advance", "payment", "period",
                              "amount", "account", "the",      "of",       "and",  "for",     "with",    "monthly",
                              "rent",   "deposit", "receipt",  "company",  "note", "service", "records", "ledger"};

constexpr size_t kTarget = 10u << 20;

std::string ReplyDocument(int* rows) {
  Random r;
  std::string s =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<corvane><status><code>0</code><info>ok</info></status>"
      "<rs typ=\"recordset\" tbname=\"TB_BILDA\">";
  int row = 0;
  char buf[64];
  while (s.size() < kTarget) {
    s += "<row";
    if (row == 0) {
      s += " fields=\"";
      for (int f = 1; f <= 45; ++f) {
        std::snprintf(buf, sizeof buf, "%sF%02d:VARCHAR:40:0", f > 1 ? " " : "", f);
        s += buf;
      }
      s += '"';
    }
    for (int f = 1; f <= 45; ++f) {
      std::snprintf(buf, sizeof buf, " F%02d=\"", f);
      s += buf;
      switch (f % 9) {
        case 0: s += kChinese[r.Below(8)]; break;
        case 1: s += std::to_string(row + 1); break;
        case 2: std::snprintf(buf, sizeof buf, "%u.%02u", r.Below(100000), r.Below(100)); s += buf; break;
        case 3: std::snprintf(buf, sizeof buf, "2024-%02u-%02u", 1 + r.Below(12), 1 + r.Below(28)); s += buf; break;
        case 4: break;  // empty
        case 5: std::snprintf(buf, sizeof buf, "BIL%06u", r.Below(1000000)); s += buf; break;
        case 6: s += r.Below(8) == 0 ? "A&amp;B" : "0"; break;
        default: s += std::to_string(r.Below(1000)); break;
      }
      s += '"';
    }
    s += "/>";
    ++row;
  }
  s += "</rs></corvane>\n";
  *rows = row;
  return s;
}

std::string TextDocument(int* paragraphs) {
  Random r;
  std::string s = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<book>";
  int count = 0;
  for (int chapter = 1; s.size() < kTarget; ++chapter) {
    s += "<chapter id=\"" + std::to_string(chapter) + "\"><title>Chapter " + std::to_string(chapter) + "</title>";
    for (int p = 0; p < 20; ++p, ++count) {
      s += "<p>";
      const uint32_t words = 80 + r.Below(160);
      for (uint32_t w = 0; w < words; ++w) {
        if (w) s += ' ';
        uint32_t k = r.Below(40);
        if (k == 0) s += std::string("<em>") + kWords[r.Below(24)] + "</em>";
        else if (k == 1) s += "&amp;";
        else if (k == 2) s += kChinese[r.Below(8)];
        else s += kWords[r.Below(24)];
      }
      s += ".</p>";
    }
    s += "</chapter>";
  }
  s += "</book>\n";
  *paragraphs = count;
  return s;
}

struct Input {
  std::string name;
  std::string text;
};

std::vector<Input>& Inputs() {
  static std::vector<Input> inputs = [] {
    int rows = 0, paragraphs = 0;
    std::vector<Input> v{{"reply", ReplyDocument(&rows)}, {"text", TextDocument(&paragraphs)}};
    std::printf("reply document: %.1f MB, %d rows of 45 attributes\n", v[0].text.size() / 1048576.0, rows);
    std::printf("text document: %.1f MB, %d paragraphs\n", v[1].text.size() / 1048576.0, paragraphs);
    return v;
  }();
  return inputs;
}

// ---------------------------------------------------------------- streams over memory

// A read-only stream over bytes that stay where they are.
class ViewStream : public TCustomMemoryStream {
 public:
  explicit ViewStream(const std::string& s) { SetPointer(const_cast<char*>(s.data()), static_cast<int64_t>(s.size())); }
  int64_t Write(const void*, int64_t) override { return 0; }
};

// Takes every byte and keeps none.
class SinkStream : public TStream {
 public:
  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void*, int64_t count) override {
    size_ += count;
    return count;
  }
  int64_t Seek(int64_t, TSeekOrigin) override { return size_; }

 private:
  int64_t size_ = 0;
};

class MemoryBuf : public std::streambuf {
 public:
  explicit MemoryBuf(const std::string& s) {
    char* p = const_cast<char*>(s.data());
    setg(p, p, p + s.size());
  }
};

struct MemoryReader {
  const std::string* text;
  size_t pos = 0;
};

int ReadChunk(void* context, char* buffer, int len) {
  auto* r = static_cast<MemoryReader*>(context);
  size_t n = std::min(static_cast<size_t>(len), r->text->size() - r->pos);
  std::memcpy(buffer, r->text->data() + r->pos, n);
  r->pos += n;
  return static_cast<int>(n);
}

int CloseNothing(void*) { return 0; }
int WriteNothing(void*, const char*, int len) { return len; }

struct PugiSink : pugi::xml_writer {
  size_t size = 0;
  void write(const void*, size_t n) override { size += n; }
};

struct PugiString : pugi::xml_writer {
  std::string text;
  void write(const void* data, size_t n) override { text.append(static_cast<const char*>(data), n); }
};

void Require(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "%s failed\n", what);
    std::exit(1);
  }
}

// ---------------------------------------------------------------- parsers

void OnStart(void* count, const XML_Char*, const XML_Char**) { ++*static_cast<long*>(count); }
void OnEnd(void*, const XML_Char*) {}

std::unique_ptr<TXmlDocument> OursMemory(const std::string& text) {
  auto doc = std::make_unique<TXmlDocument>();
  doc->ReadFromString(text);
  return doc;
}

std::unique_ptr<TXmlDocument> OursStream(const std::string& text) {
  auto doc = std::make_unique<TXmlDocument>();
  ViewStream stream(text);
  doc->LoadFromStream(stream);
  return doc;
}

std::unique_ptr<pugi::xml_document> PugiMemory(const std::string& text) {
  auto doc = std::make_unique<pugi::xml_document>();
  Require(doc->load_buffer(text.data(), text.size()), "pugixml parse");
  return doc;
}

std::unique_ptr<pugi::xml_document> PugiStream(const std::string& text) {
  auto doc = std::make_unique<pugi::xml_document>();
  MemoryBuf buf(text);
  std::istream in(&buf);
  Require(doc->load(in), "pugixml stream parse");
  return doc;
}

struct LibxmlDoc {
  explicit LibxmlDoc(xmlDocPtr d) : doc(d) {}
  LibxmlDoc(const LibxmlDoc&) = delete;
  LibxmlDoc& operator=(const LibxmlDoc&) = delete;
  ~LibxmlDoc() { xmlFreeDoc(doc); }
  xmlDocPtr doc;
};

std::unique_ptr<LibxmlDoc> LibxmlMemory(const std::string& text) {
  xmlDocPtr doc = xmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr, nullptr, XML_PARSE_NONET | XML_PARSE_HUGE);
  Require(doc != nullptr, "libxml2 parse");
  return std::make_unique<LibxmlDoc>(doc);
}

std::unique_ptr<LibxmlDoc> LibxmlStream(const std::string& text) {
  MemoryReader reader{&text};
  xmlDocPtr doc = xmlReadIO(ReadChunk, CloseNothing, &reader, nullptr, nullptr, XML_PARSE_NONET | XML_PARSE_HUGE);
  Require(doc != nullptr, "libxml2 stream parse");
  return std::make_unique<LibxmlDoc>(doc);
}

long Expat(const std::string& text, size_t chunk) {
  XML_Memory_Handling_Suite suite{CountingMalloc, CountingRealloc, CountingFree};
  XML_Parser parser = XML_ParserCreate_MM(nullptr, &suite, nullptr);
  long elements = 0;
  XML_SetUserData(parser, &elements);
  XML_SetElementHandler(parser, OnStart, OnEnd);
  bool ok = true;
  for (size_t pos = 0; ok && pos < text.size(); pos += chunk) {
    size_t n = std::min(chunk, text.size() - pos);
    ok = XML_Parse(parser, text.data() + pos, static_cast<int>(n), pos + n == text.size()) == XML_STATUS_OK;
  }
  XML_ParserFree(parser);
  Require(ok, "expat parse");
  return elements;
}

// ---------------------------------------------------------------- benchmarks

using Body = std::function<void(const std::string&)>;

struct Parser {
  const char* name;
  Body memory;
  Body stream;
};

const std::vector<Parser>& Parsers() {
  static const std::vector<Parser> parsers = {
      {"ours", [](const std::string& t) { benchmark::DoNotOptimize(OursMemory(t)); },
       [](const std::string& t) { benchmark::DoNotOptimize(OursStream(t)); }},
      {"pugixml", [](const std::string& t) { benchmark::DoNotOptimize(PugiMemory(t)); },
       [](const std::string& t) { benchmark::DoNotOptimize(PugiStream(t)); }},
      {"libxml2", [](const std::string& t) { benchmark::DoNotOptimize(LibxmlMemory(t)); },
       [](const std::string& t) { benchmark::DoNotOptimize(LibxmlStream(t)); }},
      {"expat", [](const std::string& t) { benchmark::DoNotOptimize(Expat(t, t.size())); },
       [](const std::string& t) { benchmark::DoNotOptimize(Expat(t, 65536)); }},
  };
  return parsers;
}

void Configure(benchmark::internal::Benchmark* b) {
  b->Unit(benchmark::kMillisecond)->Repetitions(5)->MinTime(0.2);
}

void RegisterAll() {
  for (const Input& input : Inputs()) {
    const std::string* text = &input.text;
    for (const Parser& p : Parsers()) {
      Body memory = p.memory, stream = p.stream;
      benchmark::RegisterBenchmark(("parse_memory/" + input.name + "/" + p.name).c_str(),
                                   [=](benchmark::State& st) {
                                     for (auto _ : st) memory(*text);
                                   })
          ->Apply(Configure);
      benchmark::RegisterBenchmark(("parse_stream/" + input.name + "/" + p.name).c_str(),
                                   [=](benchmark::State& st) {
                                     for (auto _ : st) stream(*text);
                                   })
          ->Apply(Configure);
    }
    // Writing a parsed document, to a string and to a stream (UTF-8).
    auto ours = std::shared_ptr<TXmlDocument>(OursMemory(*text));
    auto pugi = std::shared_ptr<pugi::xml_document>(PugiMemory(*text));
    auto libxml = std::shared_ptr<LibxmlDoc>(LibxmlMemory(*text));
    ours->SetStreamEncoding(XmlEncoding::Utf8);
    auto reg = [&](const std::string& name, std::function<void()> body) {
      benchmark::RegisterBenchmark(name.c_str(),
                                   [body](benchmark::State& st) {
                                     for (auto _ : st) body();
                                   })
          ->Apply(Configure);
    };
    reg("write_memory/" + input.name + "/ours", [ours] { benchmark::DoNotOptimize(ours->WriteToString()); });
    reg("write_memory/" + input.name + "/pugixml", [pugi] {
      PugiString out;
      pugi->save(out, "", pugi::format_raw);
      benchmark::DoNotOptimize(out.text);
    });
    reg("write_memory/" + input.name + "/libxml2", [libxml] {
      xmlChar* mem = nullptr;
      int size = 0;
      xmlDocDumpMemory(libxml->doc, &mem, &size);
      xmlFree(mem);
    });
    reg("write_stream/" + input.name + "/ours", [ours] {
      SinkStream sink;
      ours->SaveToStream(sink);
    });
    reg("write_stream/" + input.name + "/pugixml", [pugi] {
      PugiSink sink;
      pugi->save(sink, "", pugi::format_raw, pugi::encoding_utf8);
    });
    reg("write_stream/" + input.name + "/libxml2", [libxml] {
      xmlSaveCtxtPtr ctx = xmlSaveToIO(WriteNothing, CloseNothing, nullptr, "UTF-8", 0);
      xmlSaveDoc(ctx, libxml->doc);
      xmlSaveClose(ctx);
    });
  }
}

// Many attributes on one element: loading them sorted against loading them as they come (200,000
// in reverse order), and setting 20,000 distinct ones through a typed writer, which looks each up
// first, against adding them without a look-up.
void RegisterAttributeCases() {
  static const std::string reversed = [] {
    std::string t = "<r";
    for (int i = 200000; i > 0; --i) t += " a" + std::to_string(i) + "=\"" + std::to_string(i) + "\"";
    return t + "/>";
  }();
  static const std::vector<std::string> names = [] {
    std::vector<std::string> n;
    for (int i = 0; i < 20000; ++i) n.push_back("name" + std::to_string(i));
    return n;
  }();
  auto load = [](bool sorted) {
    return [sorted](benchmark::State& st) {
      for (auto _ : st) {
        TXmlDocument doc;
        doc.SetSortAttributes(sorted);
        doc.ReadFromString(reversed);
        benchmark::DoNotOptimize(doc.Root()->AttributeCount());
      }
    };
  };
  benchmark::RegisterBenchmark("attributes/sorted_load/ours", load(true))->Apply(Configure);
  benchmark::RegisterBenchmark("attributes/unsorted_load/ours", load(false))->Apply(Configure);
  benchmark::RegisterBenchmark("attributes/typed_writers/ours", [](benchmark::State& st) {
    for (auto _ : st) {
      TXmlDocument doc;
      for (const std::string& n : names) doc.Root()->WriteAttributeInteger(n, 1, 0);
      benchmark::DoNotOptimize(doc.Root()->AttributeCount());
    }
  })->Apply(Configure);
  benchmark::RegisterBenchmark("attributes/plain_add/ours", [](benchmark::State& st) {
    for (auto _ : st) {
      TXmlDocument doc;
      for (const std::string& n : names) doc.Root()->AttributeAdd(n, "1");
      benchmark::DoNotOptimize(doc.Root()->AttributeCount());
    }
  })->Apply(Configure);
}

void PrintMemory() {
  std::printf("\n");
  g_counting = true;
  for (const Input& input : Inputs()) {
    const std::string& t = input.text;
    std::map<std::string, MemoryUse> use;
    {
      MemoryMark m;
      auto doc = OursMemory(t);
      use["ours"] = m.Done();
    }
    {
      MemoryMark m;
      auto doc = PugiMemory(t);
      use["pugixml"] = m.Done();
    }
    {
      MemoryMark m;
      auto doc = LibxmlMemory(t);
      use["libxml2"] = m.Done();
    }
    {
      MemoryMark m;
      Expat(t, t.size());
      use["expat"] = m.Done();
    }
    for (const auto& [name, u] : use)
      std::printf("memory %s/%s: document %.1f MB, peak while parsing %.1f MB\n", input.name.c_str(), name.c_str(),
                  u.heldMb, u.peakMb);
    std::printf("memory ratio %s: peak %.2f, document %.2f (ours over pugixml)\n", input.name.c_str(),
                use["ours"].peakMb / use["pugixml"].peakMb, use["ours"].heldMb / use["pugixml"].heldMb);
  }
  g_counting = false;
}

}  // namespace

int main(int argc, char** argv) {
  xmlMemSetup(CountingFree, CountingMalloc, CountingRealloc, CountingStrdup);
  xmlInitParser();
  pugi::set_memory_management_functions(CountingMalloc, CountingFree);
  benchmark::Initialize(&argc, argv);
  RegisterAll();
  RegisterAttributeCases();
  RatioRecorder recorder;
  benchmark::RunSpecifiedBenchmarks(&recorder);
  PrintMemory();

  std::printf("\n");
  for (const char* kind : {"parse_memory", "parse_stream", "write_memory", "write_stream"}) {
    for (const Input& input : Inputs()) {
      const std::string base = std::string(kind) + "/" + input.name;
      for (const char* peer : {"pugixml", "libxml2", "expat"})
        recorder.PrintRatio(base + "/ours", base + "/" + peer, base, peer);
    }
  }
  recorder.PrintRatio("attributes/sorted_load/ours", "attributes/unsorted_load/ours", "attributes/sorted_load",
                      "unsorted_load");
  recorder.PrintRatio("attributes/typed_writers/ours", "attributes/plain_add/ours", "attributes/typed_writers",
                      "plain_add");
  benchmark::Shutdown();
  xmlCleanupParser();
  return 0;
}
