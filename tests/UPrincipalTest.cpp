#include "UPrincipal.h"
#include "Application.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <QScreen>
#include <QSignalSpy>
#include <QTest>

namespace {

class Window : public testing::Test {
protected:
    void showForm() {
        application.ShowMainForm(form);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }
    // These tests are about the window, not the run behind its button.
    void detachRun() {
        QObject::disconnect(form.sButton1, &QAbstractButton::clicked, &form, nullptr);
    }

    TApplication application;
    TempFolder emptyInstallation;
    TForm1 form{application, emptyInstallation.base()};
};

TEST_F(Window, ControlsLieAtTheirPlacesInAFixedClientArea) {
    struct Case {
        QWidget* control;
        QRect geometry;
    };
    for (int shown = 0; shown < 2; ++shown) {
        SCOPED_TRACE(shown ? "shown" : "created");
        if (shown)
            showForm();
        const Case cases[] = {
            {form.sPanel1, {0, 0, 668, 1}},
            {form.sButton1, {236, 19, 197, 49}},
            {form.lbStatus, {0, 87, 668, 24}},
            {form.progresso, {0, 111, 668, 58}},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.control->metaObject()->className());
            EXPECT_EQ(c.control->geometry(), c.geometry);
            EXPECT_EQ(c.control->parentWidget(), &form);
        }
        EXPECT_EQ(form.size(), QSize(668, 169));
        EXPECT_EQ(form.minimumSize(), QSize(668, 169));
        EXPECT_EQ(form.maximumSize(), QSize(668, 169));
    }
    // Declared and created in this order.
    const QList<QWidget*> children = form.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    const QList<QWidget*> declared = {form.progresso, form.lbStatus, form.sButton1, form.sPanel1};
    EXPECT_EQ(children, declared);
}

TEST_F(Window, CaptionFrameFontsAndSkinSections) {
    EXPECT_EQ(form.windowTitle(), QString::fromUtf8("Atualizador para versão 9.3.13.x"));
    const Qt::WindowFlags flags = form.windowFlags();
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Window);
    EXPECT_TRUE(flags.testFlags(Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(form.palette().color(QPalette::Window), form.palette().color(QPalette::Button));

    struct FontCase {
        QWidget* control;
        QString family;
        int pixelSize;
        bool bold;
    };
    const FontCase fonts[] = {
        {&form, "Tahoma", 11, false},        {form.progresso, "Tahoma", 11, false},
        {form.sPanel1, "Tahoma", 11, false}, {form.lbStatus, "Arial", 21, false},
        {form.sButton1, "Arial", 21, true},
    };
    for (const auto& c : fonts) {
        SCOPED_TRACE(c.control->metaObject()->className());
        EXPECT_EQ(c.control->font().family(), c.family);
        EXPECT_EQ(c.control->font().pixelSize(), c.pixelSize);
        EXPECT_EQ(c.control->font().bold(), c.bold);
    }

    EXPECT_EQ(form.sButton1->text(), "Iniciar");
    EXPECT_EQ(form.sButton1->SkinData()->SkinSection(), u"BUTTON");
    EXPECT_EQ(form.progresso->SkinData()->SkinSection(), u"GAUGE");
    EXPECT_EQ(form.sPanel1->SkinData()->SkinSection(), u"PANEL");
    EXPECT_EQ(form.sButton1->SkinData()->SkinManager(), nullptr);
    EXPECT_FALSE(form.sButton1->SkinData()->Skinned(false));

    EXPECT_TRUE(form.lbStatus->text().isEmpty());
    EXPECT_EQ(form.lbStatus->alignment(), Qt::AlignLeft | Qt::AlignTop);
    EXPECT_FALSE(form.lbStatus->wordWrap());
    EXPECT_EQ(form.progresso->minimum(), 0);
    EXPECT_EQ(form.progresso->maximum(), 100);
    EXPECT_EQ(form.progresso->value(), 0);
    for (QWidget* untabbed :
         {static_cast<QWidget*>(form.progresso), static_cast<QWidget*>(form.lbStatus),
          static_cast<QWidget*>(form.sPanel1)})
        EXPECT_EQ(untabbed->focusPolicy(), Qt::NoFocus);
}

TEST_F(Window, OpensCentredWithTheFocusedButton) {
    showForm();
    const QPoint screenCentre = form.screen()->geometry().center();
    EXPECT_LE((form.frameGeometry().center() - screenCentre).manhattanLength(), 2);
    EXPECT_TRUE(form.sButton1->hasFocus());
    EXPECT_TRUE(form.sButton1->IsFocused());
    EXPECT_EQ(form.sButton1->ElementState(), TThemedButton::tbPushButtonDefaulted);
}

TEST_F(Window, EnterAndSpacePressTheButtonAndEscDoesNothing) {
    showForm();
    detachRun();
    QSignalSpy clicks(form.sButton1, &QAbstractButton::clicked);
    QTest::keyClick(form.windowHandle(), Qt::Key_Return);
    EXPECT_EQ(clicks.count(), 1);
    QTest::keyClick(form.windowHandle(), Qt::Key_Space);
    EXPECT_EQ(clicks.count(), 2);
    QTest::keyClick(form.windowHandle(), Qt::Key_Escape);
    application.ProcessMessages();
    EXPECT_EQ(clicks.count(), 2);
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(application.Terminated());
}

TEST_F(Window, ServicesReachTheControls) {
    showForm();
    form.SetStatus(u"Obtendo o caminho do banco");
    EXPECT_EQ(form.lbStatus->text(), "Obtendo o caminho do banco");
    form.SetProgressMax(8);
    form.SetProgressPosition(5);
    EXPECT_EQ(form.progresso->maximum(), 8);
    EXPECT_EQ(form.progresso->value(), 5);
    form.SetProgressPosition(9);
    EXPECT_EQ(form.progresso->value(), 8) << "a position past the end fills the bar";
    form.DisableButton();
    EXPECT_FALSE(form.sButton1->isEnabled());
    EXPECT_EQ(form.sButton1->ElementState(), TThemedButton::tbPushButtonDisabled);
    QSignalSpy clicks(form.sButton1, &QAbstractButton::clicked);
    QTest::mouseClick(form.windowHandle(), Qt::LeftButton, {}, form.sButton1->geometry().center());
    QTest::keyClick(form.windowHandle(), Qt::Key_Space);
    EXPECT_EQ(clicks.count(), 0);
    form.Terminate();
    EXPECT_FALSE(application.Terminated());
    form.ProcessMessages();
    EXPECT_TRUE(application.Terminated());
}

TEST_F(Window, LongStatusIsCutAtTheRightEdgeAndNothingGrows) {
    showForm();
    form.SetStatus(std::u16string(200, u'W'));
    application.ProcessMessages();
    EXPECT_EQ(form.lbStatus->geometry(), QRect(0, 87, 668, 24));
    EXPECT_EQ(form.size(), QSize(668, 169));
    // The text runs on to the window's last column: cut, neither wrapped nor shortened.
    const QImage image = form.grab().toImage();
    const QColor background = image.pixelColor(667, 87 + 23);
    bool textAtTheEdge = false;
    for (int x = 660; x < 668; ++x)
        for (int y = 87; y < 111; ++y)
            textAtTheEdge = textAtTheEdge || image.pixelColor(x, y) != background;
    EXPECT_TRUE(textAtTheEdge);
}

TEST_F(Window, ClosingRequestsTerminationAndKeepsTheWindow) {
    showForm();
    EXPECT_FALSE(form.close());
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(application.Terminated()) << "only posted so far";
    application.ProcessMessages();
    EXPECT_TRUE(application.Terminated());
    EXPECT_TRUE(form.isVisible());
}

} // namespace
