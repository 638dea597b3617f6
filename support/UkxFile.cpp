#include "support/UkxFile.h"

#include "support/UkxFunctions.h"
#include "support/UkxStrUtils.h"
#include "support/UkxUtf8.h"
#include "support/UkxException.h"

#include "platform/Platform.h"

#include <string>
#include <string_view>

namespace {

constexpr std::size_t RecognitionBlock = 1 << 20;

// The text in a string of bytes, for decoding a whole line at once.
class TByteCollector : public TkxRawSink {
 public:
  void PutBytes(const char* Data, std::size_t Size) override { Bytes.append(Data, Size); }
  std::string Bytes;
};

bool IsWriteMode(std::uint8_t Mode) { return Mode == fmWrite || Mode == fmWriteUnicode; }

std::uint8_t ChosenEncoding(const std::u16string& Path, std::uint8_t Mode, std::uint8_t Encoding) {
  if (Encoding != teNone) return Encoding;
  if (Mode == fmWriteUnicode) return teUtf16LE;
  if (Mode == fmReadDetect) return TkxFile::RecogniseEncoding(Path);
  return teNone;
}

// Opens by path and mode; the missing directory of the file is made first, one level.
platform::FileHandle OpenHandle(const std::u16string& Path, std::uint8_t Mode) {
  std::u16string folder = FilePathOf(Path);
  if (!folder.empty() && !PathExists(folder)) MakeDir(folder);
  platform::FileHandle file =
      IsWriteMode(Mode) ? platform::CreateForWriting(Path) : platform::OpenForReading(Path);
  if (file == platform::InvalidFile) throw TkxException(u"File Open Error!");
  return file;
}

}  // namespace

std::string_view TkxFile::MarkOf(std::uint8_t Encoding) {
  switch (Encoding) {
    case teUtf8Bom: return {"\xEF\xBB\xBF", 3};
    case teUtf16LE: return {"\xFF\xFE", 2};
    case teUtf16BE: return {"\xFE\xFF", 2};
    default: return {};
  }
}

std::string_view TkxFile::LineEndOf(std::uint8_t Encoding) {
  switch (Encoding) {
    case teAnsi:
    case teUtf8:
    case teUtf8Bom: return {"\r\n", 2};
    case teUtf16LE: return {"\r\0\n\0", 4};
    case teUtf16BE: return {"\0\r\0\n", 4};
    default: return {};
  }
}

namespace {

TkxUnitLayout LayoutOf(std::uint8_t Encoding) {
  if (Encoding == teUtf16LE) return {2, false};
  if (Encoding == teUtf16BE) return {2, true};
  return {1, false};
}

// True when both encodings end lines with the same bytes.
bool SameLineEnd(std::uint8_t A, std::uint8_t B) {
  auto bytewise = [](std::uint8_t e) { return e >= teAnsi && e <= teUtf8Bom; };
  return (bytewise(A) && bytewise(B)) || (A == B && A >= teUtf16LE && A <= teUtf16BE);
}

std::u16string DecodeUtf16(const std::string& Bytes, bool BigEndian) {
  std::u16string text(Bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    auto first = static_cast<unsigned char>(Bytes[2 * i]);
    auto second = static_cast<unsigned char>(Bytes[2 * i + 1]);
    text[i] = static_cast<char16_t>(BigEndian ? (first << 8) | second : (second << 8) | first);
  }
  if (Bytes.size() % 2 != 0) text += u'\uFFFD';  // half a code unit at the end of the file
  return text;
}

std::string EncodeUtf16(const std::u16string& Text, bool BigEndian) {
  std::string bytes(Text.size() * 2, '\0');
  for (std::size_t i = 0; i < Text.size(); ++i) {
    bytes[2 * i + (BigEndian ? 1 : 0)] = static_cast<char>(Text[i] & 0xFF);
    bytes[2 * i + (BigEndian ? 0 : 1)] = static_cast<char>(Text[i] >> 8);
  }
  return bytes;
}

}  // namespace

TkxFile::TkxFile(const std::u16string& Path, std::uint8_t Mode, std::uint8_t Encoding, std::size_t BufferSize)
    : FileName(Path), Encoding(ChosenEncoding(Path, Mode, Encoding)) {
  platform::FileHandle file = OpenHandle(Path, Mode);
  if (IsWriteMode(Mode)) {
    FWriter = std::make_unique<TkxByteWriter>(file, Path, BufferSize);
  } else {
    FReader = std::make_unique<TkxByteReader>(file, BufferSize);
    FLines = std::make_unique<TkxLineReader>(*FReader, LayoutOf(this->Encoding));
  }
}

TkxFile::~TkxFile() = default;

TkxByteReader& TkxFile::Reader() {
  if (!FReader) throw TkxException(u"File Read Error!");
  return *FReader;
}

TkxLineReader& TkxFile::Lines() {
  if (!FLines) throw TkxException(u"File Read Error!");
  return *FLines;
}

TkxByteWriter& TkxFile::Writer() {
  if (!FWriter) throw TkxException(u"File Write Error!");
  return *FWriter;
}

std::int64_t TkxFile::Size() const {
  if (FWriter) return FWriter->Position();
  return FReader ? FReader->FileSize() : -1;
}

std::int64_t TkxFile::Position() const {
  if (FWriter) return FWriter->Position();
  return FReader ? FReader->Position() : -1;
}

bool TkxFile::EndOfFile() { return Reader().Fill() == 0; }

void TkxFile::SkipMark() {
  TkxByteReader& reader = Reader();
  if (reader.Position() != 0) return;
  std::size_t mark = MarkOf(Encoding).size();
  std::size_t available = reader.Fill(mark);
  reader.Consume(available < mark ? available : mark);
}

void TkxFile::ReadRawLine(TkxRawSink& Sink) {
  SkipMark();
  Lines().MoveLine(Sink, false);
}

std::u16string TkxFile::ReadLine() {
  TByteCollector line;
  ReadRawLine(line);
  switch (Encoding) {
    case teUtf16LE: return DecodeUtf16(line.Bytes, false);
    case teUtf16BE: return DecodeUtf16(line.Bytes, true);
    case teUtf8:
    case teUtf8Bom: return Utf8ToText(line.Bytes);
    default: return AnsiToText(line.Bytes);
  }
}

void TkxFile::MoveLineTo(TkxFile& Target) {
  SkipMark();
  Target.WriteMark();
  // The source's CR LF is the target's line end: both are in the same encoding.
  if (SameLineEnd(Encoding, Target.Encoding)) {
    Lines().MoveLine(*Target.FWriter, true);
  } else {
    Lines().MoveLine(Target.FRawTarget, false);
    Target.WriteLineEnd();
  }
}

std::size_t TkxFile::DealLines(const std::unique_ptr<TkxFile>* Targets, std::size_t Count, std::size_t& Next,
                               std::size_t Budget) {
  SkipMark();
  TkxByteReader& reader = Reader();
  const TkxLineReader& lines = Lines();
  std::size_t moved = 0;
  std::size_t next = Next;
  while (moved < Budget) {
    const std::size_t size = lines.WholeLineSize();
    if (size == 0) break;
    TkxFile& target = *Targets[next];
    // Other encodings, a target that still needs its mark and a full block take the
    // long way; none of them comes up once per line.
    if (target.Encoding != Encoding || !target.FWriter || target.FWriter->Position() == 0) break;
    if (!target.FWriter->PutInBlock(reader.Data(), size)) target.FWriter->PutBytes(reader.Data(), size);
    reader.Consume(size);
    moved += size;
    if (++next == Count) next = 0;
  }
  Next = next;
  return moved;
}

void TkxFile::WriteMark() {
  if (Writer().Position() != 0) return;
  std::string_view mark = MarkOf(Encoding);
  if (!mark.empty()) FWriter->PutBytes(mark.data(), mark.size());
}

void TkxFile::Write(const std::u16string& Text) {
  WriteMark();
  if (Text.empty()) return;
  std::string bytes;
  switch (Encoding) {
    case teUtf8:
    case teUtf8Bom: bytes = TextToUtf8(Text); break;
    case teUtf16LE: bytes = EncodeUtf16(Text, false); break;
    case teUtf16BE: bytes = EncodeUtf16(Text, true); break;
    default: bytes = platform::TextToAnsi(Text); break;
  }
  FWriter->PutBytes(bytes.data(), bytes.size());
}

void TkxFile::WriteLine(const std::u16string& Text) {
  Write(Text);
  std::string_view end = LineEndOf(Encoding);
  if (!end.empty()) FWriter->PutBytes(end.data(), end.size());
}

void TkxFile::WriteRaw(const char* Data, std::size_t Size) {
  if (Size == 0) return;
  WriteMark();
  FWriter->PutBytes(Data, Size);
}

void TkxFile::WriteLineEnd() {
  WriteMark();
  std::string_view end = LineEndOf(Encoding);
  if (!end.empty()) FWriter->PutBytes(end.data(), end.size());
}

void TkxFile::Park() { Writer().Park(); }

void TkxFile::Close() {
  if (FWriter) FWriter->Close();
  FLines.reset();
  FReader.reset();
}

std::uint8_t TkxFile::RecogniseEncoding(const std::u16string& Path, const TkxProgress& Progress) {
  TkxByteReader reader(OpenHandle(Path, fmRead), RecognitionBlock);
  std::size_t head = reader.Fill(3);
  const auto* bytes = reinterpret_cast<const unsigned char*>(reader.Data());
  if (head >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) return teUtf8Bom;
  if (head >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) return teUtf16LE;
  if (head >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) return teUtf16BE;
  const std::int64_t total = reader.FileSize();
  TkxUtf8Test test;
  while (reader.Fill() > 0) {
    bool going = test.Feed(reinterpret_cast<const unsigned char*>(reader.Data()), reader.Available());
    reader.Consume(reader.Available());
    if (!going) break;
    if (Progress) Progress(reader.Position(), total);
  }
  return test.Passed() ? teUtf8 : teAnsi;
}
