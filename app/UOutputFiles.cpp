#include "app/UOutputFiles.h"

#include <algorithm>

namespace {

// Blocks smaller than this save too few writes to be worth their memory.
constexpr std::size_t MinBlock = 512;
constexpr std::size_t MaxBlock = 1u << 20;

[[noreturn]] void WriteError() { throw TkxException(u"File Write Error!"); }

}  // namespace

TOutputFiles::TOutputFiles(TOutputFolder& Folder, std::int64_t Count, std::string_view Mark, std::size_t Budget,
                           std::int64_t OpenLimit, TSplitControl& Control)
    : FFolder(Folder), FMark(Mark), FOpenLimit(OpenLimit), FControl(Control),
      FOutputs(static_cast<std::size_t>(Count)) {
  FBlockSize = std::min(Budget / static_cast<std::size_t>(Count), MaxBlock);
  if (FBlockSize < MinBlock) FBlockSize = 0;
  // Left unset: a page of it is taken from the system only when an output first fills it.
  if (FBlockSize > 0) FBlocks.reset(new char[FBlockSize * FOutputs.size()]);
}

TOutputFiles::~TOutputFiles() {
  for (const TOutput& out : FOutputs) {
    if (out.File != platform::InvalidFile) platform::CloseFile(out.File);
  }
}

void TOutputFiles::Create(std::size_t I) {
  platform::FileHandle file = FFolder.CreateTemporary(static_cast<std::int64_t>(I) + 1);
  if (static_cast<std::int64_t>(I) >= FOpenLimit) {
    if (!platform::CloseFile(file)) WriteError();
    file = platform::InvalidFile;
  }
  FOutputs[I].File = file;
  ++FControl.FilesDone;
}

TkxRawSink& TOutputFiles::Sink(std::size_t I) {
  FSink.Index = I;
  return FSink;
}

void TOutputFiles::PutSlowly(std::size_t I, const char* Data, std::size_t Size) {
  if (Size == 0) return;
  TOutput& out = FOutputs[I];
  if (out.Used == 0 && out.Written == 0 && !FMark.empty()) {
    if (FBlockSize > 0) {
      std::memcpy(Block(I), FMark.data(), FMark.size());
      out.Used = static_cast<std::uint32_t>(FMark.size());
    } else {
      WriteOut(I, FMark.data(), FMark.size());
    }
  }
  if (Size > FBlockSize - out.Used) Flush(I);
  if (Size >= FBlockSize) {  // a piece as large as the block goes straight through
    WriteOut(I, Data, Size);
    return;
  }
  std::memcpy(Block(I) + out.Used, Data, Size);
  out.Used += static_cast<std::uint32_t>(Size);
}

void TOutputFiles::Flush(std::size_t I) {
  TOutput& out = FOutputs[I];
  if (out.Used == 0) return;
  const std::size_t used = out.Used;
  out.Used = 0;
  WriteOut(I, Block(I), used);
}

void TOutputFiles::WriteOut(std::size_t I, const char* Data, std::size_t Size) {
  if (FControl.Cancelled()) throw TSplitCancelled();
  TOutput& out = FOutputs[I];
  const bool closed = out.File == platform::InvalidFile;
  const platform::FileHandle file =
      closed ? platform::OpenForAppending(FFolder.TemporaryPath(static_cast<std::int64_t>(I) + 1)) : out.File;
  if (file == platform::InvalidFile) WriteError();
  bool written = platform::WriteBytes(file, Data, Size);
  if (closed && !platform::CloseFile(file)) written = false;
  if (!written) WriteError();
  out.Written += static_cast<std::int64_t>(Size);
}

void TOutputFiles::CloseAll() {
  for (std::size_t i = 0; i < FOutputs.size(); ++i) {
    Flush(i);
    TOutput& out = FOutputs[i];
    if (out.File == platform::InvalidFile) continue;
    const platform::FileHandle file = out.File;
    out.File = platform::InvalidFile;
    if (!platform::CloseFile(file)) WriteError();
  }
}
