// The window base and the child-control base on the workbench dialog's controls.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "support/UkxList.h"
#include "tests/ui/TestDialog.h"
#include "ui/UkxEdit.h"
#include "ui/UkxTypesWin.h"

using namespace kxtest;

// Beside TBounds, where the test macros look for them.
static bool operator==(const TBounds& a, const TBounds& b) {
  return a.Left == b.Left && a.Top == b.Top && a.Width == b.Width && a.Height == b.Height;
}

static std::ostream& operator<<(std::ostream& out, const TBounds& b) {
  return out << "(" << b.Left << ", " << b.Top << ", " << b.Width << ", " << b.Height << ")";
}

namespace {

// A control that makes its window itself, from a private class with a background.
class TCustomProbe : public TProbe {
 public:
  using TProbe::TProbe;
  void CustomCreate(TkxDialogSuper* AOwner, int X, int Y, int Width, int Height,
                    const std::u16string& Text) override {
    WNDCLASSW cls{};
    cls.lpfnWndProc = DefWindowProcW;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = L"kxCustomProbe";
    RegisterClassW(&cls);
    Handle = CreateWindowExW(0, L"kxCustomProbe", reinterpret_cast<LPCWSTR>(Text.c_str()), WS_CHILD | WS_VISIBLE,
                             X, Y, Width, Height, AOwner->Handle, nullptr, GetModuleHandleW(nullptr), nullptr);
  }
};

}  // namespace

TEST(Fonts, LogFontFromAFontDescription) {
  struct TCase {
    TFont Font;
    LONG Height;
    LONG Weight;
    BYTE Italic, Underline, StrikeOut;
  };
  const TCase cases[] = {
      {{u"Arial", 0, 9, 1, 0, 0, 0}, -12, 700, 0, 0, 0},
      {{u"Arial", 0, 10, 0, 1, 1, 1}, -13, 400, 1, 1, 1},
      {{u"", 0, 0, 0, 0, 0, 9}, 0, 400, 0, 0, 1},
      {{u"Arial", 0, -9, 2, 0, 0, 0}, 12, 700, 0, 0, 0},
  };
  for (const TCase& c : cases) {
    LOGFONTW lf;
    std::memset(&lf, 0xCD, sizeof lf);
    FontToLogFont(c.Font, lf);
    EXPECT_EQ(lf.lfHeight, c.Height) << c.Font.Size;
    EXPECT_EQ(lf.lfWeight, c.Weight);
    EXPECT_EQ(lf.lfItalic, c.Italic);
    EXPECT_EQ(lf.lfUnderline, c.Underline);
    EXPECT_EQ(lf.lfStrikeOut, c.StrikeOut);
    EXPECT_EQ(lf.lfCharSet, DEFAULT_CHARSET);
    EXPECT_EQ(lf.lfWidth, 0);
    EXPECT_EQ(lf.lfEscapement, 0);
    EXPECT_EQ(lf.lfOrientation, 0);
    EXPECT_EQ(lf.lfOutPrecision, OUT_DEFAULT_PRECIS);
    EXPECT_EQ(lf.lfClipPrecision, CLIP_DEFAULT_PRECIS);
    EXPECT_EQ(lf.lfQuality, DEFAULT_QUALITY);
    EXPECT_EQ(lf.lfPitchAndFamily, DEFAULT_PITCH | FF_DONTCARE);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(lf.lfFaceName)), c.Font.Name);
  }
}

TEST(Fonts, AFaceNameBeyond31CharactersIsCutToFit) {
  TFont font;
  font.Name = std::u16string(40, u'x') + u"y";
  LOGFONTW lf;
  std::memset(&lf, 0xCD, sizeof lf);
  FontToLogFont(font, lf);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(lf.lfFaceName)), std::u16string(31, u'x'));
  EXPECT_EQ(lf.lfFaceName[31], 0);
}

TEST(Fonts, DefaultInAnyCaseIsTheStockGuiFont) {
  const auto stock = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  for (const char16_t* name : {u"default", u"Default", u"DEFAULT"}) {
    EXPECT_EQ(CreateFontHandle(TFont{name}), stock);
  }
  HFONT made = CreateFontHandle(TFont{u""});
  EXPECT_NE(made, nullptr);
  EXPECT_NE(made, stock);
  DeleteObject(made);
  RECT r{10, 20, 110, 70};
  const TBounds b = RectToBounds(r);
  EXPECT_EQ(b, (TBounds{10, 20, 100, 50}));
}

TEST(WinControl, SetFontAndSetBackColorOwnTheirObjects) {
  RunSteps({[](TTestDialog& d) {
    TProbe label(&d, d.GetItem(205));
    EXPECT_EQ(label.BackColor, -1);
    EXPECT_EQ(label.Font.Name, u"");
    label.SetFont(TFont{u"Arial", RGB(200, 0, 0), 12, 1});
    HFONT first = label.FontHandle;
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(label.Handle, WM_GETFONT, 0, 0)), first);
    label.SetFont(TFont{u"Default"});
    EXPECT_EQ(GetObjectType(first), 0u) << "the replaced font is deleted";
    EXPECT_EQ(label.FontHandle, static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));

    label.SetBackColor(RGB(0, 255, 0));
    HBRUSH brush = label.BackBrush;
    ASSERT_NE(brush, nullptr);
    EXPECT_EQ(label.GetEffectiveBackColor(), RGB(0, 255, 0));
    label.SetBackColor(-2);
    EXPECT_EQ(GetObjectType(brush), 0u);
    EXPECT_NE(label.BackBrush, nullptr) << "only -1 means no brush";
    HDC dc = GetDC(label.Handle);
    const COLORREF dcColor = GetBkColor(dc);
    ReleaseDC(label.Handle, dc);
    EXPECT_EQ(label.GetEffectiveBackColor(), dcColor) << "any negative colour reads the device context";
    label.SetBackColor(-1);
    EXPECT_EQ(label.BackBrush, nullptr);
    d.Close(true);
  }});
}

TEST(WinControl, ColourAnswersForWrappedAndUnwrappedControls) {
  RunSteps({[](TTestDialog& d) {
    TProbe edit(&d, d.GetItem(201));
    TProbe label(&d, d.GetItem(205));
    HDC dc = CreateCompatibleDC(nullptr);
    // The dialog procedure's own answer; 0 hands the colouring to the platform.
    const auto ask = [&](UINT message, HWND control) {
      SetTextColor(dc, RGB(1, 2, 3));
      return KxDialogProc(d.Handle, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
    };
    EXPECT_EQ(ask(WM_CTLCOLOREDIT, d.GetItem(206)), 0);
    EXPECT_EQ(GetTextColor(dc), RGB(1, 2, 3)) << "an unwrapped control is left alone";
    EXPECT_EQ(ask(WM_CTLCOLOREDIT, edit.Handle), 0);
    EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0)) << "a new wrapper's text is black";

    label.SetFont(TFont{u"Default", RGB(200, 0, 0)});
    label.SetBackColor(RGB(0, 0, 240));
    EXPECT_EQ(ask(WM_CTLCOLORSTATIC, label.Handle), reinterpret_cast<INT_PTR>(label.BackBrush));
    EXPECT_EQ(GetTextColor(dc), RGB(200, 0, 0));
    EXPECT_EQ(GetBkColor(dc), RGB(0, 0, 240));
    DeleteDC(dc);
    d.Close(true);
  }});
}

TEST(WinControl, SetBoundsKeepsWhatNegativeArgumentsName) {
  struct TCase {
    int X, Y, W, H;
    TBounds Expected;
  };
  const TBounds start{30, 40, 50, 20};
  const TCase cases[] = {
      {60, 70, -1, -1, {60, 70, 50, 20}},  {-5, 100, -1, -1, {30, 100, 50, 20}},
      {-1, -1, 80, 25, {30, 40, 80, 25}},  {-1, -2, -3, -4, start},
      {0, 0, 0, 0, {0, 0, 0, 0}},
  };
  RunSteps({[&](TTestDialog& d) {
    TProbe label(&d, d.GetItem(211));
    for (const TCase& c : cases) {
      label.MoveTo(start);
      label.SetBounds(c.X, c.Y, c.W, c.H);
      EXPECT_EQ(label.GetBounds(), c.Expected) << c.X << " " << c.Y << " " << c.W << " " << c.H;
    }
    // A control's position is in its dialog's client area wherever the dialog stands.
    label.MoveTo(TBounds{20, 40, 50, 20});
    d.SetBounds(300, 200, -1, -1);
    EXPECT_EQ(label.GetBounds(), (TBounds{20, 40, 50, 20}));
    const TBounds before = d.GetBounds();
    d.SetBounds(-5, 100, -1, -1);
    EXPECT_EQ(d.GetBounds(), (TBounds{before.Left, 100, before.Width, before.Height}));
    d.Close(true);
  }});
}

TEST(WinControl, ModifyStyleChangesOnlyTheGivenBits) {
  RunSteps({[](TTestDialog& d) {
    TProbe updown(&d, d.GetItem(203));
    updown.SetLong(GWL_STYLE, 0x50000000);
    EXPECT_EQ(updown.ModifyStyle(0x26, true), 0x50000000);
    EXPECT_EQ(updown.GetLong(GWL_STYLE), 0x50000026);
    EXPECT_EQ(updown.ModifyStyle(0x20, false), 0x50000026);
    EXPECT_EQ(updown.GetLong(GWL_STYLE), 0x50000006);
    d.Close(true);
  }});
}

TEST(Control, WrappersEnterTheirDialogUnderTheirIdentifiers) {
  RunSteps({[](TTestDialog& d) {
    auto edit = std::make_unique<TProbe>(&d, d.GetItem(201));
    auto updown = std::make_unique<TProbe>(&d, d.GetItem(203));
    EXPECT_EQ(edit->Id, 201);
    EXPECT_FALSE(edit->OwnsWindow);
    EXPECT_EQ(edit->NextControl, updown.get());
    EXPECT_EQ(updown->NextControl, nullptr);

    HWND zeroWindow = GetWindow(d.GetItem(211), GW_HWNDNEXT);
    while (zeroWindow != nullptr && GetDlgCtrlID(zeroWindow) != 0) zeroWindow = GetWindow(zeroWindow, GW_HWNDNEXT);
    ASSERT_NE(zeroWindow, nullptr);
    auto zero = std::make_unique<TProbe>(&d, zeroWindow);
    EXPECT_EQ(zero->Id, 204) << "the next free identifier after 201 and 203";
    EXPECT_EQ(GetDlgCtrlID(zeroWindow), 0) << "the window keeps its own identifier";
    EXPECT_EQ(updown->NextControl, zero.get());

    // An identifier already present gets the new object; nothing is appended.
    TProbe* replaced = zero.get();
    EXPECT_EQ(d.AddControl(edit.get(), 204), 204);
    EXPECT_EQ(d.Controls->Count, 3);
    EXPECT_EQ(d.Controls->ObjectAt(2), edit.get());
    d.AddControl(replaced, 204);

    HWND editWindow = edit->Handle;
    edit.reset();
    EXPECT_EQ(d.Controls->IndexOfId(201), -1);
    EXPECT_EQ(d.Controls->Count, 2);
    EXPECT_TRUE(IsWindow(editWindow)) << "a wrapped template control outlives its wrapper";
    d.Close(true);
  }});
  TTestDialog fresh;
  TProbe first(&fresh, nullptr);
  EXPECT_EQ(first.Id, 1) << "identifier 0 in an empty list becomes 1";
}

TEST(Control, CreateHandleRecreateHandleAndCustomCreate) {
  RunSteps({[](TTestDialog& d) {
    TProbe owned(&d, nullptr);
    owned.OwnsWindow = true;
    owned.CreateClass = u"edit";
    owned.CreateHandle(5, 6, 70, 21, u"hello");
    ASSERT_NE(owned.Handle, nullptr);
    EXPECT_EQ(GetParent(owned.Handle), d.Handle);
    EXPECT_EQ(GetDlgCtrlID(owned.Handle), owned.Id);
    EXPECT_EQ(owned.GetLong(GWL_STYLE) & 0x50010000, 0x50010000);
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(owned.SendMsg(WM_GETFONT, 0, 0)), GetStockObject(DEFAULT_GUI_FONT));
    EXPECT_FALSE(owned.CustomCreated);

    HWND old = owned.Handle;
    const TBounds bounds = owned.GetBounds();
    owned.SetBackColor(RGB(9, 9, 9));
    owned.RecreateHandle();
    EXPECT_FALSE(IsWindow(old));
    EXPECT_TRUE(IsWindow(owned.Handle));
    EXPECT_EQ(owned.GetText(), u"hello");
    EXPECT_EQ(owned.GetBounds(), bounds);
    EXPECT_EQ(owned.Creates, 2);
    EXPECT_EQ(owned.BackColor, -1);

    TProbe wrapped(&d, d.GetItem(206));
    HWND template206 = wrapped.Handle;
    wrapped.RecreateHandle();
    EXPECT_EQ(wrapped.Handle, template206);
    EXPECT_EQ(wrapped.Creates, 1);

    TProbe noWay(&d, nullptr);
    noWay.CreateClass = u"";
    try {
      noWay.CreateHandle(0, 0, 10, 10, u"");
      ADD_FAILURE() << "no exception";
    } catch (const TkxException& e) {
      EXPECT_EQ(e.Message, u"Custom Create not defined!");
    }

    auto custom = std::make_unique<TCustomProbe>(&d, nullptr);
    custom->OwnsWindow = true;
    custom->CreateClass = u"";
    custom->CreateHandle(1, 2, 30, 30, u"");
    ASSERT_NE(custom->Handle, nullptr);
    EXPECT_TRUE(custom->CustomCreated);
    custom->SetBackColor(RGB(1, 200, 3));
    EXPECT_EQ(GetClassLongPtrW(custom->Handle, GCLP_HBRBACKGROUND), reinterpret_cast<ULONG_PTR>(custom->BackBrush));
    HWND customWindow = custom->Handle;
    custom.reset();
    EXPECT_FALSE(IsWindow(customWindow)) << "an owned window goes with its wrapper";
    d.Close(true);
  }});
}

TEST(Control, AlignByAnchor) {
  constexpr int W = 300;
  constexpr int H = 200;
  struct TCase {
    std::uint8_t Anchor;
    TBounds A, B;
    TBounds ExpectedA, ExpectedB;
  };
  const TCase cases[] = {
      {0, {10, 10, 50, 20}, {80, 10, 50, 20}, {10, 10, 50, 20}, {80, 10, 50, 20}},
      {2, {10, 10, 50, 20}, {80, 10, 50, 20}, {10, 10, 50, 20}, {80, 10, 50, 20}},
      {7, {10, 10, 50, 20}, {80, 10, 50, 20}, {10, 10, 50, 20}, {80, 10, 50, 20}},
      // 1: down to H, the next control moves to the right edge.
      {1, {10, 10, 50, 20}, {80, 10, 50, 20}, {10, 10, 50, 190}, {60, 10, 50, 20}},
      {1, {10, 10, 50, 20}, {10, 30, 50, 20}, {10, 10, 50, 20}, {10, 30, 50, 20}},
      // 3: right to W, and down to H unless the next control starts at the bottom edge.
      {3, {10, 10, 50, 20}, {10, 30, 50, 20}, {10, 10, 290, 20}, {10, 30, 50, 20}},
      {3, {10, 10, 50, 20}, {10, 90, 50, 20}, {10, 10, 290, 190}, {10, 90, 50, 20}},
      // 4: right to W, the next control moves to the bottom edge.
      {4, {10, 10, 50, 20}, {10, 90, 50, 20}, {10, 10, 290, 20}, {10, 30, 50, 20}},
      {4, {10, 10, 50, 20}, {60, 10, 50, 20}, {10, 10, 50, 20}, {60, 10, 50, 20}},
      // 5: down to H, and right to W unless the next control starts at the right edge.
      {5, {10, 10, 50, 20}, {60, 10, 50, 20}, {10, 10, 50, 190}, {60, 10, 50, 20}},
      {5, {10, 10, 50, 20}, {90, 10, 50, 20}, {10, 10, 290, 190}, {90, 10, 50, 20}},
      {6, {10, 10, 50, 20}, {60, 30, 50, 20}, {10, 10, 290, 190}, {60, 30, 50, 20}},
  };
  RunSteps({[&](TTestDialog& d) {
    TProbe a(&d, d.GetItem(211));
    TProbe b(&d, d.GetItem(212));
    ASSERT_EQ(a.NextControl, &b);
    for (const TCase& c : cases) {
      a.MoveTo(c.A);
      b.MoveTo(c.B);
      a.Anchor = c.Anchor;
      a.Align(W, H);
      EXPECT_EQ(a.GetBounds(), c.ExpectedA) << "anchor " << int{c.Anchor};
      EXPECT_EQ(b.GetBounds(), c.ExpectedB) << "anchor " << int{c.Anchor};
    }
    b.Anchor = 6;
    b.MoveTo(TBounds{100, 100, 10, 10});
    b.Align(W, H);
    EXPECT_EQ(b.GetBounds(), (TBounds{100, 100, 200, 100})) << "without a next control";
    d.Close(true);
  }});
}
