#pragma once
// Helpers of the end-to-end tests: run the stand-in host headless (or under a virtual X server) with
// a script in a folder of its own, read its log into entries, and read the database it left.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/xserver.h"
#include "support/testpaths.h"

namespace e2e {

namespace fs = std::filesystem;

struct Entry {
  std::string keyword;
  std::string text;
};

struct HostRun {
  int exitCode = -1;
  std::vector<Entry> log;
  fs::path dir;
  std::string output;  // the host's standard error

  // Index of the first entry at or after `from` with that keyword whose text contains `part`.
  int Find(const std::string& keyword, const std::string& part, int from = 0) const {
    for (int i = std::max(0, from); i < static_cast<int>(log.size()); ++i)
      if (log[i].keyword == keyword && log[i].text.find(part) != std::string::npos) return i;
    return -1;
  }
  int Count(const std::string& keyword, const std::string& part) const {
    int n = 0;
    for (const Entry& e : log) n += e.keyword == keyword && e.text.find(part) != std::string::npos;
    return n;
  }
  std::string Dump() const {
    std::string s;
    for (const Entry& e : log) s += e.keyword + " " + e.text.substr(0, 300) + "\n";
    return s + "--- stderr:\n" + output;
  }
};

inline std::string BinaryDir() { return testpaths::BinaryDir().string(); }

inline std::string Shell(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'') out += "'\\''";
    else out += c;
  }
  return out + "'";
}

// A log line is "[<ms>] <KEYWORD> <text>"; replies make lines far too long for std::regex.
inline std::vector<Entry> ReadLog(const fs::path& path) {
  std::vector<Entry> out;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.size() < 3 || line[0] != '[') continue;
    size_t close = line.find("] ");
    if (close == std::string::npos || close == 1 ||
        line.find_first_not_of("0123456789", 1) != close)
      continue;
    size_t kw = close + 2;
    size_t sp = line.find(' ', kw);
    if (sp == std::string::npos || sp == kw) continue;
    size_t text = line.find_first_not_of(' ', sp);
    out.push_back({line.substr(kw, sp - kw), text == std::string::npos ? "" : line.substr(text)});
  }
  return out;
}

// Runs the host with a script; `prefix` goes in front of the command (the display for the window).
// Replies are logged whole unless `wholeReplies` is false (the host's default).
inline HostRun RunHost(const std::string& name, const std::string& script, const std::vector<std::string>& args = {},
                const std::string& prefix = "", bool wholeReplies = true) {
  static std::atomic<int> counter{0};
  HostRun run;
  run.dir = fs::temp_directory_path() / ("fano_e2e_" + std::to_string(getpid()) + "_" + std::to_string(counter++) + "_" + name);
  fs::remove_all(run.dir);
  fs::create_directories(run.dir);
  {
    std::ofstream(run.dir / "script.txt") << script;
  }
  std::string cmd = "cd " + Shell(run.dir.string()) + " && " + prefix + " timeout 300 " +
                    Shell(BinaryDir() + "/host/fano_host") + " --db " + Shell((run.dir / "e2e.db").string()) +
                    " --out " + Shell(run.dir.string()) + " --script script.txt";
  if (prefix.empty()) cmd += " --headless";
  if (wholeReplies) cmd += " --log-replies";
  for (const std::string& a : args) cmd += " " + Shell(a);
  cmd += " 2> " + Shell((run.dir / "stderr.txt").string());
  int status = std::system(cmd.c_str());
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.log = ReadLog(run.dir / "host.log");
  std::ifstream err(run.dir / "stderr.txt");
  std::stringstream s;
  s << err.rdbuf();
  run.output = s.str();
  return run;
}

// The value of `name="..."` in a document, from `from` on.
inline std::string Attribute(const std::string& doc, const std::string& name, size_t from = 0) {
  std::string key = " " + name + "=\"";
  size_t p = doc.find(key, from);
  if (p == std::string::npos) return "";
  p += key.size();
  return doc.substr(p, doc.find('"', p) - p);
}

inline int CountOf(const std::string& text, const std::string& part) {
  int n = 0;
  for (size_t p = text.find(part); p != std::string::npos; p = text.find(part, p + 1)) ++n;
  return n;
}

inline std::string ReplyCode(const std::string& doc) {
  size_t a = doc.find("<code>");
  size_t b = a == std::string::npos ? a : doc.find("</code>", a);
  return b == std::string::npos ? "<none>" : doc.substr(a + 6, b - a - 6);
}

inline long long Scalar(const std::string& dbPath, const std::string& sql) {
  sqlite3* db = nullptr;
  long long v = -1;
  if (sqlite3_open_v2(dbPath.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
      v = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
  }
  sqlite3_close_v2(db);
  return v;
}

}  // namespace e2e

namespace e2e {

// The request and reply documents of the n-th command of that name (0-based); empty if none.
inline std::pair<std::string, std::string> CommandExchange(const HostRun& r, const std::string& command, int n = 0) {
  int from = 0;
  for (int i = 0;; ++i) {
    int at = r.Find("RECV", "command \"" + command + "\"", from);
    if (at < 0 || at + 2 >= static_cast<int>(r.log.size())) return {};
    if (i == n) {
      // A garbled reply is announced between the request and the reply.
      int reply = r.Find("REPLY", "", at + 2);
      return {r.log[at + 1].text, reply < 0 ? std::string() : r.log[reply].text};
    }
    from = at + 1;
  }
}

// The document ids that the "display" requests asked for, in order, from log entry `from` on.
inline std::vector<long long> DisplayedIds(const HostRun& r, int from = 0) {
  std::vector<long long> ids;
  const std::string open = "<param typ=\"integer\">";
  for (int at = r.Find("RECV", "command \"display\"", from); at >= 0 && at + 1 < static_cast<int>(r.log.size());
       at = r.Find("RECV", "command \"display\"", at + 1)) {
    const std::string& request = r.log[at + 1].text;
    size_t p = request.find(open);
    ids.push_back(p == std::string::npos ? -1 : std::atoll(request.c_str() + p + open.size()));
  }
  return ids;
}

// The ids of the first `n` documents of the list a search gives (newest first).
inline std::vector<long long> ListedIds(const std::string& dbPath, int n, int offset = 0) {
  std::vector<long long> ids;
  for (int i = 0; i < n; ++i)
    ids.push_back(Scalar(dbPath, "SELECT BILDA_ID FROM TB_BILDA ORDER BY BILDA003 DESC, BILDA_ID DESC LIMIT 1 OFFSET " +
                                     std::to_string(offset + i)));
  return ids;
}

}  // namespace e2e
