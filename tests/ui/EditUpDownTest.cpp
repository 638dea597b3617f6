// The edit wrapper's operations and the up-down's stepping, clicked for real.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "tests/ui/TestDialog.h"
#include "ui/UkxEdit.h"
#include "ui/UkxMiscCtrls.h"

using namespace kxtest;

namespace {

// Where a real click lands: the middle of the upper or the lower arrow.
void Click(TkxUpDown& UpDown, bool Up) {
  RECT r{};
  GetClientRect(UpDown.Handle, &r);
  const LPARAM at = MAKELPARAM(r.right / 2, Up ? r.bottom / 4 : r.bottom * 3 / 4);
  SendMessageW(UpDown.Handle, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(UpDown.Handle, WM_LBUTTONUP, 0, at);
}

int XOfCharacter(TkxEditControl& Edit, int Index) {
  return static_cast<short>(LOWORD(Edit.SendMsg(EM_POSFROMCHAR, static_cast<WPARAM>(Index), 0)));
}

}  // namespace

TEST(Edit, SelectionUndoAndTextOperations) {
  RunSteps({[](TTestDialog& d) {
    TkxEdit edit(&d, d.GetItem(201));
    EXPECT_EQ(edit.TabWidth, 8);
    EXPECT_EQ(edit.TextLength(), 0);
    edit.SetText(u"abcdef");
    EXPECT_EQ(edit.TextLength(), 6);

    struct TCase {
      int Start, Length;
      const char16_t* Selected;
    };
    for (const TCase& c : {TCase{2, 3, u"cde"}, TCase{3, 0, u""}, TCase{0, 2, u"ab"}, TCase{4, 2, u"ef"}}) {
      edit.SetSel(c.Start, c.Length);
      int start = -1;
      int length = -1;
      edit.GetSel(start, length);
      EXPECT_EQ(start, c.Start);
      EXPECT_EQ(length, c.Length);
      EXPECT_EQ(edit.GetSelText(), c.Selected);
    }

    EXPECT_FALSE(edit.CanUndo());
    edit.SetSel(6, 0);
    edit.SendMsg(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"gh"));
    EXPECT_EQ(edit.GetText(), u"abcdefgh");
    EXPECT_TRUE(edit.CanUndo());
    EXPECT_NE(edit.Undo(), 0);
    EXPECT_EQ(edit.GetText(), u"abcdef");

    edit.SetModified(true);
    EXPECT_TRUE(edit.GetModified());
    edit.SetModified(false);
    EXPECT_FALSE(edit.GetModified());

    TkxEdit lines(&d, d.GetItem(202));
    lines.SetText(u"one\r\ntwo\r\nthree");
    lines.SetSel(6, 0);
    EXPECT_EQ(lines.CurrentLine(), 1);
    lines.SetSel(11, 2);
    EXPECT_EQ(lines.CurrentLine(), 2);

    lines.SetText(u"\tX");
    lines.SetTabWidth(4);
    const int narrow = XOfCharacter(lines, 1);
    lines.SetTabWidth(16);
    EXPECT_EQ(lines.TabWidth, 16);
    EXPECT_GT(XOfCharacter(lines, 1), narrow) << "wider tab stops move the X to the right";
    d.Close(true);
  }});
}

TEST(Edit, OnChangeFiresOnUpdateAndReadOnlyOnly) {
  RunSteps({[](TTestDialog& d) {
    TkxEdit edit(&d, d.GetItem(201));
    int changes = 0;
    edit.OnChange = [&](TkxEditControl* sender) {
      EXPECT_EQ(sender, &edit);
      ++changes;
    };
    edit.SetText(u"42");  // the platform notifies EN_UPDATE and EN_CHANGE
    EXPECT_EQ(changes, 1);
    SendMessageW(d.Handle, WM_COMMAND, MAKEWPARAM(201, EN_CHANGE), reinterpret_cast<LPARAM>(edit.Handle));
    EXPECT_EQ(changes, 1);
    SendMessageW(d.Handle, WM_COMMAND, MAKEWPARAM(201, EN_UPDATE), reinterpret_cast<LPARAM>(edit.Handle));
    EXPECT_EQ(changes, 2);

    edit.SetReadOnly(false);
    EXPECT_EQ(changes, 3) << "sent and fired even when nothing changes";
    edit.SetReadOnly(true);
    EXPECT_EQ(changes, 4);
    EXPECT_NE(edit.GetLong(GWL_STYLE) & ES_READONLY, 0);
    edit.SetReadOnly(false);
    EXPECT_EQ(edit.GetLong(GWL_STYLE) & ES_READONLY, 0);
    d.Close(true);
  }});
}

TEST(Edit, SetStyleFlagReappliesTheStateAndRebuildsOwnedWindows) {
  RunSteps({[](TTestDialog& d) {
    TkxEdit wrapped(&d, d.GetItem(206));
    int changes = 0;
    wrapped.OnChange = [&](TkxEditControl*) { ++changes; };
    wrapped.SetStyleFlag(false);
    EXPECT_EQ(changes, 0) << "the current value does nothing";
    wrapped.SetModified(true);
    HWND window = wrapped.Handle;
    wrapped.SetStyleFlag(true);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(wrapped.StyleFlag);
    EXPECT_EQ(wrapped.Handle, window) << "a template window is never rebuilt";
    EXPECT_TRUE(wrapped.GetModified());

    TkxEdit owned(&d, nullptr);
    owned.OwnsWindow = true;
    owned.CreateHandle(10, 120, 100, 22, u"keep me");
    owned.SetReadOnly(true);
    owned.SetTabWidth(12);
    owned.SetModified(true);
    EXPECT_NE(owned.GetLong(GWL_STYLE) & ES_AUTOHSCROLL, 0);
    EXPECT_NE(owned.GetLong(GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
    HWND old = owned.Handle;
    owned.SetStyleFlag(true);
    EXPECT_NE(owned.Handle, old);
    EXPECT_FALSE(IsWindow(old));
    EXPECT_EQ(owned.GetText(), u"keep me");
    EXPECT_NE(owned.GetLong(GWL_STYLE) & ES_READONLY, 0) << "read-only carried to the new window";
    EXPECT_TRUE(owned.GetModified());
    EXPECT_EQ(owned.TabWidth, 12) << "a tab width set earlier survives the rebuild";
    d.Close(true);
  }});
}

TEST(UpDown, ClicksStepFromTheBuddysNumberWithinTheRange) {
  struct TCase {
    const char* Name;
    std::int32_t Min, Max, Increment, Position;
    const char16_t* Typed;  // the buddy's text before the click; null: as SetPosition left it
    bool Up;
    std::int32_t Expected;
    const char16_t* Shown;
    std::vector<std::int32_t> Changes;
  };
  const TCase cases[] = {
      {"typed number is the start", 0, 10, 1, 1, u"7", true, 8, u"8", {8}},
      {"up at the top end", 1, 50, 1, 50, nullptr, true, 50, u"50", {}},
      {"down at the bottom end", 1, 50, 1, 1, nullptr, false, 1, u"1", {}},
      {"typed top end", 0, 10, 1, 3, u"10", true, 10, u"10", {}},
      {"letters", 0, 10, 1, 3, u"abc", true, 4, u"4", {4}},
      {"nothing typed", 0, 10, 1, 3, u"", true, 4, u"4", {4}},
      {"typed beyond the range", 1, 50, 1, 5, u"99", true, 6, u"6", {6}},
      {"increment", 0, 10, 5, 2, nullptr, true, 7, u"7", {7}},
      {"increment beyond the end", 0, 10, 5, 7, nullptr, true, 7, u"7", {}},
      {"down with increment", 0, 10, 5, 7, nullptr, false, 2, u"2", {2}},
      {"negative range", -20, -10, 3, -12, nullptr, false, -15, u"-15", {-15}},
  };
  RunSteps({[&](TTestDialog& d) {
    auto edit = std::make_unique<TkxEdit>(&d, d.GetItem(201));
    auto updown = std::make_unique<TkxUpDown>(&d, d.GetItem(203));
    EXPECT_EQ(updown->Min, 0);
    EXPECT_EQ(updown->Max, 10);
    EXPECT_EQ(updown->Position, 1);
    EXPECT_EQ(updown->Increment, 1);
    updown->ModifyStyle(UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS, true);
    updown->SetBuddy(edit.get());
    EXPECT_EQ(reinterpret_cast<HWND>(updown->SendMsg(UDM_GETBUDDY, 0, 0)), edit->Handle);
    std::vector<std::int32_t> changes;
    updown->OnChange = [&](std::int32_t position) { changes.push_back(position); };
    for (const TCase& c : cases) {
      updown->SetRange(c.Min, c.Max);
      updown->SetIncrement(c.Increment);
      updown->SetPosition(c.Position);
      ASSERT_EQ(updown->Position, c.Position) << c.Name;
      if (c.Typed != nullptr) edit->SetText(c.Typed);
      changes.clear();
      Click(*updown, c.Up);
      EXPECT_EQ(updown->Position, c.Expected) << c.Name;
      EXPECT_EQ(edit->GetText(), c.Shown) << c.Name;
      EXPECT_EQ(changes, c.Changes) << c.Name;
    }
    d.Close(true);
  }});
}

TEST(UpDown, RangeAndPositionWithoutABuddy) {
  RunSteps({[](TTestDialog& d) {
    TkxUpDown updown(&d, d.GetItem(203));
    d.SetItemText(201, u"untouched");
    updown.SetRange(1, 50);
    EXPECT_EQ(updown.Position, 1);
    EXPECT_EQ(LOWORD(updown.SendMsg(UDM_GETRANGE, 0, 0)), 50);
    EXPECT_EQ(HIWORD(updown.SendMsg(UDM_GETRANGE, 0, 0)), 1);
    updown.SetRange(5, 10);
    EXPECT_EQ(updown.Position, 1) << "a new range does not move the position";
    updown.SetPosition(4);
    EXPECT_EQ(updown.Position, 1) << "outside the range nothing happens";
    updown.SetPosition(7);
    EXPECT_EQ(updown.Position, 7);
    EXPECT_EQ(LOWORD(updown.SendMsg(UDM_GETPOS, 0, 0)), 7);
    EXPECT_EQ(d.GetItemText(201), u"untouched");
    EXPECT_EQ(updown.OnNotify(NM_CLICK, nullptr), 0) << "other notifications are ignored";
    d.Close(true);
  }});
}

TEST(UpDown, MakesItsOwnWindowOfTheCommonControlsClass) {
  RunSteps({[](TTestDialog& d) {
    auto own = std::make_unique<TkxUpDown>(&d, nullptr);
    own->OwnsWindow = true;
    own->CreateHandle(200, 10, 16, 24, u"");
    ASSERT_NE(own->Handle, nullptr);
    wchar_t className[64] = {};
    GetClassNameW(own->Handle, className, 64);
    EXPECT_EQ(std::wstring(className), L"msctls_updown32");
    EXPECT_EQ(own->GetLong(GWL_STYLE) & 0x26, 0x26);
    HWND window = own->Handle;
    own.reset();
    EXPECT_FALSE(IsWindow(window));
    d.Close(true);
  }});
}
