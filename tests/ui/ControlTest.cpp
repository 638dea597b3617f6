// The child-control wrappers on the workbench dialog's controls: their place in the
// dialog and their colours, the edit's selection and change event, and the
// up-down's own stepping; and the font description the platform is given.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstring>

#include "support/UkxFunctions.h"
#include "tests/ui/TestDialog.h"
#include "ui/UkxEdit.h"
#include "ui/UkxMiscCtrls.h"
#include "ui/UkxProgressBar.h"
#include "ui/UkxTypesWin.h"

using namespace kxtest;

// The label stands for the product's labels and fields: wrapped, without colours of their own.
TEST(Control, WrappersEnterTheirDialogAnswerItsColourRequestsAndLeaveIt) {
  EXPECT_TRUE(RunSteps({[](TTestDialog& d) {
    auto* edit = new TProbe(&d, d.GetItem(201));
    TProbe spin(&d, d.GetItem(203)), label(&d, d.GetItem(211));
    EXPECT_EQ(edit->Id, 201);
    EXPECT_EQ(edit->NextControl, &spin) << "each wrapper links the next";
    EXPECT_EQ(spin.NextControl, &label);
    HDC dc = CreateCompatibleDC(nullptr);
    const auto ask = [&](HWND control) {
      SetTextColor(dc, RGB(1, 2, 3));
      SetBkColor(dc, RGB(4, 5, 6));
      return KxDialogProc(d.Handle, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
    };
    EXPECT_EQ(ask(label.Handle), 0) << "the platform's brush";
    EXPECT_EQ(std::make_pair(GetTextColor(dc), GetBkColor(dc)), std::make_pair(RGB(0, 0, 0), RGB(255, 255, 255)))
        << "black on its window's background";
    HWND editWindow = edit->Handle;
    delete edit;
    EXPECT_EQ(d.Controls->IndexOfId(201), -1);
    EXPECT_TRUE(IsWindow(editWindow)) << "a template control outlives its wrapper";
    EXPECT_EQ(ask(editWindow), 0);
    EXPECT_EQ(GetTextColor(dc), RGB(1, 2, 3)) << "an unwrapped control is left alone";
    DeleteDC(dc);
    d.Close(true);
  }}));
}

TEST(Edit, SelectedTextAndTheChangeEvent) {
  EXPECT_TRUE(RunSteps({[](TTestDialog& d) {
    TkxEdit edit(&d, d.GetItem(201));
    edit.SetText(u"abcdef");
    edit.SetSel(2, 3);  // start and length, not the platform's start and end
    int start = -1, length = -1;
    edit.GetSel(start, length);
    EXPECT_EQ(std::make_pair(start, length), std::make_pair(2, 3));
    int changes = 0;
    edit.OnChange = [&](TkxEditControl* sender) { changes += sender == &edit ? 1 : 100; };
    const auto send = [&](WORD code) {
      SendMessageW(d.Handle, WM_COMMAND, MAKEWPARAM(201, code), reinterpret_cast<LPARAM>(edit.Handle));
      return changes;
    };
    EXPECT_EQ(send(EN_CHANGE), 0);
    EXPECT_EQ(send(EN_UPDATE), 1) << "on the update before the change shows";
    d.Close(true);
  }}));
}

TEST(UpDown, ClicksStepFromTheBuddysNumberWithinTheRange) {
  // Typed: the buddy's text before the click (null: as SetPosition left it). The product's
  // ranges and steps within them are driven end to end; these are the rest.
  struct { const char* Name; std::int32_t Min, Max, Position; const char16_t* Typed; bool Up; std::int32_t Expected;
           bool Changed; } const cases[] = {
      {"up at the top end", 1, 50, 50, nullptr, true, 50, false},
      {"letters", 0, 10, 3, u"abc", false, 2, true},
      {"typed beyond the range", 1, 50, 5, u"99", true, 6, true},
  };
  EXPECT_TRUE(RunSteps({[&](TTestDialog& d) {
    TkxEdit edit(&d, d.GetItem(201));
    TkxUpDown updown(&d, d.GetItem(203));
    updown.ModifyStyle(UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS, true);
    updown.SetBuddy(&edit);
    std::vector<std::int32_t> changes;
    updown.OnChange = [&](std::int32_t position) { changes.push_back(position); };
    for (const auto& c : cases) {
      updown.SetRange(c.Min, c.Max);
      updown.SetPosition(c.Position);
      if (c.Typed != nullptr) edit.SetText(c.Typed);
      changes.clear();
      // A real click: the middle of the upper or the lower arrow.
      RECT r{};
      GetClientRect(updown.Handle, &r);
      const LPARAM at = MAKELPARAM(r.right / 2, c.Up ? r.bottom / 4 : r.bottom * 3 / 4);
      SendMessageW(updown.Handle, WM_LBUTTONDOWN, MK_LBUTTON, at);
      SendMessageW(updown.Handle, WM_LBUTTONUP, 0, at);
      EXPECT_EQ(updown.Position, c.Expected) << c.Name;
      EXPECT_EQ(edit.GetText(), IntToText(0, c.Expected)) << c.Name;
      EXPECT_EQ(changes, c.Changed ? std::vector<std::int32_t>{c.Expected} : std::vector<std::int32_t>{}) << c.Name;
    }
    d.Close(true);
  }}));
}

// Whatever it is given, the bar stays within 0 to 100 percent. (Its states, which only
// colour it, Wine does not keep.)
TEST(ProgressBar, StaysWithinItsPercent) {
  EXPECT_TRUE(RunSteps({[](TTestDialog& d) {
    TkxProgressBar bar(&d, d.GetItem(204));
    for (const auto& [given, shown] : {std::pair{42, 42}, {250, 100}, {-3, 0}, {100, 100}}) {
      bar.SetPosition(given);
      EXPECT_EQ(bar.Position(), shown) << given;
    }
    d.Close(true);
  }}));
}

TEST(Fonts, LogFontFromAFontDescription) {
  const TFont font{std::u16string(40, u'x'), 0, 9, 1, 1, 1, 1};
  LOGFONTW got, expected{-12, 0, 0, 0, FW_BOLD, 1, 1, 1, DEFAULT_CHARSET, 0, 0, 0, 0, {}};
  std::memset(&got, 0xCD, sizeof got);
  FontToLogFont(font, got);
  std::memcpy(expected.lfFaceName, font.Name.data(), 31 * sizeof(char16_t));  // a longer name is cut to fit the field
  EXPECT_EQ(std::memcmp(&got, &expected, sizeof got), 0) << "every field it does not name is 0, the platform's default";
}
