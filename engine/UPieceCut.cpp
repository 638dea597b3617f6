#include "engine/UPieceCut.h"

TPieceCut::TPlace TRowsCut::Next(std::int64_t) {
  if (FHeld == FRows) {
    FHeld = 1;
    return TPlace::New;
  }
  ++FHeld;
  return TPlace::Same;
}

TPartsCut::TPartsCut(std::int64_t Parts, std::int64_t Records)
    : FParts(Parts), FEach(Records / Parts), FExtra(Records % Parts) {}

TPieceCut::TPlace TPartsCut::Next(std::int64_t) {
  if (FHeld == Share()) {
    ++FPiece;
    FHeld = 1;
    return TPlace::New;
  }
  ++FHeld;
  return TPlace::Same;
}

TPieceCut::TPlace TSizeCut::Next(std::int64_t Size) {
  // Compared as room left: the sum could pass the 64-bit range.
  if (!FEmpty && Size <= FLimit - FUsed) {
    FUsed += Size;
    return TPlace::Same;
  }
  if (Size > FLimit - FBase) return TPlace::TooLarge;
  const TPlace place = FEmpty ? TPlace::Same : TPlace::New;
  FEmpty = false;
  FUsed = FBase + Size;
  return place;
}
