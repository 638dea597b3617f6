// The up-down (spin) control. The wrapper, not the platform control, holds the value:
// each click steps from the number typed in the buddy edit and writes the result back.
// Range and position reach the platform control whole, as 32-bit numbers.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

#include "ui/UkxControl.h"

class TkxEdit;

class TkxUpDown final : public TkxControl {
 public:
  TkxUpDown(TkxDialogSuper* AOwner, HWND Window);
  ~TkxUpDown() override;

  bool GetCreateInfo(std::u16string& ClassName, DWORD& Style, DWORD& ExStyle) override;
  // Range 0 to 10, position 1, step 1, no buddy.
  void OnCreate() override;
  // Releases what GetCreateInfo loaded (FreeCommonControls).
  void OnDestroy() override;
  // Steps on UDN_DELTAPOS; always 0, so the platform's own handling goes on.
  LRESULT OnNotify(int Code, NMHDR* Header) override;

  // No check that AMin <= AMax; the position is not moved.
  void SetRange(std::int32_t AMin, std::int32_t AMax);
  // Outside Min..Max nothing at all happens; inside, the buddy shows the number.
  void SetPosition(std::int32_t APosition);
  void SetBuddy(TkxEdit* Edit);
  void SetIncrement(std::int32_t Step);

  TkxEdit* Buddy = nullptr;  // not owned
  std::int32_t Min = 0;
  std::int32_t Max = 0;
  std::int32_t Increment = 0;
  std::int32_t Position = 0;
  std::function<void(std::int32_t NewPosition)> OnChange;
};
