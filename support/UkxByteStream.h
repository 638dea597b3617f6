// Buffered reading of a platform file, the sink through which raw lines travel, and the
// layout of the code units in those bytes.
#pragma once

#include "platform/Platform.h"

#include <cstddef>
#include <cstdint>

// How the code units of an encoding are laid out: one byte each, or two in either order.
struct TkxUnitLayout {
  std::size_t Size = 1;
  bool BigEndian = false;
};

// Where raw bytes go, piece by piece.
class TkxRawSink {
 public:
  virtual ~TkxRawSink() = default;
  virtual void PutBytes(const char* Data, std::size_t Size) = 0;
};

// Reads a file that its owner holds open through one block. A failing read raises
// "File Read Error!"; it is never taken for the end of the file.
class TkxByteReader {
 public:
  // Reads File from its current position on.
  TkxByteReader(const platform::TFile& File, std::size_t Capacity);
  // Reads File from Offset on, by positioned reads that leave its position alone.
  TkxByteReader(const platform::TFile& File, std::size_t Capacity, std::int64_t Offset);
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

  const platform::TFile& FFile;
  std::size_t FCapacity;
  bool FPositioned = false;
  platform::TLargeBuffer FBlock;
  std::size_t FStart = 0;
  std::size_t FEnd = 0;
  std::int64_t FBlockOffset = 0;
};
