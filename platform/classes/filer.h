#pragma once
// Form resources: the reader and writer of component trees in our text format (described at the
// top of filer.cpp), the loading of a root from the resources of its class chain, and TFiler, the
// interface through which DefineProperties stores what published properties cannot.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/classes/collection.h"
#include "platform/classes/component.h"
#include "platform/classes/published.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/variant.h"

class TReader;
class TWriter;
class TResourceLoader;
class TWriterHelper;

using TReaderProc = std::function<void(TReader& reader)>;
using TWriterProc = std::function<void(TWriter& writer)>;
using TStreamProc = std::function<void(TStream& stream)>;

class TFiler : public TObject {
  FANO_CLASS(TFiler)
 public:
  // A property stored through the reader and writer: written when hasData, as one value (use
  // WriteListBegin/End for several).
  virtual void DefineProperty(std::string_view name, const TReaderProc& readData, const TWriterProc& writeData,
                              bool hasData) = 0;
  // A property stored as bytes.
  virtual void DefineBinaryProperty(std::string_view name, const TStreamProc& readData, const TStreamProc& writeData,
                                    bool hasData) = 0;
  // While writing an inherited resource: the ancestor's counterpart of the object being written
  // (to write only what differs); null otherwise, and always null while reading.
  TPersistent* Ancestor() const noexcept { return ancestor_; }
  TComponent* Root() const noexcept { return root_; }

 protected:
  TPersistent* ancestor_ = nullptr;
  TComponent* root_ = nullptr;
};

class TReader : public TFiler {
  FANO_CLASS(TReader)
 public:
  // Reads `text`; `sourceName` names it in error messages.
  explicit TReader(std::string_view text, std::string sourceName = {});
  ~TReader() override;

  // --- for DefineProperties and ReadState ---
  int32_t ReadInteger();
  int64_t ReadInt64();
  double ReadFloat();
  Currency ReadCurrency();
  std::string ReadString();
  bool ReadBoolean();
  std::string ReadIdent();
  Variant ReadVariant();
  // Lists: "(" values ")" with optional commas.
  void ReadListBegin();
  bool EndOfList();
  void ReadListEnd();
  // "collection { item { ... } ... }": clears the collection and adds the items read.
  void ReadCollection(TCollection* collection);
  // Reads the properties and nested components of a component up to its closing brace; the base
  // TComponent::ReadState calls it.
  void ReadData(TComponent* instance);
  // The component that nested components are placed in (the one whose block is being read).
  TComponent* Parent() const noexcept { return parent_; }
  // Asked first for every component reference read, before the names of the root; answering a
  // component resolves the reference at once. ReadState overrides may set it for their block.
  std::function<TComponent*(std::string_view name)> OnFindReference;

  // Raises EReadError "Line %d: <message>" at the current line.
  [[noreturn]] void Error(const std::string& message) const;
  int Line() const noexcept;

  void DefineProperty(std::string_view name, const TReaderProc& readData, const TWriterProc& writeData,
                      bool hasData) override;
  void DefineBinaryProperty(std::string_view name, const TStreamProc& readData, const TStreamProc& writeData,
                            bool hasData) override;

 private:
  friend class TResourceLoader;
  struct Impl;
  std::unique_ptr<Impl> impl_;
  TComponent* parent_ = nullptr;
};

class TWriter : public TFiler {
  FANO_CLASS(TWriter)
 public:
  TWriter();
  ~TWriter() override;

  // --- for DefineProperties ---
  void WriteInteger(int64_t value);
  void WriteFloat(double value);
  void WriteCurrency(Currency value);
  void WriteString(std::string_view value);
  void WriteBoolean(bool value);
  void WriteIdent(std::string_view ident);
  void WriteVariant(const Variant& value);
  void WriteListBegin();
  void WriteListEnd();
  void WriteCollection(const TCollection* collection);

  void DefineProperty(std::string_view name, const TReaderProc& readData, const TWriterProc& writeData,
                      bool hasData) override;
  void DefineBinaryProperty(std::string_view name, const TStreamProc& readData, const TStreamProc& writeData,
                            bool hasData) override;

  // Writes root as a resource: an inherited one (its differences from what the ancestors'
  // resources give) when an ancestor class of root has a resource, else a full one. Properties are
  // compared with a new instance (built through its class's Create with no owner), so only what
  // differs from the constructor's values is written.
  std::string WriteRoot(TComponent* root);

 private:
  friend class TWriterHelper;
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// ---- loading and saving roots ----

// Reads a resource text into root: an inherited text first loads the resources of the ancestors it
// names. Every component read is csLoading until all levels are in and references are resolved;
// then Loaded runs on each (the root first, then the others in the order read).
void ReadComponentText(TComponent* root, std::string_view text, std::string_view sourceName = {});
void ReadComponentStream(TComponent* root, TStream& stream, std::string_view sourceName = {});
// Loads the resource of root's class (or of its nearest ancestor class that has one), with its
// ancestors. False when no class of the chain below `stopAt` has a resource.
bool InitInheritedComponent(TComponent* root, TClass stopAt = nullptr);
// The resource text of root (see TWriter::WriteRoot).
std::string WriteComponentText(TComponent* root);
void WriteComponentStream(TComponent* root, TStream& stream);
// Whether two collections of the same class would be written alike: item by item, the same stored
// properties with the same values. Component references are named as each owner's resource names
// them, so equal collections of a form and of its ancestor compare equal.
bool CollectionsEqual(const TCollection* a, const TCollection* b, TComponent* ownerA, TComponent* ownerB);

// Finds a root by name for references of the form "Root.Component"; the forms layer sets it.
void SetFindGlobalComponent(std::function<TComponent*(std::string_view name)> finder);
