// The operating-system layer: everything above it is portable C++.
// One interface, a win32 and a posix implementation.
#pragma once

#include <cstddef>
#include <cstdint>
#if !defined(_WIN32)
#include <condition_variable>
#include <mutex>
#endif
#include <functional>
#include <memory>
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
[[nodiscard]] TFile OpenForReading(std::u16string_view path);
// Creates, or truncates an existing file, for writing; shared for reading.
[[nodiscard]] TFile CreateForWriting(std::u16string_view path);
// Reads up to count bytes; false when the read fails. bytesRead 0 at the end.
[[nodiscard]] bool ReadBytes(const TFile& file, void* buffer, std::size_t count, std::size_t& bytesRead);
// Writes all count bytes; false when any of them could not be written.
[[nodiscard]] bool WriteBytes(const TFile& file, const void* buffer, std::size_t count);
enum class SeekFrom { Begin, Current, End };
// Moves the file pointer; the new offset, or -1 on failure.
[[nodiscard]] std::int64_t Seek(const TFile& file, std::int64_t offset, SeekFrom from);
// The file's current size in bytes, or -1 on failure.
[[nodiscard]] std::int64_t FileSize(const TFile& file);
// Opens an existing file for writing at its end, shared for reading.
[[nodiscard]] TFile OpenForAppending(std::u16string_view path);
// Raises the number of files this process may hold open as far as the system lets it;
// answers how many more it may open now, besides those it holds (inherited ones too).
[[nodiscard]] std::int64_t RoomForOpenFiles();

// True for an existing file or directory.
[[nodiscard]] bool PathExists(std::u16string_view path);
// Creates one directory level; true on success.
[[nodiscard]] bool MakeDirectory(std::u16string_view path);

// The characters that end a directory part of a path, and the separator that
// the program itself puts after a directory name.
[[nodiscard]] std::u16string_view PathDelimiters();
[[nodiscard]] char16_t PathSeparator();

// The system's ANSI code page. On POSIX: the C library's locale character set,
// or ISO-8859-1 where that set is plain ASCII, so that every byte maps to a
// character and back.
[[nodiscard]] std::u16string AnsiToText(std::string_view bytes);
[[nodiscard]] std::string TextToAnsi(std::u16string_view text);

// Decodes the first character of bytes in a code page (0: the system's; on POSIX the
// locale's character set, or GB18030 where that is UTF-8 or plain ASCII): answers the
// bytes it takes, or 0 when the first byte starts no character the page has (also when
// bytes end inside one). Windows asks the system; POSIX, iconv ("CP<n>", GB18030 for 54936).
[[nodiscard]] std::size_t DecodeCodePageChar(std::uint32_t codePage, std::string_view bytes, char32_t& character);

// Compares two texts whole, as the user's locale does; with or without case.
[[nodiscard]] bool TextEquals(std::u16string_view a, std::u16string_view b, bool caseSensitive);

// The running program's full path in the ANSI code page (at most 260 bytes on Windows).
[[nodiscard]] std::string ProgramPathAnsi();

// For a console program: on POSIX the ANSI conversions follow the user's locale;
// on Windows nothing is needed.
void UseUserLocale();
// The line end of the platform's own text: CR LF on Windows, LF on POSIX.
[[nodiscard]] std::u16string_view NewLine();
// Standard output (1) and standard error (2): whether the stream is a terminal,
// and writing text to it whole (UTF-8 on pipes and POSIX terminals, UTF-16 to a
// Windows console); false when any of it could not be written.
[[nodiscard]] bool IsTerminal(int stream);
[[nodiscard]] bool WriteStandard(int stream, std::u16string_view text);

// Asks the system to take as many pages as it can out of the working set.
void TrimWorkingSet();

// Memory for large buffers (the output blocks, the source's block), and its one owner.
// Where the system can, a large one is backed by large pages: a fault per 4 KiB page and
// a miss in the address cache for nearly every line dealt cost a split more than its copies.
struct TLargeBufferFree {
  void operator()(char* data) const;
};
using TLargeBuffer = std::unique_ptr<char[], TLargeBufferFree>;
// Size bytes, left unset; raises std::bad_alloc.
[[nodiscard]] TLargeBuffer AllocateLarge(std::size_t size);

// A lock for the threads of one process, and a condition they wait for under it. Windows
// builds take the system's slim locks: the C library's threads, under Wine, cost a round
// trip to the Wine server for every wait and wake.
class TLock {
 public:
  TLock() = default;
  TLock(const TLock&) = delete;
  TLock& operator=(const TLock&) = delete;
  void Lock();
  void Unlock();

 private:
  friend class TCondition;
#if defined(_WIN32)
  void* FState = nullptr;  // an SRWLOCK, free while all zero
#else
  std::mutex FMutex;
#endif
};

// Holds a lock for its lifetime.
class THeld {
 public:
  explicit THeld(TLock& lock) : FLock(lock) { FLock.Lock(); }
  ~THeld() { FLock.Unlock(); }
  THeld(const THeld&) = delete;
  THeld& operator=(const THeld&) = delete;

 private:
  TLock& FLock;
};

class TCondition {
 public:
  TCondition() = default;
  TCondition(const TCondition&) = delete;
  TCondition& operator=(const TCondition&) = delete;
  // Waits, with lock held (released meanwhile), until Ready answers true.
  template <class Ready>
  void Wait(TLock& lock, Ready ready) {
    while (!ready()) WaitOnce(lock);
  }
  void NotifyOne();
  void NotifyAll();

 private:
  void WaitOnce(TLock& lock);  // may also return without a notification
#if defined(_WIN32)
  void* FState = nullptr;  // a CONDITION_VARIABLE, with no waiters while all zero
#else
  std::condition_variable FCondition;
#endif
};

// The split's own file operations: a source that is never created or written, and
// outputs that replace what existed only as a whole.

enum class OpenResult { Opened, Missing, NotRegular, Failed };
// Opens an existing regular (disk) file for reading, shared for reading. Never creates
// a file and never blocks: a FIFO, a device or a directory is NotRegular.
[[nodiscard]] OpenResult OpenExistingFile(std::u16string_view path, TFile& file);
// Reads up to count bytes at offset, leaving the file pointer alone.
[[nodiscard]] bool ReadBytesAt(const TFile& file, std::int64_t offset, void* buffer, std::size_t count, std::size_t& bytesRead);
// Creates a new file for writing, shared for reading; none when anything is at path.
[[nodiscard]] TFile CreateNewFile(std::u16string_view path);

// Which file an open handle or a path (links followed) is: device or volume, and index.
struct FileId {
  std::uint64_t Device = 0;
  std::uint64_t Index = 0;
  bool operator==(const FileId&) const = default;
};
[[nodiscard]] bool IdentityOf(const TFile& file, FileId& id);
enum class PathKind { None, File, Directory, Other };
// What is at path, links followed; for a file or a directory also its identity, and for
// a file whether this process could write it (not read-only).
[[nodiscard]] PathKind KindOf(std::u16string_view path, FileId* id = nullptr, bool* writable = nullptr);
// Hands each name in a directory, without "." and "..", to visit; nothing when the
// directory cannot be read. The names are not kept: a folder may hold millions.
void ForEachName(std::u16string_view directory, const std::function<void(const std::u16string&)>& visit);
// Bytes this user may still write on the volume of path; -1 when the system cannot tell.
[[nodiscard]] std::int64_t FreeSpace(std::u16string_view path);

enum class LockResult { Locked, Held, CannotCreate, Failed };
// What a lock file holds once Lock has made it, the same bytes from both builds: a file
// of that name that holds this, or nothing (as the versions before the mark left it, or a
// run killed before writing it), is a lock file a killed run left; any other is someone
// else's.
inline constexpr std::string_view LockMark = "Rowdeal lock\n";

// The lock of an output folder that runs of the native and of the Windows build both
// see: byte 0 of the file ~R.lock in the folder, opened for reading and writing with
// every kind of sharing (POSIX: an open-file-description lock; Windows: LockFileEx,
// which Wine turns into a POSIX lock). Let go by Unlock, at the end of the object, or
// when the process ends.
class FolderLock {
 public:
  FolderLock() = default;
  ~FolderLock() { Unlock(); }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  // A lock file it makes gets LockMark, written through the handle that holds it.
  // Held: another process holds it. CannotCreate: the lock file can be neither made
  // nor opened (a read-only folder, the name taken by a folder). Failed: the system
  // cannot lock there (ENOLCK, as NFS without its lock manager).
  [[nodiscard]] LockResult Lock(std::u16string_view directory);
  // The work under the lock has succeeded: a lock file that was there before and holds
  // LockMark or nothing goes with Unlock too. Without this call it stays, so that a run
  // that fails or is cancelled leaves the folder as it found it.
  void ClaimLeftover() { FClaimed = true; }
  // Removes the lock file, while still holding it, when this lock made it, or when it is
  // a claimed leftover; any other file of that name stays.
  void Unlock();

 private:
  // Whether the held file holds LockMark or nothing, read through its handle.
  [[nodiscard]] bool HoldsOnlyMark() const;

  FileHandle FFile = InvalidFile;
  bool FMade = false;
  bool FClaimed = false;
  std::u16string FPath;
};

enum class LinkResult { Linked, Unsupported, Failed };
// Gives an existing file a second name where nothing is. Unsupported where the file
// system has no hard links (FAT, exFAT, some FUSE file systems), and on Windows, which
// sets aside by moving.
[[nodiscard]] LinkResult MakeLink(std::u16string_view path, std::u16string_view link);
// Moves a file to a name where nothing is; false when something is there. MoveReplacing
// replaces a file there. On Windows both are retried briefly while another program
// holds a name.
[[nodiscard]] bool MoveToNewName(std::u16string_view from, std::u16string_view to);
[[nodiscard]] bool MoveReplacing(std::u16string_view from, std::u16string_view to);
[[nodiscard]] bool RemoveFile(std::u16string_view path);
[[nodiscard]] bool RemoveEmptyDirectory(std::u16string_view path);
// The longest name a file in directory may have, in NameUnits; -1 when the system
// cannot tell. POSIX counts the bytes of the name, Windows its UTF-16 code units.
[[nodiscard]] std::int64_t NameLimit(std::u16string_view directory);
[[nodiscard]] std::int64_t NameUnits(std::u16string_view name);
// The most UTF-16 units a whole path may have, or -1 for no limit worth knowing: Windows
// programs that are not long-path aware reach no file past 259.
[[nodiscard]] std::int64_t LongestPath();
// Whether two names in one folder are the same file's, as the file system compares
// them (without regard to case on Windows).
[[nodiscard]] bool SameName(std::u16string_view a, std::u16string_view b);

// True on systems where names such as CON, NUL or COM1 reach devices in any folder.
[[nodiscard]] bool HasDeviceNames();
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
[[nodiscard]] std::u16string ArgumentText(std::string_view bytes);

#ifdef _WIN32
// Settings files in the platform's profile-file format, which only Windows has. Every
// call goes to the file at once; nothing is kept.
// The value of key in section, cut to capacity - 1 characters; defaultValue when missing.
[[nodiscard]] std::u16string ReadProfileText(std::u16string_view section, std::u16string_view key,
                                             std::u16string_view defaultValue, std::u16string_view path,
                                             std::size_t capacity);
// The value read as an integer by the platform; defaultValue when missing.
[[nodiscard]] std::int32_t ReadProfileInteger(std::u16string_view section, std::u16string_view key,
                                              std::int32_t defaultValue, std::u16string_view path);
// Creates the file, section and key as needed; false when the platform refuses.
[[nodiscard]] bool WriteProfileText(std::u16string_view section, std::u16string_view key, std::u16string_view value,
                                    std::u16string_view path);
#endif

}  // namespace platform
