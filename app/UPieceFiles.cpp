#include "app/UPieceFiles.h"

#include "support/UkxTexts.h"

#include <algorithm>
#include <cstring>

namespace {

[[noreturn]] void WriteError() { throw TkxException(FileWriteErrorText); }

}  // namespace

TPieceFiles::TPieceFiles(TOutputFolder& Folder, std::string_view Mark, std::size_t Buffer, TSplitControl& Control)
    : FFolder(Folder), FMark(Mark), FControl(Control), FCapacity(std::max<std::size_t>(Buffer, 16)),
      FBuffer(platform::AllocateLarge(FCapacity)) {}

void TPieceFiles::Start() {
  if (FCount > 0) Close();
  if (FControl.Cancelled()) throw TSplitCancelled();
  FFile = FFolder.CreateTemporary(FCount + 1);
  ++FCount;
  FStarted = false;
  // Each piece is made and then put in place; how many there will be is known at the end.
  FControl.FilesTotal.store(std::max(FControl.FilesTotal.load(), 2 * FCount));
  ++FControl.FilesDone;
}

void TPieceFiles::PutBytes(const char* Data, std::size_t Size) {
  if (Size == 0) return;
  if (!FStarted) {
    FStarted = true;
    PutBytes(FMark.data(), FMark.size());
  }
  if (Size <= FCapacity - FUsed) {
    std::memcpy(FBuffer.get() + FUsed, Data, Size);
    FUsed += Size;
    return;
  }
  Flush();
  if (Size >= FCapacity) return Write(Data, Size);
  std::memcpy(FBuffer.get(), Data, Size);
  FUsed = Size;
}

void TPieceFiles::Flush() {
  if (FUsed > 0) Write(FBuffer.get(), FUsed);
  FUsed = 0;
}

void TPieceFiles::Write(const char* Data, std::size_t Size) {
  if (FControl.Cancelled()) throw TSplitCancelled();
  if (!platform::WriteBytes(FFile, Data, Size)) WriteError();
}

void TPieceFiles::Close() {
  Flush();
  if (!FFile.Close()) WriteError();
}

void TPieceFiles::CloseAll() { Close(); }  // before the first piece nothing is open: a success
