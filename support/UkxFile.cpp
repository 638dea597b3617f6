#include "support/UkxFile.h"

#include "support/UkxFunctions.h"
#include "support/UkxStrUtils.h"
#include "support/UkxUtf8.h"
#include "support/UkxException.h"
#include "support/UkxTexts.h"

#include "platform/Platform.h"

#include <string>
#include <string_view>

namespace {

constexpr std::size_t RecognitionBlock = 1 << 20;

bool IsWriteMode(std::uint8_t Mode) { return Mode == fmWrite || Mode == fmWriteUnicode; }

std::uint8_t ChosenEncoding(const std::u16string& Path, std::uint8_t Mode, std::uint8_t Encoding) {
  if (Encoding != teNone) return Encoding;
  if (Mode == fmWriteUnicode) return teUtf16LE;
  if (Mode == fmReadDetect) return TkxFile::RecogniseEncoding(Path);
  return teNone;
}

// Opens by path and mode; the missing directory of the file is made first, one level.
platform::TFile OpenFile(const std::u16string& Path, std::uint8_t Mode) {
  std::u16string folder = FilePathOf(Path);
  // A folder that cannot be made fails the open that follows.
  if (!folder.empty() && !PathExists(folder)) (void)MakeDir(folder);
  platform::TFile file = IsWriteMode(Mode) ? platform::CreateForWriting(Path) : platform::OpenForReading(Path);
  if (!file) throw TkxException(FileOpenErrorText);
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

TkxUnitLayout TkxFile::LayoutOf(std::uint8_t Encoding) {
  if (Encoding == teUtf16LE) return {2, false};
  if (Encoding == teUtf16BE) return {2, true};
  return {1, false};
}

std::uint8_t TkxFile::EncodingOfMark(std::string_view Head) {
  for (std::uint8_t encoding : {teUtf8Bom, teUtf16LE, teUtf16BE}) {
    if (Head.substr(0, MarkOf(encoding).size()) == MarkOf(encoding)) return encoding;
  }
  return teNone;
}

namespace {

// The encoding's CR LF.
std::string_view LineEndOf(std::uint8_t Encoding) {
  switch (Encoding) {
    case teUtf16LE: return {"\r\0\n\0", 4};
    case teUtf16BE: return {"\0\r\0\n", 4};
    default: return {"\r\n", 2};
  }
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
    : FileName(Path), Encoding(ChosenEncoding(Path, Mode, Encoding)), FFile(OpenFile(Path, Mode)) {
  if (!IsWriteMode(Mode)) {
    FReader = std::make_unique<TkxByteReader>(FFile, BufferSize);
  }
}

TkxFile::~TkxFile() = default;

std::int64_t TkxFile::Size() const {
  if (Writing()) return FWritten;
  return FReader ? FReader->FileSize() : -1;
}

std::int64_t TkxFile::Position() const {
  if (Writing()) return FWritten;
  return FReader ? FReader->Position() : -1;
}

bool TkxFile::EndOfFile() {
  if (!FReader) throw TkxException(FileReadErrorText);
  return FReader->Fill() == 0;
}

std::u16string TkxFile::ReadLine() {
  if (!FReader) throw TkxException(FileReadErrorText);
  if (FReader->Position() == 0) {  // the byte-order mark is not text
    const std::size_t mark = MarkOf(Encoding).size();
    const std::size_t available = FReader->Fill(mark);
    FReader->Consume(available < mark ? available : mark);
  }
  const std::string line = NextLineBytes();
  switch (Encoding) {
    case teUtf16LE: return DecodeUtf16(line, false);
    case teUtf16BE: return DecodeUtf16(line, true);
    case teUtf8:
    case teUtf8Bom: return Utf8ToText(line);
    default: return AnsiToText(line);
  }
}

// The code units are compared at their own alignment (a UTF-16 character whose bytes
// happen to read 0D 0A ends nothing); of CR CR LF only the last CR belongs to the line
// end, and a CR that is the file's last code unit is dropped. Half a code unit at the
// end of the file stays, for the decoder to mark.
std::string TkxFile::NextLineBytes() {
  const std::string_view crLf = LineEndOf(Encoding);
  const std::string_view cr = crLf.substr(0, crLf.size() / 2);
  std::string line;
  while (FReader->Fill(cr.size()) >= cr.size()) {
    line.append(FReader->Data(), cr.size());
    FReader->Consume(cr.size());
    if (line.ends_with(crLf)) {
      line.resize(line.size() - crLf.size());
      return line;
    }
  }
  const std::size_t rest = FReader->Available();
  if (rest == 0 && line.ends_with(cr)) line.resize(line.size() - cr.size());
  if (rest > 0) line.append(FReader->Data(), rest);
  FReader->Consume(rest);
  return line;
}

void TkxFile::PutBytes(const std::string& Bytes) {
  if (!Writing()) throw TkxException(FileWriteErrorText);
  if (Bytes.empty()) return;
  if (!platform::WriteBytes(FFile, Bytes.data(), Bytes.size())) throw TkxException(FileWriteErrorText);
  FWritten += static_cast<std::int64_t>(Bytes.size());
}

// The text in the file's encoding, behind the mark when nothing is written yet.
std::string TkxFile::Encoded(const std::u16string& Text) const {
  std::string bytes = FWritten == 0 ? std::string(MarkOf(Encoding)) : std::string();
  switch (Encoding) {
    case teUtf8:
    case teUtf8Bom: return bytes + TextToUtf8(Text);
    case teUtf16LE: return bytes + EncodeUtf16(Text, false);
    case teUtf16BE: return bytes + EncodeUtf16(Text, true);
    default: return bytes + platform::TextToAnsi(Text);
  }
}

void TkxFile::Write(const std::u16string& Text) { PutBytes(Encoded(Text)); }

void TkxFile::WriteLine(const std::u16string& Text) {
  // One write for the line and its end, as an unbuffered file would take it.
  std::string bytes = Encoded(Text);
  if (Encoding != teNone) bytes += LineEndOf(Encoding);
  PutBytes(bytes);
}

void TkxFile::Close() {
  const bool writing = Writing();
  FReader.reset();
  // A file only read has nothing to commit.
  if (!FFile.Close() && writing) throw TkxException(FileWriteErrorText);
}

namespace {

std::uint8_t Recognise(const platform::TFile& File, const TkxProgress& Progress) {
  TkxByteReader reader(File, RecognitionBlock);
  std::size_t head = reader.Fill(3);
  const std::uint8_t marked = TkxFile::EncodingOfMark(std::string_view(reader.Data(), head));
  if (marked != teNone) return marked;
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

}  // namespace

std::uint8_t TkxFile::RecogniseEncoding(const std::u16string& Path, const TkxProgress& Progress) {
  platform::TFile file = OpenFile(Path, fmRead);
  const std::uint8_t encoding = Recognise(file, Progress);
  (void)file.Close();  // only read: nothing to commit
  return encoding;
}
