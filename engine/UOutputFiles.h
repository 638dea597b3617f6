// The N output files of a run, written as the output folder's temporaries through
// blocks that share one memory budget whatever N is.
#pragma once

#include "engine/UBlockQueue.h"
#include "engine/UOutputFolder.h"
#include "engine/USplitControl.h"
#include "platform/Platform.h"
#include "support/UkxByteStream.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

class TOutputFiles {
 public:
  // Mark goes in front of the first bytes of each file (a file that gets none stays
  // empty). Budget is shared by the blocks of all files and spare ones: a file takes a
  // block when it first gets bytes and trades it in full for an empty one, which a
  // writer thread fills the file with meanwhile. Below a useful block size (a huge N)
  // there are no blocks: pieces are written as they come. Files past the first
  // OpenLimit are closed between writes.
  TOutputFiles(TOutputFolder& Folder, std::int64_t Count, std::string_view Mark, std::size_t Budget,
               std::int64_t OpenLimit, TSplitControl& Control);
  // Whatever is still open closes quietly: the run has failed and its files go.
  ~TOutputFiles();
  TOutputFiles(const TOutputFiles&) = delete;
  TOutputFiles& operator=(const TOutputFiles&) = delete;

  std::size_t Count() const { return FOutputs.size(); }
  // Output I (from 0) gets its temporary: at once, or with a writer thread just before
  // its first block goes out (at the latest in CloseAll).
  void Start(std::int64_t I);
  // Appends bytes to output I.
  void Put(std::int64_t I, const char* Data, std::size_t Size) {
    TOutput& out = FOutputs[static_cast<std::size_t>(I)];
    if (out.Block && Size <= out.Limit - out.Used) {
      CopyRecord(out.Block + out.Used, Data, Size);
      out.Used += static_cast<std::uint32_t>(Size);
      return;
    }
    PutSlowly(static_cast<std::size_t>(I), Data, Size);
  }
  // A sink that appends to output I.
  TkxRawSink& Sink(std::int64_t I);
  // Writes out every block and closes every file; raises "File Write Error!".
  void CloseAll();

 private:
  // A few dozen bytes per output, whatever N is.
  struct TOutput {
    platform::TFile File;  // none while closed between writes
    char* Block = nullptr;
    std::uint32_t Used = 0;
    std::uint32_t Limit = 0;  // what the block takes before it goes to the writer
    bool Started = false;     // the mark is out
    bool ToMake = false;      // its file is yet to be asked of the writer
  };
  class TSink : public TkxRawSink {
   public:
    TSink(TOutputFiles& Files) : FFiles(Files) {}
    void PutBytes(const char* Data, std::size_t Size) override { FFiles.Put(Index, Data, Size); }
    std::int64_t Index = 0;

   private:
    TOutputFiles& FFiles;
  };

  // Records are mostly a few dozen bytes, dealt by the million: copied in steps of 16
  // bytes in line, the last step overlapping the one before, they cost no call.
  static void CopyRecord(char* To, const char* From, std::size_t Size) {
#if defined(__SSE2__)
    if (Size >= 16 && Size <= 256) {
      for (std::size_t i = 0; i + 16 < Size; i += 16) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(To + i), _mm_loadu_si128(reinterpret_cast<const __m128i*>(From + i)));
      }
      _mm_storeu_si128(reinterpret_cast<__m128i*>(To + Size - 16),
                       _mm_loadu_si128(reinterpret_cast<const __m128i*>(From + Size - 16)));
      return;
    }
#endif
    std::memcpy(To, From, Size);
  }
  void PutSlowly(std::size_t I, const char* Data, std::size_t Size);
  // Makes output I's temporary (on the writer thread where there is one).
  void Open(std::size_t I);
  // Asks the writer to make output I's temporary, unless that is done.
  void AskToMake(std::size_t I);
  // Hands output I's block to the writer, or writes it when the writer is behind.
  void Flush(std::size_t I);
  // Writes straight into output I (on the writer thread for handed blocks).
  void WriteOut(std::size_t I, const char* Data, std::size_t Size);

  TOutputFolder& FFolder;
  const std::string FMark;
  const std::int64_t FOpenLimit;
  TSplitControl& FControl;
  std::vector<TOutput> FOutputs;
  std::size_t FBlockSize;
  std::unique_ptr<TBlockQueue> FQueue;
  TSink FSink{*this};
};
