// Form resource texts: whatever the bytes, reading answers a tree or EReadError and never
// crashes; a tree that was read is written so that reading the text again writes the same text.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/classes/classreg.h"
#include "platform/classes/filer.h"
#include "platform/classes/published.h"
#include "platform/rtl/exceptions.h"

namespace {

enum TFuzzKind { fkOne, fkTwo, fkThree };

class TFuzzFont : public TPersistent {
  FANO_CLASS(TFuzzFont)
 public:
  std::string Name;
  TSet<TFuzzKind> Style;
};
FANO_IMPLEMENT_CLASS(TFuzzFont, TPersistent)

class TFuzzItem : public TCollectionItem {
  FANO_CLASS(TFuzzItem)
 public:
  explicit TFuzzItem(TCollection* c) : TCollectionItem(c) {}
  std::string Text;
  double Number = 0;
};
FANO_IMPLEMENT_ITEM(TFuzzItem, TCollectionItem)

class TFuzzNode : public TComponent {
  FANO_CLASS(TFuzzNode)
 public:
  explicit TFuzzNode(TComponent* owner) : TComponent(owner), items(this, TFuzzItem::StaticClass()) {}
  TFuzzNode* Parent = nullptr;
  TFuzzNode* Link = nullptr;
  int Count = 0;
  int64_t Big = 0;
  Currency Amount;
  bool Flag = false;
  TFuzzKind Kind = fkOne;
  Variant Value;
  std::u16string Wide;
  std::vector<uint8_t> Data;
  TFuzzFont Font;
  TStringList Lines;
  TOwnedCollection items;
  TNotifyEvent OnEvent;

  TFuzzFont* GetFont() const { return const_cast<TFuzzFont*>(&Font); }
  TStrings* GetLines() const { return const_cast<TStringList*>(&Lines); }
  TOwnedCollection* GetItems() const { return const_cast<TOwnedCollection*>(&items); }
  TFuzzNode* GetLink() const { return Link; }
  void SetLink(TFuzzNode* v) {
    if (Link) Link->RemoveFreeNotification(this);
    Link = v;
    if (v) v->FreeNotification(this);
  }
  void Notification(TComponent* c, TOperation op) override {
    TComponent::Notification(c, op);
    if (op == opRemove && c == Link) Link = nullptr;
  }
  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override { return Parent; }
  void SetParentComponent(TComponent* p) override { Parent = dynamic_cast<TFuzzNode*>(p); }
  void GetChildren(const TGetChildProc& proc, TComponent* root) override {
    for (int i = 0; i < root->ComponentCount(); ++i)
      if (auto* n = dynamic_cast<TFuzzNode*>(root->Components(i)); n && n->Parent == this) proc(n);
  }
  void Handler(TObject*) {}
};
FANO_IMPLEMENT_COMPONENT(TFuzzNode, TComponent)
FANO_REGISTER_CLASS(TFuzzNode);

FANO_ENUM_NAMES(TFuzzKind, "fkOne", "fkTwo", "fkThree");
FANO_PUBLISHED(TFuzzFont, p) {
  p.Property("Name", &TFuzzFont::Name);
  p.Property("Style", &TFuzzFont::Style);
}
FANO_PUBLISHED(TFuzzItem, p) {
  p.Property("Text", &TFuzzItem::Text);
  p.Property("Number", &TFuzzItem::Number);
}
FANO_PUBLISHED(TFuzzNode, p) {
  p.Property("Count", &TFuzzNode::Count);
  p.Property("Big", &TFuzzNode::Big);
  p.Property("Amount", &TFuzzNode::Amount);
  p.Property("Flag", &TFuzzNode::Flag);
  p.Property("Kind", &TFuzzNode::Kind);
  p.Property("Value", &TFuzzNode::Value);
  p.Property("Wide", &TFuzzNode::Wide);
  p.Property("Data", &TFuzzNode::Data);
  p.Property("Font", &TFuzzNode::GetFont);
  p.Property("Lines", &TFuzzNode::GetLines);
  p.Property("Items", &TFuzzNode::GetItems);
  p.Property("Link", &TFuzzNode::GetLink, &TFuzzNode::SetLink);
  p.Property("OnEvent", &TFuzzNode::OnEvent);
  p.Method("Handler", &TFuzzNode::Handler);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  TFuzzNode* root = new TFuzzNode(nullptr);
  std::string written;
  try {
    ReadComponentText(root, text);
    written = WriteComponentText(root);
  } catch (const Exception&) {
    root->Free();
    return 0;
  }
  root->Free();
  TFuzzNode* again = new TFuzzNode(nullptr);
  try {
    ReadComponentText(again, written);
  } catch (const Exception&) {
    std::abort();  // what was written must read back
  }
  if (WriteComponentText(again) != written) std::abort();
  again->Free();
  return 0;
}
