// The operating-system layer: everything above it is portable C++.
// One interface, a win32 and a posix implementation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// An open file. InvalidFile marks a failed open.
using FileHandle = std::intptr_t;
inline constexpr FileHandle InvalidFile = -1;

// Opens for reading, shared for reading; a missing file is created empty.
// A directory is refused.
FileHandle OpenForReading(std::u16string_view path);
// Creates, or truncates an existing file, for writing; shared for reading.
FileHandle CreateForWriting(std::u16string_view path);
// Reads up to count bytes; false when the read fails. bytesRead 0 at the end.
bool ReadBytes(FileHandle file, void* buffer, std::size_t count, std::size_t& bytesRead);
// Writes all count bytes; false when any of them could not be written.
bool WriteBytes(FileHandle file, const void* buffer, std::size_t count);
enum class SeekFrom { Begin, Current, End };
// Moves the file pointer; the new offset, or -1 on failure.
std::int64_t Seek(FileHandle file, std::int64_t offset, SeekFrom from);
// The file's current size in bytes, or -1 on failure.
std::int64_t FileSize(FileHandle file);
// Closes the handle; false when buffered data could not be committed.
bool CloseFile(FileHandle file);

// True for an existing file or directory.
bool PathExists(std::u16string_view path);
// Creates one directory level; true on success.
bool MakeDirectory(std::u16string_view path);

// The characters that end a directory part of a path, and the separator that
// the program itself puts after a directory name.
std::u16string_view PathDelimiters();
char16_t PathSeparator();

// The system's ANSI code page. On POSIX: the C library's locale character set,
// or ISO-8859-1 where that set is plain ASCII, so that every byte maps to a
// character and back.
std::u16string AnsiToText(std::string_view bytes);
std::string TextToAnsi(std::u16string_view text);

// Compares two texts whole, as the user's locale does; with or without case.
bool TextEquals(std::u16string_view a, std::u16string_view b, bool caseSensitive);

// The running program's full path in the ANSI code page (at most 260 bytes on Windows).
std::string ProgramPathAnsi();

// Asks the system to take as many pages as it can out of the working set.
void TrimWorkingSet();

// A seam for tests: after the given number of further bytes read (or written)
// through ReadBytes (or WriteBytes), every later call fails. -1 switches a fault off.
void InjectReadFault(std::int64_t afterBytes);
void InjectWriteFault(std::int64_t afterBytes);

}  // namespace platform
