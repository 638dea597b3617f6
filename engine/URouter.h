// Where each data record goes, one router per way of cutting: the key of its output, 0
// for the first. A router is asked record by record (Next), or, where it can tell ahead,
// takes runs of records at once (Room, Add) into the output it answered last. The record
// pump drives it; every router has these members, and the pump is made for each.
#pragma once

#include <cstdint>
#include <limits>

struct TRoom {
  std::int64_t Records;
  std::int64_t Bytes;
};

class TRouter {
 public:
  static constexpr std::int64_t TooLarge = -1;
  static constexpr std::int64_t Unlimited = std::numeric_limits<std::int64_t>::max();
  // Whether Next needs each record's size: the bytes it takes in its output.
  [[nodiscard]] bool NeedsSize() const { return false; }
  // What the output answered last takes yet, records and bytes, before Next must be asked
  // again (nothing while each record must be asked); Add counts what was put there so.
  [[nodiscard]] TRoom Room() const { return {0, 0}; }
  void Add(std::int64_t, std::int64_t) {}
  // The outputs the run makes at least, those without a data record included.
  [[nodiscard]] std::int64_t Outputs() const { return 1; }
  // Whether records go to the outputs in turn, all of them made before the first record,
  // each record asked for alone; else outputs are made one after another as their keys
  // first come, and runs of records go to one output at a time.
  static constexpr bool InTurn = false;
};

// The deal in turn over N outputs.
class TCycleRouter : public TRouter {
 public:
  explicit TCycleRouter(std::int64_t Count) : FCount(Count) {}
  [[nodiscard]] std::int64_t Next(std::int64_t) {
    const std::int64_t key = FNext;
    if (++FNext == FCount) FNext = 0;
    return key;
  }
  [[nodiscard]] std::int64_t Outputs() const { return FCount; }
  static constexpr bool InTurn = true;

 private:
  const std::int64_t FCount;
  std::int64_t FNext = 0;
};

// K data records per piece; the last holds the rest.
class TRowsRouter : public TRouter {
 public:
  explicit TRowsRouter(std::int64_t Rows) : FRows(Rows) {}
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
  TPartsRouter(std::int64_t Parts, std::int64_t Records);
  [[nodiscard]] std::int64_t Next(std::int64_t);
  [[nodiscard]] TRoom Room() const { return {Share() - FHeld, Unlimited}; }
  void Add(std::int64_t Records, std::int64_t) { FHeld += Records; }
  [[nodiscard]] std::int64_t Outputs() const { return FParts; }

 private:
  // The records of the current piece.
  [[nodiscard]] std::int64_t Share() const { return FEach + (FKey < FExtra ? 1 : 0); }

  const std::int64_t FParts;
  const std::int64_t FEach;
  const std::int64_t FExtra;
  std::int64_t FKey = 0;
  std::int64_t FHeld = 0;
};

// As many whole records as fit in Limit bytes with the mark and the header (Base bytes).
class TSizeRouter : public TRouter {
 public:
  TSizeRouter(std::int64_t Limit, std::int64_t Base) : FLimit(Limit), FBase(Base), FUsed(Base) {}
  [[nodiscard]] bool NeedsSize() const { return true; }
  [[nodiscard]] std::int64_t Next(std::int64_t Size);
  // The first record of a piece is asked for: it may not fit at all.
  [[nodiscard]] TRoom Room() const { return FEmpty ? TRoom{0, 0} : TRoom{Unlimited, FLimit - FUsed}; }
  void Add(std::int64_t, std::int64_t Bytes) { FUsed += Bytes; }

 private:
  const std::int64_t FLimit;
  const std::int64_t FBase;
  std::int64_t FKey = 0;
  std::int64_t FUsed;
  bool FEmpty = true;  // no data record in the piece yet
};
