#include "host/hostscript.h"

#include <charconv>

#include "platform/os/winuser.h"
#include "platform/rtl/strings.h"

namespace fanohost {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// Splits a line into words; quoted words may hold blanks. False on an unclosed quote.
bool Words(std::string_view line, std::vector<std::string>& out) {
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i >= line.size()) break;
    std::string word;
    if (line[i] == '"') {
      ++i;
      bool closed = false;
      while (i < line.size()) {
        char c = line[i++];
        if (c == '\\' && i < line.size()) {
          word += line[i++];
        } else if (c == '"') {
          closed = true;
          break;
        } else {
          word += c;
        }
      }
      if (!closed) return false;
    } else {
      while (i < line.size() && !IsBlank(line[i])) word += line[i++];
    }
    out.push_back(std::move(word));
  }
  return true;
}

// The rest of the line after the first word, unquoted when it is one quoted word.
std::string Rest(std::string_view line) {
  size_t i = 0;
  while (i < line.size() && IsBlank(line[i])) ++i;
  while (i < line.size() && !IsBlank(line[i])) ++i;
  std::string rest = Trim(line.substr(i));
  if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"') {
    std::vector<std::string> words;
    if (Words(rest, words) && words.size() == 1) return words[0];
  }
  return rest;
}

bool ReadInt(std::string_view text, long long min, long long max, long long& out) {
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return ec == std::errc() && end == text.data() + text.size() && out >= min && out <= max;
}

struct NamedKey {
  const char* name;
  uint32_t vk;
};

constexpr NamedKey kKeys[] = {
    {"enter", VK_RETURN}, {"return", VK_RETURN}, {"tab", VK_TAB},       {"esc", VK_ESCAPE},
    {"escape", VK_ESCAPE}, {"space", VK_SPACE},  {"backspace", VK_BACK}, {"delete", VK_DELETE},
    {"del", VK_DELETE},   {"insert", VK_INSERT}, {"ins", VK_INSERT},     {"home", VK_HOME},
    {"end", VK_END},      {"pageup", VK_PRIOR},  {"pgup", VK_PRIOR},     {"pagedown", VK_NEXT},
    {"pgdn", VK_NEXT},    {"up", VK_UP},         {"down", VK_DOWN},      {"left", VK_LEFT},
    {"right", VK_RIGHT},
};

}  // namespace

bool ReadKeyStroke(std::string_view text, KeyStroke& out) {
  out = KeyStroke{};
  std::vector<std::string> parts = SplitString(text, '+');
  if (parts.empty()) return false;
  for (size_t i = 0; i + 1 < parts.size(); ++i) {
    std::string m = LowerCase(parts[i]);
    if (m == "ctrl" || m == "control") out.ctrl = true;
    else if (m == "shift") out.shift = true;
    else if (m == "alt") out.alt = true;
    else return false;
  }
  std::string key = LowerCase(parts.back());
  if (key.size() == 1 && ((key[0] >= 'a' && key[0] <= 'z') || (key[0] >= '0' && key[0] <= '9'))) {
    out.vk = static_cast<uint32_t>(key[0] >= 'a' ? key[0] - 'a' + 'A' : key[0]);
    return true;
  }
  if (key.size() >= 2 && key[0] == 'f') {
    long long n = 0;
    if (ReadInt(std::string_view(key).substr(1), 1, 12, n)) {
      out.vk = static_cast<uint32_t>(VK_F1 + n - 1);
      return true;
    }
  }
  for (const NamedKey& k : kKeys) {
    if (key == k.name) {
      out.vk = k.vk;
      return true;
    }
  }
  return false;
}

bool IsGarbleKind(std::string_view kind) {
  for (const char* k : {"open", "close", "display", "save", "command", "search", "lookup", "any"})
    if (kind == k) return true;
  return false;
}

bool ReadScript(std::string_view text, std::vector<ScriptAction>& out, std::string& error) {
  out.clear();
  error.clear();
  int lineNo = 0;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    ++lineNo;
    std::string trimmed = Trim(line);
    if (trimmed.empty() || trimmed[0] == '#') {
      if (end == text.size()) break;
      continue;
    }
    auto fail = [&](const std::string& why) {
      error = "line " + std::to_string(lineNo) + ": " + why;
      out.clear();
      return false;
    };
    if (!IsValidUtf8(trimmed)) return fail("the line is not UTF-8 text");
    std::vector<std::string> w;
    if (!Words(trimmed, w)) return fail("a quote is not closed");
    ScriptAction a;
    a.line = lineNo;
    std::string verb = LowerCase(w[0]);
    size_t args = w.size() - 1;
    auto needArgs = [&](size_t min, size_t max) { return args >= min && args <= max; };
    long long n = 0;
    // Words `at` and `at + 1` as a position on screen.
    auto readPoint = [&](size_t at) {
      long long x = 0, y = 0;
      if (!ReadInt(w[at], -32768, 32767, x) || !ReadInt(w[at + 1], -32768, 32767, y)) return false;
      a.x = static_cast<int>(x);
      a.y = static_cast<int>(y);
      return true;
    };
    if (verb == "wait") {
      if (!needArgs(1, 1) || !ReadInt(w[1], 0, 3600000, n)) return fail("wait takes milliseconds (0 to 3600000)");
      a.kind = ActionKind::Wait;
      a.ms = static_cast<uint32_t>(n);
    } else if (verb == "command") {
      if (!needArgs(1, 1)) return fail("command takes one command name");
      a.kind = ActionKind::Command;
      a.text = w[1];
    } else if (verb == "click") {
      if (!needArgs(2, 3) || !readPoint(1)) return fail("click takes x y [left|right|double]");
      a.kind = ActionKind::Click;
      if (args == 3) {
        std::string how = LowerCase(w[3]);
        if (how == "left") a.click = ClickKind::Left;
        else if (how == "right") a.click = ClickKind::Right;
        else if (how == "double") a.click = ClickKind::Double;
        else return fail("a click is left, right or double, not \"" + w[3] + "\"");
      }
    } else if (verb == "probe") {
      if (!needArgs(2, 2) || !readPoint(1)) return fail("probe takes x y");
      a.kind = ActionKind::Probe;
    } else if (verb == "click-window") {
      if (!(args == 1 || (args == 3 && readPoint(2))))
        return fail("click-window takes a window text or class and an optional x y");
      a.kind = ActionKind::ClickWindow;
      a.text = w[1];
      a.hasPosition = args == 3;
    } else if (verb == "focus" || verb == "read") {
      if (!needArgs(1, 1)) return fail(verb + " takes a control's name");
      a.kind = verb == "focus" ? ActionKind::Focus : ActionKind::Read;
      a.text = w[1];
    } else if (verb == "cell") {
      if (!needArgs(3, 3)) return fail("cell takes a grid's name, a line (from 1, or last) and a field");
      a.kind = ActionKind::Cell;
      a.text = w[1];
      if (LowerCase(w[2]) == "last") a.cellLine = -1;
      else if (ReadInt(w[2], 1, 100000000, n)) a.cellLine = static_cast<int>(n);
      else return fail("a cell's line is a number from 1 or last, not \"" + w[2] + "\"");
      a.field = w[3];
    } else if (verb == "key") {
      if (args == 0) return fail("key takes one or more keys");
      for (size_t i = 1; i < w.size(); ++i) {
        KeyStroke k;
        if (!ReadKeyStroke(w[i], k)) return fail("\"" + w[i] + "\" is no key");
        a.keys.push_back(k);
      }
      a.kind = ActionKind::Key;
    } else if (verb == "text" || verb == "note") {
      a.kind = verb == "text" ? ActionKind::Text : ActionKind::Note;
      a.text = Rest(trimmed);
      if (a.kind == ActionKind::Text && a.text.empty()) return fail("text takes the text to type");
    } else if (verb == "answer") {
      if (!needArgs(1, 1)) return fail("answer takes yes, no, ok, cancel or a number");
      std::string v = LowerCase(w[1]);
      a.kind = ActionKind::Answer;
      if (v == "yes") a.answer = 6;
      else if (v == "no") a.answer = 7;
      else if (v == "ok") a.answer = 1;
      else if (v == "cancel") a.answer = 2;
      else if (ReadInt(v, 0, 0x7FFFFFFF, n)) a.answer = static_cast<int32_t>(n);
      else return fail("answer takes yes, no, ok, cancel or a number, not \"" + w[1] + "\"");
    } else if (verb == "pick") {
      if (!needArgs(1, 1)) return fail("pick takes first, last, none, a row number or COLUMN=value");
      a.kind = ActionKind::Pick;
      std::string v = LowerCase(w[1]);
      size_t eq = w[1].find('=');
      if (v == "first") a.pick.kind = PickChoice::First;
      else if (v == "last") a.pick.kind = PickChoice::Last;
      else if (v == "none" || v == "cancel") a.pick.kind = PickChoice::None;
      else if (ReadInt(v, 1, 1000000000, n)) {
        a.pick.kind = PickChoice::Row;
        a.pick.row = static_cast<int>(n);
      } else if (eq != std::string::npos && eq > 0) {
        a.pick.kind = PickChoice::Match;
        a.pick.column = w[1].substr(0, eq);
        a.pick.value = w[1].substr(eq + 1);
      } else {
        return fail("pick takes first, last, none, a row number or COLUMN=value, not \"" + w[1] + "\"");
      }
    } else if (verb == "garble") {
      if (!needArgs(1, 2) || !IsGarbleKind(LowerCase(w[1])))
        return fail("garble takes open, close, display, save, command, search, lookup or any");
      a.kind = ActionKind::Garble;
      a.text = LowerCase(w[1]);
      if (args == 2) {
        std::string how = LowerCase(w[2]);
        if (how != "cut" && how != "nocode" && how != "foreign-ids" && how != "nameless-ids")
          return fail("a reply is garbled as cut, nocode, foreign-ids or nameless-ids, not \"" + w[2] + "\"");
        if (how != "cut") a.text += " " + how;
      }
    } else if (verb == "snapshot") {
      if (!needArgs(1, 1)) return fail("snapshot takes a file name");
      a.kind = ActionKind::Snapshot;
      a.text = w[1];
    } else if (verb == "activate" || verb == "hide" || verb == "show" || verb == "close" || verb == "reopen" ||
               verb == "quit") {
      if (args != 0) return fail(verb + " takes nothing");
      a.kind = verb == "activate" ? ActionKind::Activate
               : verb == "hide"   ? ActionKind::Hide
               : verb == "show"   ? ActionKind::Show
               : verb == "close"  ? ActionKind::Close
               : verb == "reopen" ? ActionKind::Reopen
                                  : ActionKind::Quit;
    } else {
      return fail("unknown action \"" + w[0] + "\"");
    }
    out.push_back(std::move(a));
    if (end == text.size()) break;
  }
  return true;
}

}  // namespace fanohost
