// The script that makes a large host database for the search benchmark, on a small count: the
// documents it adds are whole copies with numbers and dates of their own.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/testpaths.h"

namespace {

namespace fs = std::filesystem;

long long MakeDbScalar(const fs::path& db, const char* sql) {
  sqlite3* h = nullptr;
  long long v = -1;
  if (sqlite3_open_v2(db.c_str(), &h, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(h, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
      v = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
  }
  sqlite3_close_v2(h);
  return v;
}

TEST(MakeBigDb, FillsTheDemoDatabaseUpToTheCountAsked) {
  const std::string source = testpaths::SourceDir().string();
  const std::string binary = testpaths::BinaryDir().string();
  const fs::path dir = fs::temp_directory_path() / ("fano_makebigdb_" + std::to_string(getpid()));
  fs::create_directories(dir);
  const fs::path db = dir / "big.db";
  const std::string cmd = std::string(source) + "/host/make-big-db.sh 1000 '" + db.string() + "' '" + binary +
                          "/host/fano_host' > '" + (dir / "out.txt").string() + "' 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
  EXPECT_EQ(MakeDbScalar(db, "SELECT count(*) FROM TB_BILDA"), 1000);
  EXPECT_EQ(MakeDbScalar(db, "SELECT count(DISTINCT BILDA002) FROM TB_BILDA"), 1000);
  // Copies keep what they refer to: every document lists with its merchant and stall.
  EXPECT_EQ(MakeDbScalar(db, "SELECT count(*) FROM vd_bilda WHERE BILDA006C1 IS NOT NULL AND BILDA007C1 IS NOT NULL"),
            MakeDbScalar(db, "SELECT count(*) FROM TB_BILDA WHERE BILDA006 IS NOT NULL AND BILDA007 IS NOT NULL"));
  EXPECT_GT(MakeDbScalar(db, "SELECT count(DISTINCT BILDA003) FROM TB_BILDA"),
            MakeDbScalar(db, "SELECT count(DISTINCT BILDA003) FROM TB_BILDA WHERE BILDA002 NOT LIKE 'PL%'"));
  // Asked for fewer than the demo holds, it adds nothing.
  const std::string again = std::string(source) + "/host/make-big-db.sh 10 '" + db.string() + "' '" + binary +
                            "/host/fano_host' > /dev/null 2>&1";
  ASSERT_EQ(std::system(again.c_str()), 0);
  EXPECT_EQ(MakeDbScalar(db, "SELECT count(*) FROM TB_BILDA WHERE BILDA002 LIKE 'PL%'"), 0);
  // Sparse copies keep their type and flags only.
  const std::string sparse = std::string(source) + "/host/make-big-db.sh --sparse 500 '" + db.string() + "' '" +
                             binary + "/host/fano_host' > /dev/null 2>&1";
  ASSERT_EQ(std::system(sparse.c_str()), 0);
  EXPECT_EQ(MakeDbScalar(db, "SELECT count(*) FROM TB_BILDA"), 500);
  EXPECT_EQ(MakeDbScalar(db, "SELECT count(*) FROM TB_BILDA WHERE BILDA002 LIKE 'PL%' AND BILDA001 IS NOT NULL "
                             "AND BILDA006 IS NULL AND CREATE_USER IS NULL"),
            180);
  fs::remove_all(dir);
}

}  // namespace
