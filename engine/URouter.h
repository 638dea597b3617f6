// Where each data record goes, one router per way of cutting: the key of its output, 0
// for the first. A router is asked record by record (Next), or, where it can tell ahead,
// takes runs of records at once (Room, Add) into the output it answered last. It also
// says what the run needs before the records: a count of them, the outputs it will make.
// The record pump drives it; every router has these members, and the pump is made for each.
#pragma once

#include "engine/USplitWays.h"
#include "engine/UValueKeys.h"
#include "support/UkxByteStream.h"

#include <cstdint>
#include <iterator>
#include <limits>
#include <tuple>
#include <type_traits>

struct TRoom {
  std::int64_t Records;
  std::int64_t Bytes;
};

// What a router is made from: the way's count (N, K or the size), the data records
// (counted where the way asks, else 0), and the bytes of the mark and the header records.
struct TRouterInput {
  std::int64_t Count = 0;
  std::int64_t Records = 0;
  std::int64_t Base = 0;
  TValueKeys* Keys = nullptr;  // for the split by value
};

class TRouter {
 public:
  static constexpr std::int64_t TooLarge = -1;
  static constexpr std::int64_t Unlimited = std::numeric_limits<std::int64_t>::max();
  // Whether the records are counted in a pass of their own first.
  static constexpr bool CountsFirst = false;
  // Whether records go to the outputs in turn, all of them made before the first record,
  // each record asked for alone; else outputs are made one after another as their keys
  // first come, and runs of records go to one output at a time.
  static constexpr bool InTurn = false;
  // Whether records are asked for by their bytes (NextOf), not by their size (Next).
  static constexpr bool ReadsKey = false;
  // Whether Next needs each record's size: the bytes it takes in its output.
  [[nodiscard]] bool NeedsSize() const { return false; }
  // What the output answered last takes yet, records and bytes, before Next must be asked
  // again (nothing while each record must be asked); Add counts what was put there so.
  [[nodiscard]] TRoom Room() const { return {0, 0}; }
  void Add(std::int64_t, std::int64_t) {}
  // The outputs the run makes, those without a data record included, where that is known
  // before the records are read; else 0, and the run makes at least one.
  [[nodiscard]] std::int64_t Known() const { return 0; }
  // Where they are not known ahead: the outputs a source of Size bytes makes at most, to
  // reserve disk space and show progress.
  [[nodiscard]] std::int64_t Estimate(std::int64_t) const { return 1; }
  // Whether an output holds the mark and the header records at all.
  [[nodiscard]] bool HeaderFits() const { return true; }
};

// The deal in turn over N outputs.
class TCycleRouter : public TRouter {
 public:
  explicit TCycleRouter(const TRouterInput& Input) : FCount(Input.Count) {}
  static constexpr bool InTurn = true;
  [[nodiscard]] std::int64_t Next(std::int64_t) {
    const std::int64_t key = FNext;
    if (++FNext == FCount) FNext = 0;
    return key;
  }
  [[nodiscard]] std::int64_t Known() const { return FCount; }

 private:
  const std::int64_t FCount;
  std::int64_t FNext = 0;
};

// K data records per piece; the last holds the rest.
class TRowsRouter : public TRouter {
 public:
  explicit TRowsRouter(const TRouterInput& Input) : FRows(Input.Count) {}
  [[nodiscard]] std::int64_t Next(std::int64_t);
  [[nodiscard]] TRoom Room() const { return {FRows - FHeld, Unlimited}; }
  void Add(std::int64_t Records, std::int64_t) { FHeld += Records; }

 private:
  const std::int64_t FRows;
  std::int64_t FKey = 0;
  std::int64_t FHeld = 0;
};

// The data records in N pieces whose counts differ by at most one, the earlier pieces
// taking the extra ones.
class TPartsRouter : public TRouter {
 public:
  explicit TPartsRouter(const TRouterInput& Input);
  static constexpr bool CountsFirst = true;
  [[nodiscard]] std::int64_t Next(std::int64_t);
  [[nodiscard]] TRoom Room() const { return {Share() - FHeld, Unlimited}; }
  void Add(std::int64_t Records, std::int64_t) { FHeld += Records; }
  [[nodiscard]] std::int64_t Known() const { return FParts; }

 private:
  // The records of the current piece.
  [[nodiscard]] std::int64_t Share() const { return FEach + (FKey < FExtra ? 1 : 0); }

  const std::int64_t FParts;
  const std::int64_t FEach;
  const std::int64_t FExtra;
  std::int64_t FKey = 0;
  std::int64_t FHeld = 0;
};

// As many whole records as fit in a size with the mark and the header.
class TSizeRouter : public TRouter {
 public:
  explicit TSizeRouter(const TRouterInput& Input) : FLimit(Input.Count), FBase(Input.Base), FUsed(Input.Base) {}
  [[nodiscard]] bool NeedsSize() const { return true; }
  [[nodiscard]] std::int64_t Next(std::int64_t Size);
  // The first record of a piece is asked for: it may not fit at all.
  [[nodiscard]] TRoom Room() const { return FEmpty ? TRoom{0, 0} : TRoom{Unlimited, FLimit - FUsed}; }
  void Add(std::int64_t, std::int64_t Bytes) { FUsed += Bytes; }
  [[nodiscard]] std::int64_t Estimate(std::int64_t Size) const;
  [[nodiscard]] bool HeaderFits() const { return FBase <= FLimit; }

 private:
  const std::int64_t FLimit;
  const std::int64_t FBase;
  std::int64_t FKey = 0;
  std::int64_t FUsed;
  bool FEmpty = true;  // no data record in the piece yet
};

// One output per value of the key columns, numbered as the values first come.
class TValueRouter : public TRouter {
 public:
  explicit TValueRouter(const TRouterInput& Input) : FKeys(*Input.Keys) {}
  static constexpr bool ReadsKey = true;
  [[nodiscard]] std::int64_t NextOf(std::string_view Record) { return FKeys.IndexOf(FKeys.Reader().KeyOf(Record)); }
  // A record read in pieces: Begin, the pieces into KeySink, then NextRead.
  [[nodiscard]] TkxRawSink& KeySink() {
    FKeys.Reader().Begin();
    return FSink;
  }
  [[nodiscard]] std::int64_t NextRead() { return FKeys.IndexOf(FKeys.Reader().Key()); }

 private:
  class TSink : public TkxRawSink {
   public:
    explicit TSink(TKeyReader& Reader) : FReader(Reader) {}
    void PutBytes(const char* Data, std::size_t Size) override { FReader.Feed(std::string_view(Data, Size)); }

   private:
    TKeyReader& FReader;
  };
  TValueKeys& FKeys;
  TSink FSink{FKeys.Reader()};
};

// Each way's router, in the order of the table of ways.
using TRouters = std::tuple<TCycleRouter, TRowsRouter, TPartsRouter, TSizeRouter, TValueRouter>;
static_assert(std::tuple_size_v<TRouters> == std::size(SplitWays));

// Calls Run with the type of the way's router: Run(std::type_identity<TCycleRouter>()) and so on.
template <std::size_t I = 0, class TRun>
void WithRouterOf(TSplitMode Mode, TRun&& Run) {
  if constexpr (I < std::tuple_size_v<TRouters>) {
    if (static_cast<std::size_t>(Mode) != I) return WithRouterOf<I + 1>(Mode, Run);
    Run(std::type_identity<std::tuple_element_t<I, TRouters>>());
  }
}
