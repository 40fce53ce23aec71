#pragma once
// The host's answers to the module's requests, from the host database: session open and close,
// the commands "display" and "singleRecordSet", the search (the document list) and the lookups.
// Every answer is a reply document (host/hostproto.h); nothing here throws, and whatever goes wrong
// becomes a reply with a negative code and a text:
//   0   success
//   -1  the request document cannot be read (or lacks what the command needs)
//   -2  the session is not open
//   -3  the command is not one the host knows
//   -9  the host failed inside (a broken invariant, out of memory)
//   -(10 + hostdb::DbCode) the database refused: -14 unknown view, -15 bad argument, -16 bad change,
//       -17 bad value, -18 no such row, -12 SQLite, -11 not open
// Codes are negative because the module's session open takes a code >= 0 for success.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/hostdb.h"

namespace fanohost {

struct HostRequest;

namespace ReplyCode {
constexpr int32_t Ok = 0;
constexpr int32_t BadRequest = -1;
constexpr int32_t UnknownSession = -2;
constexpr int32_t UnknownCommand = -3;
constexpr int32_t HostFailure = -9;
constexpr int32_t FromDb(hostdb::DbCode code) { return -(10 + static_cast<int32_t>(code)); }
}  // namespace ReplyCode

struct HostSession {
  int32_t id = 0;
  std::string requestName;  // the module name the session was opened with ("Fano217")
  std::string moduleCode;   // "BIL"
  uintptr_t form = 0;       // the form window that opened it
  bool open = true;
};

class RequestHandler {
 public:
  // Chooses the row of a lookup: the index into `rows`, or nothing when the user cancels.
  using Chooser = std::function<std::optional<size_t>(std::string_view view, const hostdb::RowSet& rows)>;

  explicit RequestHandler(hostdb::HostDatabase& db) : db_(db) {}

  std::string OpenSession(std::string_view requestName, std::string_view moduleCode, uintptr_t form);
  std::string CloseSession(int32_t id, std::string_view moduleCode);
  std::string Command(int32_t session, std::string_view moduleCode, std::string_view command,
                      std::string_view request);
  std::string Search(std::string_view function, const std::vector<hostdb::LookupArg>& args);
  // An empty text when nothing is chosen (cancelled, or a view without rows).
  std::string Lookup(std::string_view view, const std::vector<hostdb::LookupArg>& args, const Chooser& choose);

  const std::vector<HostSession>& Sessions() const noexcept { return sessions_; }
  const HostSession* FindOpen(int32_t id) const noexcept;

 private:
  std::string Display(const HostRequest& request);
  std::string Save(const HostRequest& request);

  hostdb::HostDatabase& db_;
  std::vector<HostSession> sessions_;
  int32_t nextId_ = 1;
};

}  // namespace fanohost
