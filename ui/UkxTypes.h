// Common framework types: plain data, without the platform's headers.
#pragma once

#include "support/UkxException.h"

#include <cstdint>
#include <string>

// A window rectangle: screen coordinates for a dialog, client coordinates of
// its dialog for a child control.
struct TBounds {
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Width = 0;
  std::int32_t Height = 0;
};

// A font description; the name "default", in any case, is the system's GUI font.
struct TFont {
  std::u16string Name;
  std::uint32_t Color = 0;  // 0x00BBGGRR
  std::int32_t Size = 0;    // points
  std::uint8_t Bold = 0;
  std::uint8_t Italic = 0;
  std::uint8_t Underline = 0;
  std::uint8_t StrikeOut = 0;
};
