#include "Application.h"
#include "MessageBoxes.h"
#include "TsButton.h"
#include "migration/IniFiles.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

namespace {

// ---- The message box ----

TEST(ShowMessage, PlainBoxWithTitleLineBreaksAndOneOkButton) {
    TApplication application;
    MessageBoxes boxes;
    application.ShowMessage(QString::fromUtf16(u"ATENÇÃO! \r\rNão foi possivel\r\r Feche\r\nfim"));
    ASSERT_EQ(boxes.seen().size(), 1);
    const SeenBox& box = boxes.seen()[0];
    EXPECT_EQ(box.title, application.Title());
    EXPECT_EQ(box.text, QString::fromUtf16(u"ATENÇÃO! \n\nNão foi possivel\n\n Feche\nfim"));
    EXPECT_EQ(box.icon, QMessageBox::NoIcon);
    EXPECT_EQ(box.buttons, QStringList{"OK"});
    EXPECT_TRUE(box.okIsDefault);
    EXPECT_TRUE(box.okIsEscape);
    EXPECT_FALSE(box.okHasIcon) << "a plain OK button, whatever the style adds";
    const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE((box.geometry.center() - screenCentre).manhattanLength(), 2);
}

TEST(ShowMessage, EnterEscAndTheCloseBoxDismissItAsOkDoes) {
    const std::pair<const char*, MessageBoxes::Answer> ways[] = {
        {"OK", MessageBoxes::clickDefault},
        {"Enter", [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Return); }},
        {"Esc", [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); }},
        {"close box", [](QMessageBox& box) { box.close(); }},
    };
    for (const auto& [name, answer] : ways) {
        SCOPED_TRACE(name);
        TApplication application;
        MessageBoxes boxes(answer);
        application.ShowMessage("Feito");
        EXPECT_EQ(boxes.seen().size(), 1);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
}

// ---- The loop ----

TEST(MessageLoop, TerminateTwiceEndsTheLoopOnce) {
    TApplication application;
    QWidget form;
    QTimer::singleShot(0, &form, [&] {
        application.Terminate();
        application.Terminate();
        EXPECT_FALSE(application.Terminated()) << "Terminate only posts the request";
    });
    application.Run(form);
    EXPECT_TRUE(application.Terminated());
    EXPECT_TRUE(form.isVisible());
    // The second request finds the flag set and changes nothing.
    application.ProcessMessages();
    EXPECT_TRUE(application.Terminated());
}

TEST(MessageLoop, QuitRequestTakenByProcessMessagesOnlySetsTheFlag) {
    TApplication application;
    application.Terminate();
    EXPECT_FALSE(application.Terminated());
    application.ProcessMessages();
    EXPECT_TRUE(application.Terminated());
}

TEST(MessageLoop, PendingQuitRequestLeavesAMessageBoxOpen) {
    TApplication application;
    QWidget form;
    bool terminatedWhileUp = false;
    bool visibleWhileUp = false;
    MessageBoxes boxes([&](QMessageBox& box) {
        terminatedWhileUp = application.Terminated();
        visibleWhileUp = box.isVisible();
        MessageBoxes::clickDefault(box);
    });
    // The run's ending: request termination, then report; the box waits for its answer.
    QTimer::singleShot(0, &form, [&] {
        application.Terminate();
        application.ShowMessage("ALTERAÇÕES REALIZADAS COM SUCESSO!!!");
    });
    application.Run(form);
    ASSERT_EQ(boxes.seen().size(), 1);
    EXPECT_TRUE(terminatedWhileUp) << "the request had been dispatched while the box was up";
    EXPECT_TRUE(visibleWhileUp);
}

TEST(ErrorDisplay, ErrorFromAClickShowsTheStopBoxAndTheWindowStaysOpen) {
    struct Case {
        const char* name;
        std::function<void()> raise;
        QString shown;
    };
    const Case cases[] = {
        {"settings write",
         [] { throw EIniFileException(u"Unable to write to /srv/Talbrix/Quorvane.ini"); },
         "Unable to write to /srv/Talbrix/Quorvane.ini."},
        {"standard error", [] { throw std::runtime_error("Falha geral!"); }, "Falha geral!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TApplication application;
        QWidget form;
        form.resize(300, 100);
        auto* button = new TsButton(&form);
        button->setGeometry(10, 10, 100, 30);
        button->setText("Iniciar");
        bool after = false;
        QObject::connect(button, &QAbstractButton::clicked, [&] {
            application.HandleErrors([&] {
                button->setEnabled(false);
                c.raise();
                after = true;
            });
        });
        application.ShowMainForm(form);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        MessageBoxes boxes;

        QTest::mouseClick(form.windowHandle(), Qt::LeftButton, {}, button->geometry().center());

        ASSERT_EQ(boxes.seen().size(), 1);
        const SeenBox& box = boxes.seen()[0];
        EXPECT_EQ(box.icon, QMessageBox::Critical);
        EXPECT_EQ(box.title, application.Title());
        EXPECT_EQ(box.text, c.shown);
        EXPECT_EQ(box.buttons, QStringList{"OK"});
        EXPECT_FALSE(box.okHasIcon);
        EXPECT_FALSE(after) << "the code after the error must not run";
        EXPECT_TRUE(form.isVisible());
        EXPECT_FALSE(button->isEnabled()) << "the window stays as the handler left it";
        application.ProcessMessages();
        EXPECT_FALSE(application.Terminated());
    }
}

} // namespace
