#include "support/UkxByteStream.h"

#include "support/UkxException.h"
#include "support/UkxTexts.h"

#include <algorithm>
#include <cstring>

// The block is left unset, and taken in large pages where it is large: on some hosts a
// fault per 4 KiB page costs more than reading the block.
TkxByteReader::TkxByteReader(const platform::TFile& File, std::size_t Capacity)
    : FFile(File), FCapacity(std::max<std::size_t>(Capacity, 16)), FBlock(platform::AllocateLarge(FCapacity)) {}

TkxByteReader::TkxByteReader(const platform::TFile& File, std::size_t Capacity, std::int64_t Offset)
    : FFile(File), FCapacity(std::max<std::size_t>(Capacity, 16)), FPositioned(true),
      FBlock(platform::AllocateLarge(FCapacity)), FBlockOffset(Offset) {}

std::size_t TkxByteReader::Refill() {
  if (FStart > 0) {
    std::memmove(FBlock.get(), FBlock.get() + FStart, Available());
    FBlockOffset += static_cast<std::int64_t>(FStart);
    FEnd -= FStart;
    FStart = 0;
  }
  std::size_t got = 0;
  const bool read = FPositioned ? platform::ReadBytesAt(FFile, FBlockOffset + static_cast<std::int64_t>(FEnd),
                                                        FBlock.get() + FEnd, FCapacity - FEnd, got)
                                : platform::ReadBytes(FFile, FBlock.get() + FEnd, FCapacity - FEnd, got);
  if (!read) throw TkxException(FileReadErrorText);
  FEnd += got;
  return Available();
}
