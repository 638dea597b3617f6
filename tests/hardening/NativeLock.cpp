// The native build's lock on an output folder, for the Windows build's tests under Wine,
// which can start a Linux program but can neither wait for it nor read its exit status.
// native-lock FOLDER ANSWER locks FOLDER and writes what it found to the file ANSWER:
// "held" when another process holds the lock, or "locked", and then keeps the lock until
// ANSWER is removed.
#include "platform/Platform.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  platform::FolderLock lock;
  const platform::LockResult result = lock.Lock(platform::ArgumentText(argv[1]));
  const std::filesystem::path answer = argv[2];
  std::ofstream(answer.string() + ".new") << (result == platform::LockResult::Locked ? "locked"
                                               : result == platform::LockResult::Held ? "held" : "failed");
  std::filesystem::rename(answer.string() + ".new", answer);  // whole when it appears
  while (result == platform::LockResult::Locked && std::filesystem::exists(answer)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}
