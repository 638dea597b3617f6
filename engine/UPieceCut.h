// Where contiguous pieces end: each rule is asked, record by record, whether the next
// data record begins a new piece.
#pragma once

#include <cstdint>
#include <limits>

class TPieceCut {
 public:
  enum class TPlace { Same, New, TooLarge };
  static constexpr std::int64_t Unlimited = std::numeric_limits<std::int64_t>::max();
  virtual ~TPieceCut() = default;
  // Whether Next needs each record's size: the bytes it takes in its piece.
  [[nodiscard]] virtual bool NeedsSize() const { return false; }
  // Where the next data record goes: the current piece, a new one, or nowhere (it does
  // not fit even alone with the header).
  [[nodiscard]] virtual TPlace Next(std::int64_t Size) = 0;
  // What the current piece takes yet, records and bytes, before Next must be asked again
  // (nothing while each record must be asked); Add counts what was put there so.
  struct TRoom {
    std::int64_t Records;
    std::int64_t Bytes;
  };
  [[nodiscard]] virtual TRoom Room() const = 0;
  virtual void Add(std::int64_t Records, std::int64_t Bytes) = 0;
  // How many pieces the run makes at least, those without a data record included.
  [[nodiscard]] virtual std::int64_t Pieces() const { return 1; }
};

// K data records per piece; the last holds the rest.
class TRowsCut : public TPieceCut {
 public:
  explicit TRowsCut(std::int64_t Rows) : FRows(Rows) {}
  TPlace Next(std::int64_t) override;
  TRoom Room() const override { return {FRows - FHeld, Unlimited}; }
  void Add(std::int64_t Records, std::int64_t) override { FHeld += Records; }

 private:
  const std::int64_t FRows;
  std::int64_t FHeld = 0;
};

// The data records in N pieces whose counts differ by at most one, the earlier
// pieces taking the extra ones.
class TPartsCut : public TPieceCut {
 public:
  TPartsCut(std::int64_t Parts, std::int64_t Records);
  TPlace Next(std::int64_t) override;
  TRoom Room() const override { return {Share() - FHeld, Unlimited}; }
  void Add(std::int64_t Records, std::int64_t) override { FHeld += Records; }
  std::int64_t Pieces() const override { return FParts; }

 private:
  // The records of the current piece.
  [[nodiscard]] std::int64_t Share() const { return FEach + (FPiece < FExtra ? 1 : 0); }

  const std::int64_t FParts;
  const std::int64_t FEach;
  const std::int64_t FExtra;
  std::int64_t FPiece = 0;  // from 0
  std::int64_t FHeld = 0;
};

// As many whole records as fit in Limit bytes with the mark and the header (Base bytes).
class TSizeCut : public TPieceCut {
 public:
  TSizeCut(std::int64_t Limit, std::int64_t Base) : FLimit(Limit), FBase(Base), FUsed(Base) {}
  bool NeedsSize() const override { return true; }
  TPlace Next(std::int64_t Size) override;
  // The first record of a piece is asked for: it may not fit at all.
  TRoom Room() const override { return FEmpty ? TRoom{0, 0} : TRoom{Unlimited, FLimit - FUsed}; }
  void Add(std::int64_t, std::int64_t Bytes) override { FUsed += Bytes; }

 private:
  const std::int64_t FLimit;
  const std::int64_t FBase;
  std::int64_t FUsed;
  bool FEmpty = true;  // no data record in the piece yet
};
