#pragma once
// The host's log: one line per event, each starting with the platform clock's tick count in
// brackets and a keyword, so that a reader (a person or a test) can pick what it looks for:
//   [12345] HOST   the host's own steps (start, module loaded, entry called, quit)
//   [12345] SEND   a message the host sends to the form: SEND 0x468 ...
//   [12345] RECV   a message the module sends to the host: RECV 0x46A ...
//   [12345] REQUEST / REPLY   the documents of a request (on one line each; line breaks as \n); a
//                             reply by its size, rows and beginning unless whole ones are asked for
//   [12345] TIME   a scripted command's real time and peak memory, the host's part and the module's
//   [12345] BOX    a message box of the module: caption, text, flags and the answer
//   [12345] SHOW   a text the module asked the host to show (0x46C)
//   [12345] SCRIPT an action of the script
//   [12345] PROBE  a colour the script looked at: x y BBGGRR
//   [12345] READ   the text of a control the script looked at: name "text"
//   [12345] ERROR  something that went wrong on the host's side
// Lines go to the file as they come (flushed), and stay in memory for the window's status line.
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace fanohost {

class HostLog {
 public:
  HostLog() = default;
  ~HostLog();
  HostLog(const HostLog&) = delete;
  HostLog& operator=(const HostLog&) = delete;

  // Starts writing to a file (truncated); false when it cannot be opened.
  bool OpenFile(const std::string& path);
  // Also echo every line to standard error.
  void SetEcho(bool on) { echo_ = on; }

  void Write(std::string_view keyword, std::string_view text);
  // A document on one line: line breaks written as \n, carriage returns as \r. It goes to the file
  // piece by piece, without a whole copy; the line kept in memory holds its first kKeptBytes.
  void Document(std::string_view keyword, std::string_view label, std::string_view text);
  // What a reply is without the whole of it: its size, its rows and how it begins.
  void DocumentSummary(std::string_view keyword, std::string_view label, std::string_view text);

  static constexpr size_t kKeptBytes = 4096;
  // The text of a summary's beginning, in bytes.
  static constexpr size_t kSummaryBytes = 240;

  const std::vector<std::string>& Lines() const noexcept { return lines_; }

  // One line fit for the log: control characters escaped, invalid UTF-8 replaced.
  static std::string OneLine(std::string_view text);
  // The "row" elements of a reply document.
  static size_t CountRows(std::string_view text);

 private:
  std::string Stamp(std::string_view keyword) const;
  void Emit(const std::string& line);

  std::FILE* file_ = nullptr;
  bool echo_ = false;
  std::vector<std::string> lines_;
};

// A quoted text for a log line.
std::string Quoted(std::string_view text);
// A handle or pointer as 0x... text.
std::string HexValue(uintptr_t value);

}  // namespace fanohost
