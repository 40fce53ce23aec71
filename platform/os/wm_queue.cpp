// Message queues: sending (re-entrant, across threads), posting, the loop (GetMessage /
// PeekMessage with window and range filters), WM_PAINT and WM_TIMER generated when nothing else is
// waiting, WM_QUIT, dispatching, timers on the platform clock.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "platform/os/wm_internal.h"

namespace fano_os::wm {

namespace {

struct SentItem {
  HWND hwnd;
  UINT msg;
  WPARAM wp;
  LPARAM lp;
  LRESULT result = 0;
  bool taken = false;  // the receiver runs it: the sender waits for the result
  bool done = false;
};

struct Timer {
  HWND hwnd;
  UINT_PTR id;
  UINT interval;
  TIMERPROC proc;
  uint64_t due;
  bool system;
};

struct ThreadQueue {
  DWORD thread = 0;
  std::deque<MSG> posted;
  // Sends from other threads waiting to run here. Shared with the sender, so that the receiver's
  // reply never outlives the slot it writes into.
  std::deque<std::shared_ptr<SentItem>> sent;
  bool quit = false;
  int quitCode = 0;
  std::vector<Timer> timers;
  UINT_PTR nextThreadTimerId = 0x7FFF;
  DWORD lastTime = 0;
  POINT lastPos{0, 0};
  int inInterThreadSend = 0;
};

struct Queues {
  std::mutex lock;
  std::condition_variable sendDone;
  std::map<DWORD, std::unique_ptr<ThreadQueue>> byThread;
  std::map<std::string, UINT> registeredMessages;
  UINT nextRegistered = 0xC000;
};

Queues& Q() {
  static Queues* q = new Queues;
  return *q;
}

// Callers hold Q().lock.
ThreadQueue& QueueOf(DWORD thread) {
  auto& m = Q().byThread;
  auto it = m.find(thread);
  if (it != m.end()) return *it->second;
  auto q = std::make_unique<ThreadQueue>();
  q->thread = thread;
  ThreadQueue& ref = *q;
  m[thread] = std::move(q);
  return ref;
}

bool InRange(UINT msg, UINT minMsg, UINT maxMsg) {
  if (minMsg == 0 && maxMsg == 0) return true;
  return msg >= minMsg && msg <= maxMsg;
}

bool WindowMatches(HWND hwnd, HWND filter) {
  if (!filter) return true;
  if (filter == reinterpret_cast<HWND>(-1)) return hwnd == nullptr;
  return hwnd == filter || IsChild(filter, hwnd);
}

// The message position: the last known pointer position, without a round trip to the server
// (messages are also posted from other threads).
POINT CursorNow() { return LastCursorPos(); }

// Runs sends that other threads queued for this thread.
void RunIncomingSends(DWORD me) {
  while (true) {
    std::shared_ptr<SentItem> item;
    {
      std::lock_guard<std::mutex> g(Q().lock);
      ThreadQueue& q = QueueOf(me);
      if (q.sent.empty()) return;
      item = q.sent.front();
      q.sent.pop_front();
      item->taken = true;
      ++q.inInterThreadSend;
    }
    LRESULT r = 0;
    if (Window* w = FromHandle(item->hwnd)) r = CallProc(w, item->msg, item->wp, item->lp);
    {
      std::lock_guard<std::mutex> g(Q().lock);
      --QueueOf(me).inInterThreadSend;
      item->result = r;
      item->done = true;
    }
    Q().sendDone.notify_all();
  }
}

// Internal timers of the system (caret blink, scroll-bar repeat) run here, not as messages.
void RunSystemTimers(DWORD me) {
  uint64_t now = GetTickCount64();
  std::vector<std::pair<HWND, UINT_PTR>> due;
  {
    std::lock_guard<std::mutex> g(Q().lock);
    for (Timer& t : QueueOf(me).timers)
      if (t.system && t.due <= now) {
        t.due = now + t.interval;
        due.emplace_back(t.hwnd, t.id);
      }
  }
  for (auto& [h, id] : due)
    if (Window* w = FromHandle(h)) OnSystemTimer(w, id);
}

// One pass over the sources, in the original priority order: posted, input, quit, paint, timer.
bool FetchOnce(MSG* out, HWND filter, UINT minMsg, UINT maxMsg, UINT flags) {
  DWORD me = CurrentThread();
  bool remove = (flags & PM_REMOVE) != 0;
  GetBackend()->Poll(0);
  RunIncomingSends(me);
  RunSystemTimers(me);
  CheckHover();
  {
    std::lock_guard<std::mutex> g(Q().lock);
    ThreadQueue& q = QueueOf(me);
    for (auto it = q.posted.begin(); it != q.posted.end(); ++it) {
      if (!WindowMatches(it->hwnd, filter) || !InRange(it->message, minMsg, maxMsg)) continue;
      *out = *it;
      if (remove) {
        q.posted.erase(it);
        q.lastTime = out->time;
        q.lastPos = out->pt;
      }
      return true;
    }
  }
  if (TakeInputMessage(out, filter, minMsg, maxMsg, remove)) {
    if (remove) {
      std::lock_guard<std::mutex> g(Q().lock);
      ThreadQueue& q = QueueOf(me);
      q.lastTime = out->time;
      q.lastPos = out->pt;
    }
    return true;
  }
  {
    std::lock_guard<std::mutex> g(Q().lock);
    ThreadQueue& q = QueueOf(me);
    if (q.quit && InRange(WM_QUIT, minMsg, maxMsg) && (!filter || filter == reinterpret_cast<HWND>(-1))) {
      *out = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(q.quitCode), 0, GetTickCount(), CursorNow()};
      if (remove) q.quit = false;
      return true;
    }
  }
  if (InRange(WM_PAINT, minMsg, maxMsg) && filter != reinterpret_cast<HWND>(-1)) {
    if (Window* w = FindPaintWindow(me, filter)) {
      *out = MSG{w->handle, WM_PAINT, 0, 0, GetTickCount(), CursorNow()};
      if (remove) w->internalPaint = false;
      return true;
    }
  }
  if (InRange(WM_TIMER, minMsg, maxMsg)) {
    uint64_t now = GetTickCount64();
    std::lock_guard<std::mutex> g(Q().lock);
    ThreadQueue& q = QueueOf(me);
    for (Timer& t : q.timers) {
      if (t.system || t.due > now || !WindowMatches(t.hwnd, filter)) continue;
      *out = MSG{t.hwnd, WM_TIMER, t.id, reinterpret_cast<LPARAM>(t.proc), static_cast<DWORD>(now), CursorNow()};
      if (remove) {
        t.due = now + t.interval;
        q.lastTime = out->time;
        q.lastPos = out->pt;
      }
      return true;
    }
  }
  return false;
}

// Milliseconds until the next timer of this thread is due (-1: none).
int NextTimerDelay(DWORD me) {
  std::lock_guard<std::mutex> g(Q().lock);
  ThreadQueue& q = QueueOf(me);
  if (q.timers.empty()) return -1;
  uint64_t now = GetTickCount64();
  uint64_t best = UINT64_MAX;
  for (const Timer& t : q.timers) best = std::min(best, t.due);
  if (best <= now) return 0;
  return static_cast<int>(std::min<uint64_t>(best - now, 1000000));
}

UINT_PTR AddTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc, bool system) {
  if (elapse < USER_TIMER_MINIMUM) elapse = USER_TIMER_MINIMUM;
  if (elapse > USER_TIMER_MAXIMUM) elapse = USER_TIMER_MAXIMUM;
  DWORD me = CurrentThread();
  std::lock_guard<std::mutex> g(Q().lock);
  ThreadQueue& q = QueueOf(me);
  if (!hwnd && !system) {
    bool exists = false;
    for (const Timer& t : q.timers)
      if (!t.hwnd && t.id == id && !t.system) exists = true;
    if (!exists) id = ++q.nextThreadTimerId;
  }
  uint64_t due = GetTickCount64() + elapse;
  for (Timer& t : q.timers)
    if (t.hwnd == hwnd && t.id == id && t.system == system) {
      t.interval = elapse;
      t.proc = proc;
      t.due = due;
      return hwnd ? (id ? id : 1) : id;
    }
  q.timers.push_back(Timer{hwnd, id, elapse, proc, due, system});
  return hwnd ? (id ? id : 1) : id;
}

bool RemoveTimer(HWND hwnd, UINT_PTR id, bool system) {
  std::lock_guard<std::mutex> g(Q().lock);
  for (auto& [th, q] : Q().byThread) {
    auto& v = q->timers;
    auto it = std::find_if(v.begin(), v.end(),
                           [&](const Timer& t) { return t.hwnd == hwnd && t.id == id && t.system == system; });
    if (it != v.end()) {
      v.erase(it);
      return true;
    }
  }
  return false;
}

}  // namespace

DWORD CurrentThread() {
  static std::atomic<DWORD> next{0};
  thread_local DWORD id = ++next;
  return id;
}

LRESULT CallProc(Window* w, UINT msg, WPARAM wp, LPARAM lp) {
  if (!w || !w->proc) return 0;
  return w->proc(w->handle, msg, wp, lp);
}

void PostInternal(Window* w, UINT msg, WPARAM wp, LPARAM lp) {
  if (!w) return;
  {
    std::lock_guard<std::mutex> g(Q().lock);
    QueueOf(w->thread).posted.push_back(MSG{w->handle, msg, wp, lp, GetTickCount(), CursorNow()});
  }
  Wake(w->thread);
}

void PurgeWindowMessages(HWND wnd) {
  std::lock_guard<std::mutex> g(Q().lock);
  for (auto& [th, q] : Q().byThread) {
    auto& v = q->posted;
    v.erase(std::remove_if(v.begin(), v.end(), [wnd](const MSG& m) { return m.hwnd == wnd; }), v.end());
  }
}

void KillWindowTimers(HWND wnd) {
  std::lock_guard<std::mutex> g(Q().lock);
  for (auto& [th, q] : Q().byThread) {
    auto& v = q->timers;
    v.erase(std::remove_if(v.begin(), v.end(), [wnd](const Timer& t) { return t.hwnd == wnd; }), v.end());
  }
}

void Wake(DWORD thread) {
  if (thread != CurrentThread()) GetBackend()->WakeUp();
}

void SetSystemTimer(HWND wnd, UINT_PTR id, UINT elapse) { AddTimer(wnd, id, elapse, nullptr, true); }
void KillSystemTimer(HWND wnd, UINT_PTR id) { RemoveTimer(wnd, id, true); }

}  // namespace fano_os::wm

using namespace fano_os::wm;

extern "C" {

DWORD GetCurrentThreadId(void) { return CurrentThread(); }

LRESULT SendMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (wnd == HWND_BROADCAST) {
    std::vector<HWND> tops;
    for (Window* c : Desktop()->children) tops.push_back(c->handle);
    for (HWND h : tops)
      if (FromHandle(h)) SendMessage(h, msg, wParam, lParam);
    return 0;
  }
  Window* w = FromHandle(wnd);
  if (!w) {
    SetError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  DWORD me = CurrentThread();
  if (w->thread == me) return CallProc(w, msg, wParam, lParam);
  // Another thread's window: queue the send there and wait, running sends made to us meanwhile.
  auto item = std::make_shared<SentItem>(SentItem{wnd, msg, wParam, lParam});
  DWORD receiver = w->thread;
  {
    std::lock_guard<std::mutex> g(Q().lock);
    QueueOf(receiver).sent.push_back(item);
  }
  Wake(receiver);
  while (true) {
    RunIncomingSends(me);
    std::unique_lock<std::mutex> g(Q().lock);
    if (item->done) return item->result;
    if (!item->taken && !FromHandle(wnd)) {
      // The window went away before its thread ran the send.
      auto& s = QueueOf(receiver).sent;
      s.erase(std::remove(s.begin(), s.end(), item), s.end());
      return 0;
    }
    Q().sendDone.wait_for(g, std::chrono::milliseconds(5));
  }
}

BOOL PostMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!wnd) return PostThreadMessage(CurrentThread(), msg, wParam, lParam);
  if (wnd == HWND_BROADCAST) {
    for (Window* c : Desktop()->children) PostInternal(c, msg, wParam, lParam);
    return TRUE;
  }
  Window* w = FromHandle(wnd);
  if (!w || w == Desktop()) {
    SetError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  PostInternal(w, msg, wParam, lParam);
  return TRUE;
}

BOOL PostThreadMessage(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (threadId == 0) return FALSE;
  {
    std::lock_guard<std::mutex> g(Q().lock);
    QueueOf(threadId).posted.push_back(MSG{nullptr, msg, wParam, lParam, GetTickCount(), CursorNow()});
  }
  Wake(threadId);
  return TRUE;
}

BOOL PeekMessage(MSG* msg, HWND wnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
  MSG tmp;
  if (!msg) msg = &tmp;
  if (wnd && wnd != reinterpret_cast<HWND>(-1) && !FromHandle(wnd)) {
    SetError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return FetchOnce(msg, wnd, filterMin, filterMax, removeFlags) ? TRUE : FALSE;
}

BOOL GetMessage(MSG* msg, HWND wnd, UINT filterMin, UINT filterMax) {
  MSG tmp;
  if (!msg) msg = &tmp;
  if (wnd && wnd != reinterpret_cast<HWND>(-1) && !FromHandle(wnd)) {
    SetError(ERROR_INVALID_WINDOW_HANDLE);
    return -1;
  }
  DWORD me = CurrentThread();
  while (!FetchOnce(msg, wnd, filterMin, filterMax, PM_REMOVE)) {
    int delay = NextTimerDelay(me);
    // With the simulated clock time moves only when someone advances it: look again now and then.
    if (ClockIsSimulated()) delay = 20;
    GetBackend()->Poll(delay);
  }
  return msg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL WaitMessage(void) {
  DWORD me = CurrentThread();
  MSG m;
  while (!FetchOnce(&m, nullptr, 0, 0, PM_NOREMOVE)) {
    int delay = ClockIsSimulated() ? 20 : NextTimerDelay(me);
    GetBackend()->Poll(delay);
  }
  return TRUE;
}

LRESULT DispatchMessage(const MSG* msg) {
  if (!msg) return 0;
  if (msg->message == WM_TIMER && msg->lParam) {
    // Only a timer procedure that a live timer of this thread carries is called.
    TIMERPROC proc = reinterpret_cast<TIMERPROC>(msg->lParam);
    bool known = false;
    {
      std::lock_guard<std::mutex> g(Q().lock);
      for (const Timer& t : QueueOf(CurrentThread()).timers)
        if (t.proc == proc && t.hwnd == msg->hwnd && t.id == msg->wParam) known = true;
    }
    if (!known) return 0;
    proc(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
    return 0;
  }
  if (!msg->hwnd) return 0;
  Window* w = FromHandle(msg->hwnd);
  if (!w || w->thread != CurrentThread()) {
    SetError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return CallProc(w, msg->message, msg->wParam, msg->lParam);
}

void PostQuitMessage(int exitCode) {
  {
    std::lock_guard<std::mutex> g(Q().lock);
    ThreadQueue& q = QueueOf(CurrentThread());
    q.quit = true;
    q.quitCode = exitCode;
  }
}

LONG GetMessageTime(void) {
  std::lock_guard<std::mutex> g(Q().lock);
  return static_cast<LONG>(QueueOf(CurrentThread()).lastTime);
}

DWORD GetMessagePos(void) {
  std::lock_guard<std::mutex> g(Q().lock);
  POINT p = QueueOf(CurrentThread()).lastPos;
  return static_cast<DWORD>(MAKELONG(static_cast<WORD>(static_cast<int16_t>(p.x)), static_cast<WORD>(static_cast<int16_t>(p.y))));
}

DWORD GetQueueStatus(UINT flags) {
  DWORD me = CurrentThread();
  DWORD status = 0;
  MSG m;
  {
    std::lock_guard<std::mutex> g(Q().lock);
    ThreadQueue& q = QueueOf(me);
    if (!q.posted.empty() || q.quit) status |= QS_POSTMESSAGE;
    if (!q.sent.empty()) status |= QS_SENDMESSAGE;
    uint64_t now = GetTickCount64();
    for (const Timer& t : q.timers)
      if (!t.system && t.due <= now) status |= QS_TIMER;
  }
  if (HasInputFor(me)) status |= QS_INPUT;
  if (FindPaintWindow(me, nullptr)) status |= QS_PAINT;
  (void)m;
  return (status & flags) << 16 | (status & flags);
}

BOOL GetInputState(void) { return HasInputFor(CurrentThread()) ? TRUE : FALSE; }

BOOL InSendMessage(void) {
  std::lock_guard<std::mutex> g(Q().lock);
  return QueueOf(CurrentThread()).inInterThreadSend > 0;
}

UINT RegisterWindowMessage(const char* name) {
  if (!name || !*name) return 0;
  std::lock_guard<std::mutex> g(Q().lock);
  std::string key = Lower(name);
  auto it = Q().registeredMessages.find(key);
  if (it != Q().registeredMessages.end()) return it->second;
  if (Q().nextRegistered > 0xFFFF) return 0;
  UINT id = Q().nextRegistered++;
  Q().registeredMessages[key] = id;
  return id;
}

UINT_PTR SetTimer(HWND wnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
  if (wnd) {
    Window* w = FromHandle(wnd);
    if (!w || w->thread != CurrentThread()) {
      SetError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
  }
  return AddTimer(wnd, id, elapse, proc, false);
}

BOOL KillTimer(HWND wnd, UINT_PTR id) {
  if (wnd && !FromHandle(wnd)) {
    SetError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return RemoveTimer(wnd, id, false) ? TRUE : FALSE;
}

int FanoPumpMessages(void) {
  int count = 0;
  MSG m;
  // A window that never validates its paint would keep the loop going: bound it.
  for (int guard = 0; guard < 200000; ++guard) {
    if (!PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) break;
    if (m.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(m.wParam));
      break;
    }
    TranslateMessage(&m);
    DispatchMessage(&m);
    ++count;
  }
  return count;
}

void FanoAdvanceAndPump(uint32_t milliseconds, uint32_t step) {
  if (step == 0) step = milliseconds ? milliseconds : 1;
  if (!ClockIsSimulated()) ClockSetSimulated(1);
  FanoPumpMessages();
  while (milliseconds > 0) {
    uint32_t s = std::min(step, milliseconds);
    ClockAdvance(s);
    milliseconds -= s;
    FanoPumpMessages();
  }
}

}  // extern "C"
