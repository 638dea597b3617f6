// Message boxes and the open and save dialogs, run for real and answered from a helper
// thread as a user would answer them. How the platform's boxes take keys is not ours.
#include <gtest/gtest.h>

#include <thread>

#include "tests/TestUtil.h"
#include "ui/UkxCommDlgs.h"

using testutil::Utf8;

TEST(MsgBox, KindChoosesIconButtonsAndCaption) {
  struct { int Kind; std::uint32_t Flags; std::u16string Caption; } const cases[] = {
      {0, 0x30, u"警告!"}, {1, 0x30, u"警告!"}, {2, 0x40, u"提示!"}, {3, 0x21, u"注意!"}, {4, 0x10, u"错误!"}, {5, 0x40, u"提示!"}};
  for (const auto& c : cases) {
    const TMsgBoxStyle style = MsgBoxStyleFor(static_cast<std::uint8_t>(c.Kind), u"");
    EXPECT_EQ(style.Flags, c.Flags) << c.Kind;
    EXPECT_EQ(Utf8(style.Caption), Utf8(c.Caption)) << c.Kind;
  }
}

// Who owns a box and what it shows is seen where a failure escapes a dialog's handler.
TEST(MsgBox, AnswersTrueForAnythingButOk) {
  for (const int button : {IDOK, IDCANCEL}) {
    std::jthread answer([&] { testutil::AnswerNextBox(GetCurrentProcessId(), button); });
    EXPECT_EQ(MsgBox(u"Go on?", 3, u""), button != IDOK) << button;
  }
}

// The product's open dialog, and the several names it can also take.
TEST(FileDialogs, WhatTheUserChoosesComesBackAsNameAndFolder) {
  testutil::TempDir temp;
  for (const char* name : {"table.txt", "a.txt", "b.txt"}) testutil::WriteFile(temp.Native(name), "");
  const std::u16string folder = temp.Path() + u"\\";
  const std::u16string longName(1500, u'n');
  // Title names the case. Typed is what the user types, empty: Cancel; Prompt, that the
  // question whether to create the file follows and is answered Yes; Shown, what the name
  // field showed and Filters how many filters; Result, FileName afterwards.
  struct { std::u16string Title; bool MultiSelect; std::u16string Filter, FileName, Directory, Typed; bool Prompt;
           std::u16string Shown; int Filters; std::u16string Result; } const cases[] = {
      {u"open", false, u"文本文件（*.txt）|*.txt|所有文件（*.*）|*.*", u"start.txt", folder, folder + u"table.txt", false,
       u"start.txt", 2, u"table.txt"},
      {u"several", true, u"", u"", folder, u"\"a.txt\" \"b.txt\"", false, u"", 0, u"a.txt\tb.txt"},
      {u"create", false, u"", u"", folder, u"new.txt", true, u"", 0, u"new.txt"},
      {u"cut to the buffer", false, u"", longName, u"", u"", false, longName.substr(0, 1023), 0, longName},
  };
  for (const auto& c : cases) {
    TOpenDialog dialog;
    dialog.MultiSelect = c.MultiSelect, dialog.Title = c.Title, dialog.Filter = c.Filter, dialog.DefaultExt = u"txt";
    dialog.FileName = c.FileName, dialog.Directory = c.Directory;
    std::wstring shown;
    int filters = -1;
    bool prompted = false;
    {
      std::jthread user([&] {
        HWND box = testutil::WaitForWindow(GetCurrentProcessId(), testutil::FileNameField);
        Sleep(200);  // the dialog fills its fields after it shows
        HWND name = testutil::FileNameField(box);
        shown = testutil::WindowText(name);
        filters = static_cast<int>(SendMessageW(GetDlgItem(box, 0x470), CB_GETCOUNT, 0, 0));
        if (c.Typed.empty()) return testutil::Click(box, IDCANCEL);
        SetWindowTextW(name, reinterpret_cast<LPCWSTR>(c.Typed.c_str()));
        testutil::Click(box, IDOK);
        if (!c.Prompt) return;
        HWND prompt = testutil::WaitForWindow(GetCurrentProcessId(), [&](HWND w) { return GetWindow(w, GW_OWNER) == box; });
        prompted = prompt != nullptr;
        PostMessageW(prompt, WM_COMMAND, IDYES, 0);
      });
      EXPECT_EQ(dialog.Execute(), !c.Typed.empty()) << Utf8(c.Title);
    }
    EXPECT_EQ(Utf8(std::u16string(shown.begin(), shown.end())), Utf8(c.Shown)) << Utf8(c.Title);
    EXPECT_EQ(filters, c.Filters) << Utf8(c.Title);
    EXPECT_EQ(prompted, c.Prompt) << Utf8(c.Title);
    EXPECT_EQ(Utf8(dialog.FileName), Utf8(c.Result)) << Utf8(c.Title);
    EXPECT_EQ(Utf8(dialog.Directory), Utf8(c.Typed.empty() ? c.Directory : folder)) << Utf8(c.Title);
  }
}
