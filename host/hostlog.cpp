#include "host/hostlog.h"

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

void HostLog::Write(std::string_view keyword, std::string_view text) {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "[%" PRIu64 "] ", static_cast<uint64_t>(GetTickCount64()));
  std::string line = stamp;
  line += keyword;
  line.append(keyword.size() < 7 ? 7 - keyword.size() : 1, ' ');
  line += OneLine(text);
  if (file_) {
    std::fputs(line.c_str(), file_);
    std::fputc('\n', file_);
    std::fflush(file_);
  }
  if (echo_) std::fprintf(stderr, "%s\n", line.c_str());
  lines_.push_back(std::move(line));
}

void HostLog::Document(std::string_view keyword, std::string_view label, std::string_view text) {
  std::string line(label);
  line += ": ";
  line += text;
  Write(keyword, line);
}

std::string Quoted(std::string_view text) { return "\"" + HostLog::OneLine(text) + "\""; }

std::string HexValue(uintptr_t value) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "0x%" PRIxPTR, value);
  return buf;
}

}  // namespace fanohost
