// Runs with QT_SCALE_FACTOR at 2: the window keeps its layout in device-independent
// pixels and shows it at twice as many device pixels.
#include "Application.h"
#include "UPrincipal.h"

#include <gtest/gtest.h>

#include <QTest>

namespace {

TEST(WindowScale, LayoutScalesWithTheScreen) {
    TApplication application;
    TForm1 form(application);
    application.ShowMainForm(form);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    ASSERT_EQ(form.devicePixelRatio(), 2.0);
    EXPECT_EQ(form.size(), QSize(668, 169));
    EXPECT_EQ(form.sButton1->geometry(), QRect(236, 19, 197, 49));
    const QImage image = form.grab().toImage();
    EXPECT_EQ(image.size(), QSize(1336, 338));
    // The fonts scale with the rest: the caption's ink is twice as tall in device pixels.
    const QRect button(form.sButton1->geometry().topLeft() * 2, form.sButton1->size() * 2);
    QRect ink;
    for (int y = button.top() + 8; y < button.bottom() - 8; ++y)
        for (int x = button.left() + 8; x < button.right() - 8; ++x)
            if (image.pixelColor(x, y).lightness() < 100)
                ink = ink.united(QRect(x, y, 1, 1));
    const int logicalInk =
        QFontMetrics(form.sButton1->font()).tightBoundingRect("Iniciar").height();
    EXPECT_GT(ink.height(), logicalInk * 3 / 2);
    EXPECT_LE(ink.height(), logicalInk * 2 + 2);
}

} // namespace
