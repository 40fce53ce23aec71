// Request documents as the module might send them, answered by the host's request handler over one
// demo database: whatever the text, "display" and "singleRecordSet" answer a reply document that
// reads back as XML with a status code, and nothing escapes as an exception. The script reader gets
// the same bytes.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/hostproto.h"
#include "host/hostscript.h"
#include "host/hostservice.h"
#include "protocol/cvxmldom.h"

namespace {

hostdb::HostDatabase& Db() {
  static hostdb::HostDatabase* db = [] {
    auto* d = new hostdb::HostDatabase;
    if (!d->Open(":memory:").ok()) __builtin_trap();
    return d;
  }();
  return *db;
}

void CheckReply(const std::string& reply) {
  TCvXmlDom dom;
  if (!dom.LoadXml(reply)) __builtin_trap();
  TXmlNode* root = dom.SelectSingleNode("corvane");
  if (!root || !TCvXmlDom::SelectSingleNode(TCvXmlDom::SelectSingleNode(root, "status"), "code")) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  static fanohost::RequestHandler handler(Db());
  static int32_t session = [] {
    fanohost::RequestHandler& h = handler;
    h.OpenSession("Fano217", "BIL", 0);
    return h.Sessions().back().id;
  }();
  fanohost::HostRequest req;
  std::string why;
  fanohost::ReadRequest(text, req, why);
  CheckReply(handler.Command(session, "BIL", "display", text));
  CheckReply(handler.Command(session, "BIL", "singleRecordSet", text));
  std::vector<fanohost::ScriptAction> actions;
  fanohost::ReadScript(text, actions, why);
  return 0;
}
