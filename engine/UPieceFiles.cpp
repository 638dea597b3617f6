#include "engine/UPieceFiles.h"

#include "support/UkxTexts.h"

#include <algorithm>
#include <cstring>

namespace {

// Blocks on their way to the disk, and the writer woken for half of them: a wake-up
// costs less than writing a block, but not nothing.
constexpr std::size_t Blocks = 8;
// Pieces asked for and perhaps not made yet: empty ones take no block, so nothing else
// would hold a million of them back, each a job in the queue.
constexpr std::int64_t PiecesAhead = 64;

[[noreturn]] void WriteError() { throw TkxException(FileWriteErrorText); }

}  // namespace

TPieceFiles::TPieceFiles(TOutputFolder& Folder, std::string_view Mark, std::size_t Block, TSplitControl& Control)
    : FFolder(Folder), FMark(Mark), FControl(Control), FBlockSize(std::max<std::size_t>(Block, 16)) {
  FQueue = std::make_unique<TBlockQueue>([this](std::size_t, const char* Data, std::size_t Size) { Write(Data, Size); },
                                         [this](std::size_t) { OpenNext(); }, 1, FBlockSize, Blocks, Blocks / 2);
  FBlock = FQueue->Take();
}

TPieceFiles::~TPieceFiles() { FQueue.reset(); }

void TPieceFiles::Start(std::int64_t) {
  HandBlock();
  if (FCount % PiecesAhead == 0) FQueue->Drain();
  ++FCount;
  FStarted = false;
  FQueue->HandMake(0);
}

void TPieceFiles::PutBytes(const char* Data, std::size_t Size) {
  if (Size == 0) return;
  if (!FStarted) {
    FStarted = true;
    PutBytes(FMark.data(), FMark.size());
  }
  // Blocks go out full, so that every write but a piece's last is as large as a block.
  for (;;) {
    const std::size_t room = FBlockSize - FUsed;
    if (Size <= room) {
      std::memcpy(FBlock + FUsed, Data, Size);
      FUsed += Size;
      return;
    }
    std::memcpy(FBlock + FUsed, Data, room);
    FUsed = FBlockSize;
    Data += room;
    Size -= room;
    HandBlock();
  }
}

void TPieceFiles::HandBlock() {
  if (FUsed == 0) return;
  FQueue->Hand(0, FBlock, FUsed);
  FUsed = 0;
  FBlock = FQueue->Take();
}

void TPieceFiles::OpenNext() {
  if (FControl.Cancelled()) throw TSplitCancelled();
  if (!FFile.Close()) WriteError();
  FFile = FFolder.CreateTemporary(++FMade);
  // Each piece is made and then put in place; how many there will be is known at the end.
  FControl.FilesTotal.store(std::max(FControl.FilesTotal.load(), 2 * FMade));
  ++FControl.FilesDone;
}

void TPieceFiles::Write(const char* Data, std::size_t Size) {
  if (FControl.Cancelled()) throw TSplitCancelled();
  if (!platform::WriteBytes(FFile, Data, Size)) WriteError();
}

void TPieceFiles::CloseAll() {
  HandBlock();
  FQueue->Drain();
  if (!FFile.Close()) WriteError();  // before the first piece nothing is open: a success
}
