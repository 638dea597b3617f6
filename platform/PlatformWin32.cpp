#include "platform/Platform.h"

#include "platform/FaultInjection.h"

#include <windows.h>
#include <shlwapi.h>

#include <string>

namespace platform {
namespace {

// Windows takes zero-terminated wide strings; char16_t and wchar_t share a representation here.
std::wstring Wide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

HANDLE Win(FileHandle file) { return reinterpret_cast<HANDLE>(file); }

FileHandle OpenWith(std::u16string_view path, DWORD access, DWORD disposition) {
  HANDLE h = ::CreateFileW(Wide(path).c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  return h == INVALID_HANDLE_VALUE ? InvalidFile : reinterpret_cast<FileHandle>(h);
}

// ReadFile and WriteFile take 32-bit counts; larger requests go in pieces.
constexpr std::size_t MaxChunk = 1u << 30;

}  // namespace

FileHandle OpenForReading(std::u16string_view path) { return OpenWith(path, GENERIC_READ, OPEN_ALWAYS); }

FileHandle CreateForWriting(std::u16string_view path) { return OpenWith(path, GENERIC_WRITE, CREATE_ALWAYS); }

bool ReadBytes(FileHandle file, void* buffer, std::size_t count, std::size_t& bytesRead) {
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

bool WriteBytes(FileHandle file, const void* buffer, std::size_t count) {
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

std::int64_t Seek(FileHandle file, std::int64_t offset, SeekFrom from) {
  DWORD method = from == SeekFrom::Begin ? FILE_BEGIN : from == SeekFrom::Current ? FILE_CURRENT : FILE_END;
  LARGE_INTEGER distance;
  distance.QuadPart = offset;
  LARGE_INTEGER result;
  if (!::SetFilePointerEx(Win(file), distance, &result, method)) return -1;
  return result.QuadPart;
}

std::int64_t FileSize(FileHandle file) {
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(Win(file), &size)) return -1;
  return size.QuadPart;
}

bool CloseFile(FileHandle file) { return ::CloseHandle(Win(file)) != FALSE; }

FileHandle OpenForAppending(std::u16string_view path) {
  FileHandle file = OpenWith(path, GENERIC_WRITE, OPEN_EXISTING);
  LARGE_INTEGER zero{};
  if (file != InvalidFile && !::SetFilePointerEx(Win(file), zero, nullptr, FILE_END)) {
    ::CloseHandle(Win(file));
    return InvalidFile;
  }
  return file;
}

// Kernel handles are limited only by memory (about 16 million per process).
std::int64_t RaiseOpenFileLimit() { return std::int64_t{1} << 24; }

bool PathExists(std::u16string_view path) { return ::PathFileExistsW(Wide(path).c_str()) != FALSE; }

bool MakeDirectory(std::u16string_view path) { return ::CreateDirectoryW(Wide(path).c_str(), nullptr) != FALSE; }

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
  if (text.empty()) return true;
  const wchar_t* wide = reinterpret_cast<const wchar_t*>(text.data());
  DWORD mode = 0;
  if (::GetConsoleMode(out, &mode)) {
    DWORD put = 0;
    return ::WriteConsoleW(out, wide, static_cast<DWORD>(text.size()), &put, nullptr) != FALSE;
  }
  int n = ::WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) ::WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(text.size()), bytes.data(), n, nullptr, nullptr);
  DWORD put = 0;
  return ::WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr) && put == bytes.size();
}

void TrimWorkingSet() {
  ::SetProcessWorkingSetSize(::GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
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
