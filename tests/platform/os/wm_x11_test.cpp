// The X11 back-end under a virtual X server: a small window is shown, xdotool clicks and types into
// it, and the result is read back both from the messages the window received and, through the X
// server, from the window's title that the window sets to what it was given. The test starts
// itself again on a virtual X server of its own; without Xvfb or xdotool it is skipped (on CI it
// fails).
#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "platform/os/wingdi.h"
#include "platform/os/winuser.h"
#include "support/wm_ready.h"
#include "support/testpaths.h"
#include "support/xserver.h"

// Last: its macros (None, Status, ...) would clash with the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

std::string g_typed;
POINT g_click{-1, -1};
int g_paints = 0;

LRESULT TestProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  switch (m) {
    case WM_LBUTTONDOWN:
      g_click = POINT{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
      SetFocus(h);
      return 0;
    case WM_CHAR:
      if (w >= 0x20 && w < 0x7F) {
        g_typed.push_back(static_cast<char>(w));
        SetWindowText(h, ("fano-xvfb:" + g_typed).c_str());
      }
      return 0;
    case WM_PAINT:
      ++g_paints;
      break;
    default:
      break;
  }
  return DefWindowProc(h, m, w, l);
}

std::string Run(const std::string& cmd) {
  std::string out;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return out;
  char buf[256];
  while (fgets(buf, sizeof buf, p)) out += buf;
  pclose(p);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

void RunInsideXvfb() {
  ASSERT_EQ(FanoDisplayKind(), FANO_DISPLAY_X11);
  WNDCLASSEX wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = TestProc;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(5 + 1));
  wc.lpszClassName = "XvfbProbe";
  ASSERT_NE(RegisterClassEx(&wc), 0);
  HWND w = CreateWindowEx(0, "XvfbProbe", "fano-xvfb:", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 300, 200, nullptr,
                          nullptr, nullptr, nullptr);
  ASSERT_NE(w, nullptr);
  std::atomic<bool> done{false};
  std::string title, found;
  std::thread driver([&] {
    found = Run("timeout 10 xdotool search --sync --name 'fano-xvfb:' | head -n 1");
    if (!found.empty()) {
      Run("timeout 10 xdotool windowfocus --sync " + found + " mousemove --window " + found +
          " 60 80 click 1 sleep 0.2 type --delay 50 'Hi5'");
      for (int i = 0; i < 50; ++i) {
        title = Run("timeout 5 xdotool getwindowname " + found);
        if (title == "fano-xvfb:Hi5") break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
      }
    }
    done = true;
  });
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  MSG m;
  while (!done && std::chrono::steady_clock::now() < until) {
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessage(&m);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  driver.join();
  ASSERT_FALSE(found.empty()) << "the window never appeared on the X server";
  int frame = GetSystemMetrics(SM_CXFRAME);
  EXPECT_EQ(g_click.x, 60 - frame);
  EXPECT_EQ(g_click.y, 80 - frame - GetSystemMetrics(SM_CYCAPTION));
  EXPECT_EQ(g_typed, "Hi5");
  EXPECT_EQ(title, "fano-xvfb:Hi5") << "the title read back through the X server";
  EXPECT_GE(g_paints, 1);

  // The clipboard's text is offered to other programs: a second process reads it through the
  // X server while this one answers.
  ASSERT_TRUE(OpenClipboard(w));
  const char16_t text[] = u"剪贴板 text";
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, sizeof text);
  memcpy(GlobalLock(h), text, sizeof text);
  GlobalUnlock(h);
  SetClipboardData(CF_UNICODETEXT, h);
  CloseClipboard();
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  ASSERT_GT(n, 0);
  self[n] = 0;
  std::atomic<bool> readerDone{false};
  int readerStatus = -1;
  std::thread reader([&] {
    std::string cmd = std::string("FANO_XVFB_READER=1 timeout 30 '") + self +
                      "' --gtest_filter=Xvfb.ReadsAnotherProgramsClipboard --gtest_brief=1 >&2";
    readerStatus = system(cmd.c_str());
    readerDone = true;
  });
  until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!readerDone && std::chrono::steady_clock::now() < until) {
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&m);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  reader.join();
  EXPECT_EQ(readerStatus, 0) << "the other process did not read the text";
  DestroyWindow(w);
}

// Run by the test above as a second X client.
TEST(Xvfb, ReadsAnotherProgramsClipboard) {
  if (!getenv("FANO_XVFB_READER")) GTEST_SKIP() << "only as the second program of the X11 test";
  ASSERT_EQ(FanoDisplayKind(), FANO_DISPLAY_X11);
  ASSERT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
  ASSERT_TRUE(OpenClipboard(nullptr));
  HGLOBAL u = GetClipboardData(CF_UNICODETEXT);
  ASSERT_NE(u, nullptr);
  EXPECT_EQ(std::u16string(static_cast<const char16_t*>(GlobalLock(u))), u"剪贴板 text");
  GlobalUnlock(u);
  HGLOBAL a = GetClipboardData(CF_TEXT);
  ASSERT_NE(a, nullptr);
  EXPECT_STREQ(static_cast<const char*>(GlobalLock(a)), "\xBC\xF4\xCC\xF9\xB0\xE5 text");
  GlobalUnlock(a);
  CloseClipboard();
}

// Starts this test program again inside a virtual X server, running one test there; false (the
// test skips, or fails on CI) when the tools are missing.
bool RelaunchUnderXvfb(const char* test, int* status) {
  if (!xserver::Have("Xvfb") || !xserver::Have("xdotool")) return false;
  *status = xserver::RunSelfUnderXvfb(test, "FANO_XVFB_CHILD=1");
  return true;
}

TEST(Xvfb, ClickAndTypeIntoAWindow) {
  if (getenv("FANO_XVFB_CHILD")) {
    RunInsideXvfb();
    return;
  }
  int status = -1;
  FANO_SKIP_OR_FAIL_UNLESS(RelaunchUnderXvfb("Xvfb.ClickAndTypeIntoAWindow", &status), "Xvfb or xdotool is not installed");
  EXPECT_EQ(status, 0);
}

// ---- hover under the X server

// Runs the message loop until done() or the time is up; a timer wakes the loop while it waits.
bool PumpUntil(const std::function<bool()>& done, int ms) {
  UINT_PTR timer = SetTimer(nullptr, 0, 10, nullptr);
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  MSG m;
  while (!done() && std::chrono::steady_clock::now() < until && GetMessage(&m, nullptr, 0, 0) > 0) {
    TranslateMessage(&m);
    DispatchMessage(&m);
  }
  KillTimer(nullptr, timer);
  return done();
}

struct HoverLog {
  int moves = 0;
  int leaves = 0;
};
std::map<HWND, HoverLog> g_hover;

LRESULT HoverProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_MOUSEMOVE) {
    ++g_hover[h].moves;
    TRACKMOUSEEVENT tme{sizeof(TRACKMOUSEEVENT), TME_LEAVE, h, 0};
    TrackMouseEvent(&tme);
    return 0;
  }
  if (m == WM_MOUSELEAVE) {
    ++g_hover[h].leaves;
    return 0;
  }
  return DefWindowProc(h, m, w, l);
}

void XdoMove(int x, int y) {
  std::string cmd = "timeout 5 xdotool mousemove " + std::to_string(x) + " " + std::to_string(y);
  EXPECT_EQ(system(cmd.c_str()), 0);
}

// The pointer moves from one control to another and then off the window: each hears its leave at
// once, and the pointer position is the server's, outside the window.
TEST(Xvfb, MouseLeaveBetweenControlsAndOffTheWindow) {
  if (!getenv("FANO_XVFB_CHILD")) {
    int status = -1;
    FANO_SKIP_OR_FAIL_UNLESS(RelaunchUnderXvfb("Xvfb.MouseLeaveBetweenControlsAndOffTheWindow", &status),
                             "Xvfb or xdotool is not installed");
    EXPECT_EQ(status, 0);
    return;
  }
  const std::string localeBefore = setlocale(LC_CTYPE, nullptr);
  ASSERT_EQ(FanoDisplayKind(), FANO_DISPLAY_X11);
  EXPECT_EQ(setlocale(LC_CTYPE, nullptr), localeBefore) << "opening the display and its input method keeps our locale";
  WNDCLASSEX wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = HoverProc;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(5 + 1));
  wc.lpszClassName = "XvfbHover";
  ASSERT_NE(RegisterClassEx(&wc), 0);
  HWND top = CreateWindowEx(0, "XvfbHover", "hover", WS_POPUP | WS_VISIBLE, 40, 40, 300, 200, nullptr, nullptr,
                            nullptr, nullptr);
  HWND a = CreateWindowEx(0, "XvfbHover", "a", WS_CHILD | WS_VISIBLE, 10, 10, 100, 80, top, nullptr, nullptr, nullptr);
  HWND b = CreateWindowEx(0, "XvfbHover", "b", WS_CHILD | WS_VISIBLE, 150, 10, 100, 80, top, nullptr, nullptr, nullptr);
  ASSERT_TRUE(top && a && b);
  // The window may not be on the screen yet: move onto it until it hears of it.
  bool entered = false;
  for (int i = 0; i < 20 && !entered; ++i) {
    XdoMove(100 + i % 2, 90);
    entered = PumpUntil([&] { return g_hover[a].moves > 0; }, 250);
  }
  ASSERT_TRUE(entered) << "the pointer never reached the window";
  XdoMove(240, 90);
  EXPECT_TRUE(PumpUntil([&] { return g_hover[a].leaves == 1 && g_hover[b].moves > 0; }, 3000))
      << "moving to the next control ends the first one's hover";
  XdoMove(600, 500);
  EXPECT_TRUE(PumpUntil([&] { return g_hover[b].leaves == 1; }, 3000)) << "leaving the window ends the hover";
  POINT p{};
  GetCursorPos(&p);
  EXPECT_EQ(p.x, 600);
  EXPECT_EQ(p.y, 500);
  EXPECT_EQ(g_hover[a].leaves, 1);
  DestroyWindow(top);
}

// ---- under a window manager

// A connection of the test's own to the X server, to see what the window manager made.
class XProbe {
 public:
  XProbe() : d_(XOpenDisplay(nullptr)) {}
  ~XProbe() {
    if (d_) XCloseDisplay(d_);
  }
  XProbe(const XProbe&) = delete;
  XProbe& operator=(const XProbe&) = delete;
  bool Ok() const { return d_ != nullptr; }
  ::Window Root() const { return DefaultRootWindow(d_); }
  Display* Connection() const { return d_; }

  std::vector<unsigned long> Longs(::Window w, const char* prop, Atom type) {
    std::vector<unsigned long> out;
    Atom actual;
    int format;
    unsigned long n = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d_, w, XInternAtom(d_, prop, False), 0, 1024, False, type, &actual, &format, &n, &after,
                           &data) == Success && data && format == 32)
      out.assign(reinterpret_cast<unsigned long*>(data), reinterpret_cast<unsigned long*>(data) + n);
    if (data) XFree(data);
    return out;
  }
  std::string Utf8(::Window w, const char* prop) {
    std::string out;
    Atom actual;
    int format;
    unsigned long n = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d_, w, XInternAtom(d_, prop, False), 0, 1024, False, XInternAtom(d_, "UTF8_STRING", False),
                           &actual, &format, &n, &after, &data) == Success && data && format == 8)
      out.assign(reinterpret_cast<char*>(data), n);
    if (data) XFree(data);
    return out;
  }
  bool Has(::Window w, const char* prop) {
    Atom actual = 0;
    int format;
    unsigned long n = 0, after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(d_, w, XInternAtom(d_, prop, False), 0, 0, False, AnyPropertyType, &actual, &format, &n, &after,
                       &data);
    if (data) XFree(data);
    return actual != 0;
  }
  // Up and managing: the list of managed windows is published once the existing ones are taken.
  bool WindowManagerUp() {
    return !Longs(Root(), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW).empty() && Has(Root(), "_NET_CLIENT_LIST");
  }
  // The managed window whose title (as the window manager reads it, in UTF-8) is `name`.
  ::Window Client(const std::string& name) {
    for (unsigned long w : Longs(Root(), "_NET_CLIENT_LIST", XA_WINDOW))
      if (Utf8(static_cast<::Window>(w), "_NET_WM_NAME") == name) return static_cast<::Window>(w);
    return 0;
  }
  // Waits for something from the server (or the time) without spinning.
  void Wait(int ms) {
    XSync(d_, False);
    pollfd p{ConnectionNumber(d_), POLLIN, 0};
    poll(&p, 1, ms);
    while (XPending(d_)) {
      XEvent ev;
      XNextEvent(d_, &ev);
    }
  }
  void WatchRoot() { XSelectInput(d_, Root(), PropertyChangeMask | SubstructureNotifyMask); }
  // Asks the window manager to close a window, as its close button does.
  void AskToClose(::Window w) {
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = w;
    ev.xclient.message_type = XInternAtom(d_, "_NET_CLOSE_WINDOW", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = CurrentTime;
    ev.xclient.data.l[1] = 2;
    XSendEvent(d_, Root(), False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
    XFlush(d_);
  }
  // What the screen shows in a rectangle, as COLORREF values.
  // Where the window's top-left corner is on the screen, as the server has it now.
  bool Origin(::Window w, int& x, int& y) {
    ::Window child = 0;
    return XTranslateCoordinates(d_, w, Root(), 0, 0, &x, &y, &child) != 0;
  }
  std::vector<uint32_t> Shot(int x, int y, int w, int h) {
    std::vector<uint32_t> px;
    XImage* img = XGetImage(d_, Root(), x, y, static_cast<unsigned>(w), static_cast<unsigned>(h), AllPlanes, ZPixmap);
    if (!img) return px;
    for (int row = 0; row < h; ++row)
      for (int col = 0; col < w; ++col) {
        unsigned long v = XGetPixel(img, col, row);
        px.push_back(static_cast<uint32_t>(((v >> 16) & 0xFF) | (v & 0xFF00) | ((v & 0xFF) << 16)));
      }
    XDestroyImage(img);
    return px;
  }

 private:
  Display* d_;
};

LRESULT PlainProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProc(h, m, w, l); }

// A window manager of the test's own, ended by its process id.
class Openbox {
 public:
  explicit Openbox(XProbe& x) {
    char arg0[] = "openbox", arg1[] = "--sm-disable";
    char* argv[] = {arg0, arg1, nullptr};
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    if (posix_spawnp(&pid_, "openbox", &quiet, nullptr, argv, environ) != 0) pid_ = 0;
    posix_spawn_file_actions_destroy(&quiet);
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (pid_ && !x.WindowManagerUp() && std::chrono::steady_clock::now() < until) x.Wait(100);
    up_ = pid_ && x.WindowManagerUp() && wm_ready::ManagerTakesAWindow(x.Connection(), until);
  }
  ~Openbox() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  Openbox(const Openbox&) = delete;
  Openbox& operator=(const Openbox&) = delete;
  bool Up() const { return up_; }

 private:
  pid_t pid_ = 0;
  bool up_ = false;
};

// Runs one test of this program inside a fresh virtual X server, up to three times (a manager's
// start races with ours on a busy machine); false when the tools are missing.
bool RunUnderXvfbWithTries(const char* test, bool needsOpenbox, int* status) {
  if (needsOpenbox && system("command -v openbox >/dev/null 2>&1") != 0) return false;
  *status = -1;
  for (int attempt = 0; attempt < 3 && *status != 0; ++attempt)
    if (!RelaunchUnderXvfb(test, status)) return false;
  return true;
}

// Under a window manager the window has one title bar, the manager's: ours paints no caption or
// frame, its title reaches the manager as UTF-8, closing through the manager closes it, and a
// small change afterwards reaches the screen.
TEST(Xvfb, OneTitleBarUnderAWindowManager) {
  if (!getenv("FANO_XVFB_CHILD")) {
    int status = -1;
    FANO_SKIP_OR_FAIL_UNLESS(RunUnderXvfbWithTries("Xvfb.OneTitleBarUnderAWindowManager", true, &status),
                             "Xvfb, xdotool or openbox is not installed");
    EXPECT_EQ(status, 0);
    return;
  }
  XProbe x;
  ASSERT_TRUE(x.Ok());
  x.WatchRoot();
  Openbox wm(x);
  ASSERT_TRUE(wm.Up()) << "the window manager did not start";

  WNDCLASSEX wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = PlainProc;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(COLOR_WINDOW + 1));
  wc.lpszClassName = "XvfbFramed";
  ASSERT_NE(RegisterClassEx(&wc), 0);
  wc.hbrBackground = CreateSolidBrush(RGB(255, 0, 0));
  wc.lpszClassName = "XvfbRed";
  ASSERT_NE(RegisterClassEx(&wc), 0);
  const std::string title = "fano-wm:费用垫付单";
  HWND top = CreateWindowEx(0, "XvfbFramed", title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400, 300,
                            nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(top, nullptr);
  ::Window client = 0;
  std::vector<unsigned long> extents;
  PumpUntil([&] {
    x.Wait(0);
    client = x.Client(title);
    if (client) extents = x.Longs(client, "_NET_FRAME_EXTENTS", XA_CARDINAL);
    return client && extents.size() == 4 && extents[2] > 0;
  }, 10000);
  ASSERT_NE(client, 0u) << "the manager never listed the window under its UTF-8 title";
  ASSERT_EQ(extents.size(), 4u);
  EXPECT_GT(extents[2], 0u) << "the manager's title bar is above the window";

  // Ours has no frame: the client area is the whole window.
  RECT wr, cr;
  GetWindowRect(top, &wr);
  GetClientRect(top, &cr);
  EXPECT_EQ(cr.right, wr.right - wr.left);
  EXPECT_EQ(cr.bottom, wr.bottom - wr.top);

  // A red square shown afterwards reaches the screen (only its part is sent).
  HWND red = CreateWindowEx(0, "XvfbRed", "", WS_CHILD, 20, 20, 10, 10, top, nullptr, nullptr, nullptr);
  ShowWindow(red, SW_SHOW);
  std::vector<uint32_t> shot;
  // The manager may still be placing the window: take its place from the server at each look.
  int sx = static_cast<int>(wr.left) - static_cast<int>(extents[0]);
  int sy = static_cast<int>(wr.top) - static_cast<int>(extents[2]);
  const int sw = static_cast<int>(wr.right - wr.left + extents[0] + extents[1]);
  const int sh = static_cast<int>(wr.bottom - wr.top + extents[2] + extents[3]);
  PumpUntil([&] {
    x.Wait(0);
    int ox, oy;
    if (x.Origin(client, ox, oy)) {
      sx = ox - static_cast<int>(extents[0]);
      sy = oy - static_cast<int>(extents[2]);
    }
    shot = x.Shot(sx, sy, sw, sh);
    size_t at = static_cast<size_t>(extents[2] + 25) * sw + extents[0] + 25;
    return at < shot.size() && shot[at] == RGB(255, 0, 0);
  }, 5000);
  ASSERT_EQ(shot.size(), static_cast<size_t>(sw) * sh);
  EXPECT_EQ(shot[static_cast<size_t>(extents[2] + 25) * sw + extents[0] + 25], RGB(255, 0, 0));
  // Just below the manager's title bar our window starts with its own background, not a caption.
  EXPECT_EQ(shot[static_cast<size_t>(extents[2] + 2) * sw + extents[0] + 200], GetSysColor(COLOR_WINDOW));
  HDC mem = CreateCompatibleDC(nullptr);
  HBITMAP bm = CreateBitmap(sw, sh, 1, 32, nullptr);
  SelectObject(mem, bm);
  for (int yy = 0; yy < sh; ++yy)
    for (int xx = 0; xx < sw; ++xx) SetPixel(mem, xx, yy, shot[static_cast<size_t>(yy) * sw + xx]);
  DeleteDC(mem);
  FanoSaveImageFile(bm, FANO_IMAGE_PNG, 0, testpaths::SnapshotPath("wm_frame.png").c_str());
  DeleteObject(bm);

  // The manager's close button: its delete message closes the window.
  x.AskToClose(client);
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(top); }, 5000)) << "the window manager's close did not close it";
}

}  // namespace

namespace {

// ---- placement under a window manager, and the keyboard's state

// A dialog sized and placed before it shows (as a form computes its place) appears where it was
// put and stays there: the manager's answers to our own requests do not move it on.
TEST(Xvfb, AWindowPlacedBeforeItShowsStaysWhereItWasPut) {
  if (!getenv("FANO_XVFB_CHILD")) {
    int status = -1;
    FANO_SKIP_OR_FAIL_UNLESS(RunUnderXvfbWithTries("Xvfb.AWindowPlacedBeforeItShowsStaysWhereItWasPut", true, &status),
                             "Xvfb, xdotool or openbox is not installed");
    EXPECT_EQ(status, 0);
    return;
  }
  XProbe x;
  ASSERT_TRUE(x.Ok());
  x.WatchRoot();
  Openbox wm(x);
  ASSERT_TRUE(wm.Up()) << "the window manager did not start";
  WNDCLASSEX wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = PlainProc;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(COLOR_BTNFACE + 1));
  wc.lpszClassName = "XvfbPlaced";
  ASSERT_NE(RegisterClassEx(&wc), 0);
  HWND owner = CreateWindowEx(0, "XvfbPlaced", "fano-owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 600, 500, nullptr,
                              nullptr, nullptr, nullptr);
  HWND dlg = CreateWindowEx(WS_EX_DLGMODALFRAME, "XvfbPlaced", "fano-dialog", WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0,
                            320, 240, owner, nullptr, nullptr, nullptr);
  ASSERT_TRUE(owner && dlg);
  SetWindowPos(dlg, nullptr, 0, 0, 180, 240, SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(dlg, nullptr, 0, 0, 180, 103, SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(dlg, nullptr, 250, 200, 180, 103, SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(dlg, SW_SHOW);
  ::Window client = 0;
  int sx = -1, sy = -1;
  PumpUntil([&] {
    x.Wait(0);
    client = x.Client("fano-dialog");
    return client && x.Origin(client, sx, sy) && sx == 250 && sy == 200;
  }, 5000);
  ASSERT_NE(client, 0u) << "the manager never took the dialog";
  // Time for a drift to show: the place must hold.
  PumpUntil([&] {
    x.Wait(0);
    return false;
  }, 1500);
  ASSERT_TRUE(x.Origin(client, sx, sy));
  EXPECT_EQ(sx, 250);
  EXPECT_EQ(sy, 200);
  RECT r;
  GetWindowRect(dlg, &r);
  EXPECT_EQ(r.left, 250);
  EXPECT_EQ(r.top, 200);
  EXPECT_EQ(r.right - r.left, 180);
  EXPECT_EQ(r.bottom - r.top, 103);
  // A move once shown lands where asked too.
  SetWindowPos(dlg, nullptr, 300, 260, 0, 0, SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_TRUE(PumpUntil([&] {
    x.Wait(0);
    return x.Origin(client, sx, sy) && sx == 300 && sy == 260;
  }, 5000)) << "the moved dialog is at " << sx << "," << sy;
  PumpUntil([&] {
    x.Wait(0);
    return false;
  }, 800);
  ASSERT_TRUE(x.Origin(client, sx, sy));
  EXPECT_EQ(sx, 300);
  EXPECT_EQ(sy, 260);
  GetWindowRect(dlg, &r);
  EXPECT_EQ(r.left, 300);
  EXPECT_EQ(r.top, 260);
  DestroyWindow(dlg);
  DestroyWindow(owner);
}

std::vector<UINT> g_keyMessages;

LRESULT KeyLogProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_CHAR || m == WM_SYSCHAR || m == WM_KEYDOWN || m == WM_SYSKEYDOWN || m == WM_LBUTTONDOWN)
    g_keyMessages.push_back(m);
  if (m == WM_LBUTTONDOWN) SetFocus(h);
  if (m == WM_SYSKEYDOWN || m == WM_SYSCHAR) return 0;  // no menu loop
  return DefWindowProc(h, m, w, l);
}

// Alt goes down in our window and comes up while another program has the keyboard (as when the
// window manager takes Alt+F4): once the keyboard is back, Alt is not taken as held.
TEST(Xvfb, AModifierReleasedElsewhereIsNotHeldWhenTheKeyboardComesBack) {
  if (!getenv("FANO_XVFB_CHILD")) {
    int status = -1;
    FANO_SKIP_OR_FAIL_UNLESS(
        RunUnderXvfbWithTries("Xvfb.AModifierReleasedElsewhereIsNotHeldWhenTheKeyboardComesBack", false, &status),
        "Xvfb or xdotool is not installed");
    EXPECT_EQ(status, 0);
    return;
  }
  WNDCLASSEX wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = KeyLogProc;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(COLOR_WINDOW + 1));
  wc.lpszClassName = "XvfbKeys";
  ASSERT_NE(RegisterClassEx(&wc), 0);
  HWND w = CreateWindowEx(0, "XvfbKeys", "fano-keys", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 300, 200, nullptr,
                          nullptr, nullptr, nullptr);
  ASSERT_NE(w, nullptr);
  SetFocus(w);
  // Another program's window, to take the keyboard meanwhile.
  Display* other = XOpenDisplay(nullptr);
  ASSERT_NE(other, nullptr);
  ::Window elsewhere = XCreateSimpleWindow(other, DefaultRootWindow(other), 400, 300, 100, 100, 0, 0, 0);
  XStoreName(other, elsewhere, "fano-elsewhere");
  XMapWindow(other, elsewhere);
  XSync(other, False);
  std::string ours;
  std::thread finder([&] { ours = ::Run("timeout 10 xdotool search --sync --name 'fano-keys' | head -n 1"); });
  PumpUntil([&] { return false; }, 300);
  finder.join();
  ASSERT_FALSE(ours.empty()) << "the window never appeared on the X server";
  auto xdo = [&](const std::string& args) {
    std::thread t([&] { ::Run("timeout 10 xdotool " + args); });
    PumpUntil([&] { return false; }, 200);
    t.join();
  };
  xdo("windowfocus --sync " + ours);
  xdo("keydown alt");
  EXPECT_TRUE(PumpUntil([&] { return GetKeyState(VK_MENU) < 0; }, 3000)) << "Alt never went down";
  xdo("windowfocus --sync " + std::to_string(elsewhere));
  xdo("keyup alt");
  xdo("windowfocus --sync " + ours);
  PumpUntil([&] { return GetKeyState(VK_MENU) >= 0 && GetAsyncKeyState(VK_MENU) >= 0; }, 3000);
  EXPECT_GE(GetKeyState(VK_MENU), 0) << "Alt is still taken as held";
  EXPECT_GE(GetAsyncKeyState(VK_MENU), 0);
  // A letter typed now is a letter, not a menu key.
  g_keyMessages.clear();
  xdo("key a");
  PumpUntil([&] { return std::find(g_keyMessages.begin(), g_keyMessages.end(), WM_CHAR) != g_keyMessages.end(); }, 3000);
  EXPECT_NE(std::find(g_keyMessages.begin(), g_keyMessages.end(), WM_CHAR), g_keyMessages.end());
  EXPECT_EQ(std::find(g_keyMessages.begin(), g_keyMessages.end(), WM_SYSCHAR), g_keyMessages.end());
  XDestroyWindow(other, elsewhere);
  XCloseDisplay(other);
  DestroyWindow(w);
}

// A click and a key typed right after it, where another program (a window manager that focuses on
// a click) holds the press until the key has come and then lets it go on: the window hears the
// press first, as the server had them.
TEST(Xvfb, AKeyTypedRightAfterAClickHeldElsewhereComesAfterTheClick) {
  if (!getenv("FANO_XVFB_CHILD")) {
    int status = -1;
    FANO_SKIP_OR_FAIL_UNLESS(
        RunUnderXvfbWithTries("Xvfb.AKeyTypedRightAfterAClickHeldElsewhereComesAfterTheClick", false, &status),
        "Xvfb or xdotool is not installed");
    EXPECT_EQ(status, 0);
    return;
  }
  WNDCLASSEX wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = KeyLogProc;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(COLOR_WINDOW + 1));
  wc.lpszClassName = "XvfbKeys";
  ASSERT_NE(RegisterClassEx(&wc), 0);
  HWND w = CreateWindowEx(0, "XvfbKeys", "fano-order", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 300, 200, nullptr,
                          nullptr, nullptr, nullptr);
  ASSERT_NE(w, nullptr);
  SetFocus(w);
  std::string ours;
  std::thread finder([&] { ours = ::Run("timeout 10 xdotool search --sync --name 'fano-order' | head -n 1"); });
  PumpUntil([&] { return false; }, 300);
  finder.join();
  ASSERT_FALSE(ours.empty()) << "the window never appeared on the X server";
  auto xdo = [&](const std::string& args) {
    std::thread t([&] { ::Run("timeout 10 xdotool " + args); });
    PumpUntil([&] { return false; }, 200);
    t.join();
  };
  xdo("windowfocus --sync " + ours + " mousemove --window " + ours + " 60 80");
  ASSERT_TRUE(PumpUntil([&] {
    POINT p{};
    return GetCursorPos(&p) && p.x == 100 && p.y == 120;
  }, 3000)) << "the pointer never reached the window";
  // The other program: a grab of the first button that holds the pointer at a press, and an eye on
  // the keys that reach the window.
  Display* manager = XOpenDisplay(nullptr);
  ASSERT_NE(manager, nullptr);
  const ::Window xw = static_cast<::Window>(std::stoul(ours));
  XGrabButton(manager, Button1, AnyModifier, xw, False, ButtonPressMask | ButtonReleaseMask, GrabModeSync, GrabModeAsync,
              0, 0);
  XSelectInput(manager, xw, KeyReleaseMask);
  XSync(manager, False);
  g_keyMessages.clear();
  // Clicked and typed into while this program reads nothing; the press goes on once the key is in.
  ::Run("timeout 10 xdotool click 1 key Home");
  bool keyIn = false;
  for (auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
       !keyIn && std::chrono::steady_clock::now() < until;) {
    pollfd p{ConnectionNumber(manager), POLLIN, 0};
    poll(&p, 1, 50);
    while (XPending(manager)) {
      XEvent ev;
      XNextEvent(manager, &ev);
      keyIn |= ev.type == KeyRelease;
    }
  }
  ASSERT_TRUE(keyIn) << "the key never reached the window";
  XAllowEvents(manager, ReplayPointer, CurrentTime);
  XSync(manager, False);
  PumpUntil([&] { return g_keyMessages.size() >= 2; }, 3000);
  EXPECT_EQ(g_keyMessages, (std::vector<UINT>{WM_LBUTTONDOWN, WM_KEYDOWN})) << "the key was served before the click";
  XCloseDisplay(manager);
  DestroyWindow(w);
}

}  // namespace
