// A scratch folder for one fuzzing process (in memory where the system has /dev/shm),
// removed when the process ends, and the check that stops a run.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace fuzzscratch {

inline const std::filesystem::path& Folder() {
  static const std::filesystem::path folder = [] {
    std::filesystem::path root = std::filesystem::exists("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                                      : std::filesystem::temp_directory_path();
    std::filesystem::path made = root / ("rowdeal-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(made);
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(Folder(), ignored);
    });
    return made;
  }();
  return folder;
}

// Stops the run with a message that names what broke; libFuzzer keeps the input.
[[noreturn]] inline void Fail(const char* what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

}  // namespace fuzzscratch

#define FUZZ_CHECK(condition) \
  do {                        \
    if (!(condition)) fuzzscratch::Fail(#condition); \
  } while (0)
