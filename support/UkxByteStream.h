// Buffered bytes on a platform file: a reader and a writer that raise the text file's
// failure messages, and the sink through which raw lines travel.
#pragma once

#include "platform/Platform.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

// Where raw bytes go, piece by piece.
class TkxRawSink {
 public:
  virtual ~TkxRawSink() = default;
  virtual void PutBytes(const char* Data, std::size_t Size) = 0;
};

// Reads a file through one block. A failing read raises "File Read Error!"; it is never
// taken for the end of the file. Owns the handle.
class TkxByteReader {
 public:
  TkxByteReader(platform::FileHandle File, std::size_t Capacity);
  ~TkxByteReader();
  TkxByteReader(const TkxByteReader&) = delete;
  TkxByteReader& operator=(const TkxByteReader&) = delete;

  // Tops the block up, keeping what is not consumed yet, so that at least Wanted bytes
  // (at most the capacity) are available unless the file ends first. Answers how many are.
  std::size_t Fill(std::size_t Wanted = 1) { return Available() >= Wanted ? Available() : Refill(); }
  const char* Data() const { return FBlock.get() + FStart; }
  std::size_t Available() const { return FEnd - FStart; }
  void Consume(std::size_t Count) { FStart += Count; }
  // The file offset of the next byte to be consumed.
  std::int64_t Position() const { return FBlockOffset + static_cast<std::int64_t>(FStart); }
  // The file's size now, or -1 when the system cannot tell.
  std::int64_t FileSize() const { return platform::FileSize(FFile); }

 private:
  std::size_t Refill();

  platform::FileHandle FFile;
  std::size_t FCapacity;
  std::unique_ptr<char[]> FBlock;
  std::size_t FStart = 0;
  std::size_t FEnd = 0;
  std::int64_t FBlockOffset = 0;
};

// Writes a new (emptied) file through one block. A failing write raises
// "File Write Error!", and the writer takes no more bytes after it, so that nothing
// is written twice. Owns the handle; the destructor puts down what it still holds,
// quietly, so that what was written before a failure elsewhere stays on disk.
class TkxByteWriter : public TkxRawSink {
 public:
  TkxByteWriter(platform::FileHandle File, std::u16string Path, std::size_t Capacity);
  ~TkxByteWriter() override;
  TkxByteWriter(const TkxByteWriter&) = delete;
  TkxByteWriter& operator=(const TkxByteWriter&) = delete;

  void PutBytes(const char* Data, std::size_t Size) override;
  // PutBytes for a piece that fits in the block as it stands, with no call behind it;
  // answers false, taking nothing, when the piece needs PutBytes.
  bool PutInBlock(const char* Data, std::size_t Size) {
    if (Size > FCapacity - FUsed || !FBlock || FFailed || FClosed) return false;
    std::memcpy(FBlock.get() + FUsed, Data, Size);
    FUsed += Size;
    return true;
  }
  void Flush();
  // Flushes and gives the handle back to the system; every later flush opens the file
  // again at its end and closes it after writing. For many outputs at once.
  void Park();
  // Flushes and closes; raises "File Write Error!" when either fails.
  void Close();
  // Bytes taken so far (the file was empty when the writer began).
  std::int64_t Position() const { return FWritten + static_cast<std::int64_t>(FUsed); }

 private:
  void WriteOut(const char* Data, std::size_t Size);

  platform::FileHandle FFile;
  std::u16string FPath;
  std::size_t FCapacity;
  std::unique_ptr<char[]> FBlock;
  std::size_t FUsed = 0;
  std::int64_t FWritten = 0;
  bool FParked = false;
  bool FClosed = false;
  bool FFailed = false;
};
