// The registry, the dialog procedure and the modal dialog, run for real.
#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "tests/TestUtil.h"
#include "tests/ui/TestDialog.h"

using namespace kxtest;

TEST(Registry, TheFirstHandlerAnswersUntilTheWindowIsDestroyed) {
  TMHCenter& registry = TMHCenter::Instance();
  const std::size_t before = registry.Count();
  const auto window = reinterpret_cast<HWND>(std::intptr_t{0x7FFF12345678});
  // Dialogs without windows stand for the owners; a move tells which one answered.
  TTestDialog first({}), second({});
  for (TTestDialog* d : {&first, &second}) {
    registry.Register(window, {d, static_cast<TMessagehandler::TProc>(&TkxDialogSuper::MessageProc)});
  }
  EXPECT_EQ(KxDialogProc(window, WM_MOVE, 0, MAKELPARAM(5, 6)), 1);
  EXPECT_EQ(std::make_pair(first.LastMove.y, second.LastMove.y), std::make_pair(6L, 0L)) << "the first one";
  KxDialogProc(window, WM_NCDESTROY, 0, 0);
  EXPECT_EQ(registry.Count(), before);
}

TEST(Dialog, EveryWayOutEndsTheDialogWithItsResultAndNearMissesLeaveItOpen) {
  const auto post = [](UINT message, WPARAM w) { return [=](TTestDialog& d) { PostMessageW(d.Handle, message, w, 0); }; };
  const TTestDialog::TStep thenClose = [](TTestDialog& d) { d.Close(true); };
  struct { const char* Name; std::vector<TTestDialog::TStep> Steps; bool Result; TLog Log; } const cases[] = {
      {"close command", {post(WM_SYSCOMMAND, SC_CLOSE)}, false, {"close"}},
      {"close message", {post(WM_CLOSE, 0)}, false, {"close"}},
      {"cancel", {post(WM_COMMAND, IDCANCEL)}, false, {"close"}},
      {"OK is the dialog's own", {post(WM_COMMAND, IDOK), thenClose}, true, {"cmd 1", "close"}},
      {"cancel from an accelerator", {post(WM_COMMAND, MAKEWPARAM(IDCANCEL, 1)), thenClose}, true, {"cmd 2", "close"}},
  };
  const std::size_t before = TMHCenter::Instance().Count();
  for (const auto& c : cases) {
    TTestDialog dialog(c.Steps);
    EXPECT_EQ(dialog.Execute(), c.Result) << c.Name;
    EXPECT_EQ(dialog.Log, c.Log) << c.Name;
  }
  EXPECT_EQ(TMHCenter::Instance().Count(), before) << "a destroyed dialog leaves the registry";
  EXPECT_FALSE(TTestDialog({}, nullptr, 999).Execute()) << "a dialog the platform cannot create";
}

TEST(Dialog, AnOwnedDialogCentresOnItsOwnerAndShowsTheIcon) {
  EXPECT_TRUE(RunSteps({[](TTestDialog& o) {
    o.SetBounds(40, 30, 700, 500);
    o.SetBounds(0, 0, -1, -1);  // a negative argument keeps that edge or size
    const TBounds p = o.GetBounds();
    EXPECT_EQ((std::vector<int>{p.Left, p.Top, p.Width, p.Height}), (std::vector<int>{0, 0, 700, 500}));
    TTestDialog inner({[&](TTestDialog& i) {
      const TBounds b = i.GetBounds();
      EXPECT_EQ(b.Left, p.Left + (p.Width - b.Width) / 2);
      EXPECT_EQ(b.Top, p.Top + (p.Height - b.Height) / 2);
      const LRESULT big = SendMessageW(i.Handle, WM_GETICON, ICON_BIG, 0);
      EXPECT_NE(big, 0);
      EXPECT_EQ(SendMessageW(i.Handle, WM_GETICON, ICON_SMALL, 0), big);
      // Left of and above the screen, moves arrive signed (the client area's origin).
      i.MoveTo(TBounds{-400, -300, b.Width, b.Height});
      EXPECT_TRUE(i.LastMove.x < 0 && i.LastMove.x > -400 && i.LastMove.y < 0 && i.LastMove.y > -300);
      i.Close(true);
    }}, &o);
    EXPECT_TRUE(inner.Execute());
    o.Close(true);
  }}));
}

TEST(Dialog, CommandsAndNotificationsReachTheWrapperOrTheDialogButNeverBoth) {
  EXPECT_TRUE(RunSteps({[](TTestDialog& d) {
    TProbe edit(&d, d.GetItem(201)), spin(&d, d.GetItem(203));
    SendMessageW(d.Handle, WM_COMMAND, MAKEWPARAM(201, EN_CHANGE), reinterpret_cast<LPARAM>(edit.Handle));
    SendMessageW(d.Handle, WM_COMMAND, MAKEWPARAM(211, 0), reinterpret_cast<LPARAM>(d.GetItem(211)));
    spin.NotifyResult = static_cast<LRESULT>(0x123456789AB);  // pointer-sized, never cut
    NMHDR header{spin.Handle, 203, static_cast<UINT>(-1234)};
    EXPECT_EQ(SendMessageW(d.Handle, WM_NOTIFY, 203, reinterpret_cast<LPARAM>(&header)), spin.NotifyResult);
    EXPECT_EQ(edit.Got, (std::vector<int>{EN_CHANGE})) << "the code, not the identifier";
    EXPECT_EQ(spin.Got, (std::vector<int>{-1234}));
    EXPECT_EQ(d.Log, (TLog{"cmd 211"}));
    d.SetItemText(211, std::u16string(6000, u'x'));
    EXPECT_EQ(d.GetItemText(211), std::u16string(4999, u'x')) << "item texts are cut";
    d.Close(true);
  }}));
}

TEST(Dialog, AFailureEscapingAHandlerIsShownAndTheDialogGoesOn) {
  struct { std::function<void()> Raise; std::wstring Shown; } const cases[] = {
      {[] { throw TkxException(u"待拆分文件不存在!"); }, L"待拆分文件不存在!"},
      {[] { throw std::runtime_error("boom"); }, L"Unexpected failure in a window handler!"},
  };
  for (const auto& c : cases) {
    testutil::TMessageBox box;
    TTestDialog dialog({[](TTestDialog& d) { SendMessageW(d.Handle, WM_COMMAND, 204, 0); },
                        [](TTestDialog& d) { d.Close(true); }});
    dialog.Raise = c.Raise;
    {
      std::jthread answer([&] { box = testutil::AnswerNextBox(GetCurrentProcessId()); });
      EXPECT_TRUE(dialog.Execute());
    }
    EXPECT_EQ(dialog.Log, (TLog{"cmd 204", "close"}));
    EXPECT_EQ(box.Caption + L"|" + box.Text, L"错误!|" + c.Shown);
    EXPECT_EQ(box.Owner, dialog.Handle) << "the active window owns the box";
  }
}
