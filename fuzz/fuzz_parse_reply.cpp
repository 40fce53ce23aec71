// Reply documents from the host: ParseReply must answer true or false for any text, never raise,
// crash or read past its input; a refused reply leaves no table, parameter or row id behind. A
// reply that reads is then used the way a form uses it: its tables are copied into a form table of
// other columns, and the host's ids are looked up. Rows read while the text is parsed must leave
// exactly what the read through the whole tree leaves, success or failure.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "memtable/memtable.h"
#include "protocol/cvprotocol.h"

namespace {

std::string State(TCvProtocol& p, bool ok) {
  std::string out = std::string(ok ? "1" : "0") + std::to_string(p.Code()) + "|" + p.Info() + "|" + p.ErrorText();
  for (int i = 0; i < p.GetParamCount(); ++i)
    out += "|p" + std::to_string(p.GetParam(i)->DataType()) + ":" + p.GetParam(i)->AsString();
  for (int i = 0; i < p.GetRowIdCount(); ++i)
    out += "|r" + p.GetRowId(i)->TbName() + ":" + std::to_string(p.GetRowId(i)->Rn()) + ":" +
           std::to_string(p.GetRowId(i)->Id());
  for (int i = 0; i < p.GetTableCount(); ++i) {
    TMemTableGx* d = p.GetTable(i)->Data();
    out += "|t" + d->CvTableName() + (d->Active() ? "+" : "-");
    for (int f = 0; f < d->FieldDefs().Count(); ++f)
      out += "," + d->FieldDefs().Items(f)->Name() + ":" + std::to_string(d->FieldDefs().Items(f)->DataType()) + ":" +
             std::to_string(d->FieldDefs().Items(f)->Size());
    if (!d->Active()) continue;
    for (d->First(); !d->Eof(); d->Next()) {
      out += "|" + std::to_string(d->UpdateStatus());
      for (TField* f : d->Fields()) out += "," + (f->IsNull() ? std::string("~") : f->AsString());
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  TCvProtocol p;
  const bool ok = p.ParseReply(text);
  {
    TCvProtocol tree;
    const bool treeOk = tree.ParseReplyFromTree(text);
    if (State(p, ok) != State(tree, treeOk)) std::abort();
  }
  if (!ok) {
    if (p.GetTableCount() != 0 || p.GetParamCount() != 0 || p.GetRowIdCount() != 0 || p.Code() != -1 ||
        p.ErrorText().empty())
      std::abort();
    return 0;
  }
  for (int i = 0; i < p.GetParamCount(); ++i) (void)p.GetParam(i)->AsInteger();
  for (int i = 0; i < p.GetRowIdCount(); ++i) (void)p.FindNewId(p.GetRowId(i)->TbName(), p.GetRowId(i)->Rn());
  TMemTableGx form;
  form.FieldDefs().Add("ID", ftLargeint);
  form.FieldDefs().Add("NAME", ftString, 10);
  form.CreateDataSet();
  for (int i = 0; i < p.GetTableCount(); ++i) {
    TMemTableGx* d = p.GetTable(i)->Data();
    if (d->Active()) {
      for (d->First(); !d->Eof(); d->Next())
        for (TField* f : d->Fields()) (void)f->AsString();
    }
    try {
      p.GetTable(i)->CopyDataTo(&form);
    } catch (const Exception&) {
      // Values of one table that the form's columns cannot take: the form's own business.
    }
  }
  return 0;
}
