// The writer: nodes write their constructs by element type; elements walk their children with an
// explicit stack, so deep trees cost no machine stack.
#include <unistd.h>
#include <sys/stat.h>

#include <atomic>
#include <cstdio>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "xml/codec.h"
#include "xml/document.h"

namespace {

const char* const kWriterCannotWrite = "Cannot write to output stream";

// Collects written text; with a stream, passes it on in 64 KiB blocks and checks every block.
class XmlOutput {
 public:
  explicit XmlOutput(TStream* stream) : stream_(stream) {}
  void Write(std::string_view s) {
    if (s.empty()) return;
    buffer_.append(s);
    written_ += s.size();
    if (stream_ && buffer_.size() >= 65536) Flush();
  }
  void Flush() {
    if (!stream_ || buffer_.empty()) return;
    const auto n = static_cast<int64_t>(buffer_.size());
    if (stream_->Write(buffer_.data(), n) != n) throw EStreamError(kWriterCannotWrite);
    buffer_.clear();
  }
  // The stream's position (a codec answers the position of its output).
  int64_t Position() {
    if (!stream_) return static_cast<int64_t>(buffer_.size());
    if (written_ == 0) return 0;
    Flush();
    return stream_->Seek(0, soFromCurrent);
  }
  int64_t Size() {
    if (!stream_) return static_cast<int64_t>(buffer_.size());
    if (written_ == 0) return 0;
    Flush();
    return stream_->Seek(0, soFromEnd);
  }
  std::string& Text() noexcept { return buffer_; }

 private:
  TStream* stream_;
  std::string buffer_;
  size_t written_ = 0;
};

class XmlWriter {
 public:
  explicit XmlWriter(XmlOutput& out) : out_(out) {}
  void Write(TXmlNode* start);

 private:
  struct Frame {
    TXmlNode* node;
    int depth;
    int next;
  };
  // Writes the head of a node; true when it has children to write.
  bool Begin(TXmlNode* node, int depth);
  void Finish(TXmlNode* node, int depth);
  void AfterChild(const Frame& parent);
  void Indent(TXmlNode* node, int depth) {
    TXmlDocument* doc = node->Document();
    if (!doc || doc->OutputLayout() != 0) return;
    for (int i = 0; i < depth; ++i) line_ += doc->IndentUnit();
  }
  void Flush() {
    out_.Write(line_);
    line_.clear();
  }

  XmlOutput& out_;
  std::string line_;
};

bool XmlWriter::Begin(TXmlNode* node, int depth) {
  line_.clear();
  const TXmlElementType type = node->ElementType();
  if (type > etUnknown) throw EFilerError("Illegal element type");
  if (type != etCharData) Indent(node, depth);
  const std::string& name = node->Name();
  const std::string_view value = node->Value();
  auto named = [&](const char* open) {
    line_ += open;
    line_ += name;
    line_ += ' ';
    line_ += value;
    line_ += '>';
  };
  switch (type) {
    case etElement:
      line_ += '<';
      line_ += name;
      line_ += node->WriteAttributesText();
      line_ += '>';
      line_ += value;
      if (node->NodeCount() > 0) {
        line_ += node->LineBreak();
        Flush();
        return true;
      }
      break;
    case etComment:
      // A comment has no escapes: one holding "--" or ending in "-" cannot be written.
      if (value.find("--") != std::string_view::npos || (!value.empty() && value.back() == '-'))
        throw EFilerError("Comment cannot hold \"--\" or end in \"-\": " + std::string(value.substr(0, 40)));
      line_ += "<!--";
      line_ += value;
      line_ += "-->";
      break;
    case etCData: {
      // "]]>" ends a section: the text goes on in a new section after its "]]".
      line_ += "<![CDATA[";
      size_t from = 0;
      for (size_t at; (at = value.find("]]>", from)) != std::string_view::npos; from = at + 2) {
        line_ += value.substr(from, at + 2 - from);
        line_ += "]]><![CDATA[";
      }
      line_ += value.substr(from);
      line_ += "]]>";
      break;
    }
    case etDeclaration:
      node->DeleteEmptyAttributes();
      line_ += "<?xml";
      line_ += node->WriteAttributesText();
      line_ += "?>";
      break;
    case etStylesheet:
      line_ += "<?xml-stylesheet";
      line_ += node->WriteAttributesText();
      line_ += "?>";
      break;
    case etDoctype:
      line_ += "<!DOCTYPE ";
      line_ += name;
      line_ += ' ';
      line_ += value;
      if (node->NodeCount() > 0) {
        line_ += " [";
        line_ += node->LineBreak();
        Flush();
        return true;
      }
      line_ += '>';
      break;
    case etDtdElement: named("<!ELEMENT "); break;
    case etDtdAttList: named("<!ATTLIST "); break;
    case etDtdEntity: named("<!ENTITY "); break;
    case etDtdNotation: named("<!NOTATION "); break;
    case etBangOther: line_ += "<!"; line_ += value; line_ += '>'; break;
    case etInstruction: line_ += "<?"; line_ += value; line_ += "?>"; break;
    case etCharData: line_ += value; break;
    case etUnknown: line_ += '<'; line_ += value; line_ += '>'; break;
  }
  Flush();
  return false;
}

void XmlWriter::Finish(TXmlNode* node, int depth) {
  line_.clear();
  if (node->ElementType() == etElement && !node->IsShortForm()) {
    if (node->NodeCount() > 0) Indent(node, depth);
    line_ += "</";
    line_ += node->Name();
    line_ += '>';
  } else if (node->ElementType() == etDoctype && node->NodeCount() > 0) {
    line_ += "]>";
  }
  Flush();
  if (TXmlDocument* doc = node->Document(); doc && doc->OnProgress) doc->OnProgress(doc, out_.Position());
}

void XmlWriter::AfterChild(const Frame& parent) {
  TXmlNode* node = parent.node;
  if (node->ElementType() == etDoctype) {
    out_.Write(node->LineBreak());
    return;
  }
  // No line break next to character data, so mixed content keeps its text as it was.
  TXmlNode* written = node->Nodes(parent.next - 1);
  TXmlNode* following = node->Nodes(parent.next);
  if (written->ElementType() == etCharData || (following && following->ElementType() == etCharData)) return;
  out_.Write(node->LineBreak());
}

void XmlWriter::Write(TXmlNode* start) {
  const int startDepth = start->TreeDepth();
  if (!Begin(start, startDepth)) {
    Finish(start, startDepth);
    return;
  }
  std::vector<Frame> stack{{start, startDepth, 0}};
  while (!stack.empty()) {
    Frame& f = stack.back();
    if (f.next < f.node->NodeCount()) {
      TXmlNode* child = f.node->Nodes(f.next++);
      if (Begin(child, f.depth + 1)) {
        stack.push_back({child, f.depth + 1, 0});
        continue;
      }
      Finish(child, f.depth + 1);
      AfterChild(f);
      continue;
    }
    TXmlNode* done = f.node;
    const int depth = f.depth;
    stack.pop_back();
    Finish(done, depth);
    if (!stack.empty()) AfterChild(stack.back());
  }
}

void SaveNodesTo(TXmlDocument& doc, XmlOutput& out) {
  if (!doc.Root() && doc.StrictRootChecks()) throw EFilerError("XML root element not defined.");
  if (doc.OnProgress) doc.OnProgress(&doc, 0);
  XmlWriter writer(out);
  const std::string lineBreak = doc.LineBreakString();
  TXmlNode* roots = doc.RootNodes();
  for (int i = 0; i < roots->NodeCount(); ++i) {
    writer.Write(roots->Nodes(i));
    out.Write(lineBreak);
  }
  if (doc.OnProgress) doc.OnProgress(&doc, out.Size());
}

}  // namespace

// ---------------------------------------------------------------- nodes

std::string TXmlNode::WriteAttributesText() const {
  std::string out;
  for (int i = 0; i < AttributeCount(); ++i) {
    out += ' ';
    out += attributes_->Entry(i);
  }
  if (IsShortForm()) out += '/';
  return out;
}

void TXmlNode::WriteToStream(TStream& stream) {
  XmlOutput out(&stream);
  XmlWriter(out).Write(this);
  out.Flush();
}

std::string TXmlNode::WriteToString() {
  TXmlStringStream stream;
  WriteToStream(stream);
  return stream.StringStreamData();
}

// ---------------------------------------------------------------- document

void TXmlDocument::SaveNodes(TStream& stream) {
  XmlOutput out(&stream);
  SaveNodesTo(*this, out);
  out.Flush();
}

// A whole document goes straight into the result, without a TXmlStringStream to copy it out of.
std::string TXmlDocument::WriteToString() {
  XmlOutput out(nullptr);
  SaveNodesTo(*this, out);
  return std::move(out.Text());
}

void TXmlDocument::SaveToStream(TStream& stream) {
  TXmlBufferedWriteStream buffered(&stream, false);
  std::unique_ptr<TXmlCodecStream> codec;
  if (internalUtf8_) codec = std::make_unique<TXmlUtf8Stream>(&buffered);
  else codec = std::make_unique<TXmlAnsiStream>(&buffered);
  // Without an encoding of its own (a document read from a string or made in code) the text is
  // written as its declaration says: 8-bit bytes under a UTF declaration would lose or garble it.
  uint8_t encoding = streamEncoding_;
  if (encoding == XmlEncoding::Ansi) {
    const std::string declared = EncodingString();
    if (SameText(declared, "UTF-8")) encoding = XmlEncoding::Utf8;
    else if (SameText(declared, "UTF-16")) encoding = XmlEncoding::Utf16LE;
  }
  codec->SetEncoding(encoding);
  codec->LossNotice = [this] { CharacterLoss(); };
  codecStream_ = codec.get();
  try {
    SaveNodes(*codec);
    codec->FinishWriting();
    // Explicitly, so that a destination that fails reports it here.
    buffered.Flush();
  } catch (...) {
    codecStream_ = nullptr;
    throw;
  }
  codecStream_ = nullptr;
}

namespace {

// The file a name stands for: symbolic links followed (also to a file not made yet).
std::string LinkTarget(const std::string& fileName) {
  std::string path = fileName;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::string link(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
    const ssize_t n = readlink(path.c_str(), link.data(), link.size());
    if (n < 0 || static_cast<size_t>(n) >= link.size()) return path;
    link.resize(static_cast<size_t>(n));
    if (link.empty() || link[0] == '/') {
      path = link;
    } else {
      const size_t slash = path.rfind('/');
      path = slash == std::string::npos ? link : path.substr(0, slash + 1) + link;
    }
  }
  return path;  // a loop of links: opening it reports the error
}

}  // namespace

void TXmlDocument::SaveToFile(const std::string& fileName) {
  // The new text goes into a file beside the target and replaces it by a rename, so a reader never
  // sees half a file; through a link the target is replaced and the link stays. Anything but a
  // regular file (a device, a pipe) is written in place.
  const std::string target = LinkTarget(fileName);
  struct stat st;
  const bool exists = stat(target.c_str(), &st) == 0;
  if (exists && !S_ISREG(st.st_mode)) {
    TFileStream file(target, fmOpenWrite);
    SaveToStream(file);
    return;
  }
  static std::atomic<unsigned> counter{0};
  const std::string temp = target + ".~" + std::to_string(getpid()) + "-" + std::to_string(++counter) + ".tmp";
  try {
    TFileStream file(temp, fmCreate);
    SaveToStream(file);
    if (exists) {
      // The old file's owner where the process may change it, and its permissions.
      if (fchown(file.Handle(), st.st_uid, st.st_gid) != 0 && fchown(file.Handle(), static_cast<uid_t>(-1), st.st_gid) != 0) {
        // Not allowed: the file keeps the process's owner.
      }
      fchmod(file.Handle(), st.st_mode & 07777);
    }
    if (fsync(file.Handle()) != 0) throw EStreamError(kWriterCannotWrite);
  } catch (...) {
    std::remove(temp.c_str());
    throw;
  }
  if (std::rename(temp.c_str(), target.c_str()) != 0) {
    std::remove(temp.c_str());
    throw EFCreateError("Cannot create file \"" + fileName + "\"");
  }
}
