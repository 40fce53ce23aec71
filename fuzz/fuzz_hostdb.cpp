// Lookup and search arguments and the rows of a save, built from arbitrary bytes, against one demo
// database. Whatever the input, a lookup or search answers rows or a refusal (never an SQL error:
// input must not reach SQL text), and a save answers a status without an internal error.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "host/hostdb.h"

using namespace hostdb;

namespace {

// Fields are separated by 0x1F, records by 0x1E.
std::vector<std::vector<std::string>> Records(std::string_view s) {
  std::vector<std::vector<std::string>> out(1, std::vector<std::string>(1));
  for (char c : s) {
    if (c == '\x1e') out.emplace_back(1);
    else if (c == '\x1f') out.back().emplace_back();
    else out.back().back().push_back(c);
  }
  return out;
}

const std::string& Field(const std::vector<std::string>& r, size_t i) {
  static const std::string empty;
  return i < r.size() ? r[i] : empty;
}

uint8_t FirstByte(const std::string& s) { return s.empty() ? 0 : static_cast<uint8_t>(s[0]); }

std::vector<LookupArg> Args(const std::vector<std::vector<std::string>>& records) {
  std::vector<LookupArg> args;
  for (size_t i = 1; i < records.size(); ++i) {
    const auto& r = records[i];
    args.push_back({Field(r, 0), static_cast<uint8_t>(FirstByte(Field(r, 1)) % 8), FirstByte(Field(r, 2)) % 4 != 0, Field(r, 3)});
  }
  return args;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static HostDatabase* db = [] {
    auto* d = new HostDatabase;
    if (!d->Open(":memory:").ok()) std::abort();
    return d;
  }();
  auto records = Records(std::string_view(reinterpret_cast<const char*>(data), size));
  const auto& head = records[0];
  RowSet rows;
  switch (FirstByte(Field(head, 0)) % 3) {
    case 0: {
      DbStatus st = db->Lookup(Field(head, 1), Args(records), rows);
      if (st.code == DbCode::Sqlite || st.code == DbCode::Internal) std::abort();
      break;
    }
    case 1: {
      DbStatus st = db->DocumentList(Args(records), rows);
      if (st.code == DbCode::Sqlite || st.code == DbCode::Internal) std::abort();
      break;
    }
    case 2: {
      std::vector<ChangeRow> changes;
      for (size_t i = 1; i < records.size(); ++i) {
        const auto& r = records[i];
        ChangeRow row;
        row.table = Field(r, 0);
        row.status = static_cast<RowStatus>(FirstByte(Field(r, 1)) % 5);
        row.key = Field(r, 2).empty() ? Variant() : Variant(Field(r, 2));
        row.parent = static_cast<int>(FirstByte(Field(r, 3))) - 1;
        row.rn = static_cast<int64_t>(i);
        for (size_t f = 4; f + 1 < r.size(); f += 2) row.values.emplace_back(r[f], Variant(r[f + 1]));
        changes.push_back(std::move(row));
      }
      std::vector<NewRowId> ids;
      DbStatus st = db->ApplyChanges(changes, ids);
      if (st.code == DbCode::Internal || st.code == DbCode::NotOpen) std::abort();
      auto inserted = std::count_if(changes.begin(), changes.end(),
                                    [](const ChangeRow& c) { return c.status == RowStatus::Inserted; });
      if (ids.size() != (st.ok() ? static_cast<size_t>(inserted) : 0u)) std::abort();
      break;
    }
  }
  return 0;
}
