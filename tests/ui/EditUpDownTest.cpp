// What the edit and up-down wrappers add to the platform's controls: the selected text,
// the change event, the rebuild of a restyled edit, and the up-down's own stepping.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "tests/ui/TestDialog.h"
#include "ui/UkxEdit.h"
#include "ui/UkxMiscCtrls.h"

using namespace kxtest;

TEST(Edit, SelectedTextAndTheChangeEvent) {
  RunSteps({[](TTestDialog& d) {
    TkxEdit edit(&d, d.GetItem(201));
    EXPECT_EQ(edit.TabWidth, 8);
    edit.SetText(u"abcdef");
    EXPECT_EQ(edit.TextLength(), 6);
    // Start and length, not the platform's start and end.
    edit.SetSel(2, 3);
    int start = -1, length = -1;
    edit.GetSel(start, length);
    EXPECT_EQ(start, 2);
    EXPECT_EQ(length, 3);
    EXPECT_EQ(edit.GetSelText(), u"cde");

    int changes = 0;
    edit.OnChange = [&](TkxEditControl* sender) {
      EXPECT_EQ(sender, &edit);
      ++changes;
    };
    SendMessageW(d.Handle, WM_COMMAND, MAKEWPARAM(201, EN_CHANGE), reinterpret_cast<LPARAM>(edit.Handle));
    EXPECT_EQ(changes, 0);
    SendMessageW(d.Handle, WM_COMMAND, MAKEWPARAM(201, EN_UPDATE), reinterpret_cast<LPARAM>(edit.Handle));
    EXPECT_EQ(changes, 1);
    edit.SetReadOnly(false);
    EXPECT_EQ(changes, 2) << "fired even when nothing changes";
    edit.SetReadOnly(true);
    EXPECT_NE(edit.GetLong(GWL_STYLE) & ES_READONLY, 0);
    d.Close(true);
  }});
}

TEST(Edit, SetStyleFlagReappliesTheStateAndRebuildsOnlyOwnedWindows) {
  RunSteps({[](TTestDialog& d) {
    TkxEdit wrapped(&d, d.GetItem(206));
    int changes = 0;
    wrapped.OnChange = [&](TkxEditControl*) { ++changes; };
    wrapped.SetStyleFlag(false);
    EXPECT_EQ(changes, 0) << "the current value does nothing";
    wrapped.SetModified(true);
    wrapped.SetStyleFlag(true);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(wrapped.Handle, d.GetItem(206));
    EXPECT_TRUE(wrapped.GetModified());

    TkxEdit owned(&d, nullptr);
    owned.OwnsWindow = true;
    owned.CreateHandle(10, 120, 100, 22, u"keep me");
    EXPECT_NE(owned.GetLong(GWL_STYLE) & ES_AUTOHSCROLL, 0);
    EXPECT_NE(owned.GetLong(GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
    owned.SetReadOnly(true);
    owned.SetTabWidth(12);
    owned.SetModified(true);
    HWND old = owned.Handle;
    owned.SetStyleFlag(true);
    EXPECT_FALSE(IsWindow(old));
    EXPECT_EQ(owned.GetText(), u"keep me");
    EXPECT_NE(owned.GetLong(GWL_STYLE) & ES_READONLY, 0) << "read-only carried to the new window";
    EXPECT_TRUE(owned.GetModified());
    EXPECT_EQ(owned.TabWidth, 12) << "a tab width set earlier survives the rebuild";
    d.Close(true);
  }});
}

TEST(UpDown, ClicksStepFromTheBuddysNumberWithinTheRange) {
  struct {
    const char* Name;
    std::int32_t Min, Max, Increment, Position;
    const char16_t* Typed;  // the buddy's text before the click; null: as SetPosition left it
    bool Up;
    std::int32_t Expected;
    bool Changed;
  } const cases[] = {
      // The product's ranges, typed starts and ends are driven end to end; these are the rest.
      {"up at the top end", 1, 50, 1, 50, nullptr, true, 50, false},
      {"letters", 0, 10, 1, 3, u"abc", true, 4, true},
      {"typed beyond the range", 1, 50, 1, 5, u"99", true, 6, true},
      {"increment beyond the end", 0, 10, 5, 7, nullptr, true, 7, false},
      {"down with increment", 0, 10, 5, 7, nullptr, false, 2, true},
      {"negative range", -20, -10, 3, -12, nullptr, false, -15, true},
  };
  RunSteps({[&](TTestDialog& d) {
    auto edit = std::make_unique<TkxEdit>(&d, d.GetItem(201));
    auto updown = std::make_unique<TkxUpDown>(&d, d.GetItem(203));
    EXPECT_EQ(updown->Min, 0);
    EXPECT_EQ(updown->Max, 10);
    EXPECT_EQ(updown->Position, 1);
    updown->SetRange(5, 10);
    EXPECT_EQ(updown->Position, 1) << "a new range does not move the position";
    updown->SetPosition(4);
    EXPECT_EQ(updown->Position, 1) << "outside the range nothing happens";
    updown->ModifyStyle(UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS, true);
    updown->SetBuddy(edit.get());
    std::vector<std::int32_t> changes;
    updown->OnChange = [&](std::int32_t position) { changes.push_back(position); };
    for (const auto& c : cases) {
      updown->SetRange(c.Min, c.Max);
      updown->SetIncrement(c.Increment);
      updown->SetPosition(c.Position);
      if (c.Typed != nullptr) edit->SetText(c.Typed);
      changes.clear();
      // A real click: the middle of the upper or the lower arrow.
      RECT r{};
      GetClientRect(updown->Handle, &r);
      const LPARAM at = MAKELPARAM(r.right / 2, c.Up ? r.bottom / 4 : r.bottom * 3 / 4);
      SendMessageW(updown->Handle, WM_LBUTTONDOWN, MK_LBUTTON, at);
      SendMessageW(updown->Handle, WM_LBUTTONUP, 0, at);
      EXPECT_EQ(updown->Position, c.Expected) << c.Name;
      const std::string shown = std::to_string(c.Expected);
      EXPECT_EQ(edit->GetText(), std::u16string(shown.begin(), shown.end())) << c.Name;
      EXPECT_EQ(changes, c.Changed ? std::vector<std::int32_t>{c.Expected} : std::vector<std::int32_t>{}) << c.Name;
    }
    // A window of its own is of the common controls' class, with the buddy styles.
    auto own = std::make_unique<TkxUpDown>(&d, nullptr);
    own->OwnsWindow = true;
    own->CreateHandle(200, 10, 16, 24, u"");
    wchar_t className[32] = {};
    GetClassNameW(own->Handle, className, 32);
    EXPECT_STREQ(className, UPDOWN_CLASSW);
    EXPECT_EQ(own->GetLong(GWL_STYLE) & 0x26, 0x26);
    d.Close(true);
  }});
}
