// The outputs of a run, written as the output folder's temporaries through blocks that
// share one memory budget, however many outputs there are: a set whose size is known
// before (the deal in turn) or that grows as the keys of its outputs first come (pieces).
#pragma once

#include "engine/UBlockQueue.h"
#include "engine/UOpenFiles.h"
#include "engine/UOutputFolder.h"
#include "engine/USplitControl.h"
#include "platform/Platform.h"
#include "support/UkxByteStream.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

class TOutputSet {
 public:
  // How the budget is cut into blocks, by how many outputs take bytes at a time. An
  // output takes a block when it first gets bytes and trades it in full for an empty one,
  // which a writer thread fills the file with meanwhile; beyond the outputs that may hold
  // a block at once, the one that took its block longest ago hands it over.
  struct TPlan {
    std::size_t BlockSize = 0;  // none: bytes are written as they come, without a writer
    std::size_t Blocks = 0;
    std::size_t WakeAt = 0;     // the writer is woken once this many blocks wait
    std::int64_t InTurn = 0;    // outputs that take bytes in turn, all known before, or none
    bool OneAfterAnother = false;  // an output left gets no bytes again
    bool Shrinks = false;          // more outputs holding blocks make the blocks smaller

    // Count outputs all take bytes all along, record by record in turn. Below a useful
    // block size (a huge count) there are no blocks.
    [[nodiscard]] static TPlan Together(std::int64_t Count, std::size_t Budget);
    // One output at a time takes bytes, in blocks of Block bytes, and the outputs left
    // behind cost no memory.
    [[nodiscard]] static TPlan OneAtATime(std::size_t Block);
    // Outputs take bytes in any order, their number growing as they come: blocks start
    // large and are cut smaller as more outputs hold one, down to a floor.
    [[nodiscard]] static TPlan AnyOrder(std::size_t Budget);
  };

  // Mark goes in front of the first bytes of each output (one that gets none stays
  // empty). At most OpenLimit files stay open: beyond it, the least recently used one is
  // closed and opened again when it is next written. The plan's outputs in turn are
  // held from the start: a count beyond the memory fails before the disk is touched.
  TOutputSet(TOutputFolder& Folder, std::string_view Mark, const TPlan& Plan, std::int64_t OpenLimit,
             TSplitControl& Control);
  // The writer stops, and whatever is still open closes quietly: the run has failed and its files go.
  ~TOutputSet();
  TOutputSet(const TOutputSet&) = delete;
  TOutputSet& operator=(const TOutputSet&) = delete;

  // The outputs started so far.
  [[nodiscard]] std::int64_t Count() const { return FCount; }
  // Adds output I, which is Count(). Temporaries are made in the order of their outputs:
  // at once, or by the writer before the first block of it or of a later one goes out
  // (at the latest in CloseAll).
  void Start(std::int64_t I);
  // Appends bytes to output I.
  void Put(std::int64_t I, const char* Data, std::size_t Size) { Put(At(I), Data, Size); }
  // The same for output I of the plan's outputs in turn: dealt by the million, record by record.
  void PutInTurn(std::int64_t I, const char* Data, std::size_t Size) {
    Put(FTogether[static_cast<std::size_t>(I)], Data, Size);
  }
  // A sink that appends to output I.
  TkxRawSink& Sink(std::int64_t I);
  // Writes out every block and closes every file, and lets the blocks go; raises "File Write Error!".
  void CloseAll();

 private:
  // A few dozen bytes per output, whatever their number, and as many again while its file is open.
  struct TOutput : TBlockQueue::TTarget {
    std::uint32_t Used = 0;
    std::uint32_t Limit = 0;  // what the block takes before it goes to the writer
    std::uint32_t File = TOpenFiles::None;
    char* Block = nullptr;
    bool Started = false;  // the mark is out
    bool ToMake = false;   // its temporary is yet to be asked of the writer
  };
  // An output of a growing set, which knows its index (those in turn are where they stand).
  struct TGrown : TOutput {
    std::int64_t Index = 0;
  };
  static_assert(sizeof(TOutput) <= 32 && sizeof(TGrown) <= 40);
  class TSink : public TkxRawSink {
   public:
    explicit TSink(TOutputSet& Set) : FSet(Set) {}
    void PutBytes(const char* Data, std::size_t Size) override { FSet.Put(*Output, Data, Size); }
    TOutput* Output = nullptr;

   private:
    TOutputSet& FSet;
  };
  // Outputs past the ones in turn are kept in chunks: they never move, so the writer
  // may hold them while more are added, and those of outputs left behind go.
  static constexpr int ChunkBits = 10;
  static constexpr std::int64_t ChunkMask = (std::int64_t{1} << ChunkBits) - 1;

  TOutput& At(std::int64_t I) {
    if (I < FInTurn) return FTogether[static_cast<std::size_t>(I)];
    const std::int64_t k = I - FInTurn;
    return FChunks[static_cast<std::size_t>(k >> ChunkBits)][static_cast<std::size_t>(k & ChunkMask)];
  }
  void Put(TOutput& Out, const char* Data, std::size_t Size) {
    if (Out.Block && Size <= Out.Limit - Out.Used) {
      CopyRecord(Out.Block + Out.Used, Data, Size);
      Out.Used += static_cast<std::uint32_t>(Size);
      return;
    }
    PutSlowly(Out, Data, Size);
  }
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
  void PutSlowly(TOutput& Out, const char* Data, std::size_t Size);
  [[nodiscard]] std::int64_t IndexOf(const TOutput& Out) const {
    const TOutput* together = FTogether.get();
    if (&Out >= together && &Out < together + FInTurn) return &Out - together;
    return static_cast<const TGrown&>(Out).Index;
  }
  // Gives Out an empty block, handing over the block held longest first where too many are held.
  void TakeBlock(TOutput& Out);
  // Writes out every block held and starts again with blocks a quarter the size, four times as many.
  void Shrink();
  // Hands Out's block over to the writer, however full.
  void HandOver(TOutput& Out);
  // Writes out and closes the outputs of a chunk left behind, and lets its memory go.
  void Release(std::size_t Chunk);
  // Asks the writer to make the temporaries up to Out's, those not asked for yet.
  void AskToMake(const TOutput& Out);
  // Hands Out's block to the writer, or writes it when the writer is behind.
  void Flush(TOutput& Out);
  // Makes Out's temporary (on the writer thread where there is one).
  void Open(TOutput& Out);
  // Writes straight into Out's file (on the writer thread for handed blocks).
  void WriteOut(TOutput& Out, const char* Data, std::size_t Size);

  TOutputFolder& FFolder;
  const std::string FMark;
  TPlan FPlan;
  TSplitControl& FControl;
  const std::int64_t FInTurn;
  std::unique_ptr<TOutput[]> FTogether;
  std::vector<std::unique_ptr<TGrown[]>> FChunks;
  std::int64_t FCount = 0;
  std::int64_t FAsked = 0;              // temporaries asked of the writer
  std::atomic<std::int64_t> FMade{0};   // and made by it
  std::deque<TOutput*> FHolders;        // the outputs that hold a block, in the order they took it
  TOpenFiles FFiles;
  std::unique_ptr<TBlockQueue> FQueue;
  TSink FSink{*this};
};
