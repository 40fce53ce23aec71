// The document search at scale, end to end: the stand-in host with the module, headless, on
// databases of 20,000 and 160,000 documents (made by host/make-big-db.sh), running "command search".
// Each run is timed and measured whole (wall time and peak memory of the host process), and split
// as the host logs it: the host's answers and the module's own part (reading the reply into the
// list, fitting the columns). The peer is the same list query read straight from SQLite.
//
//   build/bench/bench_host_search [COUNT ...]     (default 20000 160000 160000s)
//
// A count ending in "s" is a sparse database: each document with its number, date, type and
// flags only, a list row of about a hundred bytes (the whole copies make some nine hundred).
//
// It runs for a while (the databases are made once and kept in the temporary folder), so it is
// not among the tests.
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct ProcessRun {
  int code = -1;
  double seconds = 0;
  double cpuSeconds = 0;  // user and system: steadier than the wall time on a busy machine
  double peakMegabytes = 0;
};

ProcessRun RunProcess(const std::vector<std::string>& args) {
  ProcessRun run;
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const auto started = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.peakMegabytes = static_cast<double>(usage.ru_maxrss) / 1024.0;
  run.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  return run;
}

long long DocumentCount(const fs::path& db) {
  if (!fs::exists(db)) return -1;
  sqlite3* h = nullptr;
  long long n = -1;
  if (sqlite3_open_v2(db.c_str(), &h, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(h, "SELECT count(*) FROM TB_BILDA", -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW)
      n = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
  }
  sqlite3_close_v2(h);
  return n;
}

// The peer: the list's query, every value of every row read as text; the best of three.
double SqliteSeconds(const fs::path& db, long long& rows) {
  sqlite3* h = nullptr;
  if (sqlite3_open_v2(db.c_str(), &h, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) return -1;
  double best = 1e9;
  for (int i = 0; i < 3; ++i) {
    const auto started = std::chrono::steady_clock::now();
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(h, "SELECT * FROM vd_bilda ORDER BY BILDA003 DESC, BILDA002 DESC, BILDA_ID DESC", -1, &st,
                       nullptr);
    rows = 0;
    size_t bytes = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
      ++rows;
      for (int c = 0; c < sqlite3_column_count(st); ++c) {
        sqlite3_column_text(st, c);
        bytes += static_cast<size_t>(sqlite3_column_bytes(st, c));
      }
    }
    sqlite3_finalize(st);
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
    if (bytes == 0) rows = -rows;
  }
  sqlite3_close_v2(h);
  return best;
}

// The numbers of the host's TIME line of a command: all, the host's answers, the module (ms).
bool ReadTimeLine(const fs::path& log, const std::string& command, double out[3]) {
  std::ifstream in(log);
  std::string line;
  const std::string key = "TIME   command " + command + ": ";
  while (std::getline(in, line)) {
    const size_t at = line.find(key);
    if (at == std::string::npos) continue;
    return std::sscanf(line.c_str() + at + key.size(), "%lf ms, %lf ms of it in the host's answers, %lf ms", &out[0],
                       &out[1], &out[2]) == 3;
  }
  return false;
}

long long ReplyBytes(const fs::path& log) {
  std::ifstream in(log);
  std::string line;
  while (std::getline(in, line)) {
    const size_t at = line.find("REPLY  0x473: ");
    if (at != std::string::npos) return std::atoll(line.c_str() + at + 14);
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> cases;
  for (int i = 1; i < argc; ++i) cases.push_back(argv[i]);
  if (cases.empty()) cases = {"20000", "160000", "160000s"};

  const fs::path bin = fs::read_symlink("/proc/self/exe").parent_path().parent_path();
  const std::string host = (bin / "host" / "fano_host").string();
  const std::string maker = std::string(FANO_SOURCE_DIR) + "/host/make-big-db.sh";
  const fs::path work = fs::temp_directory_path() / "fano_bench_host_search";
  fs::create_directories(work);
  std::ofstream(work / "search.script") << "command search\nquit\n";
  std::ofstream(work / "start.script") << "quit\n";

  std::vector<std::string> ratios;
  for (const std::string& name : cases) {
    const long long count = std::atoll(name.c_str());
    const bool sparse = !name.empty() && name.back() == 's';
    const fs::path db = work / ("documents_" + name + ".db");
    if (DocumentCount(db) != count) {
      std::printf("making %s ...\n", db.c_str());
      std::fflush(stdout);
      std::vector<std::string> make = {"/bin/bash", maker};
      if (sparse) make.push_back("--sparse");
      for (const std::string& a : {std::to_string(count), db.string(), host}) make.push_back(a);
      ProcessRun made = RunProcess(make);
      if (made.code != 0 || DocumentCount(db) != count) {
        std::fprintf(stderr, "bench_host_search: %s did not make %lld documents\n", maker.c_str(), count);
        return 1;
      }
    }
    const fs::path out = work / ("out_" + name);
    fs::create_directories(out);
    auto hostRun = [&](const char* script) {
      return RunProcess({host, "--headless", "--db", db.string(), "--out", out.string(), "--script",
                         (work / script).string()});
    };
    // The fastest of two runs each, the least disturbed by the rest of the machine.
    ProcessRun start = hostRun("start.script"), search = hostRun("search.script");
    double split[3] = {0, 0, 0}, best[3] = {1e12, 0, 0};
    long long reply = -1;
    for (int i = 0; i < 2; ++i) {
      ProcessRun s = hostRun("search.script");
      if (s.code != 0 || !ReadTimeLine(out / "host.log", "search", split)) {
        std::fprintf(stderr, "bench_host_search: the host's search failed (exit code %d; log %s)\n", s.code,
                     (out / "host.log").c_str());
        return 1;
      }
      if (split[0] < best[0]) std::copy(split, split + 3, best);
      reply = ReplyBytes(out / "host.log");
      if (s.seconds < search.seconds) search = s;
      ProcessRun t = hostRun("start.script");
      if (t.seconds < start.seconds) start = t;
    }
    long long rows = 0;
    const double peer = SqliteSeconds(db, rows);
    std::printf("documents %s: host run with the search %.2f s (%.2f s of processor time), peak %.0f MB (the host "
                "started and ended alone %.2f s, %.0f MB)\n",
                name.c_str(), search.seconds, search.cpuSeconds, search.peakMegabytes, start.seconds, start.peakMegabytes);
    std::printf("documents %s: the search %.2f s: the host's answers %.2f s, the module %.2f s; reply %.1f MB\n",
                name.c_str(), best[0] / 1000, best[1] / 1000, best[2] / 1000, static_cast<double>(reply) / 1048576.0);
    std::printf("documents %s: SQLite reads the same %lld rows in %.3f s\n", name.c_str(), rows, peer);
    char line[200];
    std::snprintf(line, sizeof line, "ratio search_%s vs sqlite_query: %.2f", name.c_str(), best[0] / 1000 / peer);
    ratios.push_back(line);
    std::snprintf(line, sizeof line, "ratio module_part_%s vs sqlite_query: %.2f", name.c_str(), best[2] / 1000 / peer);
    ratios.push_back(line);
    std::snprintf(line, sizeof line, "ratio host_part_%s vs sqlite_query: %.2f", name.c_str(), best[1] / 1000 / peer);
    ratios.push_back(line);
    std::fflush(stdout);
  }
  for (const std::string& r : ratios) std::printf("%s\n", r.c_str());
  return 0;
}
