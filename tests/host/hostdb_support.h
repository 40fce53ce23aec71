#pragma once
// Shared pieces of the host database tests: a fresh demo database per test, a read-only one shared
// by a whole suite, temporary files, and a second plain SQLite connection to look at what the layer
// wrote.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>

#include "host/hostdb.h"

namespace hostdb_test {

using namespace hostdb;

// A file name in the temporary directory, removed (with SQLite's side files) at the end.
class TempFile {
 public:
  TempFile() {
    static std::atomic<int> counter{0};
    path_ = (std::filesystem::temp_directory_path() /
             ("fano_hostdb_" + std::to_string(getpid()) + "_" + std::to_string(counter++) + ".db"))
                .string();
    Remove();
  }
  ~TempFile() { Remove(); }
  const std::string& path() const { return path_; }

 private:
  void Remove() {
    std::error_code ec;
    for (const char* suffix : {"", "-journal", "-wal", "-shm"}) std::filesystem::remove(path_ + suffix, ec);
  }
  std::string path_;
};

// A plain connection to a database file, for looking behind the layer.
class RawDb {
 public:
  explicit RawDb(const std::string& path) {
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
      ADD_FAILURE() << "cannot open " << path;
  }
  ~RawDb() { sqlite3_close_v2(db_); }
  // Runs SQL; answers the SQLite result code.
  int Exec(const std::string& sql) { return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr); }
  // The first column of the first row as text ("" without a row).
  std::string Text(const std::string& sql) {
    sqlite3_stmt* st = nullptr;
    std::string out;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW &&
        sqlite3_column_text(st, 0))
      out = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
    sqlite3_finalize(st);
    return out;
  }
  long long Number(const std::string& sql) { return std::stoll("0" + Text(sql)); }
  sqlite3* get() { return db_; }

 private:
  sqlite3* db_ = nullptr;
};

// Each test gets its own freshly created demo database in a file.
class FreshDb : public ::testing::Test {
 protected:
  void SetUp() override {
    DbStatus st = db.Open(file.path());
    ASSERT_TRUE(st.ok()) << st.text;
    ASSERT_TRUE(db.Created());
  }
  TempFile file;
  HostDatabase db;
};

// One demo database shared, read only, by every test of a suite.
class SharedDb : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    shared_ = new HostDatabase;
    DbStatus st = shared_->Open(":memory:");
    if (!st.ok()) ADD_FAILURE() << st.text;
  }
  static void TearDownTestSuite() {
    delete shared_;
    shared_ = nullptr;
  }
  static HostDatabase& db() { return *shared_; }

 private:
  static inline HostDatabase* shared_ = nullptr;
};

inline LookupArg Arg(std::string name, uint8_t kind, std::string value, bool flag = true) {
  return LookupArg{std::move(name), kind, flag, std::move(value)};
}

// All documents, unfiltered.
inline RowSet AllDocuments(HostDatabase& db) {
  RowSet rows;
  DbStatus st = db.DocumentList({}, rows);
  EXPECT_TRUE(st.ok()) << st.text;
  return rows;
}

inline RowSet LookupAll(HostDatabase& db, const std::string& view, std::vector<LookupArg> args = {}) {
  RowSet rows;
  DbStatus st = db.Lookup(view, args, rows);
  EXPECT_TRUE(st.ok()) << view << ": " << st.text;
  return rows;
}

}  // namespace hostdb_test
