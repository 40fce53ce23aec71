#include "host/hostservice.h"

#include <exception>

#include "host/hostproto.h"
#include "platform/rtl/strings.h"

namespace fanohost {

using hostdb::Printable;

namespace {

std::string DbFailure(const hostdb::DbStatus& st) { return StatusReply(ReplyCode::FromDb(st.code), st.text); }

// Runs a handler; what escapes becomes a failure reply, never an exception into the window loop.
template <class F>
std::string Guarded(F&& f) noexcept {
  try {
    return f();
  } catch (const std::exception& e) {
    try {
      return StatusReply(ReplyCode::HostFailure, std::string("The host failed: ") + e.what());
    } catch (...) {
    }
  } catch (...) {
  }
  // Built by hand: the writer itself failed (out of memory).
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?><corvane><status><code>-9</code><info>The host failed.</info>"
         "</status></corvane>";
}

}  // namespace

const HostSession* RequestHandler::FindOpen(int32_t id) const noexcept {
  for (const HostSession& s : sessions_)
    if (s.id == id && s.open) return &s;
  return nullptr;
}

std::string RequestHandler::OpenSession(std::string_view requestName, std::string_view moduleCode, uintptr_t form) {
  return Guarded([&] {
    if (!db_.IsOpen()) return StatusReply(ReplyCode::FromDb(hostdb::DbCode::NotOpen), "The host database is not open.");
    if (Trim(requestName).empty()) return StatusReply(ReplyCode::BadRequest, "A session needs the module's name.");
    HostSession s;
    s.id = nextId_++;
    s.requestName = std::string(requestName);
    s.moduleCode = std::string(moduleCode);
    s.form = form;
    sessions_.push_back(s);
    ReplyWriter reply(ReplyCode::Ok, "");
    reply.AddScalar("integer", std::to_string(s.id));
    return reply.Take();
  });
}

std::string RequestHandler::CloseSession(int32_t id, std::string_view) {
  return Guarded([&] {
    for (HostSession& s : sessions_) {
      if (s.id == id && s.open) {
        s.open = false;
        return StatusReply(ReplyCode::Ok, "");
      }
    }
    return StatusReply(ReplyCode::UnknownSession, "The session " + std::to_string(id) + " is not open.");
  });
}

std::string RequestHandler::Command(int32_t session, std::string_view, std::string_view command,
                                    std::string_view request) {
  return Guarded([&] {
    if (!FindOpen(session))
      return StatusReply(ReplyCode::UnknownSession, "The session " + std::to_string(session) + " is not open.");
    bool display = SameText(command, "display");
    bool save = SameText(command, "singleRecordSet");
    if (!display && !save) return StatusReply(ReplyCode::UnknownCommand, "The host has no command " + Printable(command) + ".");
    HostRequest req;
    std::string why;
    if (!ReadRequest(request, req, why)) return StatusReply(ReplyCode::BadRequest, "The request of " + Printable(command) + ": " + why + ".");
    return display ? Display(req) : Save(req);
  });
}

std::string RequestHandler::Display(const HostRequest& req) {
  // The document id: the first parameter, or a variable named BILDA_ID.
  const RequestParam* idParam = req.params.empty() ? nullptr : &req.params.front();
  RequestParam fromVariable;
  if (!idParam) {
    for (const RequestVariable& v : req.variables) {
      if (SameText(v.name, "BILDA_ID")) {
        fromVariable.value = v.value;
        idParam = &fromVariable;
      }
    }
  }
  int64_t id = 0;
  if (!idParam || !ParamAsInt64(*idParam, id))
    return StatusReply(ReplyCode::BadRequest, std::string("\"display\" needs the document id BILDA_ID as an integer") +
                                                  (idParam ? ", not " + Printable(idParam->value) : std::string()) + ".");
  hostdb::RowSet header, lines;
  hostdb::DbStatus st = db_.Display(id, header, lines);
  if (!st.ok()) return DbFailure(st);
  ReplyWriter reply(ReplyCode::Ok, "");
  reply.AddRecordset(header);
  reply.AddRecordset(lines);
  return reply.Take();
}

std::string RequestHandler::Save(const HostRequest& req) {
  std::vector<hostdb::NewRowId> ids;
  hostdb::DbStatus st = db_.ApplyChanges(req.changes, ids);
  if (!st.ok()) return DbFailure(st);
  ReplyWriter reply(ReplyCode::Ok, "");
  reply.AddRowIds(ids);
  return reply.Take();
}

std::string RequestHandler::Search(std::string_view, const std::vector<hostdb::LookupArg>& args) {
  return Guarded([&] {
    // Written as the rows come: a list of many thousand documents is never held twice.
    ReplyWriter reply(ReplyCode::Ok, "");
    std::vector<hostdb::Column> columns;
    bool begun = false;
    hostdb::DbStatus st = db_.DocumentList(args, columns, [&](const std::vector<Variant>& values) {
      if (!begun) reply.BeginRecordset("TB_BILDA", columns);
      begun = true;
      reply.AddRow(values);
    });
    if (!st.ok()) return DbFailure(st);
    if (!begun) reply.BeginRecordset("TB_BILDA", columns);
    reply.EndRecordset();
    return reply.Take();
  });
}

std::string RequestHandler::Lookup(std::string_view view, const std::vector<hostdb::LookupArg>& args,
                                   const Chooser& choose) {
  return Guarded([&]() -> std::string {
    hostdb::RowSet rows;
    hostdb::DbStatus st = db_.Lookup(view, args, rows);
    if (!st.ok()) return DbFailure(st);
    if (rows.rows.empty()) return {};
    std::optional<size_t> chosen = choose ? choose(view, rows) : std::optional<size_t>(0);
    if (!chosen) return {};
    if (*chosen >= rows.rows.size())
      return StatusReply(ReplyCode::HostFailure, "The chosen row " + std::to_string(*chosen + 1) + " of " +
                                                     rows.table + " does not exist.");
    ReplyWriter reply(ReplyCode::Ok, "");
    reply.AddRecordset(rows, *chosen, 1);
    return reply.Take();
  });
}

}  // namespace fanohost
