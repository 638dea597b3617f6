// The registry, the dialog procedure and the modal dialog, run for real.
#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "tests/TestUtil.h"
#include "tests/ui/TestDialog.h"

using namespace kxtest;
using TLog = std::vector<std::string>;

namespace {

// Stands for a window's owner in the registry, without a window.
struct TRecorder : TkxObject {
  explicit TRecorder(LRESULT AAnswer) : Answer(AAnswer) {}
  LRESULT Handle(UINT, WPARAM, LPARAM) { return Answer; }
  TMessagehandler Handler() { return {this, static_cast<TMessagehandler::TProc>(&TRecorder::Handle)}; }
  LRESULT Answer;
};

}  // namespace

TEST(Registry, TheFirstHandlerAnswersUntilTheWindowIsDestroyed) {
  TMHCenter& registry = TMHCenter::Instance();
  const std::size_t before = registry.Count();
  const auto window = reinterpret_cast<HWND>(std::intptr_t{0x7FFF12345678});
  const auto unknown = reinterpret_cast<HWND>(std::intptr_t{0x5678});
  TRecorder first(11), second(22);
  registry.Register(window, first.Handler());
  registry.Register(window, second.Handler());
  EXPECT_EQ(KxDialogProc(window, WM_USER, 0, 0), 11);
  EXPECT_FALSE(registry.Find(unknown).IsSet());
  EXPECT_EQ(KxDialogProc(unknown, WM_USER, 0, 0), 0);
  EXPECT_EQ(KxDialogProc(unknown, WM_INITDIALOG, 0, 0), -1) << "an init without a dialog object is left alone";
  KxDialogProc(window, WM_NCDESTROY, 0, 0);
  EXPECT_FALSE(registry.Find(window).IsSet());
  EXPECT_EQ(registry.Count(), before);
}

TEST(Dialog, DialogsRunOneAfterAnotherEachReachingItsOwnObject) {
  const std::size_t before = TMHCenter::Instance().Count();
  for (int run = 0; run < 3; ++run) {
    auto dialog = std::make_unique<TTestDialog>();
    dialog->Steps = {[](TTestDialog& d) {
      EXPECT_EQ(TMHCenter::Instance().Find(d.Handle).Object, &d);
      SendMessageW(d.Handle, WM_COMMAND, 204, 0);
      d.Close(true);
    }};
    EXPECT_TRUE(dialog->Execute());
    EXPECT_EQ(dialog->Log, (TLog{"cmd 000000CC", "oncommand 204", "close"})) << run;
  }
  EXPECT_EQ(TMHCenter::Instance().Count(), before);
  TTestDialog missing(nullptr, 999);
  EXPECT_FALSE(missing.Execute()) << "a dialog the platform cannot create";
  EXPECT_EQ(missing.Handle, nullptr);
}

TEST(Dialog, AttachSetsTheIconNotifiesTheOwnerCentresOnItAndMovesReachOnMove) {
  RunSteps({[](TTestDialog& o) {
    o.SetBounds(40, 30, 500, 400);
    TTestDialog inner(&o, InnerTemplate);
    inner.Steps = {[&](TTestDialog& i) {
      const TBounds p = o.GetBounds();
      const TBounds b = i.GetBounds();
      EXPECT_EQ(b.Left, p.Left + (p.Width - b.Width) / 2);
      EXPECT_EQ(b.Top, p.Top + (p.Height - b.Height) / 2);
      // The centring move, made in OnInitialize, reaches OnMove with the client area's origin.
      ASSERT_FALSE(i.Moves.empty());
      EXPECT_GE(i.Moves.back().x, b.Left);
      EXPECT_LT(i.Moves.back().x, b.Left + b.Width);
      const LRESULT big = SendMessageW(i.Handle, WM_GETICON, ICON_BIG, 0);
      EXPECT_NE(big, 0);
      EXPECT_EQ(SendMessageW(i.Handle, WM_GETICON, ICON_SMALL, 0), big);
      // Left of and above the screen, positions arrive signed.
      i.MoveTo(TBounds{-400, -300, b.Width, b.Height});
      EXPECT_LT(i.Moves.back().x, 0);
      EXPECT_GT(i.Moves.back().x, -400);
      EXPECT_LT(i.Moves.back().y, 0);
      EXPECT_GT(i.Moves.back().y, -300);
      i.Close(true);
    }};
    EXPECT_TRUE(inner.Execute());
    EXPECT_EQ(o.Log, (TLog{"opened", "closed"}));
    o.Close(false);
  }});
}

// Cancel and Escape closing the program's own dialog are driven end to end.
TEST(Dialog, EveryWayOutAndItsNearMisses) {
  const auto post = [](UINT message, WPARAM w) { return [=](TTestDialog& d) { PostMessageW(d.Handle, message, w, 0); }; };
  const TStep closeTrue = [](TTestDialog& d) {
    d.Log.push_back("still open");
    d.Close(true);
  };
  struct { const char* Name; std::vector<TStep> Steps; bool Result; TLog Log; } const cases[] = {
      {"close command", {post(WM_SYSCOMMAND, SC_CLOSE)}, false, {"sys F060", "close"}},
      // The default processing turns it into WM_CLOSE and that into IDCANCEL.
      {"close command with low bits", {post(WM_SYSCOMMAND, SC_CLOSE | 1)}, false, {"sys F061", "cmd 00000002", "close"}},
      {"cancel with a notification code", {post(WM_COMMAND, MAKEWPARAM(IDCANCEL, 1)), closeTrue}, true,
       {"cmd 00010002", "oncommand 2", "still open", "close"}},
      {"Close(true)", {[](TTestDialog& d) { d.Close(true); }}, true, {"close"}},
  };
  for (const auto& c : cases) {
    TTestDialog dialog;
    dialog.Steps = c.Steps;
    EXPECT_EQ(dialog.Execute(), c.Result) << c.Name;
    EXPECT_EQ(dialog.Log, c.Log) << c.Name;
  }
}

TEST(Dialog, CommandsAndNotificationsReachTheWrapperOrTheDialogButNeverBoth) {
  RunSteps({[](TTestDialog& d) {
    TProbe edit(&d, d.GetItem(201));
    TProbe spin(&d, d.GetItem(203));
    SendMessageW(d.Handle, WM_COMMAND, MAKEWPARAM(201, EN_CHANGE), reinterpret_cast<LPARAM>(edit.Handle));
    SendMessageW(d.Handle, WM_COMMAND, MAKEWPARAM(206, EN_CHANGE), reinterpret_cast<LPARAM>(d.GetItem(206)));
    EXPECT_EQ(edit.Codes, (std::vector<std::uint16_t>{EN_CHANGE}));

    spin.NotifyResult = static_cast<LRESULT>(0x123456789AB);  // pointer-sized, never cut
    NMHDR header{spin.Handle, 203, static_cast<UINT>(-1234)};
    EXPECT_EQ(KxDialogProc(d.Handle, WM_NOTIFY, 203, reinterpret_cast<LPARAM>(&header)), 1);
    EXPECT_EQ(GetWindowLongPtrW(d.Handle, DWLP_MSGRESULT), spin.NotifyResult);
    EXPECT_EQ(spin.NotifyCodes, (std::vector<int>{-1234}));
    EXPECT_EQ(spin.LastHeader, &header);
    EXPECT_EQ(SendMessageW(d.Handle, WM_NOTIFY, 203, reinterpret_cast<LPARAM>(&header)), spin.NotifyResult)
        << "through the platform the stored result is the answer";
    NMHDR other{d.GetItem(206), 206, static_cast<UINT>(-5)};
    SetWindowLongPtrW(d.Handle, DWLP_MSGRESULT, 99);
    EXPECT_EQ(KxDialogProc(d.Handle, WM_NOTIFY, 206, reinterpret_cast<LPARAM>(&other)), 1);
    EXPECT_EQ(GetWindowLongPtrW(d.Handle, DWLP_MSGRESULT), 0);
    EXPECT_EQ(d.Log, (TLog{"cmd 030000C9", "cmd 030000CE", "oncommand 206", "notify -5 from 206"}));
    d.Close(true);
  }});
}

TEST(Dialog, GetItemTextCutsAt4999Characters) {
  RunSteps({[](TTestDialog& d) {
    SendMessageW(d.GetItem(206), EM_LIMITTEXT, 0, 0);
    std::u16string text;
    for (int i = 0; i < 6000; ++i) text += static_cast<char16_t>(u'a' + i % 26);
    d.SetItemText(206, text);
    EXPECT_EQ(d.GetItemText(206), text.substr(0, 4999));
    d.Close(true);
  }});
}

TEST(Dialog, AFailureEscapingAHandlerIsShownAndTheDialogGoesOn) {
  struct { std::function<void()> Raise; std::wstring Shown; } const cases[] = {
      {[] { throw TkxException(u"待拆分文件不存在!"); }, L"待拆分文件不存在!"},
      {[] { throw std::runtime_error("boom"); }, L"Unexpected failure in a window handler!"},
  };
  for (const auto& c : cases) {
    testutil::TMessageBox box;
    TTestDialog dialog;
    {
      std::jthread answer([&] {
        box = testutil::WaitForMessageBox(GetCurrentProcessId());
        testutil::Click(box.Window, IDOK);
      });
      dialog.CommandHook = [&](std::uint16_t id) {
        if (id == 204) c.Raise();
      };
      dialog.Steps = {[](TTestDialog& d) { SendMessageW(d.Handle, WM_COMMAND, 204, 0); },
                      [](TTestDialog& d) { d.Close(true); }};
      EXPECT_TRUE(dialog.Execute());
    }
    EXPECT_EQ(dialog.Log, (TLog{"cmd 000000CC", "oncommand 204", "close"}));
    EXPECT_EQ(box.Caption, L"错误!");
    EXPECT_EQ(box.Text, c.Shown);
  }
}
