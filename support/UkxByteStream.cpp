#include "support/UkxByteStream.h"

#include "support/UkxException.h"

#include <algorithm>
#include <cstring>

namespace {

[[noreturn]] void ReadError() { throw TkxException(u"File Read Error!"); }
[[noreturn]] void WriteError() { throw TkxException(u"File Write Error!"); }

}  // namespace

TkxByteReader::TkxByteReader(platform::FileHandle File, std::size_t Capacity)
    : FFile(File), FCapacity(std::max<std::size_t>(Capacity, 16)) {}

TkxByteReader::~TkxByteReader() { platform::CloseFile(FFile); }

std::size_t TkxByteReader::Refill() {
  if (!FBlock) FBlock.reset(new char[FCapacity]);  // left unset: only what is read is touched
  if (FStart > 0) {
    std::memmove(FBlock.get(), FBlock.get() + FStart, Available());
    FBlockOffset += static_cast<std::int64_t>(FStart);
    FEnd -= FStart;
    FStart = 0;
  }
  std::size_t got = 0;
  if (!platform::ReadBytes(FFile, FBlock.get() + FEnd, FCapacity - FEnd, got)) ReadError();
  FEnd += got;
  return Available();
}

TkxByteWriter::TkxByteWriter(platform::FileHandle File, std::u16string Path, std::size_t Capacity)
    : FFile(File), FPath(std::move(Path)), FCapacity(std::max<std::size_t>(Capacity, 16)) {}

TkxByteWriter::~TkxByteWriter() {
  if (FClosed) return;
  try {
    Flush();
  } catch (const TkxException&) {
    // The failure that ends the run has been raised already; keep what is on disk.
  }
  if (!FParked) platform::CloseFile(FFile);
}

void TkxByteWriter::PutBytes(const char* Data, std::size_t Size) {
  if (FFailed || FClosed) WriteError();
  if (Size > FCapacity - FUsed) {
    Flush();
    if (Size >= FCapacity) {  // a piece as large as the block goes straight through
      WriteOut(Data, Size);
      return;
    }
  }
  if (!FBlock) FBlock.reset(new char[FCapacity]);
  std::memcpy(FBlock.get() + FUsed, Data, Size);
  FUsed += Size;
}

void TkxByteWriter::Flush() {
  if (FFailed) WriteError();
  if (FUsed == 0) return;
  std::size_t used = FUsed;
  FUsed = 0;
  WriteOut(FBlock.get(), used);
}

void TkxByteWriter::WriteOut(const char* Data, std::size_t Size) {
  if (FClosed) WriteError();
  platform::FileHandle file = FFile;
  if (FParked) {
    file = platform::OpenForAppending(FPath);
    if (file == platform::InvalidFile) {
      FFailed = true;
      WriteError();
    }
  }
  bool written = platform::WriteBytes(file, Data, Size);
  if (FParked && !platform::CloseFile(file)) written = false;
  if (!written) {
    FFailed = true;
    WriteError();
  }
  FWritten += static_cast<std::int64_t>(Size);
}

void TkxByteWriter::Park() {
  if (FParked || FClosed) return;
  Flush();
  FParked = true;
  if (!platform::CloseFile(FFile)) {
    FFailed = true;
    WriteError();
  }
}

void TkxByteWriter::Close() {
  if (FClosed) return;
  bool flushed = true;
  try {
    Flush();
  } catch (const TkxException&) {
    flushed = false;
  }
  FClosed = true;
  bool closed = FParked || platform::CloseFile(FFile);
  if (!flushed || !closed) {
    FFailed = true;
    WriteError();
  }
}
