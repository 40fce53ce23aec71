// Form resources in text.
//
// A resource is UTF-8 text holding one component tree. '#' starts a comment that runs to the end
// of the line; blanks and line breaks only separate. A component is a block:
//
//   object TfrmChildBase frmChildBase {          # class, then name
//     Caption = "frmChildBase"                   # property = value
//     Font.Name = "宋体"                          # a property of a sub-object
//     Font.Style = [fsBold, fsItalic]            # a set: element names
//     BorderStyle = bsNone                       # an enumeration: its name
//     KeyPreview = true                          # Boolean
//     Color = 12825237                           # numbers: integers, 1.5, -2e3, 0x1F
//     OnCreate = FormCreate                      # an event: a handler the root class publishes
//     DataSource = dsMain                        # a component: its name (or Root.Name, or nil)
//     Lines = ("first line", "second line")      # a string list (commas are optional)
//     Glyph.Data = hex { 424D3E00 0000 }         # binary data in hexadecimal
//     Columns = collection {                     # a collection: its items with their properties
//       item {
//         FieldName = "BILDA_ID"
//       }
//     }
//     Value = null                               # variants: null, unassigned, true, 1, 1.0,
//                                                #   "text", currency 1.25, date 45000.5, (1, "a")
//     object TPanel pnlFormTitle {               # a component created by class name, owned by
//       Align = alTop                            #   the root and placed in the enclosing one
//     }
//   }
//
// Strings are in double quotes with the escapes \" \\ \n \r \t \xHH (one byte) and \uHHHH; any
// other UTF-8 text stands as it is. A descendant class's resource starts with
//
//   inherited TfrmFano217 frmFano217 : TfrmDoubleSimple {
//
// naming its ancestor class, whose resource is read first; it holds only what differs. Components
// that the ancestor already made appear as "inherited TClass Name { ... }" blocks holding their
// differences (and new nested components); new components as "object" blocks.
#include "platform/classes/filer.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <map>
#include <utility>

#include "platform/classes/classreg.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/resources.h"
#include "platform/rtl/strings.h"

FANO_IMPLEMENT_ABSTRACT(TFiler, TObject)
FANO_IMPLEMENT_ABSTRACT(TReader, TFiler)
FANO_IMPLEMENT_CLASS(TWriter, TFiler)

namespace {

std::function<TComponent*(std::string_view)>& GlobalFinder() {
  static std::function<TComponent*(std::string_view)> finder;
  return finder;
}

// ---- tokens ----

}  // namespace

// Named, not file-local: the reader's Impl holds a Token, and a batched build would warn of a
// file-local type inside a class of the library.
namespace filer_detail {

enum class Tok { End, Ident, String, Number, LBrace, RBrace, LParen, RParen, LBracket, RBracket, Comma, Equals, Colon, Dot };

struct Token {
  Tok kind = Tok::End;
  std::string text;  // identifiers, numbers, decoded strings
  int line = 1;
};

}  // namespace filer_detail

namespace {

using filer_detail::Tok;
using filer_detail::Token;

const char* TokName(Tok k) {
  switch (k) {
    case Tok::End: return "end of text";
    case Tok::Ident: return "a name";
    case Tok::String: return "a string";
    case Tok::Number: return "a number";
    case Tok::LBrace: return "\"{\"";
    case Tok::RBrace: return "\"}\"";
    case Tok::LParen: return "\"(\"";
    case Tok::RParen: return "\")\"";
    case Tok::LBracket: return "\"[\"";
    case Tok::RBracket: return "\"]\"";
    case Tok::Comma: return "\",\"";
    case Tok::Equals: return "\"=\"";
    case Tok::Colon: return "\":\"";
    case Tok::Dot: return "\".\"";
  }
  return "?";
}

bool IsIdentStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool IsIdentChar(char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

// ---- the reader ----

struct Fixup {
  TPersistent* object;
  const TPropInfo* prop;
  std::string name;
  int line;
  std::string source;
};

// What all levels of one root share: the components read (for Loaded) and the references to
// resolve at the end.
struct TLoadSession {
  TComponent* root = nullptr;
  std::vector<TComponent*> loaded;
  std::vector<Fixup> fixups;
};

struct TReader::Impl {
  std::string_view text;
  size_t pos = 0;
  int line = 1;
  std::string source;
  bool havePeek = false;
  Token peeked;
  int lastLine = 1;
  TLoadSession* session = nullptr;

  // DefineProperties lookup.
  std::string wanted;
  bool definedFound = false;

  [[noreturn]] void Fail(int atLine, const std::string& message) const {
    std::string text = "Line " + std::to_string(atLine) + ": " + message;
    if (!source.empty()) text += " (resource " + source + ")";
    throw EReadError(text);
  }

  void SkipBlanks() {
    while (pos < text.size()) {
      char c = text[pos];
      if (c == '\n') {
        ++line;
        ++pos;
      } else if (c == ' ' || c == '\t' || c == '\r') {
        ++pos;
      } else if (c == '#') {
        while (pos < text.size() && text[pos] != '\n') ++pos;
      } else {
        break;
      }
    }
  }

  Token Lex() {
    SkipBlanks();
    Token t;
    t.line = line;
    if (pos >= text.size()) return t;
    char c = text[pos];
    auto single = [&](Tok k) {
      ++pos;
      t.kind = k;
      return t;
    };
    switch (c) {
      case '{': return single(Tok::LBrace);
      case '}': return single(Tok::RBrace);
      case '(': return single(Tok::LParen);
      case ')': return single(Tok::RParen);
      case '[': return single(Tok::LBracket);
      case ']': return single(Tok::RBracket);
      case ',': return single(Tok::Comma);
      case '=': return single(Tok::Equals);
      case ':': return single(Tok::Colon);
      case '.': return single(Tok::Dot);
      case '"': return LexString();
      default: break;
    }
    if (IsIdentStart(c)) {
      size_t start = pos;
      while (pos < text.size() && IsIdentChar(text[pos])) ++pos;
      t.kind = Tok::Ident;
      t.text.assign(text.substr(start, pos - start));
      return t;
    }
    if (IsDigit(c) || (c == '-' && pos + 1 < text.size() && (IsDigit(text[pos + 1]) || text[pos + 1] == 'i'))) {
      size_t start = pos;
      if (c == '-') ++pos;
      if (pos + 1 < text.size() && text[pos] == '0' && (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
        pos += 2;
        while (pos < text.size() && HexValue(text[pos]) >= 0) ++pos;
      } else if (text.substr(pos, 3) == "inf") {
        pos += 3;
      } else {
        while (pos < text.size() && IsDigit(text[pos])) ++pos;
        if (pos < text.size() && text[pos] == '.' && pos + 1 < text.size() && IsDigit(text[pos + 1])) {
          ++pos;
          while (pos < text.size() && IsDigit(text[pos])) ++pos;
        }
        if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
          size_t save = pos++;
          if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) ++pos;
          if (pos < text.size() && IsDigit(text[pos])) {
            while (pos < text.size() && IsDigit(text[pos])) ++pos;
          } else {
            pos = save;
          }
        }
      }
      if (pos < text.size() && IsIdentChar(text[pos])) Fail(line, "Invalid number");
      t.kind = Tok::Number;
      t.text.assign(text.substr(start, pos - start));
      return t;
    }
    unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u >= 0x7F) Fail(line, "Unexpected character (byte " + std::to_string(u) + ")");
    Fail(line, std::string("Unexpected character '") + c + "'");
  }

  Token LexString() {
    Token t;
    t.kind = Tok::String;
    t.line = line;
    ++pos;  // the opening quote
    std::string& out = t.text;
    while (true) {
      if (pos >= text.size() || text[pos] == '\n' || text[pos] == '\r') Fail(t.line, "Unterminated string");
      char c = text[pos++];
      if (c == '"') break;
      if (c != '\\') {
        out.push_back(c);
        continue;
      }
      if (pos >= text.size()) Fail(t.line, "Unterminated string");
      char e = text[pos++];
      switch (e) {
        case '"': out.push_back('"'); break;
        case '\\': out.push_back('\\'); break;
        case 'n': out.push_back('\n'); break;
        case 'r': out.push_back('\r'); break;
        case 't': out.push_back('\t'); break;
        case 'x': {
          int h = pos + 1 < text.size() ? HexValue(text[pos]) : -1;
          int l = h >= 0 ? HexValue(text[pos + 1]) : -1;
          if (l < 0) Fail(line, "Invalid \\x escape");
          out.push_back(static_cast<char>(h * 16 + l));
          pos += 2;
          break;
        }
        case 'u': {
          char32_t cp = 0;
          for (int i = 0; i < 4; ++i) {
            int v = pos < text.size() ? HexValue(text[pos]) : -1;
            if (v < 0) Fail(line, "Invalid \\u escape");
            cp = cp * 16 + static_cast<char32_t>(v);
            ++pos;
          }
          Utf8Append(out, cp);
          break;
        }
        default: Fail(line, std::string("Unknown escape \\") + e);
      }
    }
    return t;
  }

  const Token& Peek() {
    if (!havePeek) {
      peeked = Lex();
      havePeek = true;
    }
    return peeked;
  }
  Token Next() {
    Token t = havePeek ? std::move(peeked) : Lex();
    havePeek = false;
    lastLine = t.line;
    return t;
  }
  Token Expect(Tok kind) {
    Token t = Next();
    if (t.kind != kind) Fail(t.line, std::string("Expected ") + TokName(kind) + ", found " + Describe(t));
    return t;
  }
  bool Accept(Tok kind) {
    if (Peek().kind != kind) return false;
    Next();
    return true;
  }
  bool PeekWord(std::string_view word) { return Peek().kind == Tok::Ident && Peek().text == word; }
  static std::string Describe(const Token& t) {
    if (t.kind == Tok::Ident || t.kind == Tok::Number) return "\"" + t.text + "\"";
    return TokName(t.kind);
  }

  // After "hex {": pairs of hex digits (blanks between pairs allowed) up to "}".
  std::string ReadHexBlock() {
    if (havePeek) Fail(peeked.line, "Internal: hex block after a look-ahead");
    std::string bytes;
    int startLine = line;
    while (true) {
      SkipBlanks();
      if (pos >= text.size()) Fail(startLine, "Unterminated hex block");
      char c = text[pos];
      if (c == '}') {
        ++pos;
        lastLine = line;
        return bytes;
      }
      int h = HexValue(c);
      int l = pos + 1 < text.size() ? HexValue(text[pos + 1]) : -1;
      if (h < 0 || l < 0) Fail(line, "Invalid hex data");
      bytes.push_back(static_cast<char>(h * 16 + l));
      pos += 2;
    }
  }
};

TReader::TReader(std::string_view text, std::string sourceName) : impl_(std::make_unique<Impl>()) {
  impl_->text = text;
  impl_->source = std::move(sourceName);
}

TReader::~TReader() = default;

void TReader::Error(const std::string& message) const { impl_->Fail(impl_->lastLine, message); }

int TReader::Line() const noexcept { return impl_->lastLine; }

namespace {

bool ParseInt64(std::string_view s, int64_t& value) {
  bool negative = !s.empty() && s[0] == '-';
  std::string_view digits = negative ? s.substr(1) : s;
  int base = 10;
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    digits.remove_prefix(2);
    base = 16;
  }
  if (digits.empty()) return false;
  uint64_t magnitude = 0;
  auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude, base);
  if (ec != std::errc() || end != digits.data() + digits.size()) return false;
  if (negative) {
    if (magnitude > uint64_t{1} << 63) return false;
    value = static_cast<int64_t>(0 - magnitude);
  } else {
    // Hexadecimal may give all 64 bits (set masks); decimal must fit.
    if (base == 10 && magnitude > static_cast<uint64_t>(INT64_MAX)) return false;
    value = static_cast<int64_t>(magnitude);
  }
  return true;
}

bool IsIntegerText(std::string_view s) {
  return s.find_first_of(".eEn") == std::string_view::npos || (s.find("0x") != std::string_view::npos) ||
         (s.find("0X") != std::string_view::npos);
}

bool ParseDouble(std::string_view s, double& value) {
  if (s == "inf") return value = HUGE_VAL, true;
  if (s == "-inf") return value = -HUGE_VAL, true;
  if (s == "nan") return value = std::nan(""), true;
  int64_t i;
  if (IsIntegerText(s) && ParseInt64(s, i)) return value = static_cast<double>(i), true;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  return ec == std::errc() && end == s.data() + s.size();
}

// Exact decimal to the currency scale; more than four decimals or out of range fail.
bool ParseCurrency(std::string_view s, Currency& value) {
  bool negative = !s.empty() && s[0] == '-';
  if (negative) s.remove_prefix(1);
  size_t dot = s.find('.');
  std::string_view whole = s.substr(0, dot);
  std::string_view frac = dot == std::string_view::npos ? std::string_view() : s.substr(dot + 1);
  if (whole.empty() || frac.size() > 4) return false;
  int64_t w = 0, f = 0;
  for (char c : whole) {
    if (!IsDigit(c) || w > (INT64_MAX - 9) / 10) return false;
    w = w * 10 + (c - '0');
  }
  for (size_t i = 0; i < 4; ++i) f = f * 10 + (i < frac.size() ? (IsDigit(frac[i]) ? frac[i] - '0' : -1000000) : 0);
  if (f < 0) return false;
  if (w > (INT64_MAX - f) / CurrencyScale) return false;
  int64_t scaled = w * CurrencyScale + f;
  value = Currency::FromScaled(negative ? -scaled : scaled);
  return true;
}

}  // namespace

int32_t TReader::ReadInteger() {
  int64_t v = ReadInt64();
  if (v < INT32_MIN || v > INT32_MAX) Error("Integer out of range: " + std::to_string(v));
  return static_cast<int32_t>(v);
}

int64_t TReader::ReadInt64() {
  Token t = impl_->Next();
  int64_t v;
  if (t.kind != Tok::Number || !ParseInt64(t.text, v)) impl_->Fail(t.line, "Integer expected, found " + Impl::Describe(t));
  return v;
}

double TReader::ReadFloat() {
  Token t = impl_->Next();
  double v;
  if (t.kind == Tok::Ident && (t.text == "nan" || t.text == "inf")) return t.text == "nan" ? std::nan("") : HUGE_VAL;
  if (t.kind != Tok::Number || !ParseDouble(t.text, v)) impl_->Fail(t.line, "Number expected, found " + Impl::Describe(t));
  return v;
}

Currency TReader::ReadCurrency() {
  Token t = impl_->Next();
  Currency v;
  if (t.kind != Tok::Number || !ParseCurrency(t.text, v))
    impl_->Fail(t.line, "Amount with at most four decimals expected, found " + Impl::Describe(t));
  return v;
}

std::string TReader::ReadString() {
  Token t = impl_->Next();
  if (t.kind != Tok::String) impl_->Fail(t.line, "String expected, found " + Impl::Describe(t));
  return t.text;
}

bool TReader::ReadBoolean() {
  Token t = impl_->Next();
  if (t.kind == Tok::Ident) {
    if (SameText(t.text, "true")) return true;
    if (SameText(t.text, "false")) return false;
  }
  impl_->Fail(t.line, "true or false expected, found " + Impl::Describe(t));
}

std::string TReader::ReadIdent() {
  Token t = impl_->Next();
  if (t.kind != Tok::Ident) impl_->Fail(t.line, "Name expected, found " + Impl::Describe(t));
  return t.text;
}

Variant TReader::ReadVariant() {
  const Token& p = impl_->Peek();
  switch (p.kind) {
    case Tok::String: return Variant(ReadString());
    case Tok::Number: {
      Token t = impl_->Next();
      int64_t i;
      if (IsIntegerText(t.text) && ParseInt64(t.text, i)) {
        if (i >= INT32_MIN && i <= INT32_MAX) return Variant(static_cast<int>(i));
        return Variant::FromInt64(i);
      }
      double d;
      if (!ParseDouble(t.text, d)) impl_->Fail(t.line, "Invalid number " + t.text);
      return Variant(d);
    }
    case Tok::LParen: {
      std::vector<Variant> items;
      ReadListBegin();
      while (!EndOfList()) items.push_back(ReadVariant());
      ReadListEnd();
      return Variant::ArrayOf(items);
    }
    case Tok::Ident: {
      Token t = impl_->Next();
      if (t.text == "null") return Variant::Null();
      if (t.text == "unassigned") return Variant();
      if (SameText(t.text, "true")) return Variant(true);
      if (SameText(t.text, "false")) return Variant(false);
      if (t.text == "currency") return Variant(ReadCurrency());
      if (t.text == "date") return Variant::FromDateTime(ReadFloat());
      if (t.text == "nan" || t.text == "inf") return Variant(t.text == "nan" ? std::nan("") : HUGE_VAL);
      impl_->Fail(t.line, "Value expected, found \"" + t.text + "\"");
    }
    default: {
      Token t = impl_->Next();
      impl_->Fail(t.line, "Value expected, found " + Impl::Describe(t));
    }
  }
}

void TReader::ReadListBegin() { impl_->Expect(Tok::LParen); }

bool TReader::EndOfList() {
  impl_->Accept(Tok::Comma);
  Tok k = impl_->Peek().kind;
  if (k == Tok::End) impl_->Fail(impl_->Peek().line, "Unterminated list");
  return k == Tok::RParen;
}

void TReader::ReadListEnd() { impl_->Expect(Tok::RParen); }

// Defined in the resource loader below; reads one "name = value" of an object.
class TResourceLoader {
 public:
  static void ReadProperty(TReader& r, TPersistent* instance);
  static void ReadComponent(TReader& r, TComponent* parent);
  static void ReadValue(TReader& r, TPersistent* obj, const TPropInfo& prop, const std::string& path);
  static void ReadLevel(TComponent* root, std::string_view text, std::string_view source, TLoadSession& session,
                        int depth);
  static void Finish(TLoadSession& session);
  // Ends the loading state of everything read when the read fails.
  static void Abandon(TLoadSession& session);
};

void TReader::ReadCollection(TCollection* collection) {
  Token kw = impl_->Next();
  if (kw.kind != Tok::Ident || kw.text != "collection") impl_->Fail(kw.line, "collection expected, found " + Impl::Describe(kw));
  impl_->Expect(Tok::LBrace);
  WithUpdate(*collection, [&] {
    collection->Clear();
    while (!impl_->Accept(Tok::RBrace)) {
      Token it = impl_->Next();
      if (it.kind != Tok::Ident || it.text != "item") impl_->Fail(it.line, "item expected, found " + Impl::Describe(it));
      impl_->Expect(Tok::LBrace);
      TCollectionItem* item = collection->Add();
      while (!impl_->Accept(Tok::RBrace)) TResourceLoader::ReadProperty(*this, item);
    }
  });
}

void TReader::ReadData(TComponent* instance) {
  TComponent* saved = parent_;
  parent_ = instance;
  try {
    while (true) {
      const Token& t = impl_->Peek();
      if (t.kind == Tok::RBrace) {
        impl_->Next();
        break;
      }
      if (t.kind == Tok::End) impl_->Fail(t.line, "Unexpected end of text: \"}\" missing");
      if (t.kind == Tok::Ident && (t.text == "object" || t.text == "inherited"))
        TResourceLoader::ReadComponent(*this, instance);
      else
        TResourceLoader::ReadProperty(*this, instance);
    }
  } catch (...) {
    parent_ = saved;
    throw;
  }
  parent_ = saved;
}

void TReader::DefineProperty(std::string_view name, const TReaderProc& readData, const TWriterProc&, bool) {
  if (impl_->definedFound || !SameText(name, impl_->wanted)) return;
  impl_->definedFound = true;
  if (!readData) Error("Property " + std::string(name) + " cannot be read");
  readData(*this);
}

void TReader::DefineBinaryProperty(std::string_view name, const TStreamProc& readData, const TStreamProc&, bool) {
  if (impl_->definedFound || !SameText(name, impl_->wanted)) return;
  impl_->definedFound = true;
  Token kw = impl_->Next();
  if (kw.kind != Tok::Ident || kw.text != "hex") impl_->Fail(kw.line, "hex data expected, found " + Impl::Describe(kw));
  impl_->Expect(Tok::LBrace);
  std::string bytes = impl_->ReadHexBlock();
  if (!readData) Error("Property " + std::string(name) + " cannot be read");
  TMemoryStream stream;
  stream.WriteString(bytes);
  stream.SetPosition(0);
  readData(stream);
}

void TResourceLoader::ReadProperty(TReader& r, TPersistent* instance) {
  TReader::Impl& in = *r.impl_;
  Token first = in.Expect(Tok::Ident);
  int line = first.line;
  std::vector<std::string> path{first.text};
  while (in.Accept(Tok::Dot)) path.push_back(in.Expect(Tok::Ident).text);
  in.Expect(Tok::Equals);

  std::string fullPath;
  for (auto& p : path) fullPath += (fullPath.empty() ? "" : ".") + p;
  auto describe = [&](const TPersistent* obj) {
    auto* c = dynamic_cast<const TComponent*>(obj);
    return obj->ClassName() + (c && !c->Name().empty() ? " " + c->Name() : std::string());
  };

  TPersistent* obj = instance;
  for (size_t i = 0; i + 1 < path.size(); ++i) {
    const TPropInfo* prop = GetPropInfo(obj, path[i]);
    if (!prop) in.Fail(line, "Unknown property " + path[i] + " in " + describe(obj));
    if (prop->Kind != TPropKind::Object) in.Fail(line, "Property " + path[i] + " of " + describe(obj) + " has no properties");
    TPersistent* sub = prop->GetObject(obj);
    if (!sub) in.Fail(line, "Property " + path[i] + " of " + describe(obj) + " is not assigned");
    obj = sub;
  }
  const std::string& name = path.back();
  if (const TPropInfo* prop = GetPropInfo(obj, name)) {
    ReadValue(r, obj, *prop, fullPath);
    return;
  }
  // Not published: perhaps stored through DefineProperties.
  std::string savedWanted = std::move(in.wanted);
  bool savedFound = in.definedFound;
  in.wanted = name;
  in.definedFound = false;
  obj->DefineProperties(r);
  bool found = in.definedFound;
  in.wanted = std::move(savedWanted);
  in.definedFound = savedFound;
  if (!found) in.Fail(line, "Unknown property " + name + " in " + describe(obj));
}

void TResourceLoader::ReadValue(TReader& r, TPersistent* obj, const TPropInfo& prop, const std::string& path) {
  TReader::Impl& in = *r.impl_;
  int line = in.Peek().line;
  auto readOnly = [&] { in.Fail(line, "Property " + path + " is read-only"); };
  switch (prop.Kind) {
    case TPropKind::Integer:
    case TPropKind::Int64:
    case TPropKind::Float:
    case TPropKind::Currency:
    case TPropKind::String:
    case TPropKind::WideString:
    case TPropKind::Boolean:
    case TPropKind::Enumeration:
    case TPropKind::Set:
    case TPropKind::Variant:
    case TPropKind::Bytes: {
      Variant v;
      switch (prop.Kind) {
        case TPropKind::Integer: v = Variant(static_cast<int>(r.ReadInteger())); break;
        case TPropKind::Int64: v = Variant::FromInt64(r.ReadInt64()); break;
        case TPropKind::Float: v = Variant(r.ReadFloat()); break;
        case TPropKind::Currency: v = Variant(r.ReadCurrency()); break;
        case TPropKind::String:
        case TPropKind::WideString: v = Variant(r.ReadString()); break;
        case TPropKind::Boolean: v = Variant(r.ReadBoolean()); break;
        case TPropKind::Enumeration: {
          std::string name = r.ReadIdent();
          int e = prop.Enum().ValueOf(name);
          if (e < 0) in.Fail(line, "Invalid value " + name + " for " + path);
          v = Variant(e);
          break;
        }
        case TPropKind::Set: {
          in.Expect(Tok::LBracket);
          uint64_t bits = 0;
          while (!in.Accept(Tok::RBracket)) {
            in.Accept(Tok::Comma);
            if (in.Accept(Tok::RBracket)) break;
            std::string name = r.ReadIdent();
            int e = prop.Enum().ValueOf(name);
            if (e < 0 || e >= 64) in.Fail(line, "Invalid set element " + name + " for " + path);
            bits |= uint64_t{1} << e;
          }
          v = Variant::FromInt64(static_cast<int64_t>(bits));
          break;
        }
        case TPropKind::Variant: v = r.ReadVariant(); break;
        case TPropKind::Bytes: {
          Token kw = in.Next();
          if (kw.kind != Tok::Ident || kw.text != "hex") in.Fail(kw.line, "hex data expected for " + path);
          in.Expect(Tok::LBrace);
          v = Variant(in.ReadHexBlock());
          break;
        }
        default: break;
      }
      if (!prop.Set) readOnly();
      prop.Set(obj, v);
      return;
    }
    case TPropKind::Strings: {
      std::vector<std::string> lines;
      r.ReadListBegin();
      while (!r.EndOfList()) lines.push_back(r.ReadString());
      r.ReadListEnd();
      if (auto* target = static_cast<TStrings*>(prop.GetObject(obj))) {
        WithUpdate(*target, [&] {
          target->Clear();
          target->AddStrings(lines);
        });
      } else if (prop.SetObject) {
        TStringList temp;
        temp.AddStrings(lines);
        prop.SetObject(obj, &temp);
      } else {
        in.Fail(line, "Property " + path + " has no string list");
      }
      return;
    }
    case TPropKind::Collection: {
      auto* target = static_cast<TCollection*>(prop.GetObject(obj));
      if (!target) in.Fail(line, "Property " + path + " has no collection");
      r.ReadCollection(target);
      return;
    }
    case TPropKind::Object:
      in.Fail(line, "Property " + path + " is an object: give its properties as " + path + ".Name = value");
    case TPropKind::Component: {
      if (!prop.SetObject) readOnly();
      Token t = in.Expect(Tok::Ident);
      std::string name = t.text;
      while (in.Accept(Tok::Dot)) name += "." + in.Expect(Tok::Ident).text;
      if (name == "nil") {
        prop.SetObject(obj, nullptr);
        return;
      }
      if (r.OnFindReference) {
        if (TComponent* found = r.OnFindReference(name)) {
          if (!found->InheritsFrom(prop.ObjectClass))
            in.Fail(t.line, "Component " + name + " is not a " + prop.ObjectClass->Name);
          prop.SetObject(obj, found);
          return;
        }
      }
      if (!in.session) in.Fail(t.line, "Component references need a root");
      in.session->fixups.push_back(Fixup{obj, &prop, name, t.line, in.source});
      return;
    }
    case TPropKind::Event: {
      if (!prop.SetEvent) readOnly();
      Token t = in.Expect(Tok::Ident);
      if (t.text == "nil") {
        prop.SetEvent(obj, std::any());
        obj->SetHandlerName(prop.Name, "");
        return;
      }
      TComponent* root = r.Root();
      if (!root) in.Fail(t.line, "Event handlers need a root");
      const TMethodInfo* method = FindPublishedMethod(root->ClassType(), t.text);
      if (!method) in.Fail(t.line, "Method " + t.text + " not found in " + root->ClassName());
      if (method->Signature != prop.ValueType) in.Fail(t.line, "Method " + t.text + " does not fit event " + path);
      prop.SetEvent(obj, method->Bind(root));
      obj->SetHandlerName(prop.Name, t.text);
      return;
    }
  }
}

namespace {
// A root's name from its resource, made unique among the components of its owner.
std::string UniqueRootName(TComponent* root, const std::string& name) {
  TComponent* owner = root->Owner();
  if (!owner || !owner->FindComponent(name)) return name;
  for (int i = 1;; ++i) {
    std::string candidate = name + "_" + std::to_string(i);
    if (!owner->FindComponent(candidate)) return candidate;
  }
}
}  // namespace

void TResourceLoader::ReadComponent(TReader& r, TComponent* parent) {
  TReader::Impl& in = *r.impl_;
  TComponent* root = r.Root();
  Token kw = in.Next();
  bool inherited = kw.text == "inherited";
  std::string className = in.Expect(Tok::Ident).text;
  std::string name;
  if (in.Peek().kind == Tok::Ident) name = in.Next().text;
  in.Expect(Tok::LBrace);
  int line = kw.line;

  TComponent* comp = nullptr;
  if (inherited) {
    if (name.empty()) in.Fail(line, "An inherited component needs its name");
    comp = root->FindComponent(name);
    if (!comp) in.Fail(line, "Inherited component " + name + " not found");
    if (!SameText(comp->ClassName(), className))
      in.Fail(line, "Inherited component " + name + " is a " + comp->ClassName() + ", not a " + className);
  } else {
    TClass cls = GetClass(className);
    if (!cls) in.Fail(line, "Class " + className + " not found");
    if (!cls->InheritsFrom(TComponent::StaticClass()) || !cls->Create)
      in.Fail(line, "Class " + className + " cannot be created as a component");
    if (!name.empty() && !IsValidIdent(name)) in.Fail(line, "\"" + name + "\" is not a valid component name");
    if (!name.empty() && root->FindComponent(name)) in.Fail(line, "A component named " + name + " already exists");
    if (const TFieldInfo* field = FindPublishedField(root->ClassType(), name); field && !cls->InheritsFrom(field->FieldClass))
      in.Fail(line, "Component " + name + " is a " + className + " but its field needs a " + field->FieldClass->Name);
    TObject* made = cls->Create(root);
    comp = dynamic_cast<TComponent*>(made);
    if (!comp) {
      delete made;
      in.Fail(line, "Class " + className + " did not make a component");
    }
    if (comp->Owner() != root) root->InsertComponent(comp);
    try {
      comp->SetName(name);
    } catch (const Exception& e) {
      comp->Free();
      in.Fail(line, e.Message());
    }
  }
  comp->SetLoadingState(true);
  auto& loaded = in.session->loaded;
  if (std::find(loaded.begin(), loaded.end(), comp) == loaded.end()) loaded.push_back(comp);
  if (!inherited) comp->SetParentComponent(parent);
  comp->ReadState(r);
  comp->ExcludeState(csReading);
}

// Reads one resource text into root; an inherited text reads its ancestor's resource first.
void TResourceLoader::ReadLevel(TComponent* root, std::string_view text, std::string_view source,
                                TLoadSession& session, int depth) {
  if (depth > 32) throw EReadError("Line 1: Ancestor chain too long (resource " + std::string(source) + ")");
  TReader r(text, std::string(source));
  TReader::Impl& in = *r.impl_;
  in.session = &session;
  r.root_ = root;

  Token kw = in.Next();
  if (kw.kind != Tok::Ident || (kw.text != "object" && kw.text != "inherited"))
    in.Fail(kw.line, "object or inherited expected, found " + TReader::Impl::Describe(kw));
  bool inherited = kw.text == "inherited";
  std::string className = in.Expect(Tok::Ident).text;
  std::string name;
  if (in.Peek().kind == Tok::Ident) name = in.Next().text;
  std::string ancestor;
  if (in.Accept(Tok::Colon)) ancestor = in.Expect(Tok::Ident).text;
  if (inherited && ancestor.empty()) in.Fail(kw.line, "An inherited resource names its ancestor: \": TAncestor\"");
  if (!inherited && !ancestor.empty()) in.Fail(kw.line, "Only an inherited resource names an ancestor");
  in.Expect(Tok::LBrace);
  if (root->ClassType()->DistanceTo(className) < 0)
    in.Fail(kw.line, "The resource is for " + className + ", not for a " + root->ClassName());

  // The name comes from the most derived resource, the one asked for.
  if (depth == 0 && !name.empty() && root->Name().empty()) {
    if (!IsValidIdent(name)) in.Fail(kw.line, "\"" + name + "\" is not a valid component name");
    root->SetName(UniqueRootName(root, name));
  }
  if (inherited) {
    int dist = root->ClassType()->DistanceTo(ancestor);
    if (dist < 0 || dist <= root->ClassType()->DistanceTo(className))
      in.Fail(kw.line, ancestor + " is not an ancestor of " + className);
    const TResourceBlob* blob = FindResourceBlob(ancestor);
    if (!blob) in.Fail(kw.line, "Resource " + ancestor + " not found");
    ReadLevel(root, blob->Text(), ancestor, session, depth + 1);
  }

  root->SetLoadingState(true);
  if (std::find(session.loaded.begin(), session.loaded.end(), root) == session.loaded.end())
    session.loaded.insert(session.loaded.begin(), root);
  root->ReadState(r);
  root->ExcludeState(csReading);
  const Token& rest = in.Peek();
  if (rest.kind != Tok::End) in.Fail(rest.line, "Text after the end of the root component");
}

void TResourceLoader::Finish(TLoadSession& session) {
  TComponent* root = session.root;
  for (const Fixup& f : session.fixups) {
    TComponent* found = nullptr;
    size_t dot = f.name.find('.');
    if (dot == std::string::npos) {
      found = SameText(f.name, root->Name()) ? root : root->FindComponent(f.name);
    } else if (auto& finder = GlobalFinder()) {
      if (TComponent* other = finder(f.name.substr(0, dot))) found = other->FindComponent(f.name.substr(dot + 1));
    }
    std::string where = f.source.empty() ? std::string() : " (resource " + f.source + ")";
    if (!found) throw EReadError("Line " + std::to_string(f.line) + ": Component " + f.name + " not found" + where);
    if (!found->InheritsFrom(f.prop->ObjectClass))
      throw EReadError("Line " + std::to_string(f.line) + ": Component " + f.name + " is not a " + f.prop->ObjectClass->Name + where);
    f.prop->SetObject(f.object, found);
  }
  session.fixups.clear();
  for (size_t i = 0; i < session.loaded.size(); ++i) session.loaded[i]->Loaded();
}

void TResourceLoader::Abandon(TLoadSession& session) {
  for (TComponent* c : session.loaded) c->SetLoadingState(false);
}

void ReadComponentText(TComponent* root, std::string_view text, std::string_view sourceName) {
  if (!root) throw EReadError("Line 1: No component to read into");
  TLoadSession session;
  session.root = root;
  try {
    TResourceLoader::ReadLevel(root, text, sourceName, session, 0);
    TResourceLoader::Finish(session);
  } catch (...) {
    TResourceLoader::Abandon(session);
    throw;
  }
}

void ReadComponentStream(TComponent* root, TStream& stream, std::string_view sourceName) {
  std::string text = stream.ReadString(stream.Size() - stream.Position());
  std::string_view view(text);
  if (view.substr(0, 3) == "\xEF\xBB\xBF") view.remove_prefix(3);
  ReadComponentText(root, view, sourceName);
}

bool InitInheritedComponent(TComponent* root, TClass stopAt) {
  for (TClass c = root->ClassType(); c && c != stopAt; c = c->Parent) {
    if (const TResourceBlob* blob = FindResourceBlob(c->Name)) {
      ReadComponentText(root, blob->Text(), c->Name);
      return true;
    }
  }
  return false;
}

void SetFindGlobalComponent(std::function<TComponent*(std::string_view name)> finder) {
  GlobalFinder() = std::move(finder);
}

// ---- the writer ----

namespace {

std::string QuoteString(std::string_view s) {
  std::string out = "\"";
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c >= 0x80) {
      // Valid UTF-8 stands as it is; other bytes are escaped, so the file stays valid UTF-8.
      int len = Utf8SequenceLength(c);
      size_t p = i;
      char32_t cp = Utf8Decode(s, p);
      if (cp != 0xFFFD || (p - i == 3 && s.substr(i, 3) == "\xEF\xBF\xBD")) {
        if (p - i == static_cast<size_t>(len)) {
          out.append(s.substr(i, p - i));
          i = p;
          continue;
        }
      }
      static const char* hex = "0123456789ABCDEF";
      out += "\\x";
      out.push_back(hex[c >> 4]);
      out.push_back(hex[c & 15]);
      ++i;
      continue;
    }
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          static const char* hex = "0123456789ABCDEF";
          out += "\\x";
          out.push_back(hex[c >> 4]);
          out.push_back(hex[c & 15]);
        } else {
          out.push_back(static_cast<char>(c));
        }
    }
    ++i;
  }
  return out + "\"";
}

std::string FloatText(double v) {
  if (std::isnan(v)) return "nan";
  if (std::isinf(v)) return v < 0 ? "-inf" : "inf";
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  std::string s(buf, ec == std::errc() ? end : buf);
  // Keep it a float when read back as a variant.
  if (s.find_first_of(".eE") == std::string::npos) s += ".0";
  return s;
}

std::string CurrencyText(Currency c) {
  int64_t v = c.Value;
  bool negative = v < 0;
  uint64_t m = negative ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
  std::string s = std::to_string(m / CurrencyScale);
  uint64_t frac = m % CurrencyScale;
  if (frac) {
    std::string f = std::to_string(frac);
    f = std::string(4 - f.size(), '0') + f;
    while (f.back() == '0') f.pop_back();
    s += "." + f;
  }
  return negative ? "-" + s : s;
}

}  // namespace

struct TWriter::Impl {
  std::string out;
  int indent = 0;
  // Open lists of values written by DefineProperties, and how many values each holds so far.
  std::vector<int> lists;
  int topValues = 0;
  std::string prefix;  // path of the sub-object being written ("Font.")
  TComponent* refRoot = nullptr;
  std::map<TClass, TPersistent*> bare;

  ~Impl() {
    for (auto& [cls, obj] : bare)
      if (obj) obj->Free();
  }

  void Line(const std::string& text) {
    out.append(static_cast<size_t>(indent) * 2, ' ');
    out += text;
    out += '\n';
  }
  // Separates a value from the one before it in the same list.
  void BeginValue() {
    if (!lists.empty()) {
      if (lists.back()++ > 0) out += ", ";
    } else if (topValues++ > 0) {
      out += ' ';
    }
  }
  void HexBlock(std::string_view bytes) {
    static const char* hex = "0123456789ABCDEF";
    out += "hex {";
    for (size_t i = 0; i < bytes.size(); ++i) {
      if (i % 32 == 0) {
        out += '\n';
        out.append(static_cast<size_t>(indent + 1) * 2, ' ');
      }
      unsigned char c = static_cast<unsigned char>(bytes[i]);
      out.push_back(hex[c >> 4]);
      out.push_back(hex[c & 15]);
    }
    out += '\n';
    out.append(static_cast<size_t>(indent) * 2, ' ');
    out += "}";
  }

  // A new object of the class as its constructor makes it, to compare with; null when the class
  // cannot make one.
  TPersistent* Bare(TClass cls) {
    auto it = bare.find(cls);
    if (it != bare.end()) return it->second;
    TPersistent* made = nullptr;
    if (cls && cls->Create) {
      try {
        TObject* obj = cls->Create(nullptr);
        made = dynamic_cast<TPersistent*>(obj);
        if (!made && obj) obj->Free();
      } catch (const std::exception&) {
        made = nullptr;
      }
    }
    bare[cls] = made;
    return made;
  }
};

TWriter::TWriter() : impl_(std::make_unique<Impl>()) {}
TWriter::~TWriter() = default;

void TWriter::WriteInteger(int64_t value) {
  impl_->BeginValue();
  impl_->out += std::to_string(value);
}

void TWriter::WriteFloat(double value) {
  impl_->BeginValue();
  impl_->out += FloatText(value);
}

void TWriter::WriteCurrency(Currency value) {
  impl_->BeginValue();
  impl_->out += CurrencyText(value);
}

void TWriter::WriteString(std::string_view value) {
  impl_->BeginValue();
  impl_->out += QuoteString(value);
}

void TWriter::WriteBoolean(bool value) {
  impl_->BeginValue();
  impl_->out += value ? "true" : "false";
}

void TWriter::WriteIdent(std::string_view ident) {
  impl_->BeginValue();
  impl_->out += ident;
}

void TWriter::WriteVariant(const Variant& v) {
  if (v.IsArray()) {
    WriteListBegin();
    for (int i = v.ArrayLowBound(); i <= v.ArrayHighBound(); ++i) WriteVariant(v.GetElement(i));
    WriteListEnd();
    return;
  }
  switch (v.VarType()) {
    case varEmpty: WriteIdent("unassigned"); return;
    case varNull: WriteIdent("null"); return;
    case varBoolean: WriteBoolean(v.AsBoolean()); return;
    case varString:
    case varOleStr: WriteString(v.StrRef()); return;
    case varSingle:
    case varDouble: WriteFloat(v.AsDouble()); return;
    case varCurrency:
      impl_->BeginValue();
      impl_->out += "currency " + CurrencyText(v.AsCurrency());
      return;
    case varDate:
      impl_->BeginValue();
      impl_->out += "date " + FloatText(v.AsDouble());
      return;
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64: WriteInteger(v.AsInt64()); return;
    default: WriteString(v.AsString()); return;
  }
}

void TWriter::WriteListBegin() {
  impl_->BeginValue();
  impl_->out += "(";
  impl_->lists.push_back(0);
}

void TWriter::WriteListEnd() {
  if (!impl_->lists.empty()) impl_->lists.pop_back();
  impl_->out += ")";
}

namespace {
bool SameReference(TPersistent* value, TComponent* root, TPersistent* refValue, TComponent* refRoot) {
  if (!value || !refValue) return value == refValue;
  if (value == root && refValue == refRoot) return true;
  auto* a = dynamic_cast<TComponent*>(value);
  auto* b = dynamic_cast<TComponent*>(refValue);
  return a && b && AnsiSameText(a->Name(), b->Name());
}
}  // namespace

// Writes the published and defined properties of obj that differ from ref (or, without ref,
// from their declared defaults).
class TWriterHelper {
 public:
  static void WriteProperties(TWriter& w, TPersistent* obj, TPersistent* ref, TPersistent* ancestor) {
    TWriter::Impl& im = *w.impl_;
    for (const TPropInfo* prop : GetPropList(obj->ClassType())) {
      if (!prop->IsStored(obj)) continue;
      const std::string name = im.prefix + prop->Name;
      switch (prop->Kind) {
        case TPropKind::Object: {
          TPersistent* sub = prop->GetObject(obj);
          if (!sub) break;
          TPersistent* refSub = ref ? prop->GetObject(ref) : nullptr;
          std::string saved = im.prefix;
          im.prefix = name + ".";
          WriteProperties(w, sub, refSub, ancestor ? refSub : nullptr);
          im.prefix = saved;
          break;
        }
        case TPropKind::Collection: {
          auto* c = static_cast<TCollection*>(prop->GetObject(obj));
          if (!c) break;
          auto* rc = ref ? static_cast<TCollection*>(prop->GetObject(ref)) : nullptr;
          if (rc ? SameCollections(c, rc) : c->Count() == 0) break;
          BeginProperty(w, name);
          w.WriteCollection(c);
          EndProperty(w);
          break;
        }
        case TPropKind::Strings: {
          auto* s = static_cast<TStrings*>(prop->GetObject(obj));
          if (!s) break;
          auto* rs = ref ? static_cast<TStrings*>(prop->GetObject(ref)) : nullptr;
          if (rs ? s->Equals(rs) : s->Count() == 0) break;
          WriteStrings(w, name, *s);
          break;
        }
        case TPropKind::Component: {
          if (!prop->SetObject) break;
          TPersistent* v = prop->GetObject(obj);
          if (ref ? SameReference(v, w.Root(), prop->GetObject(ref), im.refRoot) : !v) break;
          BeginProperty(w, name);
          w.WriteIdent(v ? ReferenceName(static_cast<TComponent*>(v), w.Root()) : "nil");
          EndProperty(w);
          break;
        }
        case TPropKind::Event: {
          if (!prop->SetEvent) break;
          std::string handler = prop->EventAssigned(obj) ? obj->HandlerName(prop->Name) : std::string();
          std::string refHandler = ref && prop->EventAssigned(ref) ? ref->HandlerName(prop->Name) : std::string();
          if (handler == refHandler) break;
          BeginProperty(w, name);
          w.WriteIdent(handler.empty() ? "nil" : handler);
          EndProperty(w);
          break;
        }
        default: {
          if (!prop->Set) break;
          Variant v = prop->Get(obj);
          // Without a default of its own the value a new object shows says nothing about what
          // reading back gives: unless an ancestor holds it, the stored rule alone decides.
          const bool ruled = prop->NoDefault && !ancestor;
          if (!ruled && (ref ? SameVariantValue(v, prop->Get(ref))
                             : prop->DefaultValue && SameDefault(v, *prop->DefaultValue)))
            break;
          BeginProperty(w, name);
          WriteScalar(w, *prop, v);
          EndProperty(w);
          break;
        }
      }
    }
    TPersistent* savedAncestor = w.ancestor_;
    w.ancestor_ = ancestor;
    obj->DefineProperties(w);
    w.ancestor_ = savedAncestor;
  }

  static bool SameDefault(const Variant& value, const Variant& def) {
    try {
      return VarSameValue(value, def);
    } catch (const Exception&) {
      return false;
    }
  }

  static std::string ReferenceName(TComponent* c, TComponent* root) {
    if (c == root || c->Owner() == root || !c->Owner() || c->Owner()->Name().empty()) return c->Name();
    return c->Owner()->Name() + "." + c->Name();
  }

  static void BeginProperty(TWriter& w, const std::string& name) {
    TWriter::Impl& im = *w.impl_;
    im.out.append(static_cast<size_t>(im.indent) * 2, ' ');
    im.out += name + " = ";
    im.topValues = 0;
    im.lists.clear();
  }
  static void EndProperty(TWriter& w) { w.impl_->out += '\n'; }

  static void WriteScalar(TWriter& w, const TPropInfo& prop, const Variant& v) {
    TWriter::Impl& im = *w.impl_;
    switch (prop.Kind) {
      case TPropKind::Integer:
      case TPropKind::Int64: w.WriteInteger(v.AsInt64()); break;
      case TPropKind::Float: w.WriteFloat(v.AsDouble()); break;
      case TPropKind::Currency: w.WriteCurrency(v.AsCurrency()); break;
      case TPropKind::String:
      case TPropKind::WideString: w.WriteString(v.AsString()); break;
      case TPropKind::Boolean: w.WriteBoolean(v.AsBoolean()); break;
      case TPropKind::Enumeration: w.WriteIdent(prop.Enum().NameOf(v.AsInteger())); break;
      case TPropKind::Set: w.WriteIdent(SetToString(prop.Enum(), static_cast<uint64_t>(v.AsInt64()))); break;
      case TPropKind::Variant: w.WriteVariant(v); break;
      case TPropKind::Bytes:
        im.BeginValue();
        im.HexBlock(v.AsString());
        break;
      default: break;
    }
  }

  static void WriteStrings(TWriter& w, const std::string& name, const TStrings& s) {
    TWriter::Impl& im = *w.impl_;
    if (s.Count() == 0) {
      im.Line(name + " = ()");
      return;
    }
    im.Line(name + " = (");
    ++im.indent;
    for (int i = 0; i < s.Count(); ++i) im.Line(QuoteString(s[i]));
    --im.indent;
    im.Line(")");
  }

  // Writes the block of comp, compared with `compare` (null: with the declared defaults);
  // `ancestor` is what DefineProperties sees as the ancestor. An empty block is left out when
  // skipIfEmpty.
  static void WriteComponent(TWriter& w, TComponent* comp, TPersistent* compare, TPersistent* ancestor,
                             const std::string& header, bool skipIfEmpty) {
    TWriter::Impl& im = *w.impl_;
    std::string saved;
    saved.swap(im.out);
    std::string savedPrefix = im.prefix;
    im.prefix.clear();
    ++im.indent;
    comp->IncludeState(csWriting);
    try {
      WriteProperties(w, comp, compare, ancestor);
      comp->GetChildren([&](TComponent* child) { WriteChild(w, child); }, w.Root());
    } catch (...) {
      comp->ExcludeState(csWriting);
      --im.indent;
      im.prefix = savedPrefix;
      im.out.swap(saved);
      throw;
    }
    comp->ExcludeState(csWriting);
    --im.indent;
    im.prefix = savedPrefix;
    std::string body;
    body.swap(im.out);
    im.out.swap(saved);
    if (skipIfEmpty && body.empty()) return;
    im.Line(header + " {");
    im.out += body;
    im.Line("}");
  }

  // The written form of a collection, with references named as they are from `root`.
  static std::string CollectionText(const TCollection* c, TComponent* root) {
    TWriter w;
    w.root_ = root;
    w.WriteCollection(c);
    std::string text;
    text.swap(w.impl_->out);
    return text;
  }

  // A component that the reference root has too is written as an inherited block of differences.
  static void WriteChild(TWriter& w, TComponent* child) {
    TWriter::Impl& im = *w.impl_;
    TComponent* ref = im.refRoot && !child->Name().empty() ? im.refRoot->FindComponent(child->Name()) : nullptr;
    if (ref && ref->ClassType() != child->ClassType()) ref = nullptr;
    std::string header = (ref ? "inherited " : "object ") + child->ClassName();
    if (!child->Name().empty()) header += " " + child->Name();
    TPersistent* compare = ref ? static_cast<TPersistent*>(ref) : im.Bare(child->ClassType());
    WriteComponent(w, child, compare, ref, header, ref != nullptr);
  }
};

void TWriter::WriteCollection(const TCollection* collection) {
  Impl& im = *impl_;
  im.BeginValue();
  im.out += "collection {\n";
  ++im.indent;
  std::string savedPrefix = im.prefix;
  std::vector<int> savedLists;
  savedLists.swap(im.lists);
  int savedTop = im.topValues;
  for (int i = 0; i < collection->Count(); ++i) {
    TCollectionItem* item = collection->Items(i);
    std::string saved;
    saved.swap(im.out);
    ++im.indent;
    im.prefix.clear();
    TPersistent* ancestor = ancestor_;
    ancestor_ = nullptr;
    TWriterHelper::WriteProperties(*this, item, im.Bare(item->ClassType()), nullptr);
    ancestor_ = ancestor;
    --im.indent;
    std::string body;
    body.swap(im.out);
    im.out.swap(saved);
    if (body.empty()) {
      im.Line("item { }");
    } else {
      im.Line("item {");
      im.out += body;
      im.Line("}");
    }
  }
  im.prefix = savedPrefix;
  im.lists.swap(savedLists);
  im.topValues = savedTop;
  --im.indent;
  im.out.append(static_cast<size_t>(im.indent) * 2, ' ');
  im.out += "}";
}

void TWriter::DefineProperty(std::string_view name, const TReaderProc&, const TWriterProc& writeData, bool hasData) {
  if (!hasData || !writeData) return;
  TWriterHelper::BeginProperty(*this, impl_->prefix + std::string(name));
  writeData(*this);
  TWriterHelper::EndProperty(*this);
}

void TWriter::DefineBinaryProperty(std::string_view name, const TStreamProc&, const TStreamProc& writeData,
                                   bool hasData) {
  if (!hasData || !writeData) return;
  TMemoryStream stream;
  writeData(stream);
  TWriterHelper::BeginProperty(*this, impl_->prefix + std::string(name));
  impl_->BeginValue();
  impl_->HexBlock(std::string_view(static_cast<const char*>(stream.Memory()), static_cast<size_t>(stream.Size())));
  TWriterHelper::EndProperty(*this);
}

std::string TWriter::WriteRoot(TComponent* root) {
  Impl& im = *impl_;
  im.out.clear();
  root_ = root;
  TClass cls = root->ClassType();
  TClass ancestorClass = nullptr;
  for (TClass c = cls->Parent; c; c = c->Parent)
    if (FindResourceBlob(c->Name)) {
      ancestorClass = c;
      break;
    }
  // The reference: what construction gives, with the ancestors' resources read into it.
  TComponent* ref = nullptr;
  if (cls->Create) {
    TObject* made = cls->Create(nullptr);
    ref = dynamic_cast<TComponent*>(made);
    if (!ref && made) made->Free();
  }
  if (!ref && ancestorClass)
    throw EWriteError("Cannot write " + root->ClassName() + ": its class cannot be created to compare with");
  struct Release {
    TComponent* ref;
    ~Release() {
      if (ref) ref->Free();
    }
  } release{ref};
  if (ancestorClass) ReadComponentText(ref, FindResourceBlob(ancestorClass->Name)->Text(), ancestorClass->Name);
  im.refRoot = ref;

  std::string header = (ancestorClass ? "inherited " : "object ") + root->ClassName();
  if (!root->Name().empty()) header += " " + root->Name();
  if (ancestorClass) header += std::string(" : ") + ancestorClass->Name;
  TWriterHelper::WriteComponent(*this, root, ref, ancestorClass ? ref : nullptr, header, false);
  im.refRoot = nullptr;
  std::string result;
  result.swap(im.out);
  return result;
}

std::string WriteComponentText(TComponent* root) {
  TWriter w;
  return w.WriteRoot(root);
}

void WriteComponentStream(TComponent* root, TStream& stream) { stream.WriteString(WriteComponentText(root)); }

bool CollectionsEqual(const TCollection* a, const TCollection* b, TComponent* ownerA, TComponent* ownerB) {
  if (a == b) return true;
  if (!a || !b || a->ClassType() != b->ClassType() || a->Count() != b->Count()) return false;
  return TWriterHelper::CollectionText(a, ownerA) == TWriterHelper::CollectionText(b, ownerB);
}
