// The requests the engine's tests make, read as a front end reads what the user typed.
#pragma once

#include "engine/USplitWays.h"

#include <string>

namespace testutil {

// The file at Path cut with H header records and the count N of Mode, beside it.
inline TSplitRequest Request(const std::u16string& Path, const std::u16string& H, const std::u16string& N,
                             TSplitMode Mode = TSplitMode::Cycle) {
  TSplitRequest request;
  request.Path = Path;
  request.Header = ReadHeaderCount(H);
  request.Mode = Mode;
  request.Count = ReadWayCount(Mode, N);
  return request;
}

}  // namespace testutil
