// Message boxes and the open and save dialogs, run for real and answered from a helper
// thread as a user would answer them. How the platform's boxes take keys is not ours.
#include <gtest/gtest.h>

#include <thread>

#include "tests/TestUtil.h"
#include "tests/ui/TestDialog.h"
#include "ui/UkxCommDlgs.h"
#include "ui/UkxDefaultOwner.h"

using namespace kxtest;
using testutil::Utf8;

namespace {

// The file dialogs' name field.
HWND NameField(HWND Dialog) {
  HWND combo = GetDlgItem(Dialog, 0x47C);
  return combo != nullptr ? combo : GetDlgItem(Dialog, 0x480);
}

}  // namespace

TEST(MsgBox, KindChoosesIconButtonsAndDefaultCaption) {
  struct { int Kind; std::uint32_t Flags; std::u16string Caption; } const cases[] = {
      {0, 0x30, u"警告!"}, {1, 0x30, u"警告!"}, {2, 0x40, u"提示!"}, {3, 0x21, u"注意!"},
      {4, 0x10, u"错误!"}, {5, 0x40, u"提示!"}, {255, 0x40, u"提示!"},
  };
  for (const auto& c : cases) {
    const TMsgBoxStyle style = MsgBoxStyleFor(static_cast<std::uint8_t>(c.Kind), u"");
    EXPECT_EQ(style.Flags, c.Flags) << c.Kind;
    EXPECT_EQ(Utf8(style.Caption), Utf8(c.Caption)) << c.Kind;
    const TMsgBoxStyle own = MsgBoxStyleFor(static_cast<std::uint8_t>(c.Kind), u"Mine");
    EXPECT_EQ(own.Flags, c.Flags) << c.Kind;
    EXPECT_EQ(own.Caption, u"Mine") << c.Kind;
  }
}

TEST(MsgBox, BoxesShowTheTextAndAnswerTrueForAnythingButOk) {
  struct { int Kind; std::u16string Caption; int Button; bool Owned, Result; std::wstring Shown; bool HasCancel; } const
      cases[] = {
          {3, u"", IDCANCEL, false, true, L"注意!", true}, {3, u"", IDOK, false, false, L"注意!", true},
          // The thread's active window owns a box.
          {4, u"Rowdeal test", IDOK, true, false, L"Rowdeal test", false},
      };
  for (const auto& c : cases) {
    HWND owner = c.Owned ? CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100,
                                           nullptr, nullptr, GetModuleHandleW(nullptr), nullptr)
                         : nullptr;
    SetActiveWindow(owner);
    EXPECT_EQ(GetDefaultOwner(), owner);
    testutil::TMessageBox box;
    HWND boxOwner = nullptr;
    {
      std::jthread answer([&] {
        box = testutil::WaitForMessageBox(GetCurrentProcessId());
        boxOwner = GetWindow(box.Window, GW_OWNER);
        testutil::Click(box.Window, c.Button);
      });
      EXPECT_EQ(MsgBox(u"Done: 3 files", static_cast<std::uint8_t>(c.Kind), c.Caption), c.Result) << c.Button;
    }
    EXPECT_EQ(box.Caption, c.Shown);
    EXPECT_EQ(box.Text, L"Done: 3 files");
    EXPECT_EQ(box.HasCancel, c.HasCancel);
    EXPECT_EQ(boxOwner, owner);
    if (owner != nullptr) DestroyWindow(owner);
  }
}

TEST(FileDialogs, ANewDialogIsResetAndOwnedByItsOwner) {
  RunSteps({[](TTestDialog& d) {
    TOpenDialog owned(&d);
    EXPECT_EQ(owned.OwnerHandle, d.Handle);
    TOpenDialog unowned;
    EXPECT_EQ(unowned.OwnerHandle, GetActiveWindow());
    EXPECT_FALSE(unowned.IsSave || unowned.MultiSelect || unowned.OverwritePrompt);
    unowned.IsSave = unowned.MultiSelect = unowned.OverwritePrompt = true;
    unowned.Title = unowned.Filter = unowned.DefaultExt = unowned.FileName = unowned.Directory = u"x";
    unowned.FilterIndex = 2;
    unowned.TOpenSaveDialog::Reset();
    EXPECT_TRUE(unowned.IsSave && unowned.MultiSelect && unowned.OverwritePrompt) << "the flags survive";
    EXPECT_EQ(unowned.Title + unowned.Filter + unowned.DefaultExt + unowned.FileName + unowned.Directory, u"");
    EXPECT_EQ(unowned.FilterIndex, 0);
    unowned.Reset();
    EXPECT_FALSE(unowned.IsSave || unowned.MultiSelect);
    d.Close(true);
  }});
}

TEST(FileDialogs, WhatTheUserChoosesComesBackAsNameAndFolder) {
  testutil::TempDir temp;
  for (const char* name : {"table.txt", "a.txt", "b.txt", "c.txt"}) testutil::WriteFile(temp.Native(name), "");
  const std::u16string folder = temp.Path() + u"\\";
  std::u16string longName, longFilter = u"Tables|*.txt|Long|";
  while (longName.size() < 1500) longName += u"abcdefghijklmnopqrstuvwxyz";
  while (longFilter.size() < 3000) longFilter += u"*.x;";
  struct {
    const char* Name;
    bool IsSave, MultiSelect, OverwritePrompt;
    std::u16string Title, Filter, DefaultExt, FileName, Directory;
    std::u16string Typed;  // empty: Cancel
    bool Prompt;           // a prompt (create or overwrite) follows Open and is answered Yes
    std::u16string Shown;  // what the name field showed
    int Filters;
    bool Chosen;
    std::u16string Result;  // FileName afterwards
  } const cases[] = {
      {"open", false, false, false, u"kx open", u"文本文件（*.txt）|*.txt|所有文件（*.*）|*.*", u"txt", u"start.txt",
       folder, folder + u"table.txt", false, u"start.txt", 2, true, u"table.txt"},
      {"several", false, true, false, u"kx several", u"", u"", u"", folder, u"\"a.txt\" \"b.txt\" \"c.txt\"", false,
       u"", 0, true, u"a.txt\tb.txt\tc.txt"},
      {"one of several", false, true, false, u"kx one", u"", u"", u"", folder, u"b.txt", false, u"", 0, true, u"b.txt"},
      {"create", false, false, false, u"kx create", u"", u"", u"", folder, u"new.txt", true, u"", 0, true, u"new.txt"},
      {"overwrite", true, false, true, u"kx overwrite", u"", u"", u"", folder, u"table.txt", true, u"", 0, true,
       u"table.txt"},
      {"default extension", true, false, false, u"kx save", u"", u"txt", u"", folder, u"report", false, u"", 0, true,
       u"report.txt"},
      {"cut to the buffers", false, false, false, u"kx long", longFilter, u"", longName, u"", u"", false,
       longName.substr(0, 1023), 2, false, longName},
  };
  for (const auto& c : cases) {
    TOpenSaveDialog dialog;
    dialog.IsSave = c.IsSave, dialog.MultiSelect = c.MultiSelect, dialog.OverwritePrompt = c.OverwritePrompt;
    dialog.Title = c.Title, dialog.Filter = c.Filter, dialog.DefaultExt = c.DefaultExt;
    dialog.FileName = c.FileName, dialog.Directory = c.Directory;
    std::wstring shown;
    int filters = -1;
    bool prompted = false;
    bool chosen = false;
    {
      std::jthread user([&] {
        const std::wstring caption(c.Title.begin(), c.Title.end());
        HWND box = testutil::WaitForWindow(GetCurrentProcessId(), [&](HWND w) {
          return testutil::IsFileDialog(w) && testutil::WindowText(w) == caption;
        });
        if (box == nullptr) {  // fail, and close whatever came instead so that the run goes on
          ADD_FAILURE() << c.Name << ": no file dialog with the caption " << Utf8(c.Title);
          return testutil::Click(testutil::WaitForWindow(GetCurrentProcessId(), testutil::IsFileDialog, 2000), IDCANCEL);
        }
        Sleep(200);  // the dialog fills its fields after it shows
        shown = testutil::WindowText(NameField(box));
        filters = static_cast<int>(SendMessageW(GetDlgItem(box, 0x470), CB_GETCOUNT, 0, 0));
        if (c.Typed.empty()) return testutil::Click(box, IDCANCEL);
        SetWindowTextW(NameField(box), reinterpret_cast<LPCWSTR>(c.Typed.c_str()));
        testutil::Click(box, IDOK);
        if (!c.Prompt) return;
        HWND prompt = testutil::WaitForWindow(GetCurrentProcessId(), [&](HWND w) { return GetWindow(w, GW_OWNER) == box; });
        prompted = prompt != nullptr;
        PostMessageW(prompt, WM_COMMAND, IDYES, 0);
      });
      chosen = dialog.Execute();
    }
    EXPECT_EQ(Utf8(std::u16string(shown.begin(), shown.end())), Utf8(c.Shown)) << c.Name;
    EXPECT_EQ(filters, c.Filters) << c.Name;
    EXPECT_EQ(prompted, c.Prompt) << c.Name;
    EXPECT_EQ(chosen, c.Chosen) << c.Name;
    EXPECT_EQ(Utf8(dialog.FileName), Utf8(c.Result)) << c.Name;
    EXPECT_EQ(Utf8(dialog.Directory), Utf8(c.Chosen ? folder : c.Directory)) << c.Name;
  }
  wchar_t current[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, current);
  EXPECT_EQ(Utf8(reinterpret_cast<const char16_t*>(current) + std::u16string(u"\\")), Utf8(folder))
      << "the folder of the last choice is the current one";
}
