// The window base, its font and rectangle routines, and the child-control base, on the
// workbench dialog's controls.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "tests/ui/TestDialog.h"
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

// A control that makes its window itself, of a class of its own.
class TCustomProbe : public TProbe {
 public:
  using TProbe::TProbe;
  void CustomCreate(TkxDialogSuper* AOwner, int X, int Y, int Width, int Height, const std::u16string&) override {
    WNDCLASSW cls{};
    cls.lpfnWndProc = DefWindowProcW;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = L"kxCustomProbe";
    RegisterClassW(&cls);
    Handle = CreateWindowExW(0, L"kxCustomProbe", L"", WS_CHILD | WS_VISIBLE, X, Y, Width, Height, AOwner->Handle,
                             nullptr, GetModuleHandleW(nullptr), nullptr);
  }
};

}  // namespace

TEST(Fonts, LogFontFromAFontDescription) {
  struct { TFont Font; LONG Height, Weight; BYTE Italic, Underline, StrikeOut; } const cases[] = {
      {{u"Arial", 0, 9, 1, 0, 0, 0}, -12, 700, 0, 0, 0}, {{u"Arial", 0, 10, 0, 1, 1, 1}, -13, 400, 1, 1, 1},
      {{u"", 0, 0, 0, 0, 0, 9}, 0, 400, 0, 0, 1},        {{u"Arial", 0, -9, 2, 0, 0, 0}, 12, 700, 0, 0, 0},
      {{std::u16string(40, u'x'), 0, 0, 0, 0, 0, 0}, 0, 400, 0, 0, 0},  // a face name cut to its 31 characters
  };
  for (const auto& c : cases) {
    LOGFONTW lf;
    std::memset(&lf, 0xCD, sizeof lf);
    FontToLogFont(c.Font, lf);
    // Every field it does not name is the platform's default, 0.
    const LOGFONTW expected{c.Height, 0, 0, 0, c.Weight, c.Italic, c.Underline, c.StrikeOut, DEFAULT_CHARSET, 0, 0, 0, 0, {}};
    EXPECT_EQ(std::memcmp(&lf, &expected, offsetof(LOGFONTW, lfFaceName)), 0) << c.Font.Size;
    EXPECT_EQ(reinterpret_cast<const char16_t*>(lf.lfFaceName), c.Font.Name.substr(0, 31));
  }
  const auto stock = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  for (const char16_t* name : {u"default", u"DEFAULT"}) EXPECT_EQ(CreateFontHandle(TFont{name}), stock);
  HFONT made = CreateFontHandle(TFont{u""});
  EXPECT_NE(made, stock);
  EXPECT_EQ(GetObjectType(made), static_cast<DWORD>(OBJ_FONT));
  DeleteObject(made);
  EXPECT_EQ(RectToBounds(RECT{10, 20, 110, 70}), (TBounds{10, 20, 100, 50}));
}

TEST(WinControl, FontsBrushesAndColourAnswersBelongToTheWrapper) {
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

    label.SetFont(TFont{u"Arial", RGB(200, 0, 0), 12, 1});
    HFONT first = label.FontHandle;
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(label.Handle, WM_GETFONT, 0, 0)), first);
    label.SetFont(TFont{u"Default", RGB(200, 0, 0)});
    EXPECT_EQ(GetObjectType(first), 0u) << "the replaced font is deleted";
    label.SetBackColor(RGB(0, 0, 240));
    HBRUSH brush = label.BackBrush;
    EXPECT_EQ(ask(WM_CTLCOLORSTATIC, label.Handle), reinterpret_cast<INT_PTR>(brush));
    EXPECT_EQ(GetTextColor(dc), RGB(200, 0, 0));
    EXPECT_EQ(GetBkColor(dc), RGB(0, 0, 240));
    label.SetBackColor(-2);
    EXPECT_EQ(GetObjectType(brush), 0u);
    EXPECT_NE(label.BackBrush, nullptr) << "only -1 means no brush";
    HDC labelDc = GetDC(label.Handle);
    EXPECT_EQ(label.GetEffectiveBackColor(), GetBkColor(labelDc)) << "any negative colour reads the device context";
    ReleaseDC(label.Handle, labelDc);
    label.SetBackColor(-1);
    EXPECT_EQ(label.BackBrush, nullptr);
    DeleteDC(dc);
    d.Close(true);
  }});
}

TEST(WinControl, SetBoundsKeepsWhatNegativeArgumentsNameAndModifyStyleOnlyItsBits) {
  struct { int X, Y, W, H; TBounds Expected; } const cases[] = {
      {60, 70, -1, -1, {60, 70, 50, 20}}, {-5, 100, -1, -1, {30, 100, 50, 20}},
      {-1, -2, 80, 25, {30, 40, 80, 25}}, {0, 0, 0, 0, {0, 0, 0, 0}},
  };
  RunSteps({[&](TTestDialog& d) {
    TProbe label(&d, d.GetItem(211));
    for (const auto& c : cases) {
      label.MoveTo(TBounds{30, 40, 50, 20});
      label.SetBounds(c.X, c.Y, c.W, c.H);
      EXPECT_EQ(label.GetBounds(), c.Expected) << c.X << " " << c.Y << " " << c.W << " " << c.H;
    }
    // A control's position is in its dialog's client area wherever the dialog stands.
    label.MoveTo(TBounds{20, 40, 50, 20});
    d.SetBounds(300, 200, -1, -1);
    EXPECT_EQ(label.GetBounds(), (TBounds{20, 40, 50, 20}));

    label.SetLong(GWL_STYLE, 0x50000000);
    EXPECT_EQ(label.ModifyStyle(0x26, true), 0x50000000);
    EXPECT_EQ(label.ModifyStyle(0x20, false), 0x50000026);
    EXPECT_EQ(label.GetLong(GWL_STYLE), 0x50000006);
    d.Close(true);
  }});
}

TEST(Control, WrappersEnterTheirDialogUnderTheirIdentifiersAndLeaveIt) {
  RunSteps({[](TTestDialog& d) {
    auto edit = std::make_unique<TProbe>(&d, d.GetItem(201));
    auto spin = std::make_unique<TProbe>(&d, d.GetItem(203));
    EXPECT_EQ(edit->Id, 201);
    EXPECT_FALSE(edit->OwnsWindow);
    EXPECT_EQ(edit->NextControl, spin.get());
    HWND zeroWindow = FindWindowExW(d.Handle, nullptr, L"Static", L"zero");
    auto zero = std::make_unique<TProbe>(&d, zeroWindow);
    EXPECT_EQ(zero->Id, 204) << "the next free identifier after 201 and 203";
    EXPECT_EQ(GetDlgCtrlID(zeroWindow), 0) << "the window keeps its own identifier";
    EXPECT_EQ(spin->NextControl, zero.get());
    EXPECT_EQ(d.AddControl(edit.get(), 204), 204) << "a present identifier gets the new object";
    EXPECT_EQ(d.Controls->Count, 3);
    EXPECT_EQ(d.Controls->ObjectAt(2), edit.get());
    d.AddControl(zero.get(), 204);
    HWND editWindow = edit->Handle;
    edit.reset();
    EXPECT_EQ(d.Controls->IndexOfId(201), -1);
    EXPECT_TRUE(IsWindow(editWindow)) << "a template control outlives its wrapper";
    d.Close(true);
  }});
}

TEST(Control, CreateHandleRecreateHandleAndCustomCreate) {
  RunSteps({[](TTestDialog& d) {
    TProbe owned(&d, nullptr);
    owned.OwnsWindow = true;
    owned.CreateClass = u"edit";
    owned.CreateHandle(5, 6, 70, 21, u"hello");
    EXPECT_EQ(GetParent(owned.Handle), d.Handle);
    EXPECT_EQ(GetDlgCtrlID(owned.Handle), owned.Id);
    EXPECT_EQ(owned.GetLong(GWL_STYLE) & 0x50010000, 0x50010000);
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(owned.SendMsg(WM_GETFONT, 0, 0)), GetStockObject(DEFAULT_GUI_FONT));
    HWND old = owned.Handle;
    const TBounds bounds = owned.GetBounds();
    owned.SetBackColor(RGB(9, 9, 9));
    owned.RecreateHandle();
    EXPECT_FALSE(IsWindow(old));
    EXPECT_EQ(owned.GetText(), u"hello");
    EXPECT_EQ(owned.GetBounds(), bounds);
    EXPECT_EQ(owned.Creates, 2);
    EXPECT_EQ(owned.BackColor, -1);

    TProbe wrapped(&d, d.GetItem(206));
    wrapped.RecreateHandle();
    EXPECT_EQ(wrapped.Handle, d.GetItem(206)) << "a template control is never rebuilt";
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
  constexpr int W = 300, H = 200;
  const TBounds a{10, 10, 50, 20};
  struct { std::uint8_t Anchor; TBounds B, ExpectedA, ExpectedB; } const cases[] = {
      {0, {80, 10, 50, 20}, a, {80, 10, 50, 20}},
      {2, {80, 10, 50, 20}, a, {80, 10, 50, 20}},
      {7, {80, 10, 50, 20}, a, {80, 10, 50, 20}},
      // 1: down to H, the next control moves to the right edge; unless it starts at the bottom edge.
      {1, {80, 10, 50, 20}, {10, 10, 50, 190}, {60, 10, 50, 20}},
      {1, {10, 30, 50, 20}, a, {10, 30, 50, 20}},
      // 3: right to W, and down to H unless the next control starts at the bottom edge.
      {3, {10, 30, 50, 20}, {10, 10, 290, 20}, {10, 30, 50, 20}},
      {3, {10, 90, 50, 20}, {10, 10, 290, 190}, {10, 90, 50, 20}},
      // 4: right to W, the next control moves to the bottom edge; unless it starts at the right edge.
      {4, {10, 90, 50, 20}, {10, 10, 290, 20}, {10, 30, 50, 20}},
      {4, {60, 10, 50, 20}, a, {60, 10, 50, 20}},
      // 5: down to H, and right to W unless the next control starts at the right edge.
      {5, {60, 10, 50, 20}, {10, 10, 50, 190}, {60, 10, 50, 20}},
      {5, {90, 10, 50, 20}, {10, 10, 290, 190}, {90, 10, 50, 20}},
      {6, {60, 30, 50, 20}, {10, 10, 290, 190}, {60, 30, 50, 20}},
  };
  RunSteps({[&](TTestDialog& d) {
    TProbe first(&d, d.GetItem(211));
    TProbe second(&d, d.GetItem(212));
    for (const auto& c : cases) {
      first.MoveTo(a);
      second.MoveTo(c.B);
      first.Anchor = c.Anchor;
      first.Align(W, H);
      EXPECT_EQ(first.GetBounds(), c.ExpectedA) << "anchor " << int{c.Anchor};
      EXPECT_EQ(second.GetBounds(), c.ExpectedB) << "anchor " << int{c.Anchor};
    }
    second.Anchor = 6;
    second.MoveTo(TBounds{100, 100, 10, 10});
    second.Align(W, H);
    EXPECT_EQ(second.GetBounds(), (TBounds{100, 100, 200, 100})) << "without a next control";
    d.Close(true);
  }});
}
