// What a GiB of a page-cached file costs on this machine, read with pread into one reused
// block of several sizes and mapped in windows of several sizes, its bytes scanned for
// LFs 32 at a time as the split scans them. Prints seconds per GiB (wall, user, system)
// of the fastest of a few passes, so that a host whose caches or page tables behave
// differently shows at once.
//
//   rowdeal-calibrate FILE [PASSES]
#include <emmintrin.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>

namespace {

std::uint64_t CountLfs(const char* Data, std::size_t Size) {
  const __m128i lf = _mm_set1_epi8('\n');
  std::uint64_t n = 0;
  std::size_t i = 0;
  for (; i + 32 <= Size; i += 32) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Data + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Data + i + 16));
    const unsigned hits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(a, lf))) |
                          static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(b, lf))) << 16;
    n += static_cast<unsigned>(__builtin_popcount(hits));
  }
  for (; i < Size; ++i) n += Data[i] == '\n';
  return n;
}

std::uint64_t ByPread(int Fd, std::size_t Block) {
  std::unique_ptr<char[]> buffer(new char[Block]);
  std::uint64_t n = 0;
  off_t at = 0;
  for (ssize_t got; (got = pread(Fd, buffer.get(), Block, at)) > 0; at += got) n += CountLfs(buffer.get(), got);
  return n;
}

std::uint64_t ByMapping(int Fd, std::size_t Window, off_t Size) {
  std::uint64_t n = 0;
  for (off_t at = 0; at < Size; at += static_cast<off_t>(Window)) {
    const std::size_t length = std::min<off_t>(static_cast<off_t>(Window), Size - at);
    void* view = mmap(nullptr, length, PROT_READ, MAP_PRIVATE, Fd, at);
    if (view == MAP_FAILED) std::exit((std::perror("mmap"), 1));
    n += CountLfs(static_cast<const char*>(view), length);
    munmap(view, length);
  }
  return n;
}

struct TCost {
  double Wall = 1e9, User = 0, System = 0;  // seconds per GiB
};

double Seconds(const timeval& T) { return static_cast<double>(T.tv_sec) + static_cast<double>(T.tv_usec) / 1e6; }

// The pass of least wall time among Passes, with its user and system time, per GiB;
// every pass must count the same LFs.
TCost CostPerGib(const std::function<std::uint64_t()>& Pass, int Passes, off_t Size, std::uint64_t Lfs) {
  TCost best;
  const double scale = static_cast<double>(1 << 30) / static_cast<double>(Size);
  for (int p = 0; p < Passes; ++p) {
    rusage r0{}, r1{};
    getrusage(RUSAGE_SELF, &r0);
    const auto t0 = std::chrono::steady_clock::now();
    if (Pass() != Lfs) std::exit((std::fputs("passes disagree\n", stderr), 1));
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() * scale;
    getrusage(RUSAGE_SELF, &r1);
    if (wall < best.Wall)
      best = {wall, (Seconds(r1.ru_utime) - Seconds(r0.ru_utime)) * scale,
              (Seconds(r1.ru_stime) - Seconds(r0.ru_stime)) * scale};
  }
  return best;
}

void Print(const char* How, std::size_t Size, const char* Unit, const TCost& Cost) {
  std::printf("| %s | %zu %s | %.3f | %.3f | %.3f |\n", How, Size, Unit, Cost.Wall, Cost.User, Cost.System);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return std::fputs("usage: rowdeal-calibrate FILE [PASSES]\n", stderr), 2;
  const int passes = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  const int fd = open(argv[1], O_RDONLY);
  struct stat st {};
  if (fd < 0 || fstat(fd, &st) != 0 || st.st_size == 0) return std::perror(argv[1]), 1;
  const std::uint64_t lfs = ByPread(fd, 1 << 20);  // also brings the file into the page cache
  std::printf("| read | size | wall s/GiB | user s/GiB | system s/GiB |\n|---|---|---|---|---|\n");
  for (const std::size_t kib : {64, 256, 512, 1024, 2048, 4096, 16384, 65536})
    Print("pread, one reused block", kib, "KiB", CostPerGib([&] { return ByPread(fd, kib << 10); }, passes, st.st_size, lfs));
  for (const std::size_t mib : {1, 4, 16})
    Print("mapped window", mib, "MiB", CostPerGib([&] { return ByMapping(fd, mib << 20, st.st_size); }, passes, st.st_size, lfs));
  close(fd);
  return 0;
}
