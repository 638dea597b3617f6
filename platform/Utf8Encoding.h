// UTF-16 to UTF-8, shared by the POSIX file names and the text layer above.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// A valid surrogate pair becomes one 4-byte sequence; every other code unit is
// encoded by itself (an unpaired surrogate as its own 3-byte form), so nothing is lost.
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace platform
