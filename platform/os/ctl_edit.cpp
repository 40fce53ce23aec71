// The edit control (class "EDIT"): single-line and multi-line text with a selection whose caret
// may stand at either end, line messages, a formatting rectangle, margins, scrolling, word wrap,
// limits counted in code page 936, password characters, case styles, alignment, read-only state,
// one level of undo, the clipboard, and the notifications EN_CHANGE, EN_UPDATE, EN_MAXTEXT,
// EN_ERRSPACE, EN_SETFOCUS, EN_KILLFOCUS, EN_HSCROLL, EN_VSCROLL.
#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstring>

#include "platform/os/ctl_internal.h"

namespace fano_os::ctl {

namespace {

struct Line {
  size_t start = 0;
  size_t end = 0;   // before the line break (or the wrap point)
  size_t next = 0;  // start of the next line
  int width = -1;   // measured when the horizontal scroll range needs it
};

struct Edit {
  explicit Edit(HWND w) : wnd(w) { lines.push_back(Line{}); }
  HWND wnd;
  DWORD style = 0;
  std::string text;
  size_t cp936 = 0;  // what the text takes in code page 936
  size_t anchor = 0;
  size_t caret = 0;
  TextMeasure measure;
  int marginL = 0;
  int marginR = 0;
  RECT fmt{0, 0, 0, 0};
  std::vector<Line> lines;
  int firstLine = 0;
  int xOffset = 0;
  int maxWidth = 0;
  size_t limit = FANO_EDIT_DEFAULT_LIMIT;
  char32_t password = 0;
  bool modified = false;
  bool focused = false;
  bool redraw = true;
  bool selecting = false;
  bool updatingBars = false;
  int desiredX = -1;
  char16_t pendingHigh = 0;
  HWND combo = nullptr;  // the combo box this edit belongs to
  // One level of undo: the last change as text[undoPos, undoPos + undoInsLen) that replaced
  // undoRemoved, with the selection before it; a run of typing is one change. Undoing swaps, so a
  // second undo redoes. Only the changed part is kept, never a copy of the whole text.
  bool canUndo = false;
  bool typing = false;
  size_t undoPos = 0;
  size_t undoInsLen = 0;
  std::string undoRemoved;
  size_t undoAnchor = 0;
  size_t undoCaret = 0;

  bool Multi() const { return (style & ES_MULTILINE) != 0; }
  bool Wrap() const { return Multi() && !(style & ES_AUTOHSCROLL); }
  bool ReadOnly() const { return (style & ES_READONLY) != 0; }
  size_t SelMin() const { return std::min(anchor, caret); }
  size_t SelMax() const { return std::max(anchor, caret); }
  int FmtWidth() const { return std::max<int>(0, fmt.right - fmt.left); }
  int LineHeight() const { return std::max(1, measure.Height()); }
  int VisibleLines() const { return std::max(1, static_cast<int>((fmt.bottom - fmt.top) / LineHeight())); }
};

// ---- display text and measuring

// The text as shown: the password character in place of every character.
std::string Shown(Edit* e, size_t start, size_t end) {
  std::string_view part(e->text.data() + start, end - start);
  if (!e->password) return std::string(part);
  std::string out;
  for (size_t p = 0; p < part.size(); p = NextChar(part, p)) AppendUtf8(out, e->password);
  return out;
}

// x[k]: width of text[start, start + k).
void LineX(Edit* e, size_t start, size_t end, std::vector<int>& x) {
  std::string_view part(e->text.data() + start, end - start);
  if (!e->password) {
    e->measure.Cumulative(part, x);
    return;
  }
  std::string pw;
  AppendUtf8(pw, e->password);
  int w = e->measure.Width(pw);
  x.assign(part.size() + 1, 0);
  int cum = 0;
  for (size_t p = 0; p < part.size();) {
    size_t q = NextChar(part, p);
    cum += w;
    for (size_t k = p + 1; k <= q; ++k) x[k] = cum;
    p = q;
  }
}

int TextWidth(Edit* e, size_t start, size_t end) {
  std::vector<int> x;
  LineX(e, start, end, x);
  return x.back();
}

// ---- layout

void DefaultRect(Edit* e) {
  RECT c;
  GetClientRect(e->wnd, &c);
  e->fmt = RECT{c.left + e->marginL, c.top, std::max(c.left + e->marginL, c.right - e->marginR), c.bottom};
  if (!e->Multi()) e->fmt.bottom = std::max(e->fmt.bottom, e->fmt.top + e->LineHeight());
}

bool BreakAfter(std::string_view s, size_t pos) {
  // A line may break at pos when a space ends before it, or a wide character stands on either side.
  if (pos == 0 || pos >= s.size()) return false;
  size_t prev = PrevChar(s, pos);
  char32_t a = DecodeAt(s, prev);
  char32_t b = DecodeAt(s, pos);
  if ((a == ' ' || a == '\t') && b != ' ' && b != '\t') return true;
  return IsWide(a) || IsWide(b);
}

void WrapLine(Edit* e, size_t s, size_t end, size_t next, std::vector<Line>& out) {
  int w = e->FmtWidth();
  if (!e->Wrap() || w <= 0 || s == end) {
    out.push_back({s, end, next});
    return;
  }
  std::vector<int> x;
  LineX(e, s, end, x);
  std::string_view t(e->text);
  size_t pos = s;
  while (true) {
    int base = x[pos - s];
    if (x[end - s] - base <= w) {
      out.push_back({pos, end, next});
      return;
    }
    // The longest run of whole characters that fits.
    size_t fit = pos;
    for (size_t q = NextChar(t, pos); q <= end; q = NextChar(t, q)) {
      if (x[q - s] - base > w) break;
      fit = q;
      if (q == end) break;
    }
    // Spaces at the break hang over the edge.
    size_t cut = fit;
    while (cut < end && (t[cut] == ' ' || t[cut] == '\t')) ++cut;
    size_t brk = 0;
    if (cut > fit) {
      brk = cut;
    } else {
      for (size_t q = fit; q > pos; q = PrevChar(t, q)) {
        if (BreakAfter(t.substr(0, end), q)) {
          brk = q;
          break;
        }
      }
    }
    if (brk <= pos) brk = fit > pos ? fit : NextChar(t, pos);
    if (brk >= end) {
      out.push_back({pos, end, next});
      return;
    }
    out.push_back({pos, brk, brk});
    pos = brk;
  }
}

void UpdateScrollBars(Edit* e);

// Only a control that scrolls sideways without wrapping needs the width of its widest line.
bool NeedsWidths(Edit* e) { return !e->Wrap() && (e->style & WS_HSCROLL); }

int LineWidth(Edit* e, Line& l) {
  if (l.width < 0) l.width = TextWidth(e, l.start, l.end);
  return l.width;
}

int LineOf(Edit* e, size_t pos);

void Layout(Edit* e) {
  e->lines.clear();
  std::string_view t(e->text);
  if (!e->Multi()) {
    e->lines.push_back({0, t.size(), t.size()});
  } else {
    size_t s = 0;
    while (true) {
      size_t br = t.find("\r\n", s);
      if (br == std::string_view::npos) {
        WrapLine(e, s, t.size(), t.size(), e->lines);
        break;
      }
      WrapLine(e, s, br, br + 2, e->lines);
      s = br + 2;
    }
  }
  e->maxWidth = 0;
  if (NeedsWidths(e))
    for (Line& l : e->lines) e->maxWidth = std::max(e->maxWidth, LineWidth(e, l));
  int maxFirst = std::max(0, static_cast<int>(e->lines.size()) - 1);
  e->firstLine = std::clamp(e->firstLine, 0, maxFirst);
  UpdateScrollBars(e);
}

// Lays out again after text[a, a + removed) of the old text became insLen bytes: only the
// paragraphs the change touches, from the visual line before it (a deletion may let words move up
// a line) to the first line break after it; the lines after that only move by the difference.
void Relayout(Edit* e, size_t a, size_t removed, size_t insLen) {
  if (!e->Multi() || e->lines.empty()) {
    Layout(e);
    return;
  }
  std::vector<Line>& lines = e->lines;
  // A change right after a CR may join it with an LF into a line break (or part them): the line
  // holding the CR is laid out again too.
  int first = LineOf(e, a > 0 && e->text[a - 1] == '\r' ? a - 1 : a);
  if (first > 0 && lines[static_cast<size_t>(first) - 1].end == lines[static_cast<size_t>(first) - 1].next) --first;
  const size_t from = lines[static_cast<size_t>(first)].start;
  const size_t changeEnd = a + insLen;
  const ptrdiff_t delta = static_cast<ptrdiff_t>(insLen) - static_cast<ptrdiff_t>(removed);
  std::string_view t(e->text);
  std::vector<Line> fresh;
  size_t keepFrom = lines.size();
  for (size_t pos = from;;) {
    size_t br = t.find("\r\n", pos);
    if (br == std::string_view::npos) {
      WrapLine(e, pos, t.size(), t.size(), fresh);
      break;
    }
    WrapLine(e, pos, br, br + 2, fresh);
    pos = br + 2;
    if (br >= changeEnd) {
      // An old line break: the old line after it, and all that follow, stay as they were.
      size_t oldPos = static_cast<size_t>(static_cast<ptrdiff_t>(pos) - delta);
      auto it = std::lower_bound(lines.begin() + first, lines.end(), oldPos,
                                 [](const Line& l, size_t p) { return l.start < p; });
      if (it != lines.end() && it->start == oldPos) {
        keepFrom = static_cast<size_t>(it - lines.begin());
        break;
      }
    }
  }
  const bool widths = NeedsWidths(e);
  bool lostWidest = false;
  if (widths)
    for (size_t k = static_cast<size_t>(first); k < keepFrom; ++k)
      if (lines[k].width >= e->maxWidth) lostWidest = true;
  if (delta != 0)
    for (size_t k = keepFrom; k < lines.size(); ++k) {
      lines[k].start = static_cast<size_t>(static_cast<ptrdiff_t>(lines[k].start) + delta);
      lines[k].end = static_cast<size_t>(static_cast<ptrdiff_t>(lines[k].end) + delta);
      lines[k].next = static_cast<size_t>(static_cast<ptrdiff_t>(lines[k].next) + delta);
    }
  const size_t old = keepFrom - static_cast<size_t>(first);
  if (fresh.size() == old) {
    std::copy(fresh.begin(), fresh.end(), lines.begin() + first);
  } else {
    lines.erase(lines.begin() + first, lines.begin() + static_cast<ptrdiff_t>(keepFrom));
    lines.insert(lines.begin() + first, fresh.begin(), fresh.end());
  }
  if (widths) {
    if (lostWidest) {
      e->maxWidth = 0;
      for (Line& l : lines) e->maxWidth = std::max(e->maxWidth, LineWidth(e, l));
    } else {
      for (size_t k = 0; k < fresh.size(); ++k)
        e->maxWidth = std::max(e->maxWidth, LineWidth(e, lines[static_cast<size_t>(first) + k]));
    }
  }
  int maxFirst = std::max(0, static_cast<int>(lines.size()) - 1);
  e->firstLine = std::clamp(e->firstLine, 0, maxFirst);
  // The scroll bars are set by the caller once the caret is in view (one update, not two).
}

int LineOf(Edit* e, size_t pos) {
  auto it = std::upper_bound(e->lines.begin(), e->lines.end(), pos, [](size_t p, const Line& l) { return p < l.start; });
  if (it == e->lines.begin()) return 0;
  return static_cast<int>(it - e->lines.begin()) - 1;
}

int AlignOffset(Edit* e, const Line& l) {
  int w = e->FmtWidth();
  if (!(e->style & (ES_CENTER | ES_RIGHT))) return 0;
  int lw = TextWidth(e, l.start, l.end);
  if (lw >= w) return 0;
  return (e->style & ES_RIGHT) ? w - lw : (w - lw) / 2;
}

int LineLeft(Edit* e, int line) { return e->fmt.left - e->xOffset + AlignOffset(e, e->lines[static_cast<size_t>(line)]); }
int LineTop(Edit* e, int line) { return e->fmt.top + (line - e->firstLine) * e->LineHeight(); }

POINT PosOf(Edit* e, size_t pos) {
  int line = LineOf(e, pos);
  const Line& l = e->lines[static_cast<size_t>(line)];
  size_t p = std::min(pos, l.end);
  std::vector<int> x;
  LineX(e, l.start, l.end, x);
  return POINT{LineLeft(e, line) + x[p - l.start], LineTop(e, line)};
}

size_t CharFromPoint(Edit* e, int px, int py, int* lineOut = nullptr) {
  int line = e->firstLine + static_cast<int>(std::floor(static_cast<double>(py - e->fmt.top) / e->LineHeight()));
  line = std::clamp(line, 0, static_cast<int>(e->lines.size()) - 1);
  if (lineOut) *lineOut = line;
  const Line& l = e->lines[static_cast<size_t>(line)];
  std::vector<int> x;
  LineX(e, l.start, l.end, x);
  int rel = px - LineLeft(e, line);
  std::string_view t(e->text);
  size_t best = l.start;
  for (size_t p = l.start; p < l.end;) {
    size_t q = NextChar(t, p);
    int mid = (x[p - l.start] + x[q - l.start]) / 2;
    if (rel < mid) return p;
    best = q;
    p = q;
  }
  return best;
}

// ---- scrolling and the caret

void UpdateScrollBars(Edit* e) {
  if (e->updatingBars || !(e->style & (WS_VSCROLL | WS_HSCROLL))) return;
  e->updatingBars = true;
  if (e->style & WS_VSCROLL) {
    SCROLLINFO si{sizeof(SCROLLINFO), SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL, 0,
                  std::max(0, static_cast<int>(e->lines.size()) - 1), static_cast<UINT>(e->VisibleLines()), e->firstLine, 0};
    SetScrollInfo(e->wnd, SB_VERT, &si, TRUE);
  }
  if (e->style & WS_HSCROLL) {
    int w = e->FmtWidth();
    SCROLLINFO si{sizeof(SCROLLINFO), SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL, 0,
                  std::max(0, e->maxWidth), static_cast<UINT>(std::max(1, w)), e->xOffset, 0};
    SetScrollInfo(e->wnd, SB_HORZ, &si, TRUE);
  }
  e->updatingBars = false;
}

void Invalidate(Edit* e) {
  if (e->redraw) InvalidateRect(e->wnd, nullptr, TRUE);
}

void PlaceCaret(Edit* e) {
  if (!e->focused) return;
  POINT p = PosOf(e, e->caret);
  SetCaretPos(p.x, p.y);
}

// Scrolls so that the caret is in view; true when it scrolled.
bool ScrollCaret(Edit* e) {
  int oldFirst = e->firstLine;
  int oldX = e->xOffset;
  int line = LineOf(e, e->caret);
  int vis = e->VisibleLines();
  if (line < e->firstLine) e->firstLine = line;
  else if (line >= e->firstLine + vis) e->firstLine = line - vis + 1;
  if (!e->Wrap()) {
    const Line& l = e->lines[static_cast<size_t>(line)];
    std::vector<int> x;
    LineX(e, l.start, l.end, x);
    int align = AlignOffset(e, l);
    int cx = align + x[std::min(e->caret, l.end) - l.start];
    int w = std::max(1, e->FmtWidth());
    if (cx - e->xOffset < 0) e->xOffset = std::max(0, cx - w / 3);
    else if (cx - e->xOffset > w - 1) e->xOffset = cx - w + 1 + w / 3;
    // No empty room right of the text while the text is scrolled.
    e->xOffset = std::max(0, std::min(e->xOffset, align + x.back() + 1 - w));
  }
  bool moved = oldFirst != e->firstLine || oldX != e->xOffset;
  if (moved) {
    UpdateScrollBars(e);
    Invalidate(e);
    if (oldFirst != e->firstLine) NotifyParent(e->wnd, EN_VSCROLL);
    if (oldX != e->xOffset) NotifyParent(e->wnd, EN_HSCROLL);
  }
  PlaceCaret(e);
  return moved;
}

// ---- text changes

size_t Clamp(Edit* e, LONG pos) {
  if (pos < 0) return e->text.size();
  return CharStart(e->text, std::min(static_cast<size_t>(pos), e->text.size()));
}

// Starts a new undo step: `removed` at a was replaced, the selection was anchor..caret.
void Remember(Edit* e, size_t a, std::string removed, size_t anchor, size_t caret) {
  e->undoPos = a;
  e->undoInsLen = 0;
  e->undoRemoved = std::move(removed);
  e->undoAnchor = anchor;
  e->undoCaret = caret;
  e->canUndo = true;
}

std::string CaseOf(Edit* e, std::string_view s) {
  if (e->style & ES_UPPERCASE) return UpperUtf8(s);
  if (e->style & ES_LOWERCASE) return LowerUtf8(s);
  return std::string(s);
}

void Changed(Edit* e) {
  e->modified = true;
  NotifyParent(e->wnd, EN_UPDATE);
  if (!IsWindow(e->wnd)) return;
  Invalidate(e);
  NotifyParent(e->wnd, EN_CHANGE);
}

// Replaces the selection by the text (already in the control's case). userEntry: the limit and the
// room of a non-scrolling control apply, and the text is cut to what fits (EN_MAXTEXT).
// Answers false when nothing could be inserted and the selection was empty.
bool Replace(Edit* e, std::string ins, bool userEntry, bool undoable, bool typing) {
  size_t a = e->SelMin();
  size_t b = e->SelMax();
  size_t removed = Cp936Len(std::string_view(e->text).substr(a, b - a));
  bool cut = false;
  if (userEntry) {
    size_t room = e->cp936 - removed >= e->limit ? 0 : e->limit - (e->cp936 - removed);
    size_t keep = Cp936Prefix(ins, room);
    if (keep < ins.size()) {
      ins.resize(keep);
      cut = true;
    }
  }
  if (ins.empty() && a == b) {
    if (cut) NotifyParent(e->wnd, EN_MAXTEXT);
    return false;
  }
  // A run of typing goes on where it stopped; anything else starts a new step.
  const bool goesOn = typing && e->typing && e->canUndo && a == b && a == e->undoPos + e->undoInsLen;
  std::string removedText = undoable && !goesOn ? e->text.substr(a, b - a) : std::string();
  // A control that does not scroll takes only what it can show: only it may have to go back.
  const bool fixedRoom = userEntry && (e->Multi() ? !(e->style & ES_AUTOVSCROLL) : !(e->style & ES_AUTOHSCROLL));
  std::string before = fixedRoom ? e->text : std::string();
  size_t beforeCp = e->cp936;
  size_t beforeAnchor = e->anchor;
  size_t beforeCaret = e->caret;
  e->text.replace(a, b - a, ins);
  e->cp936 = e->cp936 - removed + Cp936Len(ins);
  e->anchor = e->caret = a + ins.size();
  Relayout(e, a, b - a, ins.size());
  if (fixedRoom && !ins.empty()) {
    bool tooWide = !e->Multi() && TextWidth(e, 0, e->text.size()) > e->FmtWidth();
    bool tooTall = e->Multi() && static_cast<int>(e->lines.size()) > e->VisibleLines();
    if (tooWide || tooTall) {
      e->text = std::move(before);
      e->cp936 = beforeCp;
      e->anchor = beforeAnchor;
      e->caret = beforeCaret;
      Layout(e);
      NotifyParent(e->wnd, EN_MAXTEXT);
      return false;
    }
  }
  if (undoable && !goesOn) Remember(e, a, std::move(removedText), beforeAnchor, beforeCaret);
  if (undoable) e->undoInsLen += ins.size();
  if (!undoable) e->canUndo = false;
  e->typing = typing;
  e->desiredX = -1;
  if (!ScrollCaret(e)) UpdateScrollBars(e);
  Changed(e);
  if (cut && IsWindow(e->wnd)) NotifyParent(e->wnd, EN_MAXTEXT);
  return true;
}

void SetSelection(Edit* e, size_t anchor, size_t caret, bool scroll = true) {
  if (anchor == e->anchor && caret == e->caret) {
    if (scroll) ScrollCaret(e);
    return;
  }
  e->anchor = anchor;
  e->caret = caret;
  e->typing = false;
  if (scroll) ScrollCaret(e);
  else PlaceCaret(e);
  Invalidate(e);
}

bool SetText(Edit* e, const char* t) {
  std::string s = ValidUtf8(t ? t : "");
  if (s.size() > FANO_EDIT_CAPACITY) {
    NotifyParent(e->wnd, EN_ERRSPACE);
    return false;
  }
  s = CaseOf(e, s);
  e->text = std::move(s);
  e->cp936 = Cp936Len(e->text);
  e->anchor = e->caret = 0;
  e->firstLine = 0;
  e->xOffset = 0;
  e->canUndo = false;
  e->typing = false;
  e->modified = false;
  Layout(e);
  PlaceCaret(e);
  Invalidate(e);
  // As on the original, only a single-line control announces text set by a program.
  if (!e->Multi()) {
    NotifyParent(e->wnd, EN_UPDATE);
    if (IsWindow(e->wnd)) NotifyParent(e->wnd, EN_CHANGE);
  }
  return true;
}

// ---- clipboard and undo

void Copy(Edit* e) {
  if (e->password || e->SelMin() == e->SelMax()) return;
  ClipboardSetText(e->wnd, std::string_view(e->text).substr(e->SelMin(), e->SelMax() - e->SelMin()));
}

void Paste(Edit* e) {
  if (e->ReadOnly()) return;
  std::string s;
  if (!ClipboardGetText(e->wnd, s)) return;
  s = ValidUtf8(s);
  if (!e->Multi()) {
    size_t br = s.find_first_of("\r\n");
    if (br != std::string::npos) s.resize(br);
  }
  Replace(e, CaseOf(e, s), true, true, false);
}

void Clear(Edit* e) {
  if (e->ReadOnly() || e->SelMin() == e->SelMax()) return;
  Replace(e, std::string(), true, true, false);
}

bool Undo(Edit* e) {
  if (!e->canUndo || e->ReadOnly()) return false;
  const size_t pos = e->undoPos;
  const size_t len = std::min(e->undoInsLen, e->text.size() - std::min(pos, e->text.size()));
  std::string now = e->text.substr(pos, len);
  e->text.replace(pos, len, e->undoRemoved);
  e->cp936 = e->cp936 - Cp936Len(now) + Cp936Len(e->undoRemoved);
  e->undoInsLen = e->undoRemoved.size();
  e->undoRemoved = std::move(now);
  std::swap(e->anchor, e->undoAnchor);
  std::swap(e->caret, e->undoCaret);
  e->typing = false;
  Relayout(e, pos, e->undoRemoved.size(), e->undoInsLen);
  if (!ScrollCaret(e)) UpdateScrollBars(e);
  Changed(e);
  return true;
}

// ---- keyboard

size_t WordLeft(Edit* e, size_t pos) {
  std::string_view t(e->text);
  size_t p = pos;
  while (p > 0 && std::isspace(static_cast<unsigned char>(t[PrevChar(t, p)]))) p = PrevChar(t, p);
  while (p > 0 && !std::isspace(static_cast<unsigned char>(t[PrevChar(t, p)]))) p = PrevChar(t, p);
  return p;
}

size_t WordRight(Edit* e, size_t pos) {
  std::string_view t(e->text);
  size_t p = pos;
  while (p < t.size() && !std::isspace(static_cast<unsigned char>(t[p]))) p = NextChar(t, p);
  while (p < t.size() && std::isspace(static_cast<unsigned char>(t[p]))) p = NextChar(t, p);
  return p;
}

void MoveTo(Edit* e, size_t pos, bool extend, bool keepX = false) {
  int x = e->desiredX;
  SetSelection(e, extend ? e->anchor : pos, pos);
  e->desiredX = keepX ? x : -1;
}

void MoveLines(Edit* e, int delta, bool extend) {
  int line = LineOf(e, e->caret);
  if (e->desiredX < 0) e->desiredX = PosOf(e, e->caret).x;
  int target = std::clamp(line + delta, 0, static_cast<int>(e->lines.size()) - 1);
  if (target == line) {
    if (delta < 0 && !e->Multi()) return;
    MoveTo(e, delta < 0 ? e->lines[static_cast<size_t>(line)].start : e->lines[static_cast<size_t>(line)].end, extend, true);
    return;
  }
  int y = LineTop(e, target);
  size_t pos = CharFromPoint(e, e->desiredX, y);
  const Line& l = e->lines[static_cast<size_t>(target)];
  if (pos > l.end) pos = l.end;
  // On a wrapped line the end belongs to the next line: stay before the last character.
  if (pos == l.end && l.end == l.next && l.end < e->text.size() && pos > l.start) pos = PrevChar(e->text, pos);
  if (delta < 0 || delta > 0) {
    if (std::abs(delta) >= e->VisibleLines()) e->firstLine = std::clamp(e->firstLine + delta, 0, std::max(0, static_cast<int>(e->lines.size()) - 1));
  }
  MoveTo(e, pos, extend, true);
}

void KeyDownMsg(Edit* e, WPARAM vk) {
  bool shift = KeyDown(VK_SHIFT);
  bool ctrl = KeyDown(VK_CONTROL);
  std::string_view t(e->text);
  switch (vk) {
    case VK_LEFT:
      if (!shift && e->anchor != e->caret) MoveTo(e, e->SelMin(), false);
      else MoveTo(e, ctrl ? WordLeft(e, e->caret) : PrevChar(t, e->caret), shift);
      break;
    case VK_RIGHT:
      if (!shift && e->anchor != e->caret) MoveTo(e, e->SelMax(), false);
      else MoveTo(e, ctrl ? WordRight(e, e->caret) : NextChar(t, e->caret), shift);
      break;
    case VK_HOME:
      MoveTo(e, ctrl ? 0 : e->lines[static_cast<size_t>(LineOf(e, e->caret))].start, shift);
      break;
    case VK_END: {
      const Line& l = e->lines[static_cast<size_t>(LineOf(e, e->caret))];
      MoveTo(e, ctrl ? t.size() : l.end, shift);
      break;
    }
    case VK_UP:
      if (e->Multi()) MoveLines(e, -1, shift);
      else MoveTo(e, PrevChar(t, e->caret), shift);
      break;
    case VK_DOWN:
      if (e->Multi()) MoveLines(e, 1, shift);
      else MoveTo(e, NextChar(t, e->caret), shift);
      break;
    case VK_PRIOR:
      if (e->Multi()) MoveLines(e, -e->VisibleLines(), shift);
      break;
    case VK_NEXT:
      if (e->Multi()) MoveLines(e, e->VisibleLines(), shift);
      break;
    case VK_DELETE:
      if (e->ReadOnly()) break;
      if (shift) {
        SendMessage(e->wnd, WM_CUT, 0, 0);
      } else if (e->anchor != e->caret) {
        Replace(e, std::string(), false, true, false);
      } else if (e->caret < t.size()) {
        e->anchor = NextChar(t, e->caret);
        Replace(e, std::string(), false, true, false);
      }
      break;
    case VK_INSERT:
      if (ctrl) SendMessage(e->wnd, WM_COPY, 0, 0);
      else if (shift) SendMessage(e->wnd, WM_PASTE, 0, 0);
      break;
    default: break;
  }
}

void CharMsg(Edit* e, WPARAM wp) {
  char16_t u = static_cast<char16_t>(wp);
  if (u >= 0xD800 && u <= 0xDBFF) {
    e->pendingHigh = u;
    return;
  }
  char32_t cp = u;
  if (u >= 0xDC00 && u <= 0xDFFF) {
    if (!e->pendingHigh) return;
    cp = 0x10000 + ((static_cast<char32_t>(e->pendingHigh) - 0xD800) << 10) + (u - 0xDC00);
  }
  e->pendingHigh = 0;
  switch (cp) {
    // The clipboard keys go through the messages, so that a subclass sees them.
    case 3: SendMessage(e->wnd, WM_COPY, 0, 0); return;
    case 0x16: SendMessage(e->wnd, WM_PASTE, 0, 0); return;
    case 0x18: SendMessage(e->wnd, WM_CUT, 0, 0); return;
    case 0x1A: SendMessage(e->wnd, WM_UNDO, 0, 0); return;
    case 8:
      if (e->ReadOnly()) {
        MessageBeep(0);
        return;
      }
      if (e->anchor == e->caret) {
        if (e->caret == 0) return;
        e->anchor = PrevChar(e->text, e->caret);
      }
      Replace(e, std::string(), false, true, false);
      return;
    case '\r':
    case '\n':
      if (!e->Multi()) return;
      if (e->ReadOnly()) {
        MessageBeep(0);
        return;
      }
      if (!Replace(e, "\r\n", true, true, true)) MessageBeep(0);
      return;
    case '\t':
      if (!e->Multi()) return;
      break;
    default:
      if (cp < 0x20) return;
      break;
  }
  if (e->ReadOnly()) {
    MessageBeep(0);
    return;
  }
  std::string s;
  AppendUtf8(s, cp);
  if (!Replace(e, CaseOf(e, s), true, true, true)) MessageBeep(0);
}

// ---- painting

void Paint(Edit* e, HDC given) {
  PAINTSTRUCT ps{};
  HDC dc = given ? given : BeginPaint(e->wnd, &ps);
  if (!dc) return;
  bool enabled = IsWindowEnabled(e->wnd);
  HBRUSH brush = ControlColor(e->wnd, dc, (e->ReadOnly() || !enabled) ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT);
  COLORREF textColor = enabled ? GetTextColor(dc) : GetSysColor(COLOR_GRAYTEXT);
  RECT client;
  GetClientRect(e->wnd, &client);
  if (brush) FillRect(dc, &client, brush);
  int saved = SaveDC(dc);
  HFONT font = e->measure.DrawFont();
  SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  IntersectClipRect(dc, e->fmt.left, e->fmt.top, e->fmt.right, e->fmt.bottom);
  bool showSel = (e->focused || (e->style & ES_NOHIDESEL)) && e->anchor != e->caret;
  size_t sa = e->SelMin();
  size_t sb = e->SelMax();
  int last = std::min(static_cast<int>(e->lines.size()), e->firstLine + e->VisibleLines() + 1);
  std::vector<int> x;
  for (int i = e->firstLine; i < last; ++i) {
    const Line& l = e->lines[static_cast<size_t>(i)];
    int left = LineLeft(e, i);
    int top = LineTop(e, i);
    LineX(e, l.start, l.end, x);
    auto draw = [&](size_t from, size_t to, bool selected) {
      if (from >= to) return;
      int x0 = left + x[from - l.start];
      int x1 = left + x[to - l.start];
      if (selected) {
        RECT r{x0, top, x1, top + e->LineHeight()};
        HBRUSH hb = GetSysColorBrush(COLOR_HIGHLIGHT);
        FillRect(dc, &r, hb);
        SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
      } else {
        SetTextColor(dc, textColor);
      }
      std::string s = Shown(e, from, to);
      TextOutA(dc, x0, top, s.data(), static_cast<int>(s.size()));
    };
    if (!showSel || sb <= l.start || sa >= l.end) {
      draw(l.start, l.end, false);
    } else {
      size_t a = std::max(sa, l.start);
      size_t b = std::min(sb, l.end);
      draw(l.start, a, false);
      draw(a, b, true);
      draw(b, l.end, false);
    }
  }
  RestoreDC(dc, saved);
  if (!given) EndPaint(e->wnd, &ps);
}

// ---- focus and mouse

void SetFocusMsg(Edit* e) {
  e->focused = true;
  int width = 1;
  SystemParametersInfo(SPI_GETCARETWIDTH, 0, &width, 0);
  CreateCaret(e->wnd, nullptr, std::max(1, width), e->LineHeight());
  PlaceCaret(e);
  ShowCaret(e->wnd);
  if (e->anchor != e->caret && !(e->style & ES_NOHIDESEL)) Invalidate(e);
  NotifyParent(e->wnd, EN_SETFOCUS);
}

void KillFocusMsg(Edit* e) {
  e->focused = false;
  e->typing = false;
  HideCaret(e->wnd);
  DestroyCaret();
  if (e->anchor != e->caret && !(e->style & ES_NOHIDESEL)) Invalidate(e);
  NotifyParent(e->wnd, EN_KILLFOCUS);
}

void SelectWord(Edit* e, size_t pos) {
  std::string_view t(e->text);
  auto isWordChar = [&](size_t p) {
    char32_t c = DecodeAt(t, p);
    return c != ' ' && c != '\t' && c != '\r' && c != '\n';
  };
  size_t a = pos;
  size_t b = pos;
  if (b < t.size() && isWordChar(b)) {
    while (a > 0 && isWordChar(PrevChar(t, a))) a = PrevChar(t, a);
    while (b < t.size() && isWordChar(b)) b = NextChar(t, b);
  }
  SetSelection(e, a, b);
}

void VScroll(Edit* e, int code, int thumb) {
  int vis = e->VisibleLines();
  int maxFirst = std::max(0, static_cast<int>(e->lines.size()) - 1);
  int first = e->firstLine;
  switch (code) {
    case SB_LINEUP: --first; break;
    case SB_LINEDOWN: ++first; break;
    case SB_PAGEUP: first -= std::max(1, vis - 1); break;
    case SB_PAGEDOWN: first += std::max(1, vis - 1); break;
    case SB_TOP: first = 0; break;
    case SB_BOTTOM: first = maxFirst; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: first = thumb; break;
    default: return;
  }
  first = std::clamp(first, 0, maxFirst);
  if (first == e->firstLine) return;
  e->firstLine = first;
  UpdateScrollBars(e);
  Invalidate(e);
  PlaceCaret(e);
  NotifyParent(e->wnd, EN_VSCROLL);
}

void HScroll(Edit* e, int code, int thumb) {
  int w = e->FmtWidth();
  int x = e->xOffset;
  int step = std::max(1, e->measure.AveWidth());
  switch (code) {
    case SB_LINELEFT: x -= step; break;
    case SB_LINERIGHT: x += step; break;
    case SB_PAGELEFT: x -= std::max(1, w); break;
    case SB_PAGERIGHT: x += std::max(1, w); break;
    case SB_LEFT: x = 0; break;
    case SB_RIGHT: x = e->maxWidth; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: x = thumb; break;
    default: return;
  }
  x = std::clamp(x, 0, std::max(0, e->maxWidth - w + 1));
  if (x == e->xOffset) return;
  e->xOffset = x;
  UpdateScrollBars(e);
  Invalidate(e);
  PlaceCaret(e);
  NotifyParent(e->wnd, EN_HSCROLL);
}

// The number of unselected characters on the lines the selection touches (EM_LINELENGTH -1).
LRESULT UnselectedOnSelectedLines(Edit* e) {
  int a = LineOf(e, e->SelMin());
  int b = LineOf(e, e->SelMax());
  const Line& la = e->lines[static_cast<size_t>(a)];
  const Line& lb = e->lines[static_cast<size_t>(b)];
  size_t n = (e->SelMin() - la.start) + (lb.end > e->SelMax() ? lb.end - e->SelMax() : 0);
  return static_cast<LRESULT>(n);
}

LRESULT Proc(Edit* e, UINT msg, WPARAM wp, LPARAM lp) {
  HWND wnd = e->wnd;
  switch (msg) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<const CREATESTRUCT*>(lp);
      e->style = static_cast<DWORD>(cs->style);
      if (e->style & ES_PASSWORD) e->password = '*';
      if (e->style & ES_MULTILINE) e->style &= ~ES_PASSWORD;
      if (!(e->style & ES_MULTILINE)) e->style &= ~(WS_VSCROLL);
      if (e->Multi() && (e->style & WS_HSCROLL)) e->style |= ES_AUTOHSCROLL;
      if (e->Multi() && (e->style & WS_VSCROLL)) e->style |= ES_AUTOVSCROLL;
      return DefWindowProc(wnd, msg, wp, lp);
    }
    case WM_CREATE: {
      auto* cs = reinterpret_cast<const CREATESTRUCT*>(lp);
      DefaultRect(e);
      std::string initial = (cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) ? cs->lpszName : "";
      e->text = CaseOf(e, ValidUtf8(initial));
      e->cp936 = Cp936Len(e->text);
      Layout(e);
      return 0;
    }
    case WM_NCDESTROY: return DefWindowProc(wnd, msg, wp, lp);
    case WM_STYLECHANGED:
      if (wp == static_cast<WPARAM>(GWL_STYLE)) {
        auto* ss = reinterpret_cast<const STYLESTRUCT*>(lp);
        DWORD keep = ES_MULTILINE;  // fixed at creation
        e->style = (ss->styleNew & ~keep) | (e->style & keep);
        Layout(e);
        Invalidate(e);
      }
      return 0;
    case WM_SETFONT: {
      e->measure.SetFont(reinterpret_cast<HFONT>(wp));
      e->marginL = e->marginR = 1;
      DefaultRect(e);
      Layout(e);
      if (e->focused) {
        DestroyCaret();
        CreateCaret(wnd, nullptr, 1, e->LineHeight());
        ShowCaret(wnd);
      }
      PlaceCaret(e);
      if (LOWORD(lp)) Invalidate(e);
      return 0;
    }
    case WM_GETFONT: return reinterpret_cast<LRESULT>(e->measure.Font());
    case WM_SIZE:
      DefaultRect(e);
      Layout(e);
      ScrollCaret(e);
      Invalidate(e);
      return 0;
    case WM_SETTEXT: return SetText(e, reinterpret_cast<const char*>(lp)) ? TRUE : FALSE;
    case WM_GETTEXT: {
      char* buf = reinterpret_cast<char*>(lp);
      if (!buf || wp == 0) return 0;
      size_t n = std::min(static_cast<size_t>(wp) - 1, e->text.size());
      n = CharStart(e->text, n);
      std::memcpy(buf, e->text.data(), n);
      buf[n] = 0;
      return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(e->text.size());
    case WM_GETDLGCODE: {
      LRESULT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
      if (e->Multi()) code |= DLGC_WANTALLKEYS;
      return code;
    }
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: Paint(e, reinterpret_cast<HDC>(wp)); return 0;
    case WM_PRINTCLIENT: Paint(e, reinterpret_cast<HDC>(wp)); return 0;
    case WM_SETREDRAW:
      e->redraw = wp != 0;
      if (e->redraw) InvalidateRect(wnd, nullptr, TRUE);
      return 0;
    case WM_ENABLE: Invalidate(e); return 0;
    case WM_SETFOCUS: SetFocusMsg(e); return 0;
    case WM_KILLFOCUS: KillFocusMsg(e); return 0;
    case WM_KEYDOWN:
      if (e->combo && ComboEditKey(e->combo, msg, wp)) return 0;
      KeyDownMsg(e, wp);
      return 0;
    case WM_SYSKEYDOWN:
      if (e->combo && ComboEditKey(e->combo, msg, wp)) return 0;
      return DefWindowProc(wnd, msg, wp, lp);
    case WM_CHAR:
      if (e->combo && ComboEditKey(e->combo, msg, wp)) return 0;
      CharMsg(e, wp);
      return 0;
    case WM_LBUTTONDOWN: {
      if (!e->focused) SetFocus(wnd);
      if (!IsWindow(wnd)) return 0;
      size_t pos = CharFromPoint(e, GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
      e->desiredX = -1;
      SetSelection(e, (wp & MK_SHIFT) ? e->anchor : pos, pos);
      e->selecting = true;
      SetCapture(wnd);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (e->selecting && GetCapture() == wnd) {
        size_t pos = CharFromPoint(e, GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
        SetSelection(e, e->anchor, pos);
      }
      return 0;
    case WM_LBUTTONUP:
      if (e->selecting) {
        e->selecting = false;
        if (GetCapture() == wnd) ReleaseCapture();
      }
      return 0;
    case WM_LBUTTONDBLCLK:
      // The pair's first press may have found the edit focused and the focus gone since.
      if (!e->focused) SetFocus(wnd);
      if (!IsWindow(wnd)) return 0;
      SelectWord(e, CharFromPoint(e, GET_X_LPARAM(lp), GET_Y_LPARAM(lp)));
      return 0;
    case WM_CAPTURECHANGED: e->selecting = false; return 0;
    case WM_VSCROLL: VScroll(e, LOWORD(wp), static_cast<int16_t>(HIWORD(wp))); return 0;
    case WM_HSCROLL: HScroll(e, LOWORD(wp), static_cast<int16_t>(HIWORD(wp))); return 0;
    case WM_MOUSEWHEEL: {
      int delta = static_cast<int16_t>(HIWORD(wp));
      if (!e->Multi()) return DefWindowProc(wnd, msg, wp, lp);
      UINT lines = 3;
      SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
      int n = static_cast<int>(lines) * std::abs(delta) / 120;
      for (int i = 0; i < std::max(1, n); ++i) VScroll(e, delta > 0 ? SB_LINEUP : SB_LINEDOWN, 0);
      return 0;
    }
    case WM_CUT:
      if (!e->ReadOnly()) {
        Copy(e);
        Clear(e);
      }
      return 0;
    case WM_COPY: Copy(e); return 0;
    case WM_PASTE: Paste(e); return 0;
    case WM_CLEAR: Clear(e); return 0;
    case WM_UNDO:
    case EM_UNDO: return Undo(e) ? TRUE : FALSE;
    case EM_CANUNDO: return e->canUndo ? TRUE : FALSE;
    case EM_EMPTYUNDOBUFFER:
      e->canUndo = false;
      e->typing = false;
      return 0;
    case EM_GETSEL: {
      auto* pa = reinterpret_cast<DWORD*>(wp);
      auto* pb = reinterpret_cast<DWORD*>(lp);
      if (pa) *pa = static_cast<DWORD>(e->SelMin());
      if (pb) *pb = static_cast<DWORD>(e->SelMax());
      if (e->SelMax() > 0xFFFF) return -1;
      return MAKELONG(e->SelMin(), e->SelMax());
    }
    case EM_SETSEL: {
      LONG a = static_cast<LONG>(wp);
      LONG b = static_cast<LONG>(lp);
      if (a == -1) {
        SetSelection(e, e->caret, e->caret, false);
        return 0;
      }
      size_t pa = Clamp(e, a);
      size_t pb = Clamp(e, b);
      e->desiredX = -1;
      SetSelection(e, pa, pb, false);
      return 0;
    }
    case EM_REPLACESEL: {
      const char* s = reinterpret_cast<const char*>(lp);
      Replace(e, CaseOf(e, ValidUtf8(s ? s : "")), false, wp != 0, false);
      return 0;
    }
    case EM_GETLINECOUNT: return static_cast<LRESULT>(e->lines.size());
    case EM_LINEINDEX: {
      LONG line = static_cast<LONG>(wp);
      if (line == -1) line = LineOf(e, e->caret);
      if (line < 0 || line >= static_cast<LONG>(e->lines.size())) return -1;
      return static_cast<LRESULT>(e->lines[static_cast<size_t>(line)].start);
    }
    case EM_LINELENGTH: {
      LONG pos = static_cast<LONG>(wp);
      if (pos == -1) return UnselectedOnSelectedLines(e);
      size_t p = std::min(static_cast<size_t>(std::max<LONG>(0, pos)), e->text.size());
      const Line& l = e->lines[static_cast<size_t>(LineOf(e, p))];
      return static_cast<LRESULT>(l.end - l.start);
    }
    case EM_LINEFROMCHAR: {
      LONG pos = static_cast<LONG>(wp);
      if (pos == -1) return LineOf(e, e->anchor != e->caret ? e->SelMin() : e->caret);
      return LineOf(e, std::min(static_cast<size_t>(std::max<LONG>(0, pos)), e->text.size()));
    }
    case EM_GETLINE: {
      char* buf = reinterpret_cast<char*>(lp);
      if (!buf) return 0;
      WORD cap = 0;
      std::memcpy(&cap, buf, sizeof cap);
      LONG line = e->Multi() ? static_cast<LONG>(wp) : 0;
      if (line < 0 || line >= static_cast<LONG>(e->lines.size())) return 0;
      const Line& l = e->lines[static_cast<size_t>(line)];
      size_t n = std::min(static_cast<size_t>(cap), l.end - l.start);
      // Cut at a character boundary, never before the line's own start.
      if (l.start + n < l.end) n = std::max(CharStart(e->text, l.start + n), l.start) - l.start;
      std::memcpy(buf, e->text.data() + l.start, n);
      return static_cast<LRESULT>(n);
    }
    case EM_CHARFROMPOS: {
      int line = 0;
      size_t pos = CharFromPoint(e, GET_X_LPARAM(lp), GET_Y_LPARAM(lp), &line);
      return MAKELONG(static_cast<WORD>(pos), e->Multi() ? static_cast<WORD>(line) : 0);
    }
    case EM_POSFROMCHAR: {
      LONG pos = static_cast<LONG>(wp);
      if (pos < 0 || static_cast<size_t>(pos) >= e->text.size()) return -1;
      POINT p = PosOf(e, CharStart(e->text, static_cast<size_t>(pos)));
      return MAKELONG(static_cast<WORD>(static_cast<int16_t>(p.x)), static_cast<WORD>(static_cast<int16_t>(p.y)));
    }
    case EM_GETRECT:
      if (lp) *reinterpret_cast<RECT*>(lp) = e->fmt;
      return 0;
    case EM_SETRECT:
    case EM_SETRECTNP:
      if (!e->Multi()) return 0;
      if (lp) e->fmt = *reinterpret_cast<const RECT*>(lp);
      else DefaultRect(e);
      Layout(e);
      PlaceCaret(e);
      if (msg == EM_SETRECT) Invalidate(e);
      return 0;
    case EM_SETMARGINS: {
      if (wp & EC_LEFTMARGIN) e->marginL = LOWORD(lp) == EC_USEFONTINFO ? 1 : static_cast<int16_t>(LOWORD(lp));
      if (wp & EC_RIGHTMARGIN) e->marginR = HIWORD(lp) == EC_USEFONTINFO ? 1 : static_cast<int16_t>(HIWORD(lp));
      DefaultRect(e);
      Layout(e);
      PlaceCaret(e);
      Invalidate(e);
      return 0;
    }
    case EM_GETMARGINS: return MAKELONG(e->marginL, e->marginR);
    case EM_SCROLLCARET: ScrollCaret(e); return TRUE;
    case EM_GETFIRSTVISIBLELINE: return e->Multi() ? e->firstLine : static_cast<LRESULT>(CharFromPoint(e, e->fmt.left, e->fmt.top));
    case EM_LINESCROLL: {
      if (!e->Multi()) return FALSE;
      int dx = static_cast<int>(static_cast<LONG>(wp));
      int dy = static_cast<int>(static_cast<LONG>(lp));
      if (dy) VScroll(e, SB_THUMBPOSITION, std::clamp(e->firstLine + dy, 0, std::max(0, static_cast<int>(e->lines.size()) - 1)));
      if (dx && !e->Wrap()) HScroll(e, SB_THUMBPOSITION, std::max(0, e->xOffset + dx * e->measure.AveWidth()));
      return TRUE;
    }
    case EM_SCROLL: {
      if (!e->Multi()) return FALSE;
      int before = e->firstLine;
      VScroll(e, static_cast<int>(wp), 0);
      return MAKELONG(static_cast<WORD>(static_cast<int16_t>(e->firstLine - before)), TRUE);
    }
    case EM_GETMODIFY: return e->modified ? TRUE : FALSE;
    case EM_SETMODIFY: e->modified = wp != 0; return 0;
    case EM_SETREADONLY: {
      DWORD s = static_cast<DWORD>(GetWindowLong(wnd, GWL_STYLE));
      s = wp ? (s | ES_READONLY) : (s & ~ES_READONLY);
      if (wp) e->style |= ES_READONLY;
      else e->style &= ~ES_READONLY;
      SetWindowLong(wnd, GWL_STYLE, static_cast<LONG>(s));
      Invalidate(e);
      return TRUE;
    }
    case EM_LIMITTEXT: {
      size_t v = static_cast<size_t>(static_cast<DWORD>(wp));
      e->limit = v == 0 ? FANO_EDIT_MAX_LIMIT : v;
      return 0;
    }
    case EM_GETLIMITTEXT: return static_cast<LRESULT>(e->limit);
    case EM_SETPASSWORDCHAR:
      if (e->Multi()) return 0;
      e->password = static_cast<char32_t>(wp);
      if (e->password) e->style |= ES_PASSWORD;
      else e->style &= ~ES_PASSWORD;
      Layout(e);
      PlaceCaret(e);
      Invalidate(e);
      return 0;
    case EM_GETPASSWORDCHAR: return static_cast<LRESULT>(e->password);
    case EM_SETTABSTOPS: return TRUE;
    case EM_GETTHUMB: return e->firstLine;
    case EM_GETHANDLE:
    case EM_SETHANDLE:
    case EM_FMTLINES:
    case EM_SETWORDBREAKPROC:
    case EM_GETWORDBREAKPROC:
    case EM_SETIMESTATUS:
    case EM_GETIMESTATUS: return 0;
    default: return DefWindowProc(wnd, msg, wp, lp);
  }
}

LRESULT EditWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) { return WithState<Edit>(wnd, msg, wp, lp, &Proc); }

}  // namespace

void EditSetCombo(HWND edit, HWND combo) {
  if (auto* e = StateOf<Edit>(edit)) e->combo = combo;
}

void RegisterEditClass() {
  RegisterControlClass(WC_EDIT, &EditWndProc, CS_DBLCLKS | CS_PARENTDC, IDC_IBEAM);
}

}  // namespace fano_os::ctl
