#include "ui/UkxMiscCtrls.h"

#include <commctrl.h>

#include <limits>

#include "support/UkxFunctions.h"
#include "ui/UkxEdit.h"

TkxUpDown::TkxUpDown(TkxDialogSuper* AOwner, HWND Window) : TkxControl(AOwner, Window) { OnCreate(); }

TkxUpDown::~TkxUpDown() { Dispose(); }

bool TkxUpDown::GetCreateInfo(std::u16string& ClassName, DWORD& Style, DWORD& ExStyle) {
  LoadCommonControls(ICC_UPDOWN_CLASS);
  ClassName = u"msctls_updown32";
  Style = UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS;
  ExStyle = 0;
  return true;
}

void TkxUpDown::OnDestroy() { FreeCommonControls(); }

void TkxUpDown::OnCreate() {
  SetRange(0, 10);
  SetPosition(1);
  SetIncrement(1);
  Buddy = nullptr;
}

LRESULT TkxUpDown::OnNotify(int Code, NMHDR* Header) {
  if (Code != static_cast<int>(UDN_DELTAPOS)) return 0;
  if (Buddy != nullptr) {
    const std::int64_t typed = TextToIntDef(Buddy->GetText(), Position);
    SetPosition(static_cast<std::int32_t>(static_cast<std::uint32_t>(typed)));
  }
  const std::int32_t old = Position;
  const std::int64_t next =
      std::int64_t{old} + std::int64_t{reinterpret_cast<NMUPDOWN*>(Header)->iDelta} * Increment;
  // Beyond 32 bits it is outside any range anyway.
  if (next >= std::numeric_limits<std::int32_t>::min() && next <= std::numeric_limits<std::int32_t>::max()) {
    SetPosition(static_cast<std::int32_t>(next));
  }
  if (Position != old && OnChange) OnChange(Position);
  return 0;
}

void TkxUpDown::SetRange(std::int32_t AMin, std::int32_t AMax) {
  SendMsg(UDM_SETRANGE32, static_cast<WPARAM>(AMin), static_cast<LPARAM>(AMax));
  Min = AMin;
  Max = AMax;
}

void TkxUpDown::SetPosition(std::int32_t APosition) {
  if (APosition < Min || APosition > Max) return;
  SendMsg(UDM_SETPOS32, 0, static_cast<LPARAM>(APosition));
  Position = APosition;
  if (Buddy != nullptr) Buddy->SetText(IntToText(0, APosition));
}

void TkxUpDown::SetBuddy(TkxEdit* Edit) {
  Buddy = Edit;
  SendMsg(UDM_SETBUDDY, reinterpret_cast<WPARAM>(Edit->Handle), 0);
}

void TkxUpDown::SetIncrement(std::int32_t Step) { Increment = Step; }
