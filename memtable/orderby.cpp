#include "memtable/orderby.h"

#include "platform/rtl/exceptions.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/strings.h"

FANO_IMPLEMENT_CLASS(TOrderByList, TObject)

namespace {

// Tokens: blanks separate; "," and ";" stand alone; anything else runs to the next blank,
// separator or NUL. `pos` is 0-based here.
std::string_view NextToken(std::string_view text, size_t& pos) {
  while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t' || text[pos] == '\r' || text[pos] == '\n'))
    ++pos;
  if (pos >= text.size() || text[pos] == '\0') return {};
  if (text[pos] == ',' || text[pos] == ';') return text.substr(pos++, 1);
  size_t start = pos;
  while (pos < text.size() && text[pos] != ' ' && text[pos] != '\t' && text[pos] != '\r' && text[pos] != '\n' &&
         text[pos] != ',' && text[pos] != ';' && text[pos] != '\0')
    ++pos;
  return text.substr(start, pos - start);
}

bool IsSeparator(std::string_view token) { return token == "," || token == ";"; }

}  // namespace

int TOrderByList::FieldIndexByName(std::string_view) const { return -1; }

const TOrderByItemGx& TOrderByList::GetItem(int index) const {
  if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return items_[static_cast<size_t>(index)];
}

void TOrderByList::ParseOrderByStr(std::string_view text) {
  size_t pos = 0;
  std::string_view token = NextToken(text, pos);
  if (token.empty()) return;
  std::vector<TOrderByItemGx> parsed;
  for (;;) {
    int index = FieldIndexByName(token);
    if (index < 0) throw Exception(" Field - \"" + std::string(token) + "\" not found.");
    bool desc = false;
    for (;;) {
      token = NextToken(text, pos);
      if (token.empty() || IsSeparator(token)) break;
      std::string word = UpperCase(token);
      if (word == "DESC") desc = true;
      else if (word != "ASC") throw Exception(" Invalid token - \"" + std::string(token) + "\"");
    }
    parsed.push_back({index, desc});
    if (token.empty()) break;
    token = NextToken(text, pos);
    if (token.empty()) break;
  }
  items_ = std::move(parsed);
}
