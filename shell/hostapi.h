#pragma once
// What the host application and the module share: the records both read and write in memory,
// the view of a command set that the host reads, the message numbers of the link and the entry
// points. The host includes this header only; nothing here needs the module's class library.
//
// Field order follows the records of the original link (the comments give the old byte offsets,
// which document the order only: on this platform the layout is the compiler's). Wide-string
// slots are UTF-16 (std::u16string); both sides use the one C++ runtime of the process, so either
// side may assign a slot and the record's owner frees it. 8-bit texts crossing the link
// (captions, message texts, the "A:B" text of HM_HOSTINFO, argument records, the dialog entry's
// texts) are UTF-8 and zero-terminated.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/os/wintypes.h"

// ---- Messages (WParam / LParam / result) --------------------------------------------------------
// Host to child form (sent to the form's window):
constexpr UINT HM_HIDE = 0x464;          // -/-: hide the form
constexpr UINT HM_SHOW = 0x465;          // -/-: show the form, then re-send both command sets
constexpr UINT HM_CLOSEREQUEST = 0x467;  // -/-: result 1 refused, 0 closing
constexpr UINT HM_HOSTINFO = 0x468;      // const HostInformationRecord* / const char* "module:function"
constexpr UINT HM_COLORSCHEME = 0x469;   // const ColorSchemeRecord* / -
constexpr UINT HM_ACTIVATECHILD = 0x475; // new parent HWND / HWND of the child to show (else hide; <0 hides)
constexpr UINT HM_CANCLOSE = 0x476;      // -/-: result 1 when the form may not close, else 0
// Child form to host (sent to the HostWindow given to ShowChildForm):
constexpr UINT HM_CHILDCLOSED = 0x466;           // posted: form HWND / 0 (title-bar close)
constexpr UINT HM_REGISTERFORM = 0x46A;          // form HWND / 0
constexpr UINT HM_REGISTERCOMMANDS = 0x46B;      // IHostCommandSet* const* (the form's own set) / 0
constexpr UINT HM_SHOWMESSAGE = 0x46C;           // message kind (HOST_MESSAGE_ERROR) / const char* text
constexpr UINT HM_REGISTERBASECOMMANDS = 0x46D;  // IHostCommandSet* const* (the standard set) / 0
constexpr UINT HM_OPENSESSION = 0x46E;           // TShareVar* / form HWND; reply in ReplyOpen
constexpr UINT HM_CLOSESESSION = 0x46F;          // TShareVar* / form HWND; reply in ReplyClose
constexpr UINT HM_EXECCOMMAND = 0x470;           // TShareVar* / form HWND; reply in ReplyCommand
constexpr UINT HM_SEARCH = 0x473;                // TShareVar* / const TArgArr*; reply in ReplySearch
constexpr UINT HM_LOOKUP = 0x474;                // TShareVar* / const TArgArr*; reply in ReplyLookup
// 0x471 and 0x472 belong to the host and are not used by this module.

// Message kind of HM_SHOWMESSAGE: this module sends errors only.
constexpr WPARAM HOST_MESSAGE_ERROR = 3;

// ---- Request record ---------------------------------------------------------------------------
// One host call: the module fills the request fields, sends the message with the record's address
// in WParam and reads the reply slot when SendMessage returns. The module creates and frees it.
struct TShareVar {
  int32_t SessionId = 0;           // 4: close and command requests
  std::u16string RequestXml;       // 8: request document (command)
  std::u16string ReplyOpen;        // 12: reply of the session open
  std::u16string ReplyClose;       // 16: reply of the session close
  std::u16string ReplyCommand;     // 20: reply of the command request
  std::u16string RequestName;      // 24: request (module) name of the session open
  std::u16string CommandName;      // 28: command name of the command request ("display", ...)
  std::u16string ReplySearch;      // 32: reply of the search request
  std::u16string ReplyLookup;      // 36: reply of the lookup request
  std::u16string Reserved[7];      // 40-64: never written or read by the module (kept empty)
  std::u16string ModuleCode;       // 68: module code of session and command requests
  uint8_t LookupFlagA = 0;         // 72
  uint8_t LookupFlagB = 0;         // 73
  uint8_t LookupFlagC = 0;         // 74
  std::u16string FunctionName;     // 76: function name (search) or view name (lookup)
};

// ---- Host-owned records -----------------------------------------------------------------------
// Who is logged in and where the host lives (HM_HOSTINFO). The module keeps the pointer only.
struct HostInformationRecord {
  std::u16string UserAccount;    // 0x0C: login; stamped as creator and modifier
  std::u16string UserName;       // 0x10
  std::u16string UserGroup;      // 0x18: stamped as the row's user group
  std::u16string HostDirectory;  // 0x2C: the host's directory (the dialog library lives there)
  int32_t UserId = 0;            // 0x38
};

// Colours of the host's look (HM_COLORSCHEME), 0x00BBGGRR or a system-colour value.
using HostColor = int32_t;
struct ColorSchemeRecord {
  int32_t Unused0 = 0;               // 0: not read by the module
  bool ShowTitle = true;             // 4: the form's own title strip is shown
  HostColor PanelColor = 0;          // 8: tab sheets, fixed grid cells, overview grid, main panel
  HostColor KeyFieldColor = 0;       // 12: editors of key fields
  HostColor EditorBorderColor = 0;   // 16: editor borders
  HostColor ToolBarColor = 0;        // 20: overview tool bar
  HostColor FormColor = 0;           // 24: form background, lower triangle of the title corner
  HostColor FocusedEditorColor = 0;  // 28: editor while focused
  HostColor Unused32 = 0;            // 32: not read by the module
  HostColor TitleColor = 0;          // 36: title bar, upper triangle of the title corner
  HostColor EditorColor = 0;         // 40: editors of ordinary fields, flat edits and combo boxes
  HostColor LabelLineColor = 0;      // 44: underline of labels
  HostColor RequiredFieldColor = 0;  // 48: editors of required fields
  HostColor DefaultTabColor = 0;     // 52: page control tabs
  HostColor DefaultTabColorTo = 0;   // 56
  HostColor ActiveTabColor = 0;      // 60
  HostColor ActiveTabColorTo = 0;    // 64
};

// ---- Search and lookup arguments --------------------------------------------------------------
// One argument record, byte-packed as the host reads it: a zero-padded name of 20 bytes, a kind,
// a flag and a length-prefixed value of at most 255 bytes. Texts are UTF-8, cut on a character
// boundary when too long.
#pragma pack(push, 1)
struct TArgRec {
  char ArgName[20] = {};
  uint8_t ArgKind = 0;
  bool ArgFlag = false;
  uint8_t ArgValue[256] = {};  // ArgValue[0] is the length

  std::string_view Name() const {
    size_t n = 0;
    while (n < sizeof ArgName && ArgName[n] != '\0') ++n;
    return {ArgName, n};
  }
  void SetName(std::string_view name) {
    size_t n = FitUtf8(name, sizeof ArgName);
    for (size_t i = 0; i < sizeof ArgName; ++i) ArgName[i] = i < n ? name[i] : '\0';
  }
  std::string_view Value() const {
    return {reinterpret_cast<const char*>(ArgValue + 1), ArgValue[0]};
  }
  void SetValue(std::string_view value) {
    size_t n = FitUtf8(value, sizeof ArgValue - 1);
    ArgValue[0] = static_cast<uint8_t>(n);
    for (size_t i = 0; i < sizeof ArgValue - 1; ++i)
      ArgValue[i + 1] = i < n ? static_cast<uint8_t>(value[i]) : 0;
  }

  // The longest prefix of at most max bytes that does not split a UTF-8 sequence.
  static size_t FitUtf8(std::string_view s, size_t max) {
    if (s.size() <= max) return s.size();
    size_t n = max;
    while (n > 0 && (static_cast<uint8_t>(s[n]) & 0xC0) == 0x80) --n;
    return n;
  }
};
#pragma pack(pop)
static_assert(sizeof(TArgRec) == 278, "argument records are 278 bytes, packed");

using TArgArr = std::vector<TArgRec>;

// ---- Command sets -----------------------------------------------------------------------------
// HM_REGISTERCOMMANDS / HM_REGISTERBASECOMMANDS hand the host the address of a form field that
// holds an IHostCommandSet*. The host reads the commands in place whenever it receives one of the
// two messages, and runs a command by Execute. None of these calls throws: an error inside a
// command is reported to the host with HM_SHOWMESSAGE. The module owns the objects; the host never
// frees them.
class IHostCommand {
 public:
  virtual std::string Name() const = 0;     // key by which the host knows the command
  virtual std::string Caption() const = 0;  // button text
  virtual std::string Hint() const = 0;     // tool tip
  virtual std::string Data() const = 0;     // free text for the host
  virtual uint16_t ShortCut() const = 0;    // 0 = none
  virtual HBITMAP BitmapHandle() const = 0; // the picture, 0 when none; owned by the command
  virtual bool HasExecute() const = 0;      // OnExecute assigned
  virtual bool HasUpdate() const = 0;       // OnUpdate assigned
  virtual void Execute() = 0;               // runs OnExecute, if assigned
  virtual void Update() = 0;                // runs OnUpdate, if assigned

 protected:
  ~IHostCommand() = default;
};

class IHostCommandSet {
 public:
  virtual int Count() const = 0;
  virtual IHostCommand* Command(int index) = 0;  // null for an index out of range

 protected:
  ~IHostCommandSet() = default;
};

// ---- Entry points -----------------------------------------------------------------------------
// The module's one export: creates the child form inside ParentWindow, registers it with
// HostWindow (HM_REGISTERFORM, HM_REGISTERCOMMANDS, HM_REGISTERBASECOMMANDS) and returns the
// form's window, or 0 when the form could not be made (the host has then been sent the reason).
constexpr const char* kModuleLibrary = "libfano217.so";
constexpr const char* kShowChildFormEntry = "ShowChildForm";
extern "C" {
typedef HWND (*TShowChildFormProc)(HWND AppHandle, HWND HostWindow, HWND ParentWindow,
                                   const char* Caption);
}

// The host's dialog library, in the host's directory, loaded for each message box. Flags: 1 and 2
// notices (2: the data set is empty), 4 a yes/no question. Answer HOST_BOX_YES (6) means yes.
constexpr const char* kDialogLibrary = "dialog.so";
constexpr const char* kMessageBoxEntry = "CvMessageBox";
constexpr int32_t HOST_BOX_NOTICE = 1;
constexpr int32_t HOST_BOX_EMPTY = 2;
constexpr int32_t HOST_BOX_YESNO = 4;
constexpr int32_t HOST_BOX_YES = 6;
extern "C" {
typedef int32_t (*TCvMessageBoxProc)(HWND Owner, const char* Caption, const char* Text,
                                     int32_t Flags);
}
