// Named access to a settings file in the platform's profile-file format. Every read
// and write goes straight to the platform; nothing is kept in memory.
#pragma once

#include "support/UkxObject.h"

#include <cstdint>
#include <string>

class TkxIniFile : public TkxObject {
 public:
  explicit TkxIniFile(std::u16string FileName);

  // The value of Key in Section, cut to 499 characters; Default when it is missing.
  std::u16string ReadString(const std::u16string& Section, const std::u16string& Key,
                            const std::u16string& Default) const;
  std::int32_t ReadInteger(const std::u16string& Section, const std::u16string& Key, std::int32_t Default) const;
  // Creates the file, section and key as needed; a refused write is dropped silently.
  void WriteString(const std::u16string& Section, const std::u16string& Key, const std::u16string& Value) const;
  void WriteInteger(const std::u16string& Section, const std::u16string& Key, std::int32_t Value) const;

  const std::u16string FileName;
};
