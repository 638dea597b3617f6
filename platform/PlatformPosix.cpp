#include "platform/Platform.h"

#include "platform/FaultInjection.h"
#include "platform/Utf8Encoding.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <clocale>
#include <cwctype>
#include <fcntl.h>
#include <iconv.h>
#include <langinfo.h>
#include <dirent.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>


#include <new>
#include <string>
#include <utility>

namespace platform {
namespace {

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }

// File names and console text are UTF-8 on POSIX; a lone U+DC80 to U+DCFF stands for
// a byte of a name that is not UTF-8 (see ArgumentText) and becomes that byte again.
std::string Utf8Path(std::u16string_view text) {
  std::string out;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c < 0xDC80 || c > 0xDCFF || (i > 0 && IsHighSurrogate(text[i - 1]))) continue;
    out += Utf16ToUtf8(text.substr(start, i - start));
    out += static_cast<char>(c - 0xDC00);
    start = i + 1;
  }
  return out + Utf16ToUtf8(text.substr(start));
}

// The length of the well-formed UTF-8 sequence at the start of bytes, and its value; 0
// when it is not one (overlong forms and encoded surrogates included).
std::size_t DecodeOne(std::string_view bytes, char32_t& value) {
  const auto lead = static_cast<unsigned char>(bytes[0]);
  std::size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                                      : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
  if (length == 0 || bytes.size() < length) return 0;
  value = length == 1 ? lead : lead & (0xFF >> (length + 1));
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(bytes[i]);
    if ((next & 0xC0) != 0x80) return 0;
    value = (value << 6) | (next & 0x3F);
  }
  static constexpr char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
  if (value < least[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  return length;
}



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

int Fd(const TFile& file) { return static_cast<int>(file.Handle()); }

// A directory is refused by open itself: each mode writes or may create (EISDIR).
TFile OpenChecked(std::u16string_view path, int flags) {
  return TFile(::open(Utf8Path(path).c_str(), flags | O_CLOEXEC, 0666));
}

}  // namespace

std::u16string ArgumentText(std::string_view bytes) {
  std::u16string out;
  while (!bytes.empty()) {
    char32_t value = 0;
    std::size_t length = DecodeOne(bytes, value);
    if (length == 0) {
      out += static_cast<char16_t>(0xDC00 + static_cast<unsigned char>(bytes[0]));
      length = 1;
    } else if (value >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((value - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((value - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(value);
    }
    bytes.remove_prefix(length);
  }
  return out;
}

TFile::~TFile() {
  if (IsOpen()) (void)::close(static_cast<int>(FHandle));  // quietly: this path has failed already
}

bool TFile::Close() { return !IsOpen() || ::close(static_cast<int>(Release())) == 0; }

TFile OpenForReading(std::u16string_view path) { return OpenChecked(path, O_RDONLY | O_CREAT); }

TFile CreateForWriting(std::u16string_view path) { return OpenChecked(path, O_WRONLY | O_CREAT | O_TRUNC); }

namespace {

// Reads until count bytes or the end of the file: at offset, or (offset -1) where the
// file pointer stands.
bool ReadFully(const TFile& file, std::int64_t offset, void* buffer, std::size_t count, std::size_t& bytesRead) {
  bytesRead = 0;
  if (!fault::AllowRead(count)) return false;
  char* out = static_cast<char*>(buffer);
  const int fd = Fd(file);
  while (bytesRead < count) {
    ssize_t n = offset < 0 ? ::read(fd, out + bytesRead, count - bytesRead)
                           : ::pread(fd, out + bytesRead, count - bytesRead,
                                     static_cast<off_t>(offset + static_cast<std::int64_t>(bytesRead)));
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) break;
    bytesRead += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

bool ReadBytes(const TFile& file, void* buffer, std::size_t count, std::size_t& bytesRead) {
  return ReadFully(file, -1, buffer, count, bytesRead);
}

bool WriteBytes(const TFile& file, const void* buffer, std::size_t count) {
  std::size_t allowed = fault::AllowWrite(count);
  const char* in = static_cast<const char*>(buffer);
  std::size_t done = 0;
  while (done < allowed) {
    ssize_t n = ::write(Fd(file), in + done, allowed - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return allowed == count;
}

std::int64_t Seek(const TFile& file, std::int64_t offset, SeekFrom from) {
  int whence = from == SeekFrom::Begin ? SEEK_SET : from == SeekFrom::Current ? SEEK_CUR : SEEK_END;
  off_t result = ::lseek(Fd(file), static_cast<off_t>(offset), whence);
  return result < 0 ? -1 : static_cast<std::int64_t>(result);
}

std::int64_t FileSize(const TFile& file) {
  struct stat st{};
  if (::fstat(Fd(file), &st) != 0) return -1;
  return static_cast<std::int64_t>(st.st_size);
}

TFile OpenForAppending(std::u16string_view path) {
  TFile file = OpenChecked(path, O_WRONLY);
  if (file && ::lseek(Fd(file), 0, SEEK_END) < 0) return TFile();
  return file;
}

namespace {

std::int64_t RaiseOpenFileLimit() {
  // An unlimited hard limit is not accepted as a soft one; the kernel's own cap is.
  constexpr rlim_t Cap = rlim_t{1} << 20;
  struct rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return 256;
  const rlim_t hard = limit.rlim_max == RLIM_INFINITY ? Cap : limit.rlim_max;
  const struct rlimit raised{std::max(limit.rlim_cur, hard), limit.rlim_max};
  if (::setrlimit(RLIMIT_NOFILE, &raised) == 0) limit = raised;
  return limit.rlim_cur == RLIM_INFINITY ? Cap : static_cast<std::int64_t>(limit.rlim_cur);
}

}  // namespace

std::int64_t RoomForOpenFiles() {
  const std::int64_t limit = RaiseOpenFileLimit();
  // Descriptors are numbered below the limit, so each one open takes a place; the
  // listing's own is among those listed.
  std::int64_t open = -1;
  ForEachName(u"/proc/self/fd", [&](const std::u16string&) { ++open; });
  return open < 0 ? limit : limit - open;
}

bool PathExists(std::u16string_view path) {
  struct stat st{};
  return ::stat(Utf8Path(path).c_str(), &st) == 0;
}

bool MakeDirectory(std::u16string_view path) {
  return fault::AllowChange() && ::mkdir(Utf8Path(path).c_str(), 0777) == 0;
}

std::u16string_view PathDelimiters() { return u"/"; }

char16_t PathSeparator() { return u'/'; }

std::u16string AnsiToText(std::string_view bytes) {
  if (bytes.empty()) return {};
  const std::string wide = Convert("UTF-16LE", AnsiCharset().c_str(), bytes.data(), bytes.size(), 1);
  std::u16string out;
  for (std::size_t i = 0; i < wide.size() / 2; ++i) {
    out += static_cast<char16_t>(static_cast<unsigned char>(wide[2 * i]) |
                                 (static_cast<unsigned char>(wide[2 * i + 1]) << 8));
  }
  return out;
}

std::string TextToAnsi(std::u16string_view text) {
  if (text.empty()) return {};
  std::string wide;
  for (const char16_t unit : text) {
    wide += static_cast<char>(unit & 0xFF);
    wide += static_cast<char>(unit >> 8);
  }
  return Convert(AnsiCharset().c_str(), "UTF-16LE", wide.data(), wide.size(), 2);
}

namespace {

// The iconv name of a code page; the system's is the locale's set (codeset), where GB18030
// stands for UTF-8 and plain ASCII, which no ANSI code page is.
std::string CodePageCharset(std::uint32_t codePage, std::string_view codeset) {
  if (codePage == 54936) return "GB18030";
  if (codePage == 65001) return "UTF-8";
  if (codePage != 0) return "CP" + std::to_string(codePage);
  if (codeset.empty() || codeset == "UTF-8" || codeset == "ANSI_X3.4-1968" || codeset == "ASCII" ||
      codeset == "US-ASCII") {
    return "GB18030";
  }
  return std::string(codeset);
}

// A converter to UTF-32 kept for the last code page each thread used: a split decodes
// every distinct value of its source, up to millions, in one code page.
class TCodePageDecoder {
 public:
  TCodePageDecoder() = default;
  TCodePageDecoder(const TCodePageDecoder&) = delete;
  TCodePageDecoder& operator=(const TCodePageDecoder&) = delete;
  ~TCodePageDecoder() { Close(); }

  [[nodiscard]] std::size_t Decode(std::uint32_t codePage, std::string_view bytes, char32_t& character) {
    Open(codePage);
    if (bytes.empty()) return 0;
    if (FAsciiAsIs && static_cast<unsigned char>(bytes[0]) < 0x80) {
      character = static_cast<unsigned char>(bytes[0]);
      return 1;
    }
    return Convert(bytes, character);
  }

 private:
  void Open(std::uint32_t codePage) {
    const std::string_view codeset = codePage == 0 ? nl_langinfo(CODESET) : "";
    if (FOpened && codePage == FCodePage && codeset == FCodeset) return;
    Close();
    FOpened = true;
    FCodePage = codePage;
    FCodeset = codeset;
    FConverter = iconv_open(std::endian::native == std::endian::little ? "UTF-32LE" : "UTF-32BE",
                            CodePageCharset(codePage, codeset).c_str());
    // The ANSI pages keep ASCII as it is, and most values are ASCII: those bytes then
    // need no call to iconv.
    FAsciiAsIs = FConverter != None;
    for (int byte = 0; byte < 0x80 && FAsciiAsIs; ++byte) {
      const char one = static_cast<char>(byte);
      char32_t character = 0;
      FAsciiAsIs = Convert(std::string_view(&one, 1), character) == 1 && character == static_cast<char32_t>(byte);
    }
  }

  void Close() {
    if (FConverter != None) iconv_close(FConverter);
    FConverter = None;
  }

  // iconv tells a character cut short (EINVAL) from one that is not (EILSEQ): the prefix
  // grows until it converts whole. The state is flushed, since some sets (CP1258) hold a
  // character back to see whether a combining one follows.
  [[nodiscard]] std::size_t Convert(std::string_view bytes, char32_t& character) {
    if (FConverter == None) return 0;
    const std::size_t longest = std::min<std::size_t>(bytes.size(), 4);
    for (std::size_t length = 1; length <= longest; ++length) {
      iconv(FConverter, nullptr, nullptr, nullptr, nullptr);
      char* in = const_cast<char*>(bytes.data());
      std::size_t inLeft = length;
      char32_t out[4];
      char* outAt = reinterpret_cast<char*>(out);
      std::size_t outLeft = sizeof out;
      if (iconv(FConverter, &in, &inLeft, &outAt, &outLeft) == static_cast<std::size_t>(-1)) {
        if (errno == EINVAL) continue;
        return 0;
      }
      if (iconv(FConverter, nullptr, nullptr, &outAt, &outLeft) == static_cast<std::size_t>(-1)) return 0;
      if (outLeft == sizeof out) continue;  // a shift sequence, no character yet
      character = out[0];
      return length;
    }
    return 0;
  }

  static inline const iconv_t None = reinterpret_cast<iconv_t>(-1);
  bool FOpened = false;
  std::uint32_t FCodePage = 0;
  std::string FCodeset;
  iconv_t FConverter = None;
  bool FAsciiAsIs = false;
};

}  // namespace

std::size_t DecodeCodePageChar(std::uint32_t codePage, std::string_view bytes, char32_t& character) {
  thread_local TCodePageDecoder decoder;
  return decoder.Decode(codePage, bytes, character);
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

namespace {
constexpr std::size_t HugePage = std::size_t{2} << 20;
}  // namespace

void TLargeBufferFree::operator()(char* data) const { std::free(data); }

void TLock::Lock() { FMutex.lock(); }
void TLock::Unlock() { FMutex.unlock(); }

void TCondition::WaitOnce(TLock& lock) {
  std::unique_lock<std::mutex> held(lock.FMutex, std::adopt_lock);
  FCondition.wait(held);
  (void)held.release();  // still held, by the caller
}
void TCondition::NotifyOne() { FCondition.notify_one(); }
void TCondition::NotifyAll() { FCondition.notify_all(); }

TLargeBuffer AllocateLarge(std::size_t size) {
  // A small buffer would leave most of a large page idle: the heap serves it.
  if (size < HugePage / 2) {
    void* data = std::malloc(std::max<std::size_t>(size, 1));
    if (!data) throw std::bad_alloc();
    return TLargeBuffer(static_cast<char*>(data));
  }
  // Whole large pages, aligned to them: the system backs only such ranges with them.
  const std::size_t whole = (size + HugePage - 1) / HugePage * HugePage;
  void* data = nullptr;
  if (whole < size || ::posix_memalign(&data, HugePage, whole) != 0) throw std::bad_alloc();
#if defined(MADV_HUGEPAGE)
  (void)::madvise(data, whole, MADV_HUGEPAGE);  // a hint: small pages serve as well, more slowly
#endif
  return TLargeBuffer(static_cast<char*>(data));
}

OpenResult OpenExistingFile(std::u16string_view path, TFile& file) {
  // O_NONBLOCK: opening a FIFO must not wait for a writer; the handle is checked, not
  // the path, so nothing can be swapped in between.
  TFile opened(::open(Utf8Path(path).c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!opened) return errno == ENOENT || errno == ENOTDIR ? OpenResult::Missing : OpenResult::Failed;
  struct stat st{};
  if (::fstat(Fd(opened), &st) != 0) return OpenResult::Failed;
  if (!S_ISREG(st.st_mode)) return OpenResult::NotRegular;
  // A regular file never blocks, so a failure to clear the flag changes nothing.
  (void)::fcntl(Fd(opened), F_SETFL, ::fcntl(Fd(opened), F_GETFL) & ~O_NONBLOCK);
  file = std::move(opened);
  return OpenResult::Opened;
}

bool ReadBytesAt(const TFile& file, std::int64_t offset, void* buffer, std::size_t count, std::size_t& bytesRead) {
  return ReadFully(file, offset, buffer, count, bytesRead);
}

TFile CreateNewFile(std::u16string_view path) {
  if (!fault::AllowChange()) return TFile();
  int fd = ::open(Utf8Path(path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
  return TFile(fd < 0 ? InvalidFile : fd);
}

bool IdentityOf(const TFile& file, FileId& id) {
  struct stat st{};
  if (::fstat(Fd(file), &st) != 0) return false;
  id = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
  return true;
}

PathKind KindOf(std::u16string_view path, FileId* id, bool* writable) {
  const std::string bytes = Utf8Path(path);
  struct stat st{};
  // Most names asked about are free: one call tells.
  if (::lstat(bytes.c_str(), &st) != 0) return PathKind::None;
  // A link that leads nowhere is still a name taken.
  if (S_ISLNK(st.st_mode) && ::stat(bytes.c_str(), &st) != 0) return PathKind::Other;
  if (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode)) return PathKind::Other;
  if (id) *id = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
  if (S_ISDIR(st.st_mode)) return PathKind::Directory;
  if (writable) *writable = ::access(bytes.c_str(), W_OK) == 0;
  return PathKind::File;
}

void ForEachName(std::u16string_view directory, const std::function<void(const std::u16string&)>& visit) {
  DIR* dir = ::opendir(Utf8Path(directory).c_str());
  if (!dir) return;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..") visit(ArgumentText(name));
  }
  ::closedir(dir);
}

std::int64_t FreeSpace(std::u16string_view path) {
  struct statvfs fs{};
  if (::statvfs(Utf8Path(path).c_str(), &fs) != 0) return -1;
  return static_cast<std::int64_t>(fs.f_bavail) * static_cast<std::int64_t>(fs.f_frsize);
}

namespace {

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Opens the lock file, made here when it is missing; -1 when it can be neither made nor opened.
int OpenLockFile(const std::string& path, bool& made) {
  for (;;) {
    made = true;
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
    made = false;
    fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY);
    if (fd >= 0 || errno != ENOENT) return fd;  // gone meanwhile: made afresh
  }
}

}  // namespace

LockResult FolderLock::Lock(std::u16string_view directory) {
  Unlock();
  FPath = std::u16string(directory);
  if (FPath.empty() || FPath.back() != u'/') FPath += u'/';
  FPath += u"~R.lock";
  const std::string path = Utf8Path(FPath);
  // A run that let go removes the file: whoever locked it meanwhile holds a file
  // without a name and starts again.
  for (int attempt = 0; attempt < 100; ++attempt) {
    bool made = false;
    const int fd = OpenLockFile(path, made);
    struct stat held{};
    if (fd < 0) return LockResult::CannotCreate;
    if (::fstat(fd, &held) != 0 || !S_ISREG(held.st_mode)) {
      ::close(fd);
      return LockResult::CannotCreate;
    }
    struct flock range{};
    range.l_type = F_WRLCK;
    range.l_whence = SEEK_SET;
    range.l_len = 1;
    errno = ENOLCK;  // as the seam refuses
    if (fault::Refuses(RefuseLocks) || ::fcntl(fd, F_OFD_SETLK, &range) != 0) {
      const bool busy = errno == EAGAIN || errno == EACCES;
      // Not removed when held: whoever holds it may have opened it before it had locked it.
      if (made && !busy) (void)::unlink(path.c_str());
      ::close(fd);
      return busy ? LockResult::Held : LockResult::Failed;
    }
    struct stat named{};
    if (::lstat(path.c_str(), &named) == 0 && SameFile(held, named)) {
      // Marked as ours, so that a run after a kill may remove it. Left empty (the write
      // refused, or the process killed before it), it tells the same.
      if (made && fault::AllowChange()) (void)::pwrite(fd, LockMark.data(), LockMark.size(), 0);
      FFile = fd;
      FMade = made;
      return LockResult::Locked;
    }
    ::close(fd);
  }
  return LockResult::Failed;
}

bool FolderLock::HoldsOnlyMark() const {
  char bytes[LockMark.size() + 1];  // one more: a file that goes on past the mark is not ours
  ssize_t n;
  do {
    n = ::pread(static_cast<int>(FFile), bytes, sizeof bytes, 0);
  } while (n < 0 && errno == EINTR);
  if (n < 0) return false;
  const std::string_view content(bytes, static_cast<std::size_t>(n));
  return content.empty() || content == LockMark;
}

void FolderLock::Unlock() {
  const bool claimed = std::exchange(FClaimed, false);
  if (FFile == InvalidFile) return;
  const bool remove = FMade || (claimed && HoldsOnlyMark());
  const int fd = static_cast<int>(FFile);
  FFile = InvalidFile;
  const std::string path = Utf8Path(FPath);
  struct stat held{};
  struct stat named{};
  if (remove && fault::AllowChange() && ::fstat(fd, &held) == 0 && ::lstat(path.c_str(), &named) == 0 && SameFile(held, named)) {
    (void)::unlink(path.c_str());  // one left behind is harmless: the next run locks it
  }
  ::close(fd);
}

LinkResult MakeLink(std::u16string_view path, std::u16string_view link) {
  if (fault::Refuses(RefuseHardLinks)) return LinkResult::Unsupported;
  if (!fault::AllowChange()) return LinkResult::Failed;
  if (::link(Utf8Path(path).c_str(), Utf8Path(link).c_str()) == 0) return LinkResult::Linked;
  // EPERM: FAT and exFAT; ENOSYS: some FUSE file systems; EMLINK: too many links.
  return errno == EPERM || errno == EOPNOTSUPP || errno == ENOTSUP || errno == ENOSYS || errno == EMLINK
             ? LinkResult::Unsupported
             : LinkResult::Failed;
}

bool MoveToNewName(std::u16string_view from, std::u16string_view to) {
  if (!fault::AllowMove(from, to)) return false;
  const std::string source = Utf8Path(from);
  const std::string target = Utf8Path(to);
  if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return true;
  // Some file systems lack the flag (EINVAL, ENOSYS, EOPNOTSUPP): a plain rename once the
  // name is seen free, since within a locked folder no run makes it meanwhile. Any other
  // refusal comes back from the rename as well.
  struct stat st{};
  return ::lstat(target.c_str(), &st) != 0 && errno == ENOENT && ::rename(source.c_str(), target.c_str()) == 0;
}

bool MoveReplacing(std::u16string_view from, std::u16string_view to) {
  return fault::AllowMove(from, to) && ::rename(Utf8Path(from).c_str(), Utf8Path(to).c_str()) == 0;
}

bool RemoveFile(std::u16string_view path) { return fault::AllowChange() && ::unlink(Utf8Path(path).c_str()) == 0; }

bool RemoveEmptyDirectory(std::u16string_view path) {
  return fault::AllowChange() && ::rmdir(Utf8Path(path).c_str()) == 0;
}

std::int64_t NameLimit(std::u16string_view directory) {
  const long limit = ::pathconf(Utf8Path(directory).c_str(), _PC_NAME_MAX);
  return limit > 0 ? limit : -1;
}

std::int64_t NameUnits(std::u16string_view name) { return static_cast<std::int64_t>(Utf8Path(name).size()); }

bool SameName(std::u16string_view a, std::u16string_view b) { return a == b; }

bool HasDeviceNames() { return false; }

std::int64_t LongestPath() { return -1; }

namespace {

std::atomic<void (*)()> interruptHandler{nullptr};

extern "C" void OnSignal(int) {
  if (void (*handler)() = interruptHandler.load()) handler();
}

}  // namespace

void OnInterrupt(void (*handler)()) {
  interruptHandler.store(handler);
  struct sigaction action{};
  action.sa_handler = OnSignal;
  action.sa_flags = SA_RESTART;  // the run's own calls go on; it sees the flag at its next block
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
    struct sigaction before{};
    if (::sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
    (void)::sigaction(signal, &action, nullptr);  // fails only for an invalid signal
  }
  (void)std::signal(SIGPIPE, SIG_IGN);
}

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
