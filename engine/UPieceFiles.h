// The outputs of a run that cuts the source into contiguous pieces: one piece at a time,
// written as the output folder's temporaries in large writes by a writer thread while the
// next bytes are found, so memory stays a few blocks however many pieces there are.
#pragma once

#include "engine/UBlockQueue.h"
#include "engine/UOutputFolder.h"
#include "engine/USplitControl.h"
#include "platform/Platform.h"
#include "support/UkxByteStream.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class TPieceFiles : public TkxRawSink {
 public:
  // Mark goes in front of the first bytes of each piece (a piece that gets none stays
  // empty). Bytes go out in blocks of Block bytes, each filled to the brim.
  TPieceFiles(TOutputFolder& Folder, std::string_view Mark, std::size_t Block, TSplitControl& Control);
  // The writer stops before the last piece closes: the run has failed and its files go.
  ~TPieceFiles();
  TPieceFiles(const TPieceFiles&) = delete;
  TPieceFiles& operator=(const TPieceFiles&) = delete;

  // Ends the piece being written and has the temporary of the next one made; pieces are
  // made one after another, so Key is always the count of pieces before.
  void Start(std::int64_t Key);
  void PutBytes(const char* Data, std::size_t Size) override;
  // The piece being written: Key is its own.
  void Put(std::int64_t, const char* Data, std::size_t Size) { PutBytes(Data, Size); }
  TkxRawSink& Sink(std::int64_t) { return *this; }
  // Ends the last piece; raises "File Write Error!" for any write that failed.
  void CloseAll();
  // The pieces started so far.
  [[nodiscard]] std::int64_t Count() const { return FCount; }

 private:
  // Hands the block over to the writer, if it holds anything, and takes an empty one.
  void HandBlock();
  // On the writer thread: closes the piece before, and makes the next one's temporary.
  void OpenNext();
  void Write(const char* Data, std::size_t Size);

  TOutputFolder& FFolder;
  const std::string FMark;
  TSplitControl& FControl;
  const std::size_t FBlockSize;
  std::int64_t FCount = 0;
  bool FStarted = false;  // the piece's mark is out
  char* FBlock = nullptr;
  std::size_t FUsed = 0;
  platform::TFile FFile;  // the writer's
  std::int64_t FMade = 0;  // the writer's count of temporaries
  std::unique_ptr<TBlockQueue> FQueue;
};
