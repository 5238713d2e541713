// The owner-drawn push button on Win32, in the real window: its looks drawn by the platform's
// visual style or, in a child run with visual styles off, by the classic frame; hover, press,
// focus and keys as the platform delivers them.
#include "TempFolder.h"
#include "UPrincipal.h"
#include "Win32Support.h"

#include <gtest/gtest.h>

#include <vsstyle.h>

#include <cstdlib>

namespace {

bool classicExpected() {
    const char* value = std::getenv("MIGRATOR_EXPECT_CLASSIC");
    return value && std::string(value) == "1";
}

class ButtonLook : public testing::Test {
protected:
    void SetUp() override {
        form.sButton1->OnClick = [this](TWinControl*) { ++clicks; };
        application.ShowMainForm(form);
        pumpFor(100);
        // The pointer well away from the button, so that nothing is hot by chance.
        away();
    }

    void away() {
        pointerAt(form.Handle(), {5, 5});
        pumpUntil([this] { return !form.sButton1->SkinData()->FMouseAbove; });
    }

    HWND button() const { return form.sButton1->Handle(); }
    Picture look() const { return Picture(button()); }
    RECT captionRect() const {
        HDC canvas = GetDC(button());
        const TRect r = form.sButton1->CaptionRect(canvas);
        ReleaseDC(button(), canvas);
        return {r.Left, r.Top, r.Right, r.Bottom};
    }
    // Where the caption's pixels can lie, pressed or not.
    RECT captionArea() const {
        RECT area = captionRect();
        area.right += 1;
        area.bottom += 1;
        return area;
    }
    RECT text() const { return look().boundsOf(GetSysColor(COLOR_WINDOWTEXT), captionArea()); }
    POINT centre() const {
        RECT client;
        GetClientRect(button(), &client);
        POINT p{client.right / 2, client.bottom / 2};
        MapWindowPoints(button(), form.Handle(), &p, 1);
        return p;
    }

    TempFolder folder;
    TApplication application;
    TForm1 form{application, folder.base()};
    int clicks = 0;
};

TEST_F(ButtonLook, VisualStylesAsTheDesktopHasThem) {
    EXPECT_EQ(form.sButton1->Themed(), !classicExpected());
    EXPECT_EQ(GetFocus(), button());
    EXPECT_TRUE(form.sButton1->IsFocused());
    EXPECT_EQ(form.sButton1->ElementState(), TThemedButton::tbPushButtonDefaulted);
}

TEST_F(ButtonLook, HotUnderThePointerOnlyWhileEnabled) {
    pointerAt(form.Handle(), centre());
    EXPECT_TRUE(form.sButton1->SkinData()->FMouseAbove);
    EXPECT_EQ(form.sButton1->ElementState(), TThemedButton::tbPushButtonHot);
    away();
    EXPECT_FALSE(form.sButton1->SkinData()->FMouseAbove);
    EXPECT_NE(form.sButton1->ElementState(), TThemedButton::tbPushButtonHot);

    form.sButton1->SetEnabled(false);
    const Picture disabled = look();
    pointerAt(form.Handle(), centre());
    EXPECT_FALSE(form.sButton1->SkinData()->FMouseAbove);
    EXPECT_EQ(form.sButton1->ElementState(), TThemedButton::tbPushButtonDisabled);
    EXPECT_TRUE(look() == disabled) << "a disabled button ignores the pointer";
}

TEST_F(ButtonLook, PressedCaptionLiesOnePixelRightAndDownAndDraggingOffUnpressesIt) {
    pointerAt(form.Handle(), centre());
    const RECT normal = text();
    ASSERT_FALSE(isEmpty(normal));

    mouseButton(true);
    EXPECT_TRUE(form.sButton1->Pushed());
    EXPECT_TRUE(form.sButton1->CurrentState());
    EXPECT_EQ(form.sButton1->ElementState(), TThemedButton::tbPushButtonPressed);
    RECT moved = normal;
    OffsetRect(&moved, 1, 1);
    EXPECT_EQ(describe(text()), describe(moved));

    // Off the button while the press holds the mouse: the unpressed look, caption back.
    pointerAt(form.Handle(), {5, 5});
    EXPECT_FALSE(form.sButton1->SkinData()->FMouseAbove);
    EXPECT_FALSE(form.sButton1->CurrentState());
    EXPECT_NE(form.sButton1->ElementState(), TThemedButton::tbPushButtonPressed);
    EXPECT_EQ(describe(text()), describe(normal));
    // Back on it: pressed again.
    pointerAt(form.Handle(), centre());
    EXPECT_TRUE(form.sButton1->CurrentState());
    EXPECT_EQ(describe(text()), describe(moved));
    // Let go off the button: no click.
    pointerAt(form.Handle(), {5, 5});
    mouseButton(false);
    EXPECT_EQ(clicks, 0);
    EXPECT_FALSE(form.sButton1->Pushed());
}

TEST_F(ButtonLook, DisabledCaptionIsEmbossed) {
    form.sButton1->SetEnabled(false);
    EXPECT_EQ(form.sButton1->ElementState(), TThemedButton::tbPushButtonDisabled);
    const RECT caption = captionRect();
    RECT raised = caption;
    OffsetRect(&raised, 1, 1);
    const COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    const COLORREF textColour = GetSysColor(COLOR_WINDOWTEXT);

    // What the caption adds to the button: shadow on its rectangle, and never the text
    // colour. The highlight may match the element's own face.
    const Picture withCaption = look();
    form.sButton1->SetText(u"");
    const Picture without = look();
    form.sButton1->SetText(u"Iniciar");
    int shadows = 0, texts = 0, outside = 0;
    for (int y = 0; y < withCaption.height(); ++y)
        for (int x = 0; x < withCaption.width(); ++x) {
            const COLORREF p = withCaption.at(x, y);
            if (p == without.at(x, y))
                continue;
            const POINT at{x, y};
            shadows += p == shadow && PtInRect(&caption, at) ? 1 : 0;
            texts += p == textColour ? 1 : 0;
            outside += PtInRect(&caption, at) || PtInRect(&raised, at) ? 0 : 1;
        }
    EXPECT_GT(shadows, 20);
    EXPECT_EQ(texts, 0);
    EXPECT_EQ(outside, 0);

    // On a dark canvas the highlight shows: on the rectangle 1 pixel right and down.
    const RECT whole{0, 0, withCaption.width(), withCaption.height()};
    HDC screen = GetDC(nullptr);
    HDC canvas = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, whole.right, whole.bottom);
    HGDIOBJ old = SelectObject(canvas, bitmap);
    FillRect(canvas, &whole, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    form.sButton1->DrawCaption(canvas);
    int highlights = 0, highlightsOutside = 0;
    for (int y = 0; y < whole.bottom; ++y)
        for (int x = 0; x < whole.right; ++x)
            if (GetPixel(canvas, x, y) == highlight)
                (PtInRect(&raised, POINT{x, y}) ? highlights : highlightsOutside) += 1;
    SelectObject(canvas, old);
    DeleteObject(bitmap);
    DeleteDC(canvas);
    ReleaseDC(nullptr, screen);
    EXPECT_GT(highlights, 20);
    EXPECT_EQ(highlightsOutside, 0);
}

TEST_F(ButtonLook, FocusRectangleOnTheContentRectangleOrFourPixelsIn) {
    ASSERT_EQ(GetFocus(), button());
    const Picture withRect = look();
    // The focus without the focused look: the same element state, and no focus rectangle.
    form.sButton1->SetButtonStyle(false);
    ASSERT_EQ(form.sButton1->ElementState(), TThemedButton::tbPushButtonDefaulted);
    const Picture without = look();
    RECT client;
    GetClientRect(button(), &client);
    RECT expected = client;
    if (form.sButton1->Themed()) {
        HTHEME theme = OpenThemeData(button(), L"BUTTON");
        HDC canvas = GetDC(button());
        GetThemeBackgroundContentRect(theme, canvas, BP_PUSHBUTTON, PBS_DEFAULTED, &client,
                                      &expected);
        ReleaseDC(button(), canvas);
        CloseThemeData(theme);
    } else {
        InflateRect(&expected, -4, -4);
    }
    EXPECT_EQ(describe(withRect.differenceFrom(without)), describe(expected));
}

TEST(Button, StaysOwnerDrawnAndAnswersItsOwnSize) {
    TempFolder folder;
    TApplication application;
    TForm1 form(application, folder.base());
    application.ShowMainForm(form);
    HWND button = form.sButton1->Handle();
    const auto ownerDrawn = [&] {
        return (GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK) == BS_OWNERDRAW;
    };
    EXPECT_TRUE(ownerDrawn());
    form.sButton1->SetButtonStyle(true);
    SetFocus(form.Handle());
    SetFocus(button);
    SendMessageW(button, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    EXPECT_TRUE(ownerDrawn());

    MEASUREITEMSTRUCT item{};
    item.CtlType = ODT_BUTTON;
    item.CtlID = static_cast<UINT>(GetDlgCtrlID(button));
    EXPECT_TRUE(
        SendMessageW(form.Handle(), WM_MEASUREITEM, item.CtlID, reinterpret_cast<LPARAM>(&item)));
    EXPECT_EQ(item.itemWidth, 197u);
    EXPECT_EQ(item.itemHeight, 49u);
}

TEST(Button, TheFocusedLookFollowsTheFocus) {
    TempFolder folder;
    TApplication application;
    TForm1 form(application, folder.base());
    application.ShowMainForm(form);
    EXPECT_TRUE(form.sButton1->IsFocused());
    // The focus on a control that is no button: the focused look goes, unless the button is
    // the window's default one.
    HWND other = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, 10, 40,
                                 20, form.Handle(), nullptr, nullptr, nullptr);
    SetFocus(other);
    EXPECT_FALSE(form.sButton1->IsFocused());
    SetFocus(form.sButton1->Handle());
    EXPECT_TRUE(form.sButton1->IsFocused());
    form.sButton1->Default = true;
    SetFocus(other);
    EXPECT_TRUE(form.sButton1->IsFocused());
    DestroyWindow(other);
}

TEST(Button, DoubleClickCountsAsTwoPressesEnterAndSpacePressItEscDoesNot) {
    TempFolder folder;
    TApplication application;
    TForm1 form(application, folder.base());
    int clicks = 0;
    form.sButton1->OnClick = [&](TWinControl* sender) {
        EXPECT_EQ(sender, form.sButton1);
        ++clicks;
    };
    application.ShowMainForm(form);
    pumpFor(100);
    doubleClick(form.sButton1->Handle());
    pumpFor(200);
    EXPECT_EQ(clicks, 2);

    struct Case {
        WORD key;
        int clicks;
    };
    for (const Case c : {Case{VK_RETURN, 1}, Case{VK_SPACE, 1}, Case{VK_ESCAPE, 0}}) {
        SCOPED_TRACE(c.key);
        clicks = 0;
        ASSERT_EQ(GetFocus(), form.sButton1->Handle());
        tap(c.key);
        EXPECT_EQ(clicks, c.clicks);
    }
    // Disabled, it ignores them all.
    form.sButton1->SetEnabled(false);
    clicks = 0;
    SetFocus(form.sButton1->Handle());
    tap(VK_RETURN);
    tap(VK_SPACE);
    EXPECT_EQ(clicks, 0);
}

TEST(ClassicLook, TheSameLooksWithoutVisualStyles) {
    if (classicExpected())
        GTEST_SKIP() << "this is the child run";
    const UserSetting themeOff(L"Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager",
                               L"ThemeActive", L"0");
    EXPECT_EQ(runThisProgram("ButtonLook.*", L"MIGRATOR_EXPECT_CLASSIC", L"1"), 0);
}

} // namespace
