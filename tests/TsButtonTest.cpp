#include "TsButton.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <QTest>

#include <memory>

namespace {

QImage imageOf(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// ---- The push button's own drawing, under a styled and the classic look ----

const QColor textColour(0, 160, 0);
const QColor highlightColour(255, 0, 0);
const QColor shadowColour(0, 0, 255);

// The bounding box of the pixels of exactly one colour, inside the button's frame.
QRect pixelsOf(const QImage& image, const QColor& colour) {
    QRect box;
    for (int y = 4; y < image.height() - 4; ++y)
        for (int x = 4; x < image.width() - 4; ++x)
            if (image.pixelColor(x, y) == colour)
                box = box.united(QRect(x, y, 1, 1));
    return box;
}

class ButtonLook : public testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        style.reset(QStyleFactory::create(GetParam()));
        ASSERT_TRUE(style);
        window.setStyle(style.get());
        window.resize(300, 120);
        button = new TsButton(&window);
        button->setStyle(style.get());
        button->setGeometry(40, 30, 197, 49);
        QFont font("Arial");
        font.setPixelSize(21);
        font.setBold(true);
        button->setFont(font);
        button->setText("Iniciar");
        QPalette colours = button->palette();
        colours.setColor(QPalette::WindowText, textColour);
        colours.setColor(QPalette::Light, highlightColour);
        colours.setColor(QPalette::Dark, shadowColour);
        button->setPalette(colours);
    }

    QImage look() { return imageOf(*button); }

    void enter() {
        QEnterEvent event(QPointF(10, 10), QPointF(10, 10), QPointF(10, 10));
        QApplication::sendEvent(button, &event);
    }
    void leave() {
        QEvent event(QEvent::Leave);
        QApplication::sendEvent(button, &event);
    }

    std::unique_ptr<QStyle> style;
    QWidget window;
    TsButton* button = nullptr;
};

TEST_P(ButtonLook, CaptionIsCentredAndWraps) {
    struct Case {
        const char* caption;
        int lines;
    };
    const Case cases[] = {
        {"Iniciar", 1},
        {"Iniciar a migração agora mesmo", 2},
        {"", 0},
    };
    const int lineHeight = button->fontMetrics().height();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.caption);
        button->setText(c.caption);
        const QSize size = button->GetCaptionSize();
        EXPECT_GE(size.height(), c.lines * lineHeight);
        EXPECT_LT(size.height(), c.lines * lineHeight + lineHeight / 2);
        EXPECT_LE(size.width(), button->width() - 2 * button->ContentMargin);
        const QRect caption = button->CaptionRect();
        EXPECT_EQ(caption.width(), size.width() + 2);
        const QRect text = pixelsOf(look(), textColour);
        if (c.lines == 0) {
            EXPECT_TRUE(text.isNull());
            continue;
        }
        EXPECT_TRUE(caption.contains(text));
        // Centred across the button to within the rounding of the two halves.
        EXPECT_LE(std::abs((text.left() + text.right()) - (button->width() - 1)), 3);
    }
}

TEST_P(ButtonLook, PressedCaptionLiesOnePixelRightAndDown) {
    const QPoint centre = button->rect().center();
    QTest::mouseMove(button, centre);
    enter();
    const QRect normal = pixelsOf(look(), textColour);
    ASSERT_FALSE(normal.isNull());

    QTest::mousePress(button, Qt::LeftButton, {}, centre);
    EXPECT_EQ(button->ElementState(), TThemedButton::tbPushButtonPressed);
    EXPECT_TRUE(button->CurrentState());
    EXPECT_EQ(pixelsOf(look(), textColour), normal.translated(1, 1));

    // Dragged off while held: the unpressed look, caption back in place, and no click. Qt
    // sends no leave event while the press holds the mouse; the move alone must tell.
    QSignalSpy clicks(button, &QAbstractButton::clicked);
    QMouseEvent drag(QEvent::MouseMove, QPointF(-30, -30), button->mapToGlobal(QPointF(-30, -30)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(button, &drag);
    EXPECT_FALSE(button->SkinData()->FMouseAbove);
    EXPECT_FALSE(button->CurrentState());
    EXPECT_EQ(button->ElementState(), TThemedButton::tbPushButtonNormal);
    EXPECT_EQ(pixelsOf(look(), textColour), normal);
    // And back over it while still held: pressed again.
    QMouseEvent back(QEvent::MouseMove, QPointF(centre), button->mapToGlobal(QPointF(centre)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(button, &back);
    EXPECT_TRUE(button->SkinData()->FMouseAbove);
    EXPECT_EQ(button->ElementState(), TThemedButton::tbPushButtonPressed);
    QApplication::sendEvent(button, &drag);
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(-30, -30));
    EXPECT_EQ(clicks.count(), 0);
}

TEST_P(ButtonLook, DisabledCaptionIsEmbossed) {
    const QImage enabled = look();
    button->setEnabled(false);
    EXPECT_EQ(button->ElementState(), TThemedButton::tbPushButtonDisabled);
    const QImage disabled = look();
    const QRect highlight = pixelsOf(disabled, highlightColour);
    const QRect shadow = pixelsOf(disabled, shadowColour);
    const QRect caption = button->CaptionRect();
    EXPECT_TRUE(caption.translated(1, 1).contains(highlight)) << "highlight outside the caption";
    EXPECT_TRUE(caption.contains(shadow)) << "shadow outside the caption";
    EXPECT_FALSE(highlight.isNull());
    EXPECT_FALSE(shadow.isNull());
    EXPECT_TRUE(pixelsOf(disabled, textColour).isNull());
    EXPECT_NE(disabled, enabled);
}

TEST_P(ButtonLook, HoverIsTrackedOnlyWhileEnabled) {
    enter();
    EXPECT_TRUE(button->SkinData()->FMouseAbove);
    EXPECT_EQ(button->ElementState(), TThemedButton::tbPushButtonHot);
    leave();
    EXPECT_FALSE(button->SkinData()->FMouseAbove);

    button->setEnabled(false);
    const QImage before = look();
    enter();
    EXPECT_FALSE(button->SkinData()->FMouseAbove);
    EXPECT_EQ(look(), before);
    button->setEnabled(true);
    enter();
    button->setEnabled(false);
    leave();
    EXPECT_TRUE(button->SkinData()->FMouseAbove) << "the flag must not change while disabled";
    EXPECT_EQ(button->ElementState(), TThemedButton::tbPushButtonDisabled);
}

TEST_P(ButtonLook, DoubleClickCountsAsTwoPresses) {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QSignalSpy clicks(button, &QAbstractButton::clicked);
    // Through the window, so that Qt itself turns the second press into a double click.
    QTest::mouseDClick(window.windowHandle(), Qt::LeftButton, {}, button->geometry().center());
    EXPECT_EQ(clicks.count(), 2);
}

TEST_P(ButtonLook, FocusMovesTheFocusedLook) {
    auto* other = new TsButton(&window);
    other->setGeometry(40, 85, 100, 25);
    other->setText("Outro");
    auto* label = new QLabel("x", &window);
    label->setFocusPolicy(Qt::StrongFocus);
    label->setGeometry(200, 85, 20, 20);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    leave();
    label->setFocus();
    EXPECT_FALSE(button->IsFocused());
    const QImage unfocused = look();
    button->setFocus();
    EXPECT_TRUE(button->IsFocused());
    EXPECT_FALSE(other->IsFocused());
    EXPECT_EQ(button->ElementState(), TThemedButton::tbPushButtonDefaulted);
    EXPECT_NE(look(), unfocused);

    other->setFocus();
    EXPECT_FALSE(button->IsFocused());
    EXPECT_TRUE(other->IsFocused());

    // Focus on a control that is no button: the default button takes the focused look.
    button->setDefault(true);
    label->setFocus();
    EXPECT_TRUE(button->IsFocused());
    EXPECT_FALSE(other->IsFocused());
    EXPECT_EQ(button->ElementState(), TThemedButton::tbPushButtonDefaulted);
}

TEST_P(ButtonLook, FocusRectangleLiesOnTheContentRectangleOrFourPixelsIn) {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    leave();
    button->setFocus();
    ASSERT_TRUE(button->IsFocused() && button->hasFocus());
    const QImage withRect = look();
    // Focus without the focused look: the same element state, and no focus rectangle.
    button->SetButtonStyle(false);
    ASSERT_EQ(button->ElementState(), TThemedButton::tbPushButtonDefaulted);
    const QImage without = look();
    QRect dots;
    for (int y = 0; y < withRect.height(); ++y)
        for (int x = 0; x < withRect.width(); ++x)
            if (withRect.pixel(x, y) != without.pixel(x, y))
                dots = dots.united(QRect(x, y, 1, 1));
    QRect expected = button->rect().adjusted(4, 4, -4, -4);
    if (QString(GetParam()) != "windows") {
        QStyleOptionButton option;
        option.initFrom(button);
        option.rect = button->rect();
        expected = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    }
    EXPECT_EQ(dots, expected);
}

TEST_P(ButtonLook, AnswersItsOwnSizeWhenMeasured) {
    EXPECT_EQ(button->sizeHint(), QSize(197, 49));
}

INSTANTIATE_TEST_SUITE_P(Styles, ButtonLook, testing::Values("fusion", "windows"));

} // namespace
