#include "ui/UkxCommDlgs.h"
#include "ui/UkxDefaultOwner.h"

#include "tests/TestText.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

using testtext::Utf8;

TEST(MsgBoxStyle, KindChoosesIconButtonsAndDefaultCaption) {
  struct Case {
    int kind;
    std::uint32_t flags;
    std::u16string caption;
  };
  const Case cases[] = {
      {0, 0x30, u"警告!"}, {1, 0x30, u"警告!"}, {2, 0x40, u"提示!"},   {3, 0x21, u"注意!"},
      {4, 0x10, u"错误!"}, {5, 0x40, u"提示!"}, {128, 0x40, u"提示!"}, {255, 0x40, u"提示!"},
  };
  for (const Case& c : cases) {
    const TMsgBoxStyle empty = MsgBoxStyleFor(static_cast<std::uint8_t>(c.kind), u"");
    EXPECT_EQ(empty.Flags, c.flags) << "kind " << c.kind;
    EXPECT_EQ(Utf8(empty.Caption), Utf8(c.caption)) << "kind " << c.kind;
    // A caption of the caller's own is kept; the kind still picks icon and buttons.
    const TMsgBoxStyle own = MsgBoxStyleFor(static_cast<std::uint8_t>(c.kind), u"Mine \u00E9");
    EXPECT_EQ(own.Flags, c.flags) << "kind " << c.kind;
    EXPECT_EQ(own.Caption, u"Mine \u00E9") << "kind " << c.kind;
  }
  // The exclamation mark is the ASCII one.
  EXPECT_EQ(MsgBoxStyleFor(4, u"").Caption.back(), u'!');
}

namespace {

// What the helper thread saw of the box before pressing its button.
struct TSeenBox {
  bool Found = false;
  std::u16string Text;
  bool HasOk = false;
  bool HasCancel = false;
  HWND Owner = nullptr;
};

std::u16string WindowText(HWND window) {
  wchar_t buffer[512] = {};
  ::GetWindowTextW(window, buffer, 512);
  return reinterpret_cast<const char16_t*>(buffer);
}

// Waits on its own thread for a message box with the caption, notes what it shows,
// and clicks the button. A box that never shows under that caption is closed anyway,
// so that a failing test cannot hang.
class TBoxPresser {
 public:
  // button: the identifier of the button to click, or EscapeKey to press Escape.
  static constexpr int EscapeKey = -1;
  TBoxPresser(std::u16string caption, int button)
      : caption_(std::move(caption)), button_(button), thread_([this] { Run(); }) {}
  ~TBoxPresser() {
    if (thread_.joinable()) thread_.join();
  }
  const TSeenBox& Seen() {
    thread_.join();
    return seen_;
  }

 private:
  void Run() {
    const wchar_t* caption = reinterpret_cast<const wchar_t*>(caption_.c_str());
    for (int i = 0; i < 400; ++i) {
      HWND box = ::FindWindowW(L"#32770", caption);
      if (box != nullptr && ::IsWindowVisible(box)) {
        seen_.Found = true;
        seen_.Text = WindowText(::GetDlgItem(box, 0xFFFF));
        seen_.HasOk = ::GetDlgItem(box, IDOK) != nullptr;
        seen_.HasCancel = ::GetDlgItem(box, IDCANCEL) != nullptr;
        seen_.Owner = ::GetWindow(box, GW_OWNER);
        if (button_ == EscapeKey) {
          // Keys go to the box's focused control, as the keyboard would send them.
          GUITHREADINFO info{};
          info.cbSize = sizeof info;
          ::GetGUIThreadInfo(::GetWindowThreadProcessId(box, nullptr), &info);
          ::PostMessageW(info.hwndFocus != nullptr ? info.hwndFocus : box, WM_KEYDOWN, VK_ESCAPE, 1);
        } else {
          ::PostMessageW(::GetDlgItem(box, button_), BM_CLICK, 0, 0);
        }
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (HWND stray = ::FindWindowW(L"#32770", nullptr)) ::PostMessageW(stray, WM_COMMAND, IDCANCEL, 0);
  }

  std::u16string caption_;
  int button_;
  TSeenBox seen_;
  std::thread thread_;
};

}  // namespace

TEST(MsgBox, InformationBoxShowsTheDefaultCaptionAndOkGivesFalse) {
  ASSERT_EQ(GetDefaultOwner(), nullptr);  // this thread has no window yet
  TBoxPresser presser(u"提示!", IDOK);
  EXPECT_FALSE(MsgBox(u"Done: 3 files", 2, u""));
  const TSeenBox& seen = presser.Seen();
  ASSERT_TRUE(seen.Found);
  EXPECT_EQ(seen.Text, u"Done: 3 files");
  EXPECT_TRUE(seen.HasOk);
  EXPECT_FALSE(seen.HasCancel);
  EXPECT_EQ(seen.Owner, nullptr);
}

TEST(MsgBox, QuestionBoxGivesTrueForCancelOrEscapeAndFalseForOk) {
  struct Case {
    int button;
    bool expected;
  };
  for (const Case& c : {Case{IDCANCEL, true}, Case{TBoxPresser::EscapeKey, true}, Case{IDOK, false}}) {
    TBoxPresser presser(u"注意!", c.button);
    EXPECT_EQ(MsgBox(u"Go on?", 3, u""), c.expected) << c.button;
    const TSeenBox& seen = presser.Seen();
    ASSERT_TRUE(seen.Found);
    EXPECT_TRUE(seen.HasOk);
    EXPECT_TRUE(seen.HasCancel);
  }
}

TEST(MsgBox, OwnCaptionIsShownAndTheActiveWindowOwnsTheBox) {
  HWND window = ::CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100,
                                  nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  ::SetActiveWindow(window);
  EXPECT_EQ(GetDefaultOwner(), window);

  TBoxPresser presser(u"Rowdeal error test", IDOK);
  EXPECT_FALSE(MsgBox(u"File Open Error!", 4, u"Rowdeal error test"));
  const TSeenBox& seen = presser.Seen();
  ASSERT_TRUE(seen.Found);
  EXPECT_EQ(seen.Text, u"File Open Error!");
  EXPECT_EQ(seen.Owner, window);
  ::DestroyWindow(window);
}
