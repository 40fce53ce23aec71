#pragma once
// The same text work on SQLite's side as on ours, for the "with the same collation" ratios: a
// collation "ZH" that compares by the table's own Chinese collation (the ICU collator behind
// AnsiCompareStr), and zh_like(value, pattern[, ignore_case]) that matches as the table's LIKE
// does (case folded the same way when asked). SQLite's own comparisons stay bytewise for the
// plain ratios.
#include <sqlite3.h>

#include <string_view>

#include "memtable/exprevaluator.h"
#include "platform/rtl/strings.h"

inline void RegisterSameCollation(sqlite3* db) {
  sqlite3_create_collation_v2(
      db, "ZH", SQLITE_UTF8, nullptr,
      [](void*, int n1, const void* s1, int n2, const void* s2) {
        return AnsiCompareStr(std::string_view(static_cast<const char*>(s1), static_cast<size_t>(n1)),
                              std::string_view(static_cast<const char*>(s2), static_cast<size_t>(n2)));
      },
      nullptr);
  auto like = [](sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    const unsigned char* v = sqlite3_value_text(argv[0]);
    const unsigned char* p = sqlite3_value_text(argv[1]);
    if (!v || !p) {
      sqlite3_result_null(ctx);
      return;
    }
    const bool ignoreCase = argc > 2 && sqlite3_value_int(argv[2]) != 0;
    std::string_view value(reinterpret_cast<const char*>(v), static_cast<size_t>(sqlite3_value_bytes(argv[0])));
    std::string_view pattern(reinterpret_cast<const char*>(p), static_cast<size_t>(sqlite3_value_bytes(argv[1])));
    sqlite3_result_int(ctx, ExprLikeMatch(value, pattern, ignoreCase) ? 1 : 0);
  };
  const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
  sqlite3_create_function(db, "zh_like", 2, flags, nullptr, like, nullptr, nullptr);
  sqlite3_create_function(db, "zh_like", 3, flags, nullptr, like, nullptr, nullptr);
}
