// Another process that holds a file open while a test runs: on Windows a helper program
// that opens it with the given access and share mode, on POSIX a forked child.
#pragma once

#include <cstdint>
#include <string>

class THolder {
 public:
  enum class TKind {
    Writer,     // writing, letting others read and write (an editor or a logger)
    Exclusive,  // reading and writing, letting others only read (a spreadsheet)
  };
  // Returns once the other process holds the file, or has failed to open it.
  THolder(const std::u16string& Path, TKind Kind);
  // Lets go of the file and waits for the other process to end.
  ~THolder();
  THolder(const THolder&) = delete;
  THolder& operator=(const THolder&) = delete;

  bool Held() const { return FHeld; }

 private:
  bool FHeld = false;
  std::intptr_t FProcess = 0;
  std::intptr_t FRelease = -1;  // closing it tells the other process to let go
};
