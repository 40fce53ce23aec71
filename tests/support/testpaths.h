#pragma once
// Where a test program finds what it reads and runs: the source tree and the build folder it was
// configured with (absolute paths that CMake compiles into every test program), so that it runs
// alike from any folder, under CTest or not; where it writes its pictures; and what a missing tool
// or data set does: on CI, where the install script provides them all, it fails the test;
// elsewhere it skips it.
//
//   const fs::path suite = testpaths::SourceDir() / "node_modules" / ...;
//   FANO_SKIP_OR_FAIL_UNLESS(fs::exists(suite), "the suite is not installed");
//   FanoSnapshotWindow(wnd, testpaths::SnapshotPath("grid.png").c_str());
#include <errno.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

namespace testpaths {

inline std::filesystem::path SourceDir() { return FANO_TEST_SOURCE_DIR; }
inline std::filesystem::path BinaryDir() { return FANO_TEST_BINARY_DIR; }

// CI machines set CI (to "true", mostly).
inline bool OnCi() {
  const char* ci = std::getenv("CI");
  if (!ci) return false;
  const std::string_view v(ci);
  return !v.empty() && v != "0" && v != "false";
}

// Pictures for people to look at go to FANO_SNAPSHOT_DIR, else to a folder of this process's own
// in the temporary folder (named on the output when first used): two runs at once keep theirs
// apart.
inline std::string SnapshotDir() {
  static const std::string dir = [] {
    namespace fs = std::filesystem;
    const char* given = std::getenv("FANO_SNAPSHOT_DIR");
    const bool own = !given || !*given;
    const fs::path d = own ? fs::temp_directory_path() / ("fano_snapshots_" + std::string(program_invocation_short_name) +
                                                          "_" + std::to_string(getpid()))
                           : fs::path(given);
    std::error_code ec;
    fs::create_directories(d, ec);
    if (own) std::printf("[ snapshots ] %s\n", d.c_str());
    return d.string();
  }();
  return dir;
}
inline std::string SnapshotPath(const std::string& name) { return SnapshotDir() + "/" + name; }

}  // namespace testpaths

// Skips the test when `cond` does not hold, or fails it on CI.
#define FANO_SKIP_OR_FAIL_UNLESS(cond, why) \
  if (cond) {                               \
  } else if (::testpaths::OnCi()) {         \
    FAIL() << why << " (CI needs it)";      \
  } else                                    \
    GTEST_SKIP() << why
