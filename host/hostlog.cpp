#include "host/hostlog.h"

#include <algorithm>
#include <cinttypes>
#include <cstdint>

#include "platform/os/clock.h"
#include "platform/rtl/strings.h"

namespace fanohost {

HostLog::~HostLog() {
  if (file_) std::fclose(file_);
}

bool HostLog::OpenFile(const std::string& path) {
  if (file_) std::fclose(file_);
  file_ = std::fopen(path.c_str(), "w");
  return file_ != nullptr;
}

std::string HostLog::OneLine(std::string_view text) {
  std::string valid = SanitizeUtf8(text);
  std::string out;
  out.reserve(valid.size());
  for (char c : valid) {
    unsigned char u = static_cast<unsigned char>(c);
    if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '\t') out += "\\t";
    else if (u < 0x20 || u == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", u);
      out += buf;
    } else out += c;
  }
  return out;
}

std::string HostLog::Stamp(std::string_view keyword) const {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "[%" PRIu64 "] ", static_cast<uint64_t>(GetTickCount64()));
  std::string line = stamp;
  line += keyword;
  line.append(keyword.size() < 7 ? 7 - keyword.size() : 1, ' ');
  return line;
}

void HostLog::Emit(const std::string& line) {
  if (file_) {
    std::fputs(line.c_str(), file_);
    std::fputc('\n', file_);
    std::fflush(file_);
  }
  if (echo_) std::fprintf(stderr, "%s\n", line.c_str());
}

void HostLog::Write(std::string_view keyword, std::string_view text) {
  std::string line = Stamp(keyword) + OneLine(text);
  Emit(line);
  lines_.push_back(std::move(line));
}

void HostLog::Document(std::string_view keyword, std::string_view label, std::string_view text) {
  std::string head = Stamp(keyword) + OneLine(label) + ": ";
  // A reply of many megabytes goes out in pieces cut between characters, each made one line on
  // its own; only the beginning stays in memory.
  constexpr size_t kPiece = 1 << 16;
  std::string kept = head;
  if (file_) std::fputs(head.c_str(), file_);
  if (echo_) std::fputs(head.c_str(), stderr);
  for (size_t at = 0; at < text.size();) {
    size_t end = std::min(text.size(), at + kPiece);
    while (end < text.size() && end > at + 1 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    std::string piece = OneLine(text.substr(at, end - at));
    if (file_) std::fwrite(piece.data(), 1, piece.size(), file_);
    if (echo_) std::fwrite(piece.data(), 1, piece.size(), stderr);
    if (kept.size() < head.size() + kKeptBytes) kept.append(piece, 0, head.size() + kKeptBytes - kept.size());
    at = end;
  }
  if (file_) {
    std::fputc('\n', file_);
    std::fflush(file_);
  }
  if (echo_) std::fputc('\n', stderr);
  lines_.push_back(std::move(kept));
}

size_t HostLog::CountRows(std::string_view text) {
  size_t rows = 0;
  for (size_t at = text.find("<row"); at != std::string_view::npos; at = text.find("<row", at + 4)) {
    const char next = at + 4 < text.size() ? text[at + 4] : '\0';
    rows += next == ' ' || next == '>' || next == '/' || next == '\t' || next == '\n' || next == '\r';
  }
  return rows;
}

void HostLog::DocumentSummary(std::string_view keyword, std::string_view label, std::string_view text) {
  size_t cut = std::min(text.size(), kSummaryBytes);
  while (cut < text.size() && cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  std::string line = std::string(label) + ": " + std::to_string(text.size()) + " bytes, " +
                     std::to_string(CountRows(text)) + " rows, begins " + std::string(text.substr(0, cut));
  if (cut < text.size()) line += "…";
  Write(keyword, line);
}

std::string Quoted(std::string_view text) { return "\"" + HostLog::OneLine(text) + "\""; }

std::string HexValue(uintptr_t value) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "0x%" PRIxPTR, value);
  return buf;
}

}  // namespace fanohost
