// The small text files that an output folder keeps of its runs, the journal and the
// manifest: UTF-8 lines "key value" after a signature line, the same bytes in both builds.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// "File Open Error!" for a file that could not be opened or made, named.
[[noreturn]] void FileOpenError(const std::u16string& Path);

// A name as a value: any character but the separator on POSIX, line ends included.
[[nodiscard]] std::string EscapedName(std::u16string_view Name);
// False when Text is no escaped name.
[[nodiscard]] bool UnescapedName(std::string_view Text, std::u16string& Name);
// The value of the line "Key value" that starts Text, which then moves past it; false
// when Text does not start with that key.
[[nodiscard]] bool TakeLine(std::string_view& Text, std::string_view Key, std::string_view& Value);
// A decimal number from 0 that fills Text; false for anything else.
[[nodiscard]] bool ReadNumber(std::string_view Text, std::int64_t& Number);

// The file's bytes; false when it is missing. Raises "File Open Error!" with the path for
// anything that is not a regular file of at most MaxSize bytes that can be read.
[[nodiscard]] bool ReadSmallFile(const std::u16string& Path, std::int64_t MaxSize, std::string& Bytes);
// The same for a file that lists names: its first Head bytes tell (MaxSizeOf) how large
// it may be.
[[nodiscard]] bool ReadListFile(const std::u16string& Path, std::int64_t Head,
                                const std::function<std::int64_t(std::string_view)>& MaxSizeOf, std::string& Bytes);
// The number on the line "Key N" of Text, or 0 where there is none.
[[nodiscard]] std::int64_t NumberOnLine(std::string_view Text, std::string_view Key);
// Makes the file where nothing is, with Bytes; raises "File Open Error!" with the path or
// "File Write Error!", leaving nothing behind.
void WriteNewFile(const std::u16string& Path, std::string_view Bytes);
