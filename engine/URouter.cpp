#include "engine/URouter.h"

std::int64_t TRowsRouter::Next(std::int64_t) {
  if (FHeld == FRows) {
    ++FKey;
    FHeld = 0;
  }
  ++FHeld;
  return FKey;
}

TPartsRouter::TPartsRouter(std::int64_t Parts, std::int64_t Records)
    : FParts(Parts), FEach(Records / Parts), FExtra(Records % Parts) {}

std::int64_t TPartsRouter::Next(std::int64_t) {
  if (FHeld == Share()) {
    ++FKey;
    FHeld = 0;
  }
  ++FHeld;
  return FKey;
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
