#include "support/UkxByteStream.h"

#include "support/UkxException.h"

#include <algorithm>
#include <cstring>

TkxByteReader::TkxByteReader(platform::FileHandle File, std::size_t Capacity)
    : FFile(File), FCapacity(std::max<std::size_t>(Capacity, 16)) {}

TkxByteReader::TkxByteReader(platform::FileHandle File, std::size_t Capacity, std::int64_t Offset)
    : FFile(File), FCapacity(std::max<std::size_t>(Capacity, 16)), FOwned(false), FPositioned(true),
      FBlockOffset(Offset) {}

TkxByteReader::TkxByteReader(platform::FileHandle File, std::size_t Capacity, TkxMapped)
    : FFile(File), FCapacity(std::max<std::size_t>(Capacity, 16)), FOwned(false), FMapping(true) {}

TkxByteReader::~TkxByteReader() {
  platform::Unmap(FView, FViewSize);
  if (FOwned) platform::CloseFile(FFile);
}

bool TkxByteReader::Remap() {
  const std::int64_t position = Position();
  platform::Unmap(FView, FViewSize);
  FView = nullptr;
  FData = "";
  FStart = FEnd = 0;
  FBlockOffset = position;
  const std::int64_t size = platform::FileSize(FFile);
  if (size < 0) throw TkxException(u"File Read Error!");
  // A file that says it is empty may still hand out bytes when read (/proc, devices
  // posing as files): such a one is read, never taken for empty.
  if (size == 0) return false;
  if (size <= position) return true;  // the end
  // The window starts at the page that holds the next byte and reaches a page further
  // than the capacity, so that any Fill the capacity allows is met within it.
  const std::size_t page = platform::MapGranularity();
  const std::int64_t start = position - position % static_cast<std::int64_t>(page);
  const std::size_t window = (FCapacity + page - 1) / page * page + page;
  const std::size_t length = static_cast<std::size_t>(std::min<std::int64_t>(size - start, window));
  FView = platform::MapForReading(FFile, start, length);
  if (!FView) return false;
  FViewSize = length;
  FData = FView;
  FBlockOffset = start;
  FStart = static_cast<std::size_t>(position - start);
  FEnd = length;
  return true;
}

std::size_t TkxByteReader::Refill() {
  if (FMapping) {
    if (Remap()) return Available();
    // From here on by reads at the offset reached: the file pointer stayed at 0.
    FMapping = false;
    FPositioned = true;
  }
  if (!FBlock) FBlock.reset(new char[FCapacity]);  // left unset: only what is read is touched
  FData = FBlock.get();
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
  if (!read) throw TkxException(u"File Read Error!");
  FEnd += got;
  return Available();
}
