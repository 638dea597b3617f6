#include "engine/UKeyLines.h"

#include "engine/UEngineTexts.h"
#include "platform/Platform.h"
#include "support/UkxException.h"
#include "support/UkxStrUtils.h"
#include "support/UkxTexts.h"
#include "support/UkxUtf8.h"

#include <algorithm>
#include <charconv>

void FileOpenError(const std::u16string& Path) { throw TkxException(FillIn(OpenErrorPathText, {FileOpenErrorText, Path})); }

std::string EscapedName(std::u16string_view Name) {
  std::string out;
  for (char c : TextToUtf8(Name)) {
    if (c == '\\' || c == '\n' || c == '\r') out += '\\';
    out += c == '\n' ? 'n' : c == '\r' ? 'r' : c;
  }
  return out;
}

bool UnescapedName(std::string_view Text, std::u16string& Name) {
  std::string bytes;
  for (std::size_t i = 0; i < Text.size(); ++i) {
    if (Text[i] != '\\') {
      bytes += Text[i];
      continue;
    }
    if (++i == Text.size()) return false;
    const char c = Text[i];
    if (c != '\\' && c != 'n' && c != 'r') return false;
    bytes += c == 'n' ? '\n' : c == 'r' ? '\r' : '\\';
  }
  Name = Utf8ToText(bytes);
  return true;
}

bool TakeLine(std::string_view& Text, std::string_view Key, std::string_view& Value) {
  const std::size_t end = Text.find('\n');
  if (end == std::string_view::npos || Text.compare(0, Key.size(), Key) != 0 || Text.size() <= Key.size() ||
      Text[Key.size()] != ' ') {
    return false;
  }
  Value = Text.substr(Key.size() + 1, end - Key.size() - 1);
  Text.remove_prefix(end + 1);
  return true;
}

bool ReadNumber(std::string_view Text, std::int64_t& Number) {
  const auto [end, error] = std::from_chars(Text.data(), Text.data() + Text.size(), Number);
  return error == std::errc() && end == Text.data() + Text.size() && Number >= 0;
}

bool ReadSmallFile(const std::u16string& Path, std::int64_t MaxSize, std::string& Bytes) {
  return ReadListFile(Path, MaxSize, [MaxSize](std::string_view) { return MaxSize; }, Bytes);
}

std::int64_t NumberOnLine(std::string_view Text, std::string_view Key) {
  const std::string line = "\n" + std::string(Key) + " ";
  const std::size_t at = Text.find(line);
  if (at == std::string_view::npos) return 0;
  Text.remove_prefix(at + line.size());
  std::int64_t number = 0;
  return ReadNumber(Text.substr(0, Text.find('\n')), number) ? number : 0;
}

bool ReadListFile(const std::u16string& Path, std::int64_t Head,
                  const std::function<std::int64_t(std::string_view)>& MaxSizeOf, std::string& Bytes) {
  platform::TFile file;
  const platform::OpenResult opened = platform::OpenExistingFile(Path, file);
  if (opened == platform::OpenResult::Missing) return false;
  if (opened != platform::OpenResult::Opened) FileOpenError(Path);
  const std::int64_t size = platform::FileSize(file);
  bool read = size >= 0;
  std::size_t got = 0;
  if (read) {
    Bytes.resize(static_cast<std::size_t>(std::min(size, Head)));
    read = platform::ReadBytesAt(file, 0, Bytes.data(), Bytes.size(), got) && got == Bytes.size();
  }
  read = read && size <= MaxSizeOf(Bytes);
  if (read && size > Head) {
    Bytes.resize(static_cast<std::size_t>(size));
    read = platform::ReadBytesAt(file, Head, Bytes.data() + Head, Bytes.size() - static_cast<std::size_t>(Head), got) &&
           got == Bytes.size() - static_cast<std::size_t>(Head);
  }
  (void)file.Close();  // read only: nothing to commit
  if (!read) FileOpenError(Path);
  return true;
}

void WriteNewFile(const std::u16string& Path, std::string_view Bytes) {
  platform::TFile file = platform::CreateNewFile(Path);
  if (!file) FileOpenError(Path);
  bool written = platform::WriteBytes(file, Bytes.data(), Bytes.size());
  written = file.Close() && written;
  if (written) return;
  (void)platform::RemoveFile(Path);  // its own: nothing is lost when it stays
  throw TkxException(FileWriteErrorText);
}
