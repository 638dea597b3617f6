#include "engine/URouter.h"

#include <algorithm>

std::int64_t TRowsRouter::Next(std::int64_t) {
  if (FHeld == FRows) {
    ++FKey;
    FHeld = 0;
  }
  ++FHeld;
  return FKey;
}

TPartsRouter::TPartsRouter(const TRouterInput& Input)
    : FParts(Input.Count), FEach(Input.Records / Input.Count), FExtra(Input.Records % Input.Count) {}

std::int64_t TPartsRouter::Next(std::int64_t) {
  if (FHeld == Share()) {
    ++FKey;
    FHeld = 0;
  }
  ++FHeld;
  return FKey;
}

std::int64_t TSizeRouter::Estimate(std::int64_t Size) const {
  if (FLimit <= FBase) return 1;
  // Every piece holds at most Limit - Base bytes of data records.
  return std::max<std::int64_t>(1, (Size - FBase) / (FLimit - FBase) + 1);
}

std::int64_t TSizeRouter::Next(std::int64_t Size) {
  // Compared as room left: the sum could pass the 64-bit range.
  if (!FEmpty && Size <= FLimit - FUsed) {
    FUsed += Size;
    return FKey;
  }
  if (Size > FLimit - FBase) return TooLarge;
  if (!FEmpty) ++FKey;
  FEmpty = false;
  FUsed = FBase + Size;
  return FKey;
}
