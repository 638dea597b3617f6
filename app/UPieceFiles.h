// The outputs of a run that cuts the source into contiguous pieces: one piece at a time,
// written as the output folder's temporaries in large writes, so memory stays one small
// buffer however many pieces there are.
#pragma once

#include "app/UOutputFolder.h"
#include "app/USplitControl.h"
#include "platform/Platform.h"
#include "support/UkxByteStream.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class TPieceFiles : public TkxRawSink {
 public:
  // Mark goes in front of the first bytes of each piece (a piece that gets none stays
  // empty). Bytes come through a buffer of Buffer bytes; runs at least that long go
  // straight to the file.
  TPieceFiles(TOutputFolder& Folder, std::string_view Mark, std::size_t Buffer, TSplitControl& Control);

  // Ends the piece being written and creates the temporary of the next one.
  void Start();
  void PutBytes(const char* Data, std::size_t Size) override;
  // Ends the last piece; raises "File Write Error!" for any write that failed.
  void CloseAll();
  // The pieces started so far.
  [[nodiscard]] std::int64_t Count() const { return FCount; }

 private:
  void Flush();
  void Write(const char* Data, std::size_t Size);
  void Close();

  TOutputFolder& FFolder;
  const std::string FMark;
  TSplitControl& FControl;
  const std::size_t FCapacity;
  const platform::TLargeBuffer FBuffer;  // left unset: only what is written is touched
  std::size_t FUsed = 0;
  platform::TFile FFile;
  std::int64_t FCount = 0;
  bool FStarted = false;  // the piece's mark is out
};
