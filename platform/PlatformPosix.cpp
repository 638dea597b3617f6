#include "platform/Platform.h"

#include "platform/FaultInjection.h"
#include "platform/Utf8Encoding.h"

#include <cerrno>
#include <cstring>
#include <clocale>
#include <cwctype>
#include <fcntl.h>
#include <iconv.h>
#include <langinfo.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace platform {
namespace {

// File names and console text are UTF-8 on POSIX.
std::string Utf8Path(std::u16string_view text) { return Utf16ToUtf8(text); }

// The locale's character set, with plain ASCII widened to ISO-8859-1 so that
// every byte has a character.
std::string AnsiCharset() {
  std::string codeset = nl_langinfo(CODESET);
  if (codeset.empty() || codeset == "ANSI_X3.4-1968" || codeset == "ASCII" || codeset == "US-ASCII") {
    return "ISO-8859-1";
  }
  return codeset;
}

// Converts with iconv; input that cannot be converted is skipped one code unit of
// unitSize bytes at a time (a smaller step would misalign UTF-16 and garble the rest),
// as the Windows conversion functions drop or replace what they cannot map.
std::string Convert(const char* to, const char* from, const char* data, std::size_t size, std::size_t unitSize) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return {};
  std::string out;
  out.resize(size * 4 + 16);
  char* in = const_cast<char*>(data);
  std::size_t inLeft = size;
  char* outPtr = out.data();
  std::size_t outLeft = out.size();
  while (inLeft > 0) {
    if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) {
      std::size_t used = out.size() - outLeft;
      out.resize(out.size() * 2);
      outPtr = out.data() + used;
      outLeft = out.size() - used;
    } else {
      std::size_t skip = inLeft < unitSize ? inLeft : unitSize;  // EILSEQ or EINVAL
      in += skip;
      inLeft -= skip;
    }
  }
  iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
  out.resize(out.size() - outLeft);
  iconv_close(cd);
  return out;
}

FileHandle OpenChecked(std::u16string_view path, int flags) {
  int fd = ::open(Utf8Path(path).c_str(), flags | O_CLOEXEC, 0666);
  if (fd < 0) return InvalidFile;
  struct stat st{};
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    return InvalidFile;
  }
  return fd;
}

}  // namespace

FileHandle OpenForReading(std::u16string_view path) { return OpenChecked(path, O_RDONLY | O_CREAT); }

FileHandle CreateForWriting(std::u16string_view path) { return OpenChecked(path, O_WRONLY | O_CREAT | O_TRUNC); }

bool ReadBytes(FileHandle file, void* buffer, std::size_t count, std::size_t& bytesRead) {
  bytesRead = 0;
  if (!fault::AllowRead(count)) return false;
  char* out = static_cast<char*>(buffer);
  while (bytesRead < count) {
    ssize_t n = ::read(static_cast<int>(file), out + bytesRead, count - bytesRead);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) break;
    bytesRead += static_cast<std::size_t>(n);
  }
  return true;
}

bool WriteBytes(FileHandle file, const void* buffer, std::size_t count) {
  std::size_t allowed = fault::AllowWrite(count);
  const char* in = static_cast<const char*>(buffer);
  std::size_t done = 0;
  while (done < allowed) {
    ssize_t n = ::write(static_cast<int>(file), in + done, allowed - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return allowed == count;
}

std::int64_t Seek(FileHandle file, std::int64_t offset, SeekFrom from) {
  int whence = from == SeekFrom::Begin ? SEEK_SET : from == SeekFrom::Current ? SEEK_CUR : SEEK_END;
  off_t result = ::lseek(static_cast<int>(file), static_cast<off_t>(offset), whence);
  return result < 0 ? -1 : static_cast<std::int64_t>(result);
}

std::int64_t FileSize(FileHandle file) {
  struct stat st{};
  if (::fstat(static_cast<int>(file), &st) != 0) return -1;
  return static_cast<std::int64_t>(st.st_size);
}

bool CloseFile(FileHandle file) { return ::close(static_cast<int>(file)) == 0; }

FileHandle OpenForAppending(std::u16string_view path) {
  FileHandle file = OpenChecked(path, O_WRONLY);
  if (file != InvalidFile && ::lseek(static_cast<int>(file), 0, SEEK_END) < 0) {
    ::close(static_cast<int>(file));
    return InvalidFile;
  }
  return file;
}

std::int64_t RaiseOpenFileLimit() {
  struct rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return 256;
  if (limit.rlim_cur != limit.rlim_max) {
    struct rlimit raised = limit;
    raised.rlim_cur = limit.rlim_max;
    // An unlimited hard limit is not accepted as a soft one; the kernel's own cap is.
    if (::setrlimit(RLIMIT_NOFILE, &raised) != 0 && limit.rlim_max == RLIM_INFINITY) {
      raised.rlim_cur = 1 << 20;
      if (::setrlimit(RLIMIT_NOFILE, &raised) != 0) raised.rlim_cur = limit.rlim_cur;
    } else if (::getrlimit(RLIMIT_NOFILE, &raised) != 0) {
      raised = limit;
    }
    limit = raised;
  }
  return limit.rlim_cur == RLIM_INFINITY ? std::int64_t{1} << 20 : static_cast<std::int64_t>(limit.rlim_cur);
}

bool PathExists(std::u16string_view path) {
  if (path.empty()) return false;
  struct stat st{};
  return ::stat(Utf8Path(path).c_str(), &st) == 0;
}

bool MakeDirectory(std::u16string_view path) { return ::mkdir(Utf8Path(path).c_str(), 0777) == 0; }

std::u16string_view PathDelimiters() { return u"/"; }

char16_t PathSeparator() { return u'/'; }

std::u16string AnsiToText(std::string_view bytes) {
  if (bytes.empty()) return {};
  std::string wide = Convert("UTF-16LE", AnsiCharset().c_str(), bytes.data(), bytes.size(), 1);
  std::u16string out(wide.size() / 2, u'\0');
  for (std::size_t i = 0; i < out.size(); ++i) {
    out[i] = static_cast<char16_t>(static_cast<unsigned char>(wide[2 * i]) |
                                   (static_cast<unsigned char>(wide[2 * i + 1]) << 8));
  }
  return out;
}

std::string TextToAnsi(std::u16string_view text) {
  if (text.empty()) return {};
  std::string wide(text.size() * 2, '\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    wide[2 * i] = static_cast<char>(text[i] & 0xFF);
    wide[2 * i + 1] = static_cast<char>(text[i] >> 8);
  }
  return Convert(AnsiCharset().c_str(), "UTF-16LE", wide.data(), wide.size(), 2);
}

bool TextEquals(std::u16string_view a, std::u16string_view b, bool caseSensitive) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] == b[i]) continue;
    if (caseSensitive) return false;
    if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i]))) return false;
  }
  return true;
}

std::string ProgramPathAnsi() {
  std::string path(4096, '\0');
  ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
  path.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return path;
}

void TrimWorkingSet() {}

void UseUserLocale() { std::setlocale(LC_ALL, ""); }

std::u16string_view NewLine() { return u"\n"; }

bool IsTerminal(int stream) { return ::isatty(stream) == 1; }

bool WriteStandard(int stream, std::u16string_view text) {
  std::string bytes = Utf8Path(text);
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(stream, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace platform
