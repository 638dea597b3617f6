// The open and save dialogs, run for real and driven through the platform's dialog.
#include <gtest/gtest.h>

#include <string>

#include "tests/TestText.h"
#include "tests/ui/TestDialog.h"
#include "ui/UkxCommDlgs.h"

using namespace kxtest;

namespace {

constexpr int fileNameBox = 0x47C;  // cmb13: the file-name combo box of the explorer dialog
constexpr int fileNameEdit = 0x480; // edt1: the file-name edit where a dialog has one

HWND FileNameBox(HWND Dialog) {
  HWND box = GetDlgItem(Dialog, fileNameBox);
  return box != nullptr ? box : GetDlgItem(Dialog, fileNameEdit);
}

// A fresh folder under the temporary directory with the given empty files; its path
// ends in "\".
std::u16string MakeFolder(const char16_t* Name, std::initializer_list<const char16_t*> Files) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::u16string folder = reinterpret_cast<const char16_t*>(temp);
  folder += Name;
  folder += u"-" + std::u16string(1, static_cast<char16_t>(u'a' + GetCurrentProcessId() % 26)) + u"\\";
  CreateDirectoryW(reinterpret_cast<LPCWSTR>(folder.c_str()), nullptr);
  for (const char16_t* file : Files) {
    const std::u16string path = folder + file;
    HANDLE h = CreateFileW(reinterpret_cast<LPCWSTR>(path.c_str()), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    CloseHandle(h);
  }
  return folder;
}

// The message box that Dialog shows over itself; null when none comes within 10 s.
HWND PromptOf(HWND Dialog) {
  for (int waited = 0; waited < 10000; waited += 20) {
    HWND box = nullptr;
    while ((box = FindWindowExW(nullptr, box, L"#32770", nullptr)) != nullptr) {
      if (box != Dialog && GetWindow(box, GW_OWNER) == Dialog && IsWindowVisible(box)) return box;
    }
    Sleep(20);
  }
  return nullptr;
}

// On a helper thread: waits for the platform dialog with Caption, records what its
// file-name box shows, types Typed there (unless null) and presses Open/Save, or
// Cancel when Typed is null.
struct TDriver {
  std::u16string ShownName;
  std::u16string Caption;
  bool Found = false;
  // Set: a prompt owned by the platform dialog is expected after Open and answered so.
  int PromptAnswer = 0;
  bool Prompted = false;
  void Drive(const wchar_t* ACaption, const char16_t* Typed) {
    HWND dialog = WaitForWindow(L"#32770", ACaption);
    Found = dialog != nullptr;
    if (dialog == nullptr) {
      // Some other dialog came up: cancel it rather than leave the test blocked.
      dialog = WaitForWindow(L"#32770", nullptr, 2000);
      Typed = nullptr;
    }
    if (dialog == nullptr) return;
    Caption = WindowText(dialog);
    Sleep(200);  // let the dialog finish filling itself
    ShownName = WindowText(FileNameBox(dialog));
    if (Typed != nullptr) {
      SetWindowTextW(FileNameBox(dialog), reinterpret_cast<LPCWSTR>(Typed));
      PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
      if (PromptAnswer != 0) AnswerPrompt(dialog);
    } else {
      PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
    }
  }
  void AnswerPrompt(HWND Dialog) {
    HWND prompt = PromptOf(Dialog);
    Prompted = prompt != nullptr;
    if (prompt != nullptr) PostMessageW(prompt, WM_COMMAND, PromptAnswer, 0);
  }
};

std::u16string CurrentDirectory() {
  wchar_t dir[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, dir);
  return reinterpret_cast<const char16_t*>(dir);
}

}  // namespace

TEST(FileDialogs, ANewOpenDialogIsResetAndOwnedByItsOwner) {
  RunSteps({[](TTestDialog& d) {
    TOpenDialog owned(&d);
    EXPECT_EQ(owned.OwnerHandle, d.Handle);
    TOpenDialog unowned;
    EXPECT_EQ(unowned.OwnerHandle, GetActiveWindow());
    EXPECT_FALSE(unowned.IsSave);
    EXPECT_FALSE(unowned.MultiSelect);
    EXPECT_FALSE(unowned.OverwritePrompt);
    EXPECT_EQ(unowned.FilterIndex, 0);
    EXPECT_TRUE(unowned.Filter.empty() && unowned.Title.empty() && unowned.DefaultExt.empty() &&
                unowned.FileName.empty() && unowned.Directory.empty());
    unowned.IsSave = true;
    unowned.OverwritePrompt = true;
    unowned.Title = u"x";
    unowned.FilterIndex = 2;
    unowned.TOpenSaveDialog::Reset();
    EXPECT_TRUE(unowned.IsSave && unowned.OverwritePrompt) << "the flags survive the texts' reset";
    EXPECT_TRUE(unowned.Title.empty());
    EXPECT_EQ(unowned.FilterIndex, 0);
    unowned.Reset();
    EXPECT_FALSE(unowned.IsSave);
    d.Close(true);
  }});
}

TEST(FileDialogs, OpenReturnsTheNameAndFolderAndLeavesTheFolderCurrent) {
  const std::u16string folder = MakeFolder(u"kxopen", {u"table.txt", u"other.txt"});
  const std::u16string typed = folder + u"table.txt";
  TDriver driver;
  TOpenDialog dialog;
  dialog.Filter = u"文本文件（*.txt）|*.txt|所有文件（*.*）|*.*";
  dialog.Title = u"kx pick a table";
  dialog.DefaultExt = u"txt";
  dialog.FileName = u"start.txt";
  dialog.Directory = folder;
  bool chosen = false;
  {
    THelper helper([&] { driver.Drive(L"kx pick a table", typed.c_str()); });
    chosen = dialog.Execute();
  }
  ASSERT_TRUE(driver.Found);
  EXPECT_EQ(testtext::Utf8(driver.ShownName), "start.txt");
  ASSERT_TRUE(chosen);
  EXPECT_EQ(testtext::Utf8(dialog.FileName), "table.txt");
  EXPECT_EQ(testtext::Utf8(dialog.Directory), testtext::Utf8(folder));
  EXPECT_EQ(testtext::Utf8(CurrentDirectory() + u"\\"), testtext::Utf8(folder));
}

TEST(FileDialogs, CancelLeavesNameAndFolderAsTheCallerSetThem) {
  TDriver driver;
  TOpenDialog dialog;
  dialog.FileName = u"keep.txt";
  bool chosen = true;
  {
    // The empty title reaches the platform as an empty text, not as "none", so the
    // dialog's caption is empty rather than the platform's default.
    THelper helper([&] { driver.Drive(L"", nullptr); });
    chosen = dialog.Execute();
  }
  ASSERT_TRUE(driver.Found) << "a dialog captioned " << testtext::Utf8(driver.Caption);
  EXPECT_FALSE(chosen);
  EXPECT_EQ(dialog.FileName, u"keep.txt");
  EXPECT_EQ(dialog.Directory, u"");
}

TEST(FileDialogs, MultipleSelectionGivesTabSeparatedNamesAndTheFolder) {
  const std::u16string folder = MakeFolder(u"kxmulti", {u"a.txt", u"b.txt", u"c.txt"});
  struct TCase {
    const char16_t* Typed;
    const char* Names;
  };
  for (const TCase& c : {TCase{u"\"a.txt\" \"b.txt\" \"c.txt\"", "a.txt\tb.txt\tc.txt"}, TCase{u"b.txt", "b.txt"}}) {
    TDriver driver;
    TOpenDialog dialog;
    dialog.MultiSelect = true;
    dialog.Title = u"kx pick several";
    dialog.Directory = folder;
    bool chosen = false;
    {
      THelper helper([&] { driver.Drive(L"kx pick several", c.Typed); });
      chosen = dialog.Execute();
    }
    ASSERT_TRUE(chosen) << c.Names;
    EXPECT_EQ(testtext::Utf8(dialog.FileName), c.Names);
    EXPECT_EQ(testtext::Utf8(dialog.Directory), testtext::Utf8(folder));
  }
}

TEST(FileDialogs, OpenOffersToCreateAFileThatDoesNotExist) {
  const std::u16string folder = MakeFolder(u"kxcreate", {});
  TDriver driver;
  driver.PromptAnswer = IDYES;
  TOpenDialog dialog;
  dialog.Title = u"kx create";
  dialog.Directory = folder;
  bool chosen = false;
  {
    THelper helper([&] { driver.Drive(L"kx create", u"new.txt"); });
    chosen = dialog.Execute();
  }
  EXPECT_TRUE(driver.Prompted);
  ASSERT_TRUE(chosen);
  EXPECT_EQ(dialog.FileName, u"new.txt");
  EXPECT_EQ(testtext::Utf8(dialog.Directory), testtext::Utf8(folder));
}

TEST(FileDialogs, SaveAsksBeforeOverwritingWhenToldTo) {
  const std::u16string folder = MakeFolder(u"kxover", {u"old.txt"});
  TDriver driver;
  driver.PromptAnswer = IDYES;
  TOpenSaveDialog dialog;
  dialog.IsSave = true;
  dialog.OverwritePrompt = true;
  dialog.Title = u"kx overwrite";
  dialog.Directory = folder;
  bool chosen = false;
  {
    THelper helper([&] { driver.Drive(L"kx overwrite", u"old.txt"); });
    chosen = dialog.Execute();
  }
  EXPECT_TRUE(driver.Prompted);
  ASSERT_TRUE(chosen);
  EXPECT_EQ(dialog.FileName, u"old.txt");
}

TEST(FileDialogs, SaveAddsTheDefaultExtension) {
  const std::u16string folder = MakeFolder(u"kxsave", {});
  TDriver driver;
  TOpenSaveDialog dialog;
  dialog.IsSave = true;
  dialog.OverwritePrompt = true;
  dialog.Title = u"kx save";
  dialog.DefaultExt = u"txt";
  dialog.Directory = folder;
  bool chosen = false;
  {
    THelper helper([&] { driver.Drive(L"kx save", u"report"); });
    chosen = dialog.Execute();
  }
  ASSERT_TRUE(chosen);
  EXPECT_EQ(dialog.FileName, u"report.txt");
  EXPECT_EQ(testtext::Utf8(dialog.Directory), testtext::Utf8(folder));
}

TEST(FileDialogs, TooLongNameAndFilterAreCutToTheBuffers) {
  std::u16string longName;
  for (int i = 0; i < 1500; ++i) longName += static_cast<char16_t>(u'a' + i % 26);
  std::u16string longFilter = u"Tables|*.txt|Long|";
  while (longFilter.size() < 3000) longFilter += u"*.x;";
  TDriver driver;
  TOpenDialog dialog;
  dialog.Title = u"kx long";
  dialog.FileName = longName;
  dialog.Filter = longFilter;
  bool chosen = true;
  HWND filterBox = nullptr;
  std::u16string firstFilter;
  int filterCount = 0;
  {
    THelper helper([&] {
      HWND platform = WaitForWindow(L"#32770", L"kx long");
      if (platform != nullptr) {
        filterBox = GetDlgItem(platform, 0x470);  // cmb1: the file-type combo box
        filterCount = static_cast<int>(SendMessageW(filterBox, CB_GETCOUNT, 0, 0));
        wchar_t item[256] = {};
        SendMessageW(filterBox, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(item));
        firstFilter = reinterpret_cast<const char16_t*>(item);
      }
      driver.Drive(L"kx long", nullptr);
    });
    chosen = dialog.Execute();
  }
  ASSERT_TRUE(driver.Found);
  EXPECT_FALSE(chosen);
  EXPECT_EQ(driver.ShownName.size(), 1023u);
  EXPECT_EQ(driver.ShownName, longName.substr(0, 1023));
  EXPECT_EQ(dialog.FileName, longName) << "a cancelled dialog changes nothing";
  EXPECT_EQ(filterCount, 2);
  EXPECT_EQ(firstFilter, u"Tables");
}
