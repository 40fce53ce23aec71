#include "fake_host.h"

#include "platform/rtl/strings.h"

namespace shelltest {

namespace {
const char* const kClassName = "FanoShellTestHost";
}

FakeHost::FakeHost() {
  WNDCLASS wc{};
  if (!GetClassInfo(nullptr, kClassName, &wc)) {
    wc.lpfnWndProc = &FakeHost::WndProc;
    wc.lpszClassName = kClassName;
    RegisterClass(&wc);
  }
  wnd_ = CreateWindowEx(0, kClassName, "host", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr, nullptr, nullptr, nullptr);
  SetWindowLongPtr(wnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  ShowWindow(wnd_, SW_SHOWNOACTIVATE);
}

FakeHost::~FakeHost() {
  SetWindowLongPtr(wnd_, GWLP_USERDATA, 0);
  DestroyWindow(wnd_);
}

LRESULT FakeHost::WndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<FakeHost*>(GetWindowLongPtr(wnd, GWLP_USERDATA));
  if (self && msg >= HM_HIDE && msg <= HM_CANCLOSE) return self->Handle(msg, wp, lp);
  return DefWindowProc(wnd, msg, wp, lp);
}

LRESULT FakeHost::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  HostCall call;
  call.Msg = msg;
  call.WParam = wp;
  call.LParam = lp;
  switch (msg) {
    case HM_SHOWMESSAGE:
      call.Text = lp ? reinterpret_cast<const char*>(lp) : "";
      break;
    case HM_REGISTERCOMMANDS:
    case HM_REGISTERBASECOMMANDS: {
      auto field = reinterpret_cast<IHostCommandSet* const*>(wp);
      sets_[msg] = field;
      if (field && *field)
        for (int i = 0; i < (*field)->Count(); ++i) call.CommandNames.push_back((*field)->Command(i)->Name());
      break;
    }
    case HM_OPENSESSION:
    case HM_CLOSESESSION:
    case HM_EXECCOMMAND:
    case HM_SEARCH:
    case HM_LOOKUP: {
      auto* share = reinterpret_cast<TShareVar*>(wp);
      call.Request = *share;
      if (msg == HM_SEARCH || msg == HM_LOOKUP) {
        if (auto* args = reinterpret_cast<const TArgArr*>(lp))
          for (const TArgRec& a : *args) {
            call.ArgNames.emplace_back(a.Name());
            call.ArgValues.emplace_back(a.Value());
          }
      }
      auto it = replies_.find(msg);
      std::u16string reply = it == replies_.end() ? std::u16string() : Utf8ToUtf16(it->second);
      switch (msg) {
        case HM_OPENSESSION: share->ReplyOpen = reply; break;
        case HM_CLOSESESSION: share->ReplyClose = reply; break;
        case HM_EXECCOMMAND: share->ReplyCommand = reply; break;
        case HM_SEARCH: share->ReplySearch = reply; break;
        default: share->ReplyLookup = reply; break;
      }
      break;
    }
    default:
      break;
  }
  calls_.push_back(std::move(call));
  if (OnCall) OnCall(calls_.back());
  return 0;
}

std::vector<const HostCall*> FakeHost::CallsOf(UINT msg) const {
  std::vector<const HostCall*> out;
  for (const HostCall& c : calls_)
    if (c.Msg == msg) out.push_back(&c);
  return out;
}

std::vector<std::string> FakeHost::Messages() const {
  std::vector<std::string> out;
  for (const HostCall* c : CallsOf(HM_SHOWMESSAGE)) out.push_back(c->Text);
  return out;
}

IHostCommandSet* FakeHost::LastCommandSet(UINT msg) const {
  auto it = sets_.find(msg);
  return it == sets_.end() || !it->second ? nullptr : *it->second;
}

}  // namespace shelltest

#include "shell_test_util.h"
#include "platform/forms/forms.h"
#include "platform/os/clock.h"
#include "platform/os/wingdi.h"

namespace shelltest {

TestDialog::TestDialog() {
  lib_ = LoadLibrary((std::string(FANO_TEST_HOSTDIR) + "/dialog.so").c_str());
  setAnswer_ = reinterpret_cast<void (*)(int32_t)>(GetProcAddress(lib_, "TestDialogSetAnswer"));
  count_ = reinterpret_cast<int (*)()>(GetProcAddress(lib_, "TestDialogBoxCount"));
  last_ = reinterpret_cast<int32_t (*)(char*, char*, size_t, HWND*)>(GetProcAddress(lib_, "TestDialogLastBox"));
  if (!setAnswer_ || !count_ || !last_) ADD_FAILURE() << "the test dialog library is not there";
}

TestDialog::~TestDialog() { FreeLibrary(lib_); }

std::string TestDialog::LastText() const {
  char caption[256], text[256];
  HWND owner;
  return last_(caption, text, sizeof text, &owner) < 0 ? std::string() : std::string(text);
}

std::string TestDialog::LastCaption() const {
  char caption[256], text[256];
  HWND owner;
  return last_(caption, text, sizeof text, &owner) < 0 ? std::string() : std::string(caption);
}

int32_t TestDialog::LastFlags() const {
  char caption[256], text[256];
  HWND owner;
  return last_(caption, text, sizeof text, &owner);
}

std::string ReplyDoc(int code, const std::string& info, const std::string& items) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><corvane><status><code>" + std::to_string(code) +
         "</code><info>" + info + "</info></status>" + items + "</corvane>";
}

void ShellTest::SetUp() {
  FanoUseHeadless();
  FanoSetTestFont(TRUE);
  ClockSetSimulated(1);
  host = std::make_unique<FakeHost>();
  info.UserAccount = u"zhangsan";
  info.UserName = u"张三";
  info.UserGroup = u"财务组";
  info.HostDirectory = Utf8ToUtf16(FANO_TEST_HOSTDIR);  // no separator at the end
  info.UserId = 7;
  GlobalVar::HostWindow = host->Handle();
  GlobalVar::HostInfo = &info;
  GlobalVar::ColorScheme = nullptr;
}

void ShellTest::TearDown() {
  if (Application) {
    Application->ProcessMessages();
    Application->OnException = nullptr;
  }
  GlobalVar::HostWindow = nullptr;
  GlobalVar::HostInfo = nullptr;
  GlobalVar::ColorScheme = nullptr;
  host.reset();
}

}  // namespace shelltest
