// The registry, the dialog procedure and the modal dialog, run for real.
#include <gtest/gtest.h>

#include <stdexcept>

#include "tests/TestText.h"
#include "tests/ui/TestDialog.h"
#include "ui/UkxDialog.h"

using namespace kxtest;
using Log = std::vector<std::string>;

namespace {

// Stands for a window's owner in the registry without any window.
class TRecorder : public TkxObject {
 public:
  explicit TRecorder(LRESULT AAnswer) : Answer(AAnswer) {}
  LRESULT Handle(UINT, WPARAM, LPARAM) { return Answer; }
  LRESULT Answer;
};

TMessagehandler HandlerOf(TRecorder& Recorder) {
  return TMessagehandler{&Recorder, static_cast<TMessagehandler::TProc>(&TRecorder::Handle)};
}

}  // namespace

TEST(Registry, FindsTheFirstOfTwoEntriesAndAnswersZeroForUnknownWindows) {
  TMHCenter& registry = TMHCenter::Instance();
  const std::size_t before = registry.Count();
  const auto window = reinterpret_cast<HWND>(std::intptr_t{0x7FFF12345678});
  TRecorder first(11);
  TRecorder second(22);
  registry.Register(window, HandlerOf(first));
  registry.Register(window, HandlerOf(second));

  EXPECT_EQ(registry.Find(window).Object, &first);
  EXPECT_EQ(KxDialogProc(window, WM_USER, 0, 0), 11) << "the dialog procedure answers with the handler's result";
  EXPECT_FALSE(registry.Find(reinterpret_cast<HWND>(std::intptr_t{0x5678})).IsSet());
  EXPECT_EQ(KxDialogProc(reinterpret_cast<HWND>(std::intptr_t{0x5678}), WM_USER, 0, 0), 0);

  KxDialogProc(window, WM_NCDESTROY, 0, 0);
  EXPECT_FALSE(registry.Find(window).IsSet()) << "a destroyed window leaves no entry behind";
  EXPECT_EQ(registry.Count(), before);
}

TEST(Dialog, DialogsRunOneAfterAnotherEachReachingItsOwnObject) {
  const std::size_t before = TMHCenter::Instance().Count();
  for (int run = 0; run < 3; ++run) {
    auto* dialog = new TTestDialog;
    dialog->Steps = {[&](TTestDialog& d) {
      EXPECT_EQ(TMHCenter::Instance().Find(d.Handle).Object, &d);
      SendMessageW(d.Handle, WM_COMMAND, 204, 0);
      d.Close(true);
    }};
    EXPECT_TRUE(dialog->Execute());
    EXPECT_EQ(dialog->Log, (Log{"cmd 000000CC", "oncommand 204", "close"})) << "run " << run;
    EXPECT_FALSE(TMHCenter::Instance().Find(dialog->Handle).IsSet());
    delete dialog;
  }
  EXPECT_EQ(TMHCenter::Instance().Count(), before);
}

TEST(Dialog, ExecuteAnswersFalseWhenTheDialogCannotBeCreated) {
  TTestDialog missing(nullptr, 999);
  EXPECT_FALSE(missing.Execute());
  EXPECT_EQ(missing.Handle, nullptr);
}

TEST(Dialog, AttachSetsTheIconNotifiesTheOwnerAndCentresOnIt) {
  TTestDialog outer;
  outer.Steps = {[](TTestDialog& o) {
    o.SetBounds(40, 30, 500, 400);
    TTestDialog inner(&o, InnerTemplate);
    std::vector<std::string> seenOnInitialize;
    inner.Steps = {[&](TTestDialog& i) {
      const TBounds p = o.GetBounds();
      const TBounds b = i.GetBounds();
      EXPECT_EQ(b.Left, p.Left + (p.Width - b.Width) / 2);
      EXPECT_EQ(b.Top, p.Top + (p.Height - b.Height) / 2);
      const auto big = SendMessageW(i.Handle, WM_GETICON, ICON_BIG, 0);
      EXPECT_NE(big, 0);
      EXPECT_EQ(SendMessageW(i.Handle, WM_GETICON, ICON_SMALL, 0), big);
      i.Close(true);
    }};
    EXPECT_TRUE(inner.Execute());
    EXPECT_EQ(o.Log, (Log{"opened", "closed"}));
    o.Close(false);
  }};
  EXPECT_FALSE(outer.Execute());
}

TEST(Dialog, MovesReachOnMoveFromInitializeOnAndAsSignedPositions) {
  TTestDialog dialog;
  std::size_t movesInInitialize = 0;
  dialog.InitStep = [&](TTestDialog& d) {
    d.SetBounds(123, 77, -1, -1);
    movesInInitialize = d.Moves.size();
  };
  POINT leftAbove{};
  dialog.Steps = {[&](TTestDialog& d) {
    const TBounds b = d.GetBounds();
    d.MoveTo(TBounds{-400, -300, b.Width, b.Height});
    leftAbove = d.Moves.back();
    d.Close(false);
  }};
  dialog.Execute();
  ASSERT_GE(movesInInitialize, 1u);
  // WM_MOVE gives the client area's origin, which lies inside the frame.
  EXPECT_GE(dialog.Moves[movesInInitialize - 1].x, 123);
  EXPECT_GE(dialog.Moves[movesInInitialize - 1].y, 77);
  EXPECT_LT(leftAbove.x, 0);
  EXPECT_GT(leftAbove.x, -400);
  EXPECT_LT(leftAbove.y, 0);
  EXPECT_GT(leftAbove.y, -300);
}

TEST(Dialog, EveryWayOutAndItsNearMisses) {
  struct TCase {
    const char* Name;
    std::vector<TStep> Steps;
    bool Result;
    Log Expected;
  };
  const auto post = [](UINT message, WPARAM w) {
    return [=](TTestDialog& d) { PostMessageW(d.Handle, message, w, 0); };
  };
  const TStep closeTrue = [](TTestDialog& d) {
    d.Log.push_back("still open");
    d.Close(true);
  };
  const TCase cases[] = {
      {"close command", {post(WM_SYSCOMMAND, SC_CLOSE)}, false, {"sys F060", "close"}},
      // The default processing turns it into WM_CLOSE and that into IDCANCEL.
      {"close command with low bits", {post(WM_SYSCOMMAND, SC_CLOSE | 1)}, false,
       {"sys F061", "cmd 00000002", "close"}},
      {"cancel command", {post(WM_COMMAND, IDCANCEL)}, false, {"cmd 00000002", "close"}},
      {"cancel identifier with a notification code", {post(WM_COMMAND, MAKEWPARAM(IDCANCEL, 1)), closeTrue},
       true, {"cmd 00010002", "oncommand 2", "still open", "close"}},
      {"Escape key",
       {[](TTestDialog& d) { PostMessageW(d.GetItem(206), WM_KEYDOWN, VK_ESCAPE, 0x00010001); }},
       false, {"cmd 00000002", "close"}},
      {"Close(true)", {[](TTestDialog& d) { d.Close(true); }}, true, {"close"}},
      {"Close(false)", {[](TTestDialog& d) { d.Close(false); }}, false, {"close"}},
  };
  for (const TCase& c : cases) {
    TTestDialog dialog;
    dialog.Steps = c.Steps;
    EXPECT_EQ(dialog.Execute(), c.Result) << c.Name;
    EXPECT_EQ(dialog.Log, c.Expected) << c.Name;
  }
}

TEST(Dialog, CommandsReachTheWrapperOrTheDialogButNeverBoth) {
  RunSteps({[](TTestDialog& d) {
    TProbe wrapped(&d, d.GetItem(201));
    SendMessageW(d.Handle, WM_COMMAND, MAKEWPARAM(201, EN_CHANGE), reinterpret_cast<LPARAM>(wrapped.Handle));
    SendMessageW(d.Handle, WM_COMMAND, MAKEWPARAM(206, EN_CHANGE), reinterpret_cast<LPARAM>(d.GetItem(206)));
    SendMessageW(d.Handle, WM_COMMAND, MAKEWPARAM(204, BN_CLICKED), reinterpret_cast<LPARAM>(d.GetItem(204)));
    EXPECT_EQ(wrapped.Codes, (std::vector<std::uint16_t>{EN_CHANGE}));
    EXPECT_EQ(d.Log, (Log{"cmd 030000C9", "cmd 030000CE", "oncommand 206", "cmd 000000CC", "oncommand 204"}));
    d.Close(true);
  }});
}

TEST(Dialog, NotificationsAndTheirPointerSizedResults) {
  RunSteps({[](TTestDialog& d) {
    TProbe wrapped(&d, d.GetItem(203));
    wrapped.NotifyResult = static_cast<LRESULT>(0x123456789AB);
    NMHDR header{wrapped.Handle, 203, static_cast<UINT>(-1234)};
    EXPECT_EQ(KxDialogProc(d.Handle, WM_NOTIFY, 203, reinterpret_cast<LPARAM>(&header)), 1);
    EXPECT_EQ(GetWindowLongPtrW(d.Handle, DWLP_MSGRESULT), wrapped.NotifyResult);
    EXPECT_EQ(wrapped.NotifyCodes, (std::vector<int>{-1234}));
    EXPECT_EQ(wrapped.LastHeader, &header) << "the header pointer arrives whole";
    // Through the platform the stored result is the sender's answer.
    EXPECT_EQ(SendMessageW(d.Handle, WM_NOTIFY, 203, reinterpret_cast<LPARAM>(&header)), wrapped.NotifyResult);

    NMHDR other{d.GetItem(206), 206, static_cast<UINT>(-5)};
    d.NotifyResult = 0;
    SetWindowLongPtrW(d.Handle, DWLP_MSGRESULT, 99);
    EXPECT_EQ(KxDialogProc(d.Handle, WM_NOTIFY, 206, reinterpret_cast<LPARAM>(&other)), 1);
    EXPECT_EQ(GetWindowLongPtrW(d.Handle, DWLP_MSGRESULT), 0);
    EXPECT_EQ(d.Log, (Log{"notify -5 from 206"}));
    EXPECT_EQ(wrapped.NotifyCodes.size(), 2u);
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
    d.SetItemText(206, u"");
    EXPECT_EQ(d.GetItemText(206), u"");
    d.SetItemText(206, u"文本文件");
    EXPECT_EQ(d.GetItemText(206), u"文本文件");
    d.Close(true);
  }});
}

TEST(Dialog, AFailureEscapingAHandlerIsShownAndTheDialogGoesOn) {
  struct TCase {
    std::function<void()> Raise;
    std::u16string Shown;
  };
  const TCase cases[] = {
      {[] { throw TkxException(u"待拆分文件不存在!"); }, u"待拆分文件不存在!"},
      {[] { throw std::runtime_error("boom"); }, u"Unexpected failure in a window handler!"},
  };
  for (const TCase& c : cases) {
    std::u16string caption;
    std::u16string shown;
    TTestDialog dialog;
    {
      THelper helper([&] {
        HWND box = WaitForWindow(L"#32770", L"错误!");
        if (box == nullptr) return;
        caption = WindowText(box);
        shown = WindowText(GetDlgItem(box, 0xFFFF));
        PostMessageW(box, WM_COMMAND, IDOK, 0);
      });
      dialog.CommandHook = [&](std::uint16_t id) {
        if (id == 204) c.Raise();
      };
      dialog.Steps = {[](TTestDialog& d) { SendMessageW(d.Handle, WM_COMMAND, 204, 0); },
                      [](TTestDialog& d) { d.Close(true); }};
      EXPECT_TRUE(dialog.Execute());
    }
    EXPECT_EQ(dialog.Log, (Log{"cmd 000000CC", "oncommand 204", "close"}));
    EXPECT_EQ(testtext::Utf8(caption), "错误!");
    EXPECT_EQ(testtext::Utf8(shown), testtext::Utf8(c.Shown));
  }
}
