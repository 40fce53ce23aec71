#include "protocol/delimited.h"

int CountSubStr(std::string_view text, std::string_view ch) noexcept {
  if (ch.size() != 1) return 0;
  int count = 0;
  for (char c : text) count += c == ch[0];
  return count;
}

std::string_view GetDelimitedItem(std::string_view text, char separator, int n) noexcept {
  size_t start = 0;
  size_t end = text.size();
  int seen = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != separator) continue;
    ++seen;
    if (seen == n - 1) start = i + 1;
    if (seen == n) {
      end = i;
      break;
    }
  }
  if (seen < n - 1) start = 0;
  if (start > end) return {};
  std::string_view item = text.substr(start, end - start);
  return item.size() == text.size() ? std::string_view() : item;
}
