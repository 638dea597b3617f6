#include "platform/Platform.h"

#include "platform/FaultInjection.h"

#include <windows.h>
#include <shlwapi.h>

#include <atomic>
#include <new>
#include <string>
#include <utility>

namespace platform {
namespace {

// Windows takes zero-terminated wide strings; char16_t and wchar_t share a representation here.
std::wstring Wide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

HANDLE Win(FileHandle file) { return reinterpret_cast<HANDLE>(file); }
HANDLE Win(const TFile& file) { return Win(file.Handle()); }
// INVALID_HANDLE_VALUE is InvalidFile.
TFile Adopt(HANDLE h) { return TFile(reinterpret_cast<FileHandle>(h)); }

TFile OpenWith(std::u16string_view path, DWORD access, DWORD disposition) {
  return Adopt(::CreateFileW(Wide(path).c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
}

// ReadFile and WriteFile take 32-bit counts; larger requests go in pieces.
constexpr std::size_t MaxChunk = 1u << 30;

}  // namespace

TFile::~TFile() {
  if (IsOpen()) (void)::CloseHandle(Win(FHandle));  // quietly: this path has failed already
}

bool TFile::Close() { return !IsOpen() || ::CloseHandle(Win(Release())) != FALSE; }

TFile OpenForReading(std::u16string_view path) { return OpenWith(path, GENERIC_READ, OPEN_ALWAYS); }

TFile CreateForWriting(std::u16string_view path) { return OpenWith(path, GENERIC_WRITE, CREATE_ALWAYS); }

bool ReadBytes(const TFile& file, void* buffer, std::size_t count, std::size_t& bytesRead) {
  bytesRead = 0;
  if (!fault::AllowRead(count)) return false;
  char* out = static_cast<char*>(buffer);
  while (bytesRead < count) {
    DWORD want = static_cast<DWORD>(count - bytesRead < MaxChunk ? count - bytesRead : MaxChunk);
    DWORD got = 0;
    if (!::ReadFile(Win(file), out + bytesRead, want, &got, nullptr)) return false;
    if (got == 0) break;
    bytesRead += got;
  }
  return true;
}

bool WriteBytes(const TFile& file, const void* buffer, std::size_t count) {
  std::size_t allowed = fault::AllowWrite(count);
  const char* in = static_cast<const char*>(buffer);
  std::size_t done = 0;
  while (done < allowed) {
    DWORD want = static_cast<DWORD>(allowed - done < MaxChunk ? allowed - done : MaxChunk);
    DWORD put = 0;
    if (!::WriteFile(Win(file), in + done, want, &put, nullptr) || put == 0) return false;
    done += put;
  }
  return allowed == count;
}

std::int64_t Seek(const TFile& file, std::int64_t offset, SeekFrom from) {
  DWORD method = from == SeekFrom::Begin ? FILE_BEGIN : from == SeekFrom::Current ? FILE_CURRENT : FILE_END;
  LARGE_INTEGER distance;
  distance.QuadPart = offset;
  LARGE_INTEGER result;
  if (!::SetFilePointerEx(Win(file), distance, &result, method)) return -1;
  return result.QuadPart;
}

std::int64_t FileSize(const TFile& file) {
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(Win(file), &size)) return -1;
  return size.QuadPart;
}

TFile OpenForAppending(std::u16string_view path) {
  TFile file = OpenWith(path, GENERIC_WRITE, OPEN_EXISTING);
  LARGE_INTEGER zero{};
  if (file && !::SetFilePointerEx(Win(file), zero, nullptr, FILE_END)) return TFile();
  return file;
}

OpenResult OpenExistingFile(std::u16string_view path, TFile& file) {
  TFile opened = OpenWith(path, GENERIC_READ, OPEN_EXISTING);
  if (!opened) {
    DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return OpenResult::Missing;
    // A folder cannot be opened as a file at all: it is refused as no file, not as a failure.
    const DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
    const bool folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return folder ? OpenResult::NotRegular : OpenResult::Failed;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (::GetFileType(Win(opened)) != FILE_TYPE_DISK || !::GetFileInformationByHandle(Win(opened), &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return OpenResult::NotRegular;
  }
  file = std::move(opened);
  return OpenResult::Opened;
}

bool ReadBytesAt(const TFile& file, std::int64_t offset, void* buffer, std::size_t count, std::size_t& bytesRead) {
  // A read at an offset moves a synchronous handle's pointer: put it back afterwards.
  const std::int64_t resume = Seek(file, 0, SeekFrom::Current);
  bool ok = resume >= 0 && Seek(file, offset, SeekFrom::Begin) == offset && ReadBytes(file, buffer, count, bytesRead);
  return Seek(file, resume, SeekFrom::Begin) == resume && ok;
}

TFile CreateNewFile(std::u16string_view path) {
  return fault::AllowChange() ? OpenWith(path, GENERIC_WRITE, CREATE_NEW) : TFile();
}

namespace {

bool IdentityOfHandle(HANDLE file, FileId& id) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(file, &info)) return false;
  id = {info.dwVolumeSerialNumber, (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
  return true;
}

}  // namespace

bool IdentityOf(const TFile& file, FileId& id) { return IdentityOfHandle(Win(file), id); }

PathKind KindOf(std::u16string_view path, FileId* id, bool* writable) {
  const std::wstring wide = Wide(path);
  DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? PathKind::None : PathKind::Other;
  }
  const bool directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if (writable && !directory) *writable = (attributes & FILE_ATTRIBUTE_READONLY) == 0;
  if (id) {
    // A directory opens only with backup semantics.
    TFile file = Adopt(::CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                     directory ? FILE_FLAG_BACKUP_SEMANTICS : FILE_ATTRIBUTE_NORMAL, nullptr));
    const bool known = file && IdentityOf(file, *id);
    (void)file.Close();  // it only read attributes: nothing to commit
    if (!known) return PathKind::Other;
  }
  return directory ? PathKind::Directory : PathKind::File;
}

namespace {

std::wstring InDirectory(std::u16string_view directory, const wchar_t* name) {
  std::wstring path = Wide(directory);
  if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += L'\\';
  return path + name;
}

}  // namespace

void ForEachName(std::u16string_view directory, const std::function<void(const std::u16string&)>& visit) {
  WIN32_FIND_DATAW found{};
  HANDLE search = ::FindFirstFileW(InDirectory(directory, L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring_view name = found.cFileName;
    if (name != L"." && name != L"..") visit(std::u16string(name.begin(), name.end()));
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
}

std::int64_t FreeSpace(std::u16string_view path) {
  ULARGE_INTEGER available{};
  if (!::GetDiskFreeSpaceExW(Wide(path).c_str(), &available, nullptr, nullptr)) return -1;
  return static_cast<std::int64_t>(available.QuadPart);
}

namespace {

constexpr DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Whether the lock file still has the name it was opened by.
bool IsNamed(HANDLE file, std::u16string_view path) {
  FileId held;
  FileId named;
  return IdentityOfHandle(file, held) && KindOf(path, &named) == PathKind::File &&
         held == named;
}

// Opens the lock file, made here when it is missing; retried briefly while another run
// removes it (the name refuses opening until its last handle is closed).
HANDLE OpenLockFile(const std::wstring& path, bool& made) {
  for (int attempt = 0;; ++attempt) {
    made = true;
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, ShareAll, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_FILE_EXISTS) {
      made = false;
      h = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, ShareAll, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    if (h != INVALID_HANDLE_VALUE) return h;
    const DWORD error = ::GetLastError();
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    const bool removing = error == ERROR_ACCESS_DENIED &&
                          (attributes == INVALID_FILE_ATTRIBUTES ||
                           (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) == 0);
    if (error != ERROR_FILE_NOT_FOUND && (!removing || attempt == 20)) return h;
    if (removing) ::Sleep(50);
  }
}

}  // namespace

LockResult FolderLock::Lock(std::u16string_view directory) {
  Unlock();
  const std::wstring path = InDirectory(directory, L"~R.lock");
  FPath.assign(path.begin(), path.end());
  // A run that let go removes the file: whoever locked it meanwhile holds a file
  // without a name and starts again.
  for (int attempt = 0; attempt < 100; ++attempt) {
    bool made = false;
    HANDLE h = OpenLockFile(path, made);
    if (h == INVALID_HANDLE_VALUE) return LockResult::CannotCreate;
    if (::GetFileType(h) != FILE_TYPE_DISK) {
      ::CloseHandle(h);
      return LockResult::CannotCreate;
    }
    OVERLAPPED at{};
    ::SetLastError(ERROR_NOT_SUPPORTED);  // as the seam refuses
    if (fault::Refuses(RefuseLocks) ||
        !::LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
      const bool busy = ::GetLastError() == ERROR_LOCK_VIOLATION;
      ::CloseHandle(h);
      // Not removed when held: whoever holds it may have opened it before it had locked it.
      if (made && !busy) (void)::DeleteFileW(path.c_str());
      return busy ? LockResult::Held : LockResult::Failed;
    }
    if (IsNamed(h, FPath)) {
      // Marked as ours, so that a run after a kill may remove it. Left empty (the write
      // refused, or the process killed before it), it tells the same.
      OVERLAPPED start{};
      DWORD put = 0;
      if (made && fault::AllowChange()) {
        (void)::WriteFile(h, LockMark.data(), static_cast<DWORD>(LockMark.size()), &put, &start);
      }
      FFile = reinterpret_cast<FileHandle>(h);
      FMade = made;
      return LockResult::Locked;
    }
    ::CloseHandle(h);
  }
  return LockResult::Failed;
}

bool FolderLock::HoldsOnlyMark() const {
  // Byte 0 is locked against other handles, not against the one that holds the lock.
  char bytes[LockMark.size() + 1];  // one more: a file that goes on past the mark is not ours
  OVERLAPPED start{};
  DWORD got = 0;
  if (!::ReadFile(Win(FFile), bytes, sizeof bytes, &got, &start) && ::GetLastError() != ERROR_HANDLE_EOF) return false;
  const std::string_view content(bytes, got);
  return content.empty() || content == LockMark;
}

void FolderLock::Unlock() {
  const bool claimed = std::exchange(FClaimed, false);
  if (FFile == InvalidFile) return;
  const bool remove = FMade || (claimed && HoldsOnlyMark());
  HANDLE h = Win(FFile);
  FFile = InvalidFile;
  // Deleted once the handle is closed, which also lets go of the lock; one left behind
  // is harmless: the next run locks it.
  if (remove && fault::AllowChange() && IsNamed(h, FPath)) (void)::DeleteFileW(Wide(FPath).c_str());
  ::CloseHandle(h);
}

LinkResult MakeLink(std::u16string_view, std::u16string_view) { return LinkResult::Unsupported; }

namespace {

// A virus scanner or an indexer may hold a fresh file for a moment.
bool Move(std::u16string_view from, std::u16string_view to, DWORD flags) {
  if (!fault::AllowMove(from, to)) return false;
  for (int attempt = 0;; ++attempt) {
    if (::MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), flags)) return true;
    DWORD error = ::GetLastError();
    if (attempt == 20 || (error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION && error != ERROR_ACCESS_DENIED)) {
      return false;
    }
    ::Sleep(50);
  }
}

}  // namespace

bool MoveToNewName(std::u16string_view from, std::u16string_view to) { return Move(from, to, 0); }

bool MoveReplacing(std::u16string_view from, std::u16string_view to) {
  return Move(from, to, MOVEFILE_REPLACE_EXISTING);
}

bool RemoveFile(std::u16string_view path) { return fault::AllowChange() && ::DeleteFileW(Wide(path).c_str()) != FALSE; }

bool RemoveEmptyDirectory(std::u16string_view path) {
  return fault::AllowChange() && ::RemoveDirectoryW(Wide(path).c_str()) != FALSE;
}

std::int64_t NameLimit(std::u16string_view directory) {
  wchar_t root[MAX_PATH + 1] = {};
  DWORD longest = 0;
  if (!::GetVolumePathNameW(Wide(directory).c_str(), root, MAX_PATH + 1) ||
      !::GetVolumeInformationW(root, nullptr, 0, nullptr, &longest, nullptr, nullptr, 0)) {
    return -1;
  }
  return longest;
}

std::int64_t NameUnits(std::u16string_view name) { return static_cast<std::int64_t>(name.size()); }

bool SameName(std::u16string_view a, std::u16string_view b) {
  return ::CompareStringOrdinal(reinterpret_cast<const wchar_t*>(a.data()), static_cast<int>(a.size()),
                                reinterpret_cast<const wchar_t*>(b.data()), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

bool HasDeviceNames() { return true; }

std::int64_t LongestPath() { return MAX_PATH - 1; }

namespace {

std::atomic<void (*)()> interruptHandler{nullptr};

BOOL WINAPI OnConsoleControl(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      break;
    default:
      return FALSE;
  }
  if (void (*handler)() = interruptHandler.load()) handler();
  // Returning would let the system end the process in the middle of the run; it ends
  // when the program has finished instead.
  for (;;) ::Sleep(INFINITE);
}

}  // namespace

void OnInterrupt(void (*handler)()) {
  // Once: a second registration would only be called first.
  if (interruptHandler.exchange(handler) == nullptr) (void)::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

std::u16string ArgumentText(std::string_view bytes) {
  if (bytes.empty()) return {};
  int n = ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::u16string out(static_cast<std::size_t>(n > 0 ? n : 0), u'\0');
  if (n > 0) {
    ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()),
                          reinterpret_cast<wchar_t*>(out.data()), n);
  }
  return out;
}

// Kernel handles are limited only by memory, but Wine gives each one a Unix descriptor
// and meets that limit long before: beyond this many, outputs are closed between writes.
std::int64_t RoomForOpenFiles() { return 2048; }

bool PathExists(std::u16string_view path) { return ::PathFileExistsW(Wide(path).c_str()) != FALSE; }

bool MakeDirectory(std::u16string_view path) {
  return fault::AllowChange() && ::CreateDirectoryW(Wide(path).c_str(), nullptr) != FALSE;
}

std::u16string_view PathDelimiters() { return u"\\/:"; }

char16_t PathSeparator() { return u'\\'; }

std::u16string AnsiToText(std::string_view bytes) {
  if (bytes.empty()) return {};
  int n = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::u16string out(static_cast<std::size_t>(n > 0 ? n : 0), u'\0');
  if (n > 0) {
    ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()),
                          reinterpret_cast<wchar_t*>(out.data()), n);
  }
  return out;
}

std::string TextToAnsi(std::u16string_view text) {
  if (text.empty()) return {};
  const wchar_t* wide = reinterpret_cast<const wchar_t*>(text.data());
  int n = ::WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) ::WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

namespace {

// The system tells no character's length in every page (GB18030 has four-byte ones), so
// the shortest prefix that converts whole is the character; a lead byte alone fails.
std::size_t ConvertCodePageChar(UINT page, std::string_view bytes, char32_t& character) {
  const std::size_t longest = bytes.size() < 4 ? bytes.size() : 4;
  for (std::size_t length = 1; length <= longest; ++length) {
    wchar_t wide[4];
    const int n = ::MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(length), wide, 4);
    if (n <= 0) continue;
    const bool pair = n >= 2 && wide[0] >= 0xD800 && wide[0] <= 0xDBFF && wide[1] >= 0xDC00 && wide[1] <= 0xDFFF;
    character = pair ? 0x10000 + ((static_cast<char32_t>(wide[0]) - 0xD800) << 10) + (wide[1] - 0xDC00)
                     : static_cast<char32_t>(wide[0]);
    return length;
  }
  return 0;
}

// Whether page gives the bytes below 0x80 as themselves, as the ANSI pages do: asked once
// a thread for its last page, since most values are ASCII and come by the million.
bool KeepsAscii(UINT page) {
  thread_local UINT known = 0;
  thread_local bool keeps = false;
  if (page != known) {
    known = page;
    keeps = true;
    for (int byte = 0; byte < 0x80 && keeps; ++byte) {
      const char one = static_cast<char>(byte);
      char32_t character = 0;
      keeps = ConvertCodePageChar(page, std::string_view(&one, 1), character) == 1 &&
              character == static_cast<char32_t>(byte);
    }
  }
  return keeps;
}

}  // namespace

std::size_t DecodeCodePageChar(std::uint32_t codePage, std::string_view bytes, char32_t& character) {
  if (bytes.empty()) return 0;
  const UINT page = codePage == 0 ? ::GetACP() : codePage;
  if (static_cast<unsigned char>(bytes[0]) < 0x80 && KeepsAscii(page)) {
    character = static_cast<unsigned char>(bytes[0]);
    return 1;
  }
  return ConvertCodePageChar(page, bytes, character);
}

bool TextEquals(std::u16string_view a, std::u16string_view b, bool caseSensitive) {
  int result = ::CompareStringW(LOCALE_USER_DEFAULT, caseSensitive ? 0 : NORM_IGNORECASE,
                                reinterpret_cast<const wchar_t*>(a.data()), static_cast<int>(a.size()),
                                reinterpret_cast<const wchar_t*>(b.data()), static_cast<int>(b.size()));
  return result == CSTR_EQUAL;
}

std::string ProgramPathAnsi() {
  char path[MAX_PATH + 1] = {};
  DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::string(path, n);
}

void UseUserLocale() {}

std::u16string_view NewLine() { return u"\r\n"; }

namespace {

HANDLE StandardHandle(int stream) { return ::GetStdHandle(stream == 2 ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE); }

}  // namespace

bool IsTerminal(int stream) {
  DWORD mode = 0;
  return ::GetConsoleMode(StandardHandle(stream), &mode) != FALSE;
}

bool WriteStandard(int stream, std::u16string_view text) {
  HANDLE out = StandardHandle(stream);
  DWORD mode = 0;
  if (::GetConsoleMode(out, &mode)) {
    // A console takes a limited amount at a time; pieces end between surrogates.
    while (!text.empty()) {
      std::size_t piece = text.size() < 8192 ? text.size() : 8192;
      if (piece < text.size() && text[piece - 1] >= 0xD800 && text[piece - 1] < 0xDC00) --piece;
      DWORD put = 0;
      if (!::WriteConsoleW(out, reinterpret_cast<const wchar_t*>(text.data()), static_cast<DWORD>(piece), &put, nullptr) ||
          put == 0) {
        return false;
      }
      text.remove_prefix(put);
    }
    return true;
  }
  const wchar_t* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) ::WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(text.size()), bytes.data(), n, nullptr, nullptr);
  for (std::size_t done = 0; done < bytes.size();) {
    DWORD put = 0;
    if (!::WriteFile(out, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &put, nullptr) || put == 0) {
      return false;
    }
    done += put;
  }
  return true;
}

void TrimWorkingSet() {
  ::SetProcessWorkingSetSize(::GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
}

static_assert(sizeof(SRWLOCK) == sizeof(void*) && sizeof(CONDITION_VARIABLE) == sizeof(void*));

void TLock::Lock() { ::AcquireSRWLockExclusive(reinterpret_cast<PSRWLOCK>(&FState)); }
void TLock::Unlock() { ::ReleaseSRWLockExclusive(reinterpret_cast<PSRWLOCK>(&FState)); }

void TCondition::WaitOnce(TLock& lock) {
  (void)::SleepConditionVariableSRW(reinterpret_cast<PCONDITION_VARIABLE>(&FState),
                                    reinterpret_cast<PSRWLOCK>(&lock.FState), INFINITE, 0);
}
void TCondition::NotifyOne() { ::WakeConditionVariable(reinterpret_cast<PCONDITION_VARIABLE>(&FState)); }
void TCondition::NotifyAll() { ::WakeAllConditionVariable(reinterpret_cast<PCONDITION_VARIABLE>(&FState)); }

void TLargeBufferFree::operator()(char* data) const {
  if (data) (void)::VirtualFree(data, 0, MEM_RELEASE);
}

// Large pages need a privilege that users rarely hold: committed pages, taken from the
// system only when touched.
TLargeBuffer AllocateLarge(std::size_t size) {
  void* data = ::VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (!data) throw std::bad_alloc();
  return TLargeBuffer(static_cast<char*>(data));
}

std::u16string ReadProfileText(std::u16string_view section, std::u16string_view key,
                                 std::u16string_view defaultValue, std::u16string_view path, std::size_t capacity) {
  std::wstring buffer(capacity, L'\0');
  const DWORD n = ::GetPrivateProfileStringW(Wide(section).c_str(), Wide(key).c_str(), Wide(defaultValue).c_str(),
                                             buffer.data(), static_cast<DWORD>(capacity), Wide(path).c_str());
  buffer.resize(n < capacity ? n : capacity - 1);
  // The text up to its first zero, as the platform's own readers take it.
  return std::u16string(reinterpret_cast<const char16_t*>(buffer.c_str()));
}

std::int32_t ReadProfileInteger(std::u16string_view section, std::u16string_view key, std::int32_t defaultValue,
                            std::u16string_view path) {
  return static_cast<std::int32_t>(
      ::GetPrivateProfileIntW(Wide(section).c_str(), Wide(key).c_str(), defaultValue, Wide(path).c_str()));
}

bool WriteProfileText(std::u16string_view section, std::u16string_view key, std::u16string_view value,
                        std::u16string_view path) {
  return ::WritePrivateProfileStringW(Wide(section).c_str(), Wide(key).c_str(), Wide(value).c_str(),
                                      Wide(path).c_str()) != FALSE;
}

}  // namespace platform
