// The operating-system layer: everything above it is portable C++.
// One interface, a win32 and a posix implementation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace platform {

// A raw handle of the system. InvalidFile marks none. Only TFile owns one.
using FileHandle = std::intptr_t;
inline constexpr FileHandle InvalidFile = -1;

// An open file and its one owner; none when an open failed. Close it on every path
// that succeeds, where a failure to close is a failure of the work; the destructor
// closes quietly and is meant for paths that have already failed.
class TFile {
 public:
  TFile() = default;
  // Takes over a raw handle (InvalidFile for none).
  explicit TFile(FileHandle handle) : FHandle(handle) {}
  TFile(TFile&& other) noexcept : FHandle(other.Release()) {}
  TFile& operator=(TFile&& other) noexcept {
    // A file still open here was not closed on a good path: it goes quietly.
    TFile dropped(std::exchange(FHandle, other.Release()));
    return *this;
  }
  TFile(const TFile&) = delete;
  TFile& operator=(const TFile&) = delete;
  ~TFile();

  bool IsOpen() const { return FHandle != InvalidFile; }
  explicit operator bool() const { return IsOpen(); }
  FileHandle Handle() const { return FHandle; }
  // Gives the handle up without closing it.
  [[nodiscard]] FileHandle Release() { return std::exchange(FHandle, InvalidFile); }
  // Closes the file (none: true); false when the system reports a failure, such as
  // written data it could not commit. Closed either way.
  [[nodiscard]] bool Close();

 private:
  FileHandle FHandle = InvalidFile;
};

// Opens for reading, shared for reading; a missing file is created empty (the text
// file's read mode). A directory is refused.
TFile OpenForReading(std::u16string_view path);
// Creates, or truncates an existing file, for writing; shared for reading.
TFile CreateForWriting(std::u16string_view path);
// Reads up to count bytes; false when the read fails. bytesRead 0 at the end.
bool ReadBytes(const TFile& file, void* buffer, std::size_t count, std::size_t& bytesRead);
// Writes all count bytes; false when any of them could not be written.
bool WriteBytes(const TFile& file, const void* buffer, std::size_t count);
enum class SeekFrom { Begin, Current, End };
// Moves the file pointer; the new offset, or -1 on failure.
std::int64_t Seek(const TFile& file, std::int64_t offset, SeekFrom from);
// The file's current size in bytes, or -1 on failure.
std::int64_t FileSize(const TFile& file);
// Opens an existing file for writing at its end, shared for reading.
TFile OpenForAppending(std::u16string_view path);
// Raises the number of files this process may hold open as far as the system
// lets it; answers how many it may hold open now.
std::int64_t RaiseOpenFileLimit();

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

// For a console program: on POSIX the ANSI conversions follow the user's locale;
// on Windows nothing is needed.
void UseUserLocale();
// The line end of the platform's own text: CR LF on Windows, LF on POSIX.
std::u16string_view NewLine();
// Standard output (1) and standard error (2): whether the stream is a terminal,
// and writing text to it whole (UTF-8 on pipes and POSIX terminals, UTF-16 to a
// Windows console); false when any of it could not be written.
bool IsTerminal(int stream);
bool WriteStandard(int stream, std::u16string_view text);

// Asks the system to take as many pages as it can out of the working set.
void TrimWorkingSet();

// The split's own file operations: a source that is never created or written, and
// outputs that replace what existed only as a whole.

enum class OpenResult { Opened, Missing, NotRegular, Failed };
// Opens an existing regular (disk) file for reading, shared for reading. Never creates
// a file and never blocks: a FIFO, a device or a directory is NotRegular.
OpenResult OpenExistingFile(std::u16string_view path, TFile& file);
// Reads up to count bytes at offset, leaving the file pointer alone.
bool ReadBytesAt(const TFile& file, std::int64_t offset, void* buffer, std::size_t count, std::size_t& bytesRead);
// Creates a new file for writing, shared for reading; fails when anything is at path.
// Its caller hands the handle to a TFile.
FileHandle CreateNewFile(std::u16string_view path);

// Which file an open handle or a path (links followed) is: device or volume, and index.
struct FileId {
  std::uint64_t Device = 0;
  std::uint64_t Index = 0;
  bool operator==(const FileId&) const = default;
};
bool IdentityOf(const TFile& file, FileId& id);
enum class PathKind { None, File, Directory, Other };
// What is at path, links followed; for a file also its identity and whether this
// process could write it (not read-only).
PathKind KindOf(std::u16string_view path, FileId* id = nullptr, bool* writable = nullptr);
// Hands each name in a directory, without "." and "..", to visit; nothing when the
// directory cannot be read. The names are not kept: a folder may hold millions.
void ForEachName(std::u16string_view directory, const std::function<void(const std::u16string&)>& visit);
// Bytes this user may still write on the volume of path; -1 when the system cannot tell.
std::int64_t FreeSpace(std::u16string_view path);

enum class LockResult { Locked, Held, Failed };
// A lock on a directory that one process at a time may hold (POSIX: flock on the
// directory; Windows: a lock file opened without sharing, deleted when closed).
// Released by UnlockDirectory or when the process ends.
LockResult LockDirectory(std::u16string_view directory, FileHandle& lock);
void UnlockDirectory(FileHandle lock);

// Keeps an existing file under a second name while its own name is replaced
// (POSIX: a hard link, so the name never goes missing; Windows: a rename).
bool SetAside(std::u16string_view path, std::u16string_view aside);
// Moves a file to a new name, replacing a file there; retried briefly while another
// program holds either name.
bool MoveReplacing(std::u16string_view from, std::u16string_view to);
bool RemoveFile(std::u16string_view path);
bool RemoveEmptyDirectory(std::u16string_view path);

// True on systems where names such as CON, NUL or COM1 reach devices in any folder.
bool HasDeviceNames();
// Calls handler each time the user interrupts the program or its session ends. POSIX:
// SIGINT, SIGTERM, SIGHUP and SIGQUIT, except one that was ignored when the program
// started (as under nohup); SIGPIPE is ignored from then on, so that writing to a
// closed pipe fails as a write. The handler runs inside the signal handler and may only
// touch lock-free atomics. Windows console: Ctrl+C, Ctrl+Break, the console closed,
// logoff and shutdown; the handler runs on the system's thread, which is then held until
// the process ends, since the system ends the process once it returns from the last three.
void OnInterrupt(void (*handler)());
// A command-line argument (a file name) as text: POSIX bytes that are not UTF-8 become
// lone surrogates U+DC80 to U+DCFF, which file names turn back into the same bytes.
std::u16string ArgumentText(std::string_view bytes);

// A seam for tests: after the given number of further bytes read (or written)
// through ReadBytes or ReadBytesAt (or WriteBytes), every later call fails. -1 switches
// a fault off. With instead given, the first read past the budget calls it, once, on the
// reading thread, and goes ahead, as do all later reads: another program's doing at a
// moment of the test's choosing.
void InjectReadFault(std::int64_t afterBytes, std::function<void()> instead = {});
void InjectWriteFault(std::int64_t afterBytes);

#ifdef _WIN32
// Settings files in the platform's profile-file format, which only Windows has. Every
// call goes to the file at once; nothing is kept.
// The value of key in section, cut to capacity - 1 characters; defaultValue when missing.
std::u16string ReadProfileText(std::u16string_view section, std::u16string_view key,
                                 std::u16string_view defaultValue, std::u16string_view path, std::size_t capacity);
// The value read as an integer by the platform; defaultValue when missing.
std::int32_t ReadProfileInteger(std::u16string_view section, std::u16string_view key, std::int32_t defaultValue,
                            std::u16string_view path);
// Creates the file, section and key as needed; false when the platform refuses.
bool WriteProfileText(std::u16string_view section, std::u16string_view key, std::u16string_view value,
                        std::u16string_view path);
#endif

}  // namespace platform
