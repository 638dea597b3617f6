#include "support/UkxIniFile.h"

#include "platform/Platform.h"
#include "support/UkxFunctions.h"

#include <utility>

namespace {

// Values come back cut to one less than this.
constexpr std::size_t ReadBufferSize = 500;

}  // namespace

TkxIniFile::TkxIniFile(std::u16string FileName) : FileName(std::move(FileName)) {}

std::u16string TkxIniFile::ReadString(const std::u16string& Section, const std::u16string& Key,
                                      const std::u16string& Default) const {
  return platform::ReadProfileText(Section, Key, Default, FileName, ReadBufferSize);
}

std::int32_t TkxIniFile::ReadInteger(const std::u16string& Section, const std::u16string& Key,
                                     std::int32_t Default) const {
  return platform::ReadProfileInteger(Section, Key, Default, FileName);
}

void TkxIniFile::WriteString(const std::u16string& Section, const std::u16string& Key,
                             const std::u16string& Value) const {
  // A refused write is dropped: the settings are a convenience, never worth a failure.
  (void)platform::WriteProfileText(Section, Key, Value, FileName);
}

void TkxIniFile::WriteInteger(const std::u16string& Section, const std::u16string& Key, std::int32_t Value) const {
  WriteString(Section, Key, IntToText(0, Value));
}
