#include "host/hostapp.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/lookupdlg.h"
#include "platform/os/automation.h"
#include "platform/rtl/strings.h"

namespace fanohost {

namespace {

constexpr const char* kToolBarClass = "FanoHostToolBar";
constexpr const char* kClientClass = "FanoHostClient";
constexpr const char* kStatusClass = "FanoHostStatus";
constexpr const char* kFormCaption = "费用垫付单";
// The tool bar's one button once the form has closed: the module's entry makes it again.
constexpr const char* kReopenTool = "reopen";
// Tool buttons in rows: as many rows as the window's width needs, so that every command stays
// reachable however narrow the window is.
constexpr int kToolButtonHeight = 23;
constexpr int kToolRowGap = 2;
constexpr int ToolBarHeight(int rows) { return 7 + rows * kToolButtonHeight + (rows - 1) * kToolRowGap; }
// The form colour the host sends; it differs from the forms' own resource colour (12825237), so a
// form that takes the scheme shows it.
constexpr int32_t kFormColor = 0xE9DDD2;
constexpr int kStatusHeight = 22;

// Posted to the main window: run the tool bar's command after the click is done with; show a
// text of the module in a box (with a display) once its request has returned.
constexpr UINT kRunCommand = WM_APP + 1;
constexpr UINT kShowText = WM_APP + 2;

HostApp* g_app = nullptr;

HINSTANCE Instance() {
  static int anchor;
  return reinterpret_cast<HINSTANCE>(&anchor);
}

std::string U8(const std::u16string& s) { return Utf16ToUtf8(s); }
std::u16string U16(std::string_view s) { return Utf8ToUtf16(s); }

std::string Hex(uintptr_t v) { return HexValue(v); }

std::string Color(int32_t c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%06X", static_cast<unsigned>(c) & 0xFFFFFFu);
  return buf;
}

// Captions of the standard commands, which the host knows by name.
std::string BaseCaption(const std::string& name) {
  static const std::pair<const char*, const char*> captions[] = {
      {"new", "新增"},      {"update", "修改"},  {"delete", "删除"},  {"save", "保存"},
      {"search", "查询"},   {"cancel", "取消"},  {"firstrec", "首笔"}, {"priorrec", "上笔"},
      {"nextrec", "下笔"},  {"lastrec", "末笔"},
  };
  for (const auto& [n, c] : captions)
    if (SameText(name, n)) return c;
  return name;
}

template <class F>
LRESULT Guard(F&& f) noexcept {
  try {
    return f();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "fano_host: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "fano_host: unexpected failure\n");
  }
  return 0;
}

LRESULT MainWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  return g_app ? g_app->MainProc(wnd, msg, wp, lp) : DefWindowProc(wnd, msg, wp, lp);
}
LRESULT ToolBarWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  return g_app ? g_app->ToolBarProc(wnd, msg, wp, lp) : DefWindowProc(wnd, msg, wp, lp);
}
LRESULT StatusWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  return g_app ? g_app->StatusProc(wnd, msg, wp, lp) : DefWindowProc(wnd, msg, wp, lp);
}
LRESULT ClientWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  return g_app ? g_app->ClientProc(wnd, msg, wp, lp) : DefWindowProc(wnd, msg, wp, lp);
}

// The most memory the process has held so far.
double PeakMemoryMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

bool ReadInt(const std::string& s, int min, int max, int& out) {
  try {
    size_t used = 0;
    long v = std::stol(s, &used);
    if (used != s.size() || v < min || v > max) return false;
    out = static_cast<int>(v);
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace

// ---- options ----

std::string UsageText() {
  return "Usage: fano_host [options]\n"
         "The stand-in host of the expense advance module: loads the module, shows its form and answers\n"
         "its requests from an SQLite database. With a display it opens a window; headless (no display,\n"
         "or --headless) it runs its script, writes snapshots and a log, and ends.\n"
         "  --module PATH    the module library (default: libfano217.so next to this program)\n"
         "  --db PATH        the database (default: " + DefaultDatabasePath() + ";\n"
         "                   created with demo data when missing)\n"
         "  --headless       no window even when a display is present\n"
         "  --script FILE    user actions to run (format: host/README.md)\n"
         "  --out DIR        folder for snapshots and the log (default: ./fano_host_out)\n"
         "  --log FILE       the log (default: OUT/host.log)\n"
         "  --user ACCOUNT   who logs in (default: admin)\n"
         "  --garble KIND    garble the first reply of KIND (open, close, display, save, command,\n"
         "                   search, lookup, any); may be repeated\n"
         "  --size WxH       the window's size (default 1100x760)\n"
         "  --log-replies    write every reply whole into the log (by default: its size, its\n"
         "                   rows and how it begins)\n"
         "  --echo           also write the log to standard error\n"
         "  --help           this text\n";
}

bool ParseOptions(const std::vector<std::string>& args, HostOptions& out, bool& help, std::string& error) {
  help = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& target) {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        error = a + " needs a value";
        return false;
      }
      target = args[++i];
      return true;
    };
    if (a == "--help" || a == "-h") {
      help = true;
    } else if (a == "--module") {
      if (!value(out.modulePath)) return false;
    } else if (a == "--db") {
      if (!value(out.dbPath)) return false;
    } else if (a == "--script") {
      if (!value(out.scriptPath)) return false;
    } else if (a == "--out") {
      if (!value(out.outDir)) return false;
    } else if (a == "--log") {
      if (!value(out.logPath)) return false;
    } else if (a == "--user") {
      if (!value(out.account)) return false;
    } else if (a == "--garble") {
      std::string kind;
      if (!value(kind)) return false;
      if (!IsGarbleKind(kind)) {
        error = "--garble takes open, close, display, save, command, search, lookup or any";
        return false;
      }
      out.garble.push_back(kind);
    } else if (a == "--size") {
      std::string size;
      if (!value(size)) return false;
      size_t x = size.find('x');
      if (x == std::string::npos || !ReadInt(size.substr(0, x), 320, 8192, out.width) ||
          !ReadInt(size.substr(x + 1), 240, 8192, out.height)) {
        error = "--size takes WIDTHxHEIGHT (from 320x240)";
        return false;
      }
    } else if (a == "--headless") {
      out.headless = true;
    } else if (a == "--echo") {
      out.echo = true;
    } else if (a == "--log-replies") {
      out.logReplies = true;
    } else {
      error = "unknown option \"" + a + "\"";
      return false;
    }
  }
  return true;
}

std::string DefaultDatabasePath() {
  namespace fs = std::filesystem;
  const char* xdg = std::getenv("XDG_DATA_HOME");
  const char* home = std::getenv("HOME");
  fs::path base;
  if (xdg && *xdg == '/') base = fs::path(xdg);
  else if (home && *home == '/') base = fs::path(home) / ".local" / "share";
  else base = fs::temp_directory_path();
  return (base / "fano217" / "host.db").string();
}

std::string ProgramDirectory() {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  std::string dir = ec ? std::filesystem::current_path(ec).string() : exe.parent_path().string();
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir;
}

// ---- start and end ----

HostApp::HostApp(HostOptions options) : opt_(std::move(options)) {
  g_app = this;
  handler_ = std::make_unique<RequestHandler>(db_);
}

HostApp::~HostApp() {
  if (g_app == this) g_app = nullptr;
}

int HostApp::Run() {
  namespace fs = std::filesystem;
  if (opt_.outDir.empty()) opt_.outDir = "fano_host_out";
  std::error_code ec;
  fs::create_directories(opt_.outDir, ec);
  if (opt_.logPath.empty()) opt_.logPath = (fs::path(opt_.outDir) / "host.log").string();
  log_.SetEcho(opt_.echo);
  if (!log_.OpenFile(opt_.logPath)) std::fprintf(stderr, "fano_host: cannot write the log %s\n", opt_.logPath.c_str());
  garbles_ = opt_.garble;

  if (opt_.headless) FanoUseHeadless();
  int code = 0;
  if (!Start()) {
    code = 1;
  } else if (!opt_.scriptPath.empty() || FanoDisplayKind() == FANO_DISPLAY_HEADLESS) {
    code = RunScript();
  }
  if (code == 0 && !quitting_ && main_ && FanoDisplayKind() != FANO_DISPLAY_HEADLESS) {
    // A person drives it from here.
    MSG msg;
    while (GetMessage(&msg, nullptr, 0, 0)) {
      TranslateMessage(&msg);
      DispatchMessage(&msg);
    }
  }
  Finish();
  log_.Write("HOST", "ended with exit code " + std::to_string(code));
  return code;
}

bool HostApp::Start() {
  headless_ = opt_.headless;
  if (opt_.dbPath.empty()) opt_.dbPath = DefaultDatabasePath();
  std::error_code ec;
  auto parent = std::filesystem::path(opt_.dbPath).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent, ec);
  hostdb::DbStatus st = db_.Open(opt_.dbPath);
  if (!st.ok()) {
    log_.Write("ERROR", st.text);
    std::fprintf(stderr, "fano_host: %s\n", st.text.c_str());
    return false;
  }
  log_.Write("HOST", "database " + Quoted(opt_.dbPath) + (db_.Created() ? " created with demo data" : " opened"));
  st = db_.FindUser(opt_.account, user_);
  if (!st.ok()) {
    log_.Write("ERROR", st.text);
    std::fprintf(stderr, "fano_host: %s\n", st.text.c_str());
    return false;
  }
  if (!CreateWindows()) return false;
  headless_ = FanoDisplayKind() == FANO_DISPLAY_HEADLESS;
  if (headless_) ClockSetSimulated(1);
  log_.Write("HOST", std::string("started ") + (headless_ ? "headless" : "with an X11 window") + ", user " +
                         Quoted(user_.account) + ", output folder " + Quoted(opt_.outDir));
  if (!LoadModule()) return false;
  SendHostRecords();
  ActivateForm();
  return true;
}

bool HostApp::CreateWindows() {
  boxMessage_ = RegisterWindowMessage(kMessageBoxMessage);
  dialogMessage_ = RegisterWindowMessage(kFanoDialogQuestionMessage);
  struct Class {
    const char* name;
    WNDPROC proc;
    int background;
  } classes[] = {{kHostWindowClass, MainWndProc, COLOR_BTNFACE},
                 {kToolBarClass, ToolBarWndProc, COLOR_BTNFACE},
                 {kClientClass, ClientWndProc, COLOR_APPWORKSPACE},
                 {kStatusClass, StatusWndProc, COLOR_BTNFACE}};
  for (const Class& c : classes) {
    WNDCLASS wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = c.proc;
    wc.hInstance = Instance();
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(c.background + 1));
    wc.lpszClassName = c.name;
    if (!RegisterClass(&wc)) {
      log_.Write("ERROR", std::string("cannot register the window class ") + c.name);
      return false;
    }
  }
  main_ = CreateWindowEx(0, kHostWindowClass, "Fano 宿主 — 费用垫付单", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                         CW_USEDEFAULT, CW_USEDEFAULT, opt_.width, opt_.height, nullptr, nullptr, Instance(), nullptr);
  if (!main_) {
    log_.Write("ERROR", "cannot create the host window");
    std::fprintf(stderr, "fano_host: cannot create the host window\n");
    return false;
  }
  toolbar_ = CreateWindowEx(0, kToolBarClass, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, main_, nullptr, Instance(), nullptr);
  client_ = CreateWindowEx(WS_EX_CLIENTEDGE, kClientClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0, 0,
                           main_, nullptr, Instance(), nullptr);
  status_ = CreateWindowEx(0, kStatusClass, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, main_, nullptr, Instance(), nullptr);
  if (!toolbar_ || !client_ || !status_) {
    log_.Write("ERROR", "cannot create the host window's parts");
    return false;
  }
  Layout();
  // Shown but not yet active: the module's form is made inside it first, and its first activation
  // comes from ActivateForm, after the host records have reached it.
  ShowWindow(main_, SW_SHOWNA);
  UpdateWindow(main_);
  return true;
}

void HostApp::Layout() {
  if (!main_) return;
  RECT r;
  GetClientRect(main_, &r);
  HDC dc = GetDC(toolbar_);
  const int rows = std::max(1, toolRow_.LayoutWrapped(dc, 4, 3, kToolButtonHeight, 44, r.right - 4, kToolRowGap));
  ReleaseDC(toolbar_, dc);
  if ((rows != toolRows_ || toolRow_.buttons.size() != toolCount_) && !toolRow_.buttons.empty()) {
    toolCount_ = toolRow_.buttons.size();
    log_.Write("HOST", "the tool bar's " + std::to_string(toolRow_.buttons.size()) + " buttons take " +
                           std::to_string(rows) + (rows == 1 ? " row" : " rows") + " of " + std::to_string(r.right) +
                           " pixels");
    toolRows_ = rows;
  }
  const int bar = ToolBarHeight(rows);
  MoveWindow(toolbar_, 0, 0, r.right, bar, TRUE);
  MoveWindow(client_, 0, bar, r.right, std::max<LONG>(0, r.bottom - bar - kStatusHeight), TRUE);
  MoveWindow(status_, 0, std::max<LONG>(0, r.bottom - kStatusHeight), r.right, kStatusHeight, TRUE);
}

bool HostApp::LoadModule() {
  std::string dir = ProgramDirectory();
  std::string path = opt_.modulePath.empty() ? dir + kModuleLibrary : opt_.modulePath;
  module_ = LoadLibrary(path.c_str());
  if (!module_) {
    std::string why = "cannot load the module " + Quoted(path) + " (error " + std::to_string(GetLastError()) + ")";
    log_.Write("ERROR", why);
    std::fprintf(stderr, "fano_host: %s\n", why.c_str());
    ShowText(why, true);
    return false;
  }
  auto entry = reinterpret_cast<TShowChildFormProc>(GetProcAddress(module_, kShowChildFormEntry));
  if (!entry) {
    std::string why = "the module " + Quoted(path) + " has no entry " + kShowChildFormEntry;
    log_.Write("ERROR", why);
    std::fprintf(stderr, "fano_host: %s\n", why.c_str());
    return false;
  }
  log_.Write("HOST", "module " + Quoted(path) + " loaded");
  entry_ = entry;
  return OpenForm();
}

bool HostApp::OpenForm() {
  TShowChildFormProc entry = entry_;
  log_.Write("SEND", std::string("ShowChildForm(app ") + Hex(reinterpret_cast<uintptr_t>(main_)) + ", host " +
                         Hex(reinterpret_cast<uintptr_t>(main_)) + ", parent " + Hex(reinterpret_cast<uintptr_t>(client_)) +
                         ", caption " + Quoted(kFormCaption) + ")");
  HWND result = entry(main_, main_, client_, kFormCaption);
  log_.Write("RECV", "ShowChildForm returned " + Hex(reinterpret_cast<uintptr_t>(result)));
  if (!result) {
    log_.Write("ERROR", "the module made no form");
    std::fprintf(stderr, "fano_host: the module made no form\n");
    return false;
  }
  if (!form_) form_ = result;
  if (result != form_) log_.Write("ERROR", "ShowChildForm returned another window than the one it registered");
  return true;
}

void HostApp::SendHostRecords() {
  hostInfo_.UserId = static_cast<int32_t>(user_.id);
  hostInfo_.UserAccount = U16(user_.account);
  hostInfo_.UserName = U16(user_.name);
  hostInfo_.UserGroup = U16(user_.group);
  hostInfo_.HostDirectory = U16(ProgramDirectory());
  hostInfoText_ = "BIL:fano217";
  log_.Write("SEND", "0x468 host information: user id " + std::to_string(hostInfo_.UserId) + ", account " +
                         Quoted(user_.account) + ", name " + Quoted(user_.name) + ", group " + Quoted(user_.group) +
                         ", directory " + Quoted(ProgramDirectory()) + ", text " + Quoted(hostInfoText_));
  SendMessage(form_, HM_HOSTINFO, reinterpret_cast<WPARAM>(&hostInfo_), reinterpret_cast<LPARAM>(hostInfoText_.c_str()));

  // The host's look: the title and panels of the original's resources, a lighter form.
  colors_.ShowTitle = true;
  colors_.PanelColor = 13031385;
  colors_.KeyFieldColor = 0xC0FFFF;
  colors_.EditorBorderColor = 0x808080;
  colors_.ToolBarColor = 13031385;
  colors_.FormColor = kFormColor;
  colors_.FocusedEditorColor = 0xE0FFFF;
  colors_.TitleColor = 10841658;
  colors_.EditorColor = 0xFFFFFF;
  colors_.LabelLineColor = 0xA0A0A0;
  colors_.RequiredFieldColor = 0xC0DCC0;
  colors_.DefaultTabColor = 13031385;
  colors_.DefaultTabColorTo = 13031385;
  colors_.ActiveTabColor = 0xFFFFFF;
  colors_.ActiveTabColorTo = 13031385;
  log_.Write("SEND", "0x469 colour scheme: title shown, title " + Color(colors_.TitleColor) + ", form " +
                         Color(colors_.FormColor) + ", panel " + Color(colors_.PanelColor) + ", editor " +
                         Color(colors_.EditorColor) + ", key " + Color(colors_.KeyFieldColor) + ", required " +
                         Color(colors_.RequiredFieldColor));
  SendMessage(form_, HM_COLORSCHEME, reinterpret_cast<WPARAM>(&colors_), 0);
}

void HostApp::ActivateForm() {
  if (!form_ || !IsWindow(form_)) return;
  log_.Write("SEND", "activation: the form takes the focus " + Hex(reinterpret_cast<uintptr_t>(form_)));
  SetActiveWindow(main_);
  SetFocus(form_);
  Pump();
}

void HostApp::Finish() {
  if (main_ && IsWindow(main_)) {
    if (form_ && !formClosed_ && IsWindow(form_)) {
      if (!CloseForm()) log_.Write("HOST", "the form did not close; the host ends all the same");
    }
    quitting_ = true;
    DestroyWindow(main_);
  }
  main_ = nullptr;
  Pump();
  if (module_) {
    FreeLibrary(module_);
    module_ = nullptr;
    log_.Write("HOST", "module unloaded");
  }
  db_.Close();
}

void HostApp::Pump() {
  if (headless_) {
    FanoPumpMessages();
    return;
  }
  MSG msg;
  while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
}

void HostApp::Wait(uint32_t ms) {
  if (headless_) {
    FanoAdvanceAndPump(ms, 10);
    return;
  }
  uint64_t until = GetTickCount64() + ms;
  while (GetTickCount64() < until && main_) {
    Pump();
    usleep(5000);
  }
}

// ---- windows ----

LRESULT HostApp::MainProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  return Guard([&]() -> LRESULT {
    if (msg >= HM_HIDE && msg <= HM_CANCLOSE) return OnLink(msg, wp, lp);
    if (boxMessage_ && msg == boxMessage_) return OnMessageBox(reinterpret_cast<FanoMessageBoxRequest*>(wp));
    if (dialogMessage_ && msg == dialogMessage_) return OnDialogQuestion(reinterpret_cast<FanoDialogQuestion*>(lp));
    switch (msg) {
      case WM_SIZE:
        if (wnd == main_) Layout();
        return 0;
      case WM_CLOSE:
        if (CloseForm()) {
          quitting_ = true;
          DestroyWindow(wnd);
        }
        return 0;
      case WM_DESTROY:
        if (wnd == main_) {
          main_ = nullptr;
          PostQuitMessage(0);
        }
        return 0;
      case kRunCommand: {
        if (pendingCommands_.empty()) return 0;
        std::string name = pendingCommands_.front();
        pendingCommands_.pop_front();
        std::string error;
        if (!RunCommand(name, error)) ShowText(error, true);
        return 0;
      }
      case kShowText: {
        if (textsToShow_.empty()) return 0;
        std::string text = textsToShow_.front();
        textsToShow_.pop_front();
        // Our own dialog library shows it, as it shows the module's boxes.
        HMODULE lib = LoadLibrary((ProgramDirectory() + kDialogLibrary).c_str());
        auto box = lib ? reinterpret_cast<TCvMessageBoxProc>(GetProcAddress(lib, kMessageBoxEntry)) : nullptr;
        if (box) box(main_, "宿主消息", text.c_str(), HOST_BOX_NOTICE);
        if (lib) FreeLibrary(lib);
        return 0;
      }
    }
    return DefWindowProc(wnd, msg, wp, lp);
  });
}

LRESULT HostApp::ClientProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_SIZE && form_ && IsWindow(form_) && IsZoomed(form_)) {
    // A maximised form fills the client area whatever its size.
    SetWindowPos(form_, nullptr, 0, 0, LOWORD(lp), HIWORD(lp), SWP_NOZORDER | SWP_NOACTIVATE);
  }
  return DefWindowProc(wnd, msg, wp, lp);
}

LRESULT HostApp::ToolBarProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  return Guard([&]() -> LRESULT {
    POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    switch (msg) {
      case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        RECT r;
        GetClientRect(wnd, &r);
        ui::FillColor(dc, r, GetSysColor(COLOR_BTNFACE));
        RECT line{r.left, r.bottom - 2, r.right, r.bottom};
        DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
        toolRow_.Paint(dc);
        if (tools_.empty()) {
          RECT t{8, 0, r.right, r.bottom};
          ui::DrawLabel(dc, t, formClosed_ ? "窗体已关闭" : "（模块尚未登记命令）", DT_LEFT | DT_VCENTER | DT_SINGLELINE,
                        GetSysColor(COLOR_GRAYTEXT));
        }
        EndPaint(wnd, &ps);
        return 0;
      }
      case WM_LBUTTONDOWN:
        toolRow_.MouseDown(wnd, pt);
        return 0;
      case WM_MOUSEMOVE: {
        int before = toolRow_.hot;
        toolRow_.MouseMove(wnd, pt);
        if (toolRow_.hot != before) ShowToolHint();
        return 0;
      }
      case WM_MOUSELEAVE:
        if (toolRow_.pressed < 0) toolRow_.MouseMove(wnd, POINT{-1, -1});
        ShowToolHint();
        return 0;
      case WM_LBUTTONUP: {
        int clicked = toolRow_.MouseUp(wnd, pt);
        if (clicked >= 0 && clicked < static_cast<int>(tools_.size())) {
          pendingCommands_.push_back(tools_[clicked].name);
          PostMessage(main_, kRunCommand, 0, 0);
        }
        return 0;
      }
      case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lp) != wnd) toolRow_.CaptureLost(wnd);
        return 0;
    }
    return DefWindowProc(wnd, msg, wp, lp);
  });
}

LRESULT HostApp::StatusProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(wnd, &ps);
    RECT r;
    GetClientRect(wnd, &r);
    ui::FillColor(dc, r, GetSysColor(COLOR_BTNFACE));
    RECT edge = r;
    DrawEdge(dc, &edge, BDR_SUNKENOUTER, BF_RECT);
    InflateRect(&r, -6, 0);
    std::string text = !statusError_ && !hoverText_.empty() ? hoverText_ : statusText_;
    if (text.empty()) {
      const HostSession* open = nullptr;
      for (const HostSession& s : handler_->Sessions())
        if (s.open) open = &s;
      text = "用户 " + user_.account + "（" + user_.name + "）  数据库 " + opt_.dbPath +
             (open ? "  会话 " + std::to_string(open->id) : std::string("  无会话"));
    }
    ui::DrawLabel(dc, r, text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS,
                  statusError_ ? RGB(0xC0, 0, 0) : GetSysColor(COLOR_BTNTEXT));
    EndPaint(wnd, &ps);
    return 0;
  }
  return DefWindowProc(wnd, msg, wp, lp);
}

// The status line names the button under the pointer as the button does (the commands' names are
// internal), and goes back to what it showed once the pointer leaves.
void HostApp::ShowToolHint() {
  std::string hint;
  int hot = toolRow_.hot;
  if (hot >= 0 && hot < static_cast<int>(tools_.size()) && hot < static_cast<int>(toolRow_.buttons.size())) {
    IHostCommand* c = FindCommand(tools_[hot].name);
    if (c) hint = c->Hint().empty() ? toolRow_.buttons[hot].text : c->Hint();
  }
  if (hint == hoverText_) return;
  hoverText_ = std::move(hint);
  if (status_) InvalidateRect(status_, nullptr, TRUE);
}

void HostApp::ShowText(const std::string& text, bool error) {
  statusText_ = text;
  statusError_ = error;
  if (status_) InvalidateRect(status_, nullptr, TRUE);
  if (error && !headless_ && main_) {
    textsToShow_.push_back(text);
    PostMessage(main_, kShowText, 0, 0);
  }
}

// ---- the link with the module ----

// A reply spoilt as a script asks: cut in half, without its status code, with its new row ids
// naming a table the request did not send, or with them naming no table.
static std::string GarbleReply(std::string reply, const std::string& how) {
  if (how == "nocode") {
    size_t a = reply.find("<code>");
    size_t b = a == std::string::npos ? a : reply.find("</code>", a);
    if (b != std::string::npos) reply.erase(a, b + 7 - a);
    return reply;
  }
  if (how == "foreign-ids" || how == "nameless-ids") {
    for (size_t at = reply.find("<rowid"); at != std::string::npos; at = reply.find("<rowid", at + 1)) {
      const size_t end = reply.find('>', at);
      const size_t name = reply.find(" tbname=\"", at);
      if (name == std::string::npos || name > end) continue;
      const size_t value = name + 9;
      const size_t close = reply.find('"', value);
      if (how == "foreign-ids")
        reply.replace(value, close - value, "TB_ELSEWHERE");
      else
        reply.erase(name, close + 1 - name);
    }
    return reply;
  }
  return reply.substr(0, reply.size() / 2) + "<<garbled";
}

void HostApp::Answer(const char* code, const std::string& kind, std::string reply, std::u16string& slot) {
  bool isCommand = kind == "display" || kind == "save";
  for (auto it = garbles_.begin(); it != garbles_.end(); ++it) {
    const size_t blank = it->find(' ');
    const std::string which = it->substr(0, blank);
    const std::string how = blank == std::string::npos ? "cut" : it->substr(blank + 1);
    if (which == kind || which == "any" || (isCommand && which == "command")) {
      garbles_.erase(it);
      reply = GarbleReply(reply, how);
      log_.Write("HOST", "garbling the " + kind + " reply as asked (" + how + ")");
      break;
    }
  }
  if (opt_.logReplies) log_.Document("REPLY", code, reply);
  else log_.DocumentSummary("REPLY", code, reply);
  slot = U16(reply);
}

std::vector<hostdb::LookupArg> HostApp::Arguments(const TArgArr* args, std::string& shown) {
  std::vector<hostdb::LookupArg> out;
  shown = "[";
  if (args) {
    for (const TArgRec& r : *args) {
      hostdb::LookupArg a{std::string(r.Name()), r.ArgKind, r.ArgFlag, std::string(r.Value())};
      shown += (out.empty() ? "" : ", ") + Quoted(a.name) + " kind " + std::to_string(a.kind) +
               (a.flag ? " on " : " off ") + Quoted(a.value);
      out.push_back(std::move(a));
    }
  }
  shown += "]";
  return out;
}

std::optional<size_t> HostApp::Choose(std::string_view view, const hostdb::RowSet& rows) {
  if (!headless_ && picks_.empty()) {
    log_.Write("HOST", "lookup dialog over " + std::string(view) + " with " + std::to_string(rows.rows.size()) + " rows");
    auto chosen = ChooseRow(main_, "选择" + std::string(rows.title.empty() ? view : std::string_view(rows.title)), rows);
    log_.Write("HOST", chosen ? "the user chose row " + std::to_string(*chosen + 1) : std::string("the user cancelled"));
    return chosen;
  }
  PickChoice pick;
  if (picks_.empty()) {
    log_.Write("HOST", "no pick scripted: the first row");
  } else {
    pick = picks_.front();
    picks_.pop_front();
  }
  switch (pick.kind) {
    case PickChoice::First: return 0;
    case PickChoice::Last: return rows.rows.size() - 1;
    case PickChoice::None: log_.Write("HOST", "the script cancels the lookup"); return std::nullopt;
    case PickChoice::Row:
      if (static_cast<size_t>(pick.row) <= rows.rows.size()) return static_cast<size_t>(pick.row - 1);
      log_.Write("ERROR", "the scripted row " + std::to_string(pick.row) + " is not among the " +
                              std::to_string(rows.rows.size()) + " rows: cancelled");
      return std::nullopt;
    case PickChoice::Match: {
      int c = rows.ColumnIndex(pick.column);
      for (size_t r = 0; c >= 0 && r < rows.rows.size(); ++r)
        if (hostdb::ValueText(rows.columns[c], rows.rows[r][c]) == pick.value) return r;
      log_.Write("ERROR", "no row with " + pick.column + " = " + Quoted(pick.value) + ": cancelled");
      return std::nullopt;
    }
  }
  return std::nullopt;
}

LRESULT HostApp::OnLink(UINT msg, WPARAM wp, LPARAM lp) {
  // The time the host spends on the module's messages, so that a command's time splits into the
  // host's part and the module's own.
  struct AnswerTimer {
    HostApp& app;
    std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
    ~AnswerTimer() {
      app.answerSeconds_ += std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
      app.answerPeakMegabytes_ = PeakMemoryMegabytes();
    }
  } timer{*this};
  auto* share = reinterpret_cast<TShareVar*>(wp);
  auto needShare = [&](const char* what) {
    if (share) return true;
    log_.Write("ERROR", std::string(what) + " came without a request record");
    return false;
  };
  switch (msg) {
    case HM_REGISTERFORM:
      log_.Write("RECV", "0x46A register form " + Hex(static_cast<uintptr_t>(wp)));
      form_ = reinterpret_cast<HWND>(wp);
      formClosed_ = false;
      return 0;
    case HM_REGISTERCOMMANDS:
      ownSet_ = reinterpret_cast<IHostCommandSet* const*>(wp);
      ReadCommandSets("0x46B own commands");
      return 0;
    case HM_REGISTERBASECOMMANDS:
      baseSet_ = reinterpret_cast<IHostCommandSet* const*>(wp);
      ReadCommandSets("0x46D base commands");
      return 0;
    case HM_SHOWMESSAGE: {
      std::string text = lp ? SanitizeUtf8(reinterpret_cast<const char*>(lp)) : std::string();
      log_.Write("RECV", "0x46C show message, kind " + std::to_string(static_cast<long long>(wp)));
      log_.Write("SHOW", text);
      ShowText(text, true);
      return 0;
    }
    case HM_CHILDCLOSED:
      log_.Write("RECV", "0x466 the form closed itself " + Hex(static_cast<uintptr_t>(wp)));
      if (reinterpret_cast<HWND>(wp) == form_) FormGone();
      return 0;
    case HM_OPENSESSION: {
      if (!needShare("0x46E")) return 0;
      std::string name = U8(share->RequestName), code = U8(share->ModuleCode);
      log_.Write("RECV", "0x46E open session: request name " + Quoted(name) + ", module code " + Quoted(code) +
                             ", form " + Hex(static_cast<uintptr_t>(lp)));
      Answer("0x46E", "open", handler_->OpenSession(name, code, static_cast<uintptr_t>(lp)), share->ReplyOpen);
      if (status_) InvalidateRect(status_, nullptr, TRUE);
      return 0;
    }
    case HM_CLOSESESSION: {
      if (!needShare("0x46F")) return 0;
      log_.Write("RECV", "0x46F close session " + std::to_string(share->SessionId) + ", module code " +
                             Quoted(U8(share->ModuleCode)) + ", form " + Hex(static_cast<uintptr_t>(lp)));
      Answer("0x46F", "close", handler_->CloseSession(share->SessionId, U8(share->ModuleCode)), share->ReplyClose);
      if (status_) InvalidateRect(status_, nullptr, TRUE);
      return 0;
    }
    case HM_EXECCOMMAND: {
      if (!needShare("0x470")) return 0;
      std::string command = U8(share->CommandName), request = U8(share->RequestXml);
      log_.Write("RECV", "0x470 command " + Quoted(command) + ", session " + std::to_string(share->SessionId) +
                             ", module code " + Quoted(U8(share->ModuleCode)) + ", form " +
                             Hex(static_cast<uintptr_t>(lp)));
      log_.Document("REQUEST", "0x470", request);
      std::string kind = SameText(command, "display") ? "display" : SameText(command, "singleRecordSet") ? "save" : "command";
      Answer("0x470", kind, handler_->Command(share->SessionId, U8(share->ModuleCode), command, request),
             share->ReplyCommand);
      return 0;
    }
    case HM_SEARCH: {
      if (!needShare("0x473")) return 0;
      std::string shown;
      auto args = Arguments(reinterpret_cast<const TArgArr*>(lp), shown);
      std::string function = U8(share->FunctionName);
      log_.Write("RECV", "0x473 search, function " + Quoted(function) + ", arguments " + shown);
      Answer("0x473", "search", handler_->Search(function, args), share->ReplySearch);
      return 0;
    }
    case HM_LOOKUP: {
      if (!needShare("0x474")) return 0;
      std::string shown;
      auto args = Arguments(reinterpret_cast<const TArgArr*>(lp), shown);
      std::string view = U8(share->FunctionName);
      log_.Write("RECV", "0x474 lookup " + Quoted(view) + ", flags A " + std::to_string(share->LookupFlagA) + " B " +
                             std::to_string(share->LookupFlagB) + " C " + std::to_string(share->LookupFlagC) +
                             ", arguments " + shown);
      auto choose = [this](std::string_view v, const hostdb::RowSet& rows) { return Choose(v, rows); };
      Answer("0x474", "lookup", handler_->Lookup(view, args, choose), share->ReplyLookup);
      return 0;
    }
  }
  log_.Write("RECV", "message " + Hex(msg) + " (not one the host answers)");
  return DefWindowProc(main_, msg, wp, lp);
}

void HostApp::ReadCommandSets(const char* why) {
  tools_.clear();
  std::vector<ui::ButtonRow::Button> buttons;
  std::string names;
  for (bool own : {false, true}) {
    IHostCommandSet* const* ref = own ? ownSet_ : baseSet_;
    IHostCommandSet* set = ref ? *ref : nullptr;
    if (!set) continue;
    bool first = true;
    for (int i = 0; i < set->Count(); ++i) {
      IHostCommand* c = set->Command(i);
      if (!c) continue;
      ToolItem item{c->Name(), own};
      std::string caption = own ? (!c->Caption().empty() ? c->Caption() : !c->Hint().empty() ? c->Hint() : c->Name())
                                : (!c->Caption().empty() && !SameText(c->Caption(), c->Name()) ? c->Caption()
                                                                                               : BaseCaption(c->Name()));
      buttons.push_back({item.name, caption, c->HasExecute(), own && first && !tools_.empty(), {}});
      names += (names.empty() ? "" : ", ") + item.name + (caption != item.name ? " " + Quoted(caption) : std::string());
      tools_.push_back(std::move(item));
      first = false;
    }
  }
  log_.Write("RECV", std::string(why) + "; the tool bar: " + names);
  toolRow_.buttons = std::move(buttons);
  ToolsChanged();
}

void HostApp::ToolsChanged() {
  toolRow_.hot = toolRow_.pressed = -1;
  ShowToolHint();
  if (!toolbar_) return;
  // Laid out at once, so that a click before the next paint finds its button; the rows they take
  // may move the form.
  Layout();
  InvalidateRect(toolbar_, nullptr, TRUE);
}

IHostCommand* HostApp::FindCommand(const std::string& name) {
  for (IHostCommandSet* const* ref : {ownSet_, baseSet_}) {
    IHostCommandSet* set = ref ? *ref : nullptr;
    if (!set) continue;
    for (int i = 0; i < set->Count(); ++i) {
      IHostCommand* c = set->Command(i);
      if (c && SameText(c->Name(), name)) return c;
    }
  }
  return nullptr;
}

bool HostApp::RunCommand(const std::string& name, std::string& error) {
  if (name == kReopenTool && formClosed_) return ReopenForm(error);
  IHostCommand* c = FindCommand(name);
  if (!c) {
    error = "the module has no command " + Quoted(name);
    return false;
  }
  log_.Write("SEND", "command " + Quoted(c->Name()) + (c->HasExecute() ? "" : " (it has no action)"));
  if (statusError_) {
    statusError_ = false;
    statusText_.clear();
    if (status_) InvalidateRect(status_, nullptr, TRUE);
  }
  c->Execute();
  return true;
}

LRESULT HostApp::OnMessageBox(FanoMessageBoxRequest* request) {
  if (!request || request->size < sizeof(FanoMessageBoxRequest)) return 0;
  std::string caption = request->caption ? request->caption : "";
  std::string text = request->text ? request->text : "";
  std::string what = "caption " + Quoted(caption) + ", text " + Quoted(text) + ", flags " + std::to_string(request->flags);
  if (request->phase == BoxPhase::Answer) {
    log_.Write("BOX", what + " -> " + std::to_string(request->answer) + " (the user)");
    return 1;
  }
  if (!headless_ && !scripting_ && answers_.empty()) {
    log_.Write("BOX", what + " shown");
    return 0;
  }
  int32_t answer = 0;
  if (!answers_.empty()) {
    answer = answers_.front();
    answers_.pop_front();
    log_.Write("BOX", what + " -> " + std::to_string(answer) + " (the script)");
  } else {
    answer = request->flags == HOST_BOX_YESNO ? kBoxNo : kBoxOk;
    log_.Write("BOX", what + " -> " + std::to_string(answer) + " (unscripted)");
  }
  request->answer = answer;
  return 1;
}

LRESULT HostApp::OnDialogQuestion(FanoDialogQuestion* question) {
  if (!question || question->size < sizeof(FanoDialogQuestion)) return 0;
  const std::string caption = question->caption ? question->caption : "";
  const std::string text = question->text ? question->text : "";
  std::string what = "dialog " + Quoted(caption) + ", text " + Quoted(text) + ", buttons " +
                     Quoted(question->buttons ? question->buttons : "");
  if (!answers_.empty()) {
    question->answer = answers_.front();
    answers_.pop_front();
    log_.Write("BOX", what + " -> " + std::to_string(question->answer) + " (the script)");
    return 1;
  }
  if (!headless_) {
    // A person answers it.
    log_.Write("BOX", what + " shown");
    return 0;
  }
  // Nobody could press its buttons: the dialog gets what Escape gives, and the run ends, naming it.
  if (unansweredBox_.empty())
    unansweredBox_ = "the dialog " + Quoted(caption) + " (" + Quoted(text) + ") has no answer: give one with answer first";
  log_.Write("BOX", what + " -> " + std::to_string(question->answer) + " (no answer)");
  return 1;
}

bool HostApp::CloseForm() {
  if (!form_ || formClosed_ || !IsWindow(form_)) return true;
  log_.Write("SEND", "0x476 may the form close?");
  LRESULT refuse = SendMessage(form_, HM_CANCLOSE, 0, 0);
  log_.Write("RECV", "0x476 answered " + std::to_string(static_cast<long long>(refuse)));
  if (refuse != 0) {
    ShowText("窗体不能关闭", false);
    return false;
  }
  log_.Write("SEND", "0x467 close request");
  LRESULT result = SendMessage(form_, HM_CLOSEREQUEST, 0, 0);
  log_.Write("RECV", "0x467 answered " + std::to_string(static_cast<long long>(result)));
  if (result != 0) return false;
  FormGone();
  return true;
}

void HostApp::FormGone() {
  formClosed_ = true;
  // The closed form's commands go with it; what is left is the way back to the module.
  ownSet_ = baseSet_ = nullptr;
  tools_.assign(1, ToolItem{kReopenTool, false});
  toolRow_.buttons.assign(1, ui::ButtonRow::Button{kReopenTool, std::string("打开") + kFormCaption, true, false, {}});
  if (form_ && IsWindow(form_) && IsWindowVisible(form_)) ShowWindow(form_, SW_HIDE);
  ToolsChanged();
  if (client_) InvalidateRect(client_, nullptr, TRUE);
  if (status_) InvalidateRect(status_, nullptr, TRUE);
}

bool HostApp::ReopenForm(std::string& error) {
  if (form_ && !formClosed_ && IsWindow(form_)) {
    error = "the form is still open";
    return false;
  }
  log_.Write("HOST", "the module's form is made again");
  form_ = nullptr;
  if (!OpenForm()) {
    error = "the module made no form";
    return false;
  }
  SendHostRecords();
  ActivateForm();
  return true;
}

// ---- the script ----

int HostApp::RunScript() {
  std::vector<ScriptAction> actions;
  if (!opt_.scriptPath.empty()) {
    std::ifstream in(opt_.scriptPath, std::ios::binary);
    if (!in) {
      log_.Write("ERROR", "cannot read the script " + Quoted(opt_.scriptPath));
      std::fprintf(stderr, "fano_host: cannot read the script %s\n", opt_.scriptPath.c_str());
      return 2;
    }
    std::stringstream text;
    text << in.rdbuf();
    std::string error;
    if (!ReadScript(text.str(), actions, error)) {
      log_.Write("ERROR", "script " + opt_.scriptPath + ", " + error);
      std::fprintf(stderr, "fano_host: %s: %s\n", opt_.scriptPath.c_str(), error.c_str());
      return 2;
    }
  } else {
    // Headless without a script: show the form, take its picture, end.
    ScriptAction snap;
    snap.kind = ActionKind::Snapshot;
    snap.text = "host.png";
    actions.push_back(snap);
  }
  scripting_ = true;
  struct EndOfScript {
    bool& flag;
    ~EndOfScript() { flag = false; }
  } endOfScript{scripting_};
  for (const ScriptAction& a : actions) {
    if (quitting_ || !main_) break;
    std::string error;
    const bool done = RunAction(a, error);
    if (done) Pump();
    if (done && !unansweredBox_.empty()) error = unansweredBox_;
    if (!done || !unansweredBox_.empty()) {
      log_.Write("ERROR", "script line " + std::to_string(a.line) + ": " + error);
      std::fprintf(stderr, "fano_host: script line %d: %s\n", a.line, error.c_str());
      return 2;
    }
  }
  if (headless_) quitting_ = true;
  return 0;
}

HWND HostApp::FindWindowNamed(const std::string& name, bool controlNameOnly) {
  struct Search {
    const std::string* name;
    UINT nameMessage;
    bool controlNameOnly;
    HWND found;
  } search{&name, RegisterWindowMessage(kFanoControlNameMessage), controlNameOnly, nullptr};
  EnumChildWindows(
      main_,
      [](HWND wnd, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        if (!IsWindowVisible(wnd)) return TRUE;
        char control[256] = {};
        bool match = SendMessage(wnd, s->nameMessage, sizeof control, reinterpret_cast<LPARAM>(control)) > 0 &&
                     AnsiSameText(control, *s->name);
        if (!match && !s->controlNameOnly) {
          char text[256] = {}, cls[256] = {};
          GetWindowText(wnd, text, sizeof text);
          GetClassName(wnd, cls, sizeof cls);
          match = AnsiSameText(text, *s->name) || AnsiSameText(cls, *s->name);
        }
        if (!match) return TRUE;
        s->found = wnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool HostApp::Snapshot(const std::string& file, std::string& error) {
  namespace fs = std::filesystem;
  fs::path path(file);
  if (path.is_relative()) path = fs::path(opt_.outDir) / path;
  UpdateWindow(main_);
  Pump();
  if (!FanoSnapshotWindow(main_, path.string().c_str())) {
    error = "cannot write the snapshot " + Quoted(path.string());
    return false;
  }
  log_.Write("HOST", "snapshot " + Quoted(path.string()));
  return true;
}

bool HostApp::RunAction(const ScriptAction& a, std::string& error) {
  auto click = [&](POINT screen, ClickKind kind) {
    FanoInputMouseMove(screen.x, screen.y);
    Pump();
    int button = kind == ClickKind::Right ? 1 : 0;
    for (int i = 0; i < (kind == ClickKind::Double ? 2 : 1); ++i) {
      FanoInputMouseButton(button, TRUE, screen.x, screen.y);
      FanoInputMouseButton(button, FALSE, screen.x, screen.y);
      Pump();
    }
  };
  switch (a.kind) {
    case ActionKind::Wait:
      log_.Write("SCRIPT", "wait " + std::to_string(a.ms) + " ms");
      Wait(a.ms);
      return true;
    case ActionKind::Command: {
      log_.Write("SCRIPT", "command " + a.text);
      // Real time and memory, apart from the simulated clock, for measuring the module at scale.
      const auto started = std::chrono::steady_clock::now();
      answerSeconds_ = 0;
      const bool ran = RunCommand(a.text, error);
      Pump();
      const double all = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
      char line[256];
      std::snprintf(line, sizeof line,
                    "command %s: %.1f ms, %.1f ms of it in the host's answers, %.1f ms in the module; peak memory "
                    "%.1f MB, %.1f MB when the host's last answer was handed over",
                    a.text.c_str(), all * 1000, answerSeconds_ * 1000, (all - answerSeconds_) * 1000,
                    PeakMemoryMegabytes(), answerPeakMegabytes_);
      log_.Write("TIME", line);
      return ran;
    }
    case ActionKind::Click: {
      log_.Write("SCRIPT", "click " + std::to_string(a.x) + " " + std::to_string(a.y));
      POINT pt{a.x, a.y};
      ClientToScreen(main_, &pt);
      click(pt, a.click);
      return true;
    }
    case ActionKind::ClickWindow: {
      HWND target = FindWindowNamed(a.text, false);
      if (!target) {
        error = "no visible window " + Quoted(a.text);
        return false;
      }
      RECT r;
      GetWindowRect(target, &r);
      // A negative position counts from the right or bottom edge (an editor's button).
      POINT pt{!a.hasPosition ? (r.left + r.right) / 2 : a.x < 0 ? r.right + a.x : r.left + a.x,
               !a.hasPosition ? (r.top + r.bottom) / 2 : a.y < 0 ? r.bottom + a.y : r.top + a.y};
      log_.Write("SCRIPT", "click on window " + Quoted(a.text) + " at screen " + std::to_string(pt.x) + " " +
                               std::to_string(pt.y));
      click(pt, a.click);
      return true;
    }
    case ActionKind::Focus: {
      log_.Write("SCRIPT", "focus " + a.text);
      HWND target = FindWindowNamed(a.text, true);
      if (!target) {
        error = "no visible control " + Quoted(a.text);
        return false;
      }
      SetFocus(target);
      return true;
    }
    case ActionKind::Read: {
      HWND target = FindWindowNamed(a.text, true);
      if (!target) {
        error = "no visible control " + Quoted(a.text);
        return false;
      }
      Pump();
      std::string text(static_cast<size_t>(GetWindowTextLength(target)) + 1, '\0');
      text.resize(static_cast<size_t>(std::max(0, GetWindowText(target, text.data(), static_cast<int>(text.size())))));
      log_.Write("READ", a.text + " " + Quoted(text));
      return true;
    }
    case ActionKind::Cell: {
      const std::string line = a.cellLine < 0 ? std::string("last") : std::to_string(a.cellLine);
      log_.Write("SCRIPT", "cell " + a.text + " line " + line + " field " + a.field);
      HWND grid = FindWindowNamed(a.text, true);
      if (!grid) {
        error = "no visible control " + Quoted(a.text);
        return false;
      }
      // A disabled grid (the list while a document is edited) takes no click; the driver's message
      // would still move its cursor, which no person can.
      for (HWND w = grid; w; w = GetAncestor(w, GA_PARENT)) {
        if (!IsWindowEnabled(w)) {
          log_.Write("SCRIPT", Quoted(a.text) + " is disabled: the click does nothing");
          return true;
        }
        if (w == main_) break;
      }
      FanoGridCellRequest request{sizeof(FanoGridCellRequest), a.cellLine, a.field.c_str(), {}};
      if (SendMessage(grid, RegisterWindowMessage(kFanoGridCellMessage), 0, reinterpret_cast<LPARAM>(&request)) == 0) {
        error = "the grid " + Quoted(a.text) + " has no line " + line + " or shows no field " + Quoted(a.field);
        return false;
      }
      Pump();
      // Then a click on it, as a person would (a list opens its document on a click).
      POINT pt{(request.cell.left + request.cell.right) / 2, (request.cell.top + request.cell.bottom) / 2};
      ClientToScreen(grid, &pt);
      click(pt, ClickKind::Left);
      return true;
    }
    case ActionKind::Key: {
      std::string shown;
      for (const KeyStroke& k : a.keys) {
        shown += " " + std::to_string(k.vk);
        if (k.ctrl) FanoInputKey(VK_CONTROL, TRUE);
        if (k.shift) FanoInputKey(VK_SHIFT, TRUE);
        if (k.alt) FanoInputKey(VK_MENU, TRUE);
        FanoInputKey(k.vk, TRUE);
        FanoInputKey(k.vk, FALSE);
        if (k.alt) FanoInputKey(VK_MENU, FALSE);
        if (k.shift) FanoInputKey(VK_SHIFT, FALSE);
        if (k.ctrl) FanoInputKey(VK_CONTROL, FALSE);
        Pump();
      }
      log_.Write("SCRIPT", "keys" + shown);
      return true;
    }
    case ActionKind::Text:
      log_.Write("SCRIPT", "text " + Quoted(a.text));
      FanoInputText(a.text.c_str());
      return true;
    case ActionKind::Answer:
      log_.Write("SCRIPT", "answer " + std::to_string(a.answer) + " queued");
      answers_.push_back(a.answer);
      return true;
    case ActionKind::Pick:
      log_.Write("SCRIPT", "pick queued");
      picks_.push_back(a.pick);
      return true;
    case ActionKind::Garble:
      log_.Write("SCRIPT", "garble the next " + a.text + " reply");
      garbles_.push_back(a.text);
      return true;
    case ActionKind::Snapshot:
      log_.Write("SCRIPT", "snapshot " + a.text);
      return Snapshot(a.text, error);
    case ActionKind::Probe: {
      // Client coordinates of the host window to the window coordinates the pixel is read in.
      POINT pt{a.x, a.y};
      ClientToScreen(main_, &pt);
      RECT w;
      GetWindowRect(main_, &w);
      UpdateWindow(main_);
      Pump();
      COLORREF c = FanoGetWindowPixel(main_, pt.x - w.left, pt.y - w.top);
      log_.Write("PROBE", std::to_string(a.x) + " " + std::to_string(a.y) + " " + Color(static_cast<int32_t>(c)));
      return true;
    }
    case ActionKind::Activate:
      log_.Write("SCRIPT", "activate");
      log_.Write("SEND", "0x475 activate child " + Hex(reinterpret_cast<uintptr_t>(form_)));
      SendMessage(form_, HM_ACTIVATECHILD, reinterpret_cast<WPARAM>(client_), reinterpret_cast<LPARAM>(form_));
      ActivateForm();
      return true;
    case ActionKind::Hide:
      log_.Write("SCRIPT", "hide");
      log_.Write("SEND", "0x464 hide");
      SendMessage(form_, HM_HIDE, 0, 0);
      return true;
    case ActionKind::Show:
      log_.Write("SCRIPT", "show");
      log_.Write("SEND", "0x465 show");
      SendMessage(form_, HM_SHOW, 0, 0);
      return true;
    case ActionKind::Close:
      log_.Write("SCRIPT", "close");
      CloseForm();
      return true;
    case ActionKind::Reopen:
      log_.Write("SCRIPT", "reopen");
      return ReopenForm(error);
    case ActionKind::Quit:
      log_.Write("SCRIPT", "quit");
      if (!CloseForm()) log_.Write("HOST", "the form refused to close");
      quitting_ = true;
      return true;
    case ActionKind::Note:
      log_.Write("SCRIPT", "note " + a.text);
      return true;
  }
  return true;
}

}  // namespace fanohost
