// The real window and the real run together, on a sample installation: the button is
// pressed and each message box answered as a user would.
#include "Application.h"
#include "Installation.h"
#include "MessageBoxes.h"
#include "UPrincipal.h"

#include <gtest/gtest.h>

#include <QTest>

namespace {

struct Session {
    explicit Session(const Installation& suite) : form(application, suite.base()) {
        application.ShowMainForm(form);
    }
    // What the user would see once the click has returned and the loop has run again.
    void press() {
        QTest::mouseClick(form.sButton1, Qt::LeftButton);
        QCoreApplication::processEvents();
    }

    TApplication application;
    TForm1 form;
    MessageBoxes boxes;
};

TEST(EndToEnd, OnePressMigratesTheInstallationAndEndsTheProgram) {
    Installation suite;
    suite.addEverything();
    Session session(suite);
    std::vector<int> positions;
    // Each pump of the run lets the window show the step it has reached.
    QObject::connect(session.form.progresso, &QProgressBar::valueChanged,
                     [&](int value) { positions.push_back(value); });

    session.press();

    ASSERT_EQ(session.boxes.seen().size(), 1);
    const SeenBox& box = session.boxes.seen().front();
    EXPECT_EQ(box.text, QString::fromUtf8("ALTERAÇÕES REALIZADAS COM SUCESSO!!!"));
    EXPECT_EQ(box.title, session.application.Title());
    EXPECT_EQ(box.icon, QMessageBox::NoIcon);
    EXPECT_EQ(session.form.lbStatus->text(), box.text);
    EXPECT_EQ(session.form.progresso->maximum(), 8);
    EXPECT_EQ(positions, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_FALSE(session.form.sButton1->isEnabled());
    EXPECT_TRUE(session.application.Terminated());

    EXPECT_FALSE(suite.exists(Installation::databaseName));
    EXPECT_EQ(suite.bytes(Installation::backupName), suite.database);
    EXPECT_EQ(suite.bytes(Installation::newDatabaseName), suite.database);
    for (const auto* s : allSettingsFiles)
        EXPECT_EQ(suite.bytes(s->file), settingsText(*s, suite.newDatabasePath()));
}

TEST(EndToEnd, ADoubleClickRunsTheMigrationOnce) {
    Installation suite;
    suite.addEverything();
    Session session(suite);

    QTest::mouseDClick(session.form.sButton1, Qt::LeftButton);
    QTest::mouseClick(session.form.sButton1, Qt::LeftButton);
    QCoreApplication::processEvents();

    ASSERT_EQ(session.boxes.seen().size(), 1);
    EXPECT_EQ(session.boxes.seen().front().text,
              QString::fromUtf8("ALTERAÇÕES REALIZADAS COM SUCESSO!!!"));
    EXPECT_EQ(suite.bytes(Installation::newDatabaseName), suite.database);
}

TEST(EndToEnd, TheWarningIsShownWithItsLineBreaksAndNothingChanges) {
    Installation suite;
    suite.addEverything();
    writeBytes(suite.folder / Installation::backupName, "an earlier backup");
    const auto before = suite.snapshot();
    Session session(suite);

    session.press();

    ASSERT_EQ(session.boxes.seen().size(), 1);
    EXPECT_EQ(session.boxes.seen().front().text,
              QString::fromUtf8("ATENÇÃO! \n\nNão foi possivel relizar os procedimentos de "
                                "conversão!\n\n Feche todas as conexões ao banco de dados!!!"));
    EXPECT_EQ(session.form.lbStatus->text(), QStringLiteral("Alterando nome do arquivo de Backup"));
    EXPECT_EQ(session.form.progresso->value(), 1);
    EXPECT_TRUE(session.application.Terminated());
    EXPECT_EQ(suite.snapshot(), before);
}

TEST(EndToEnd, AFailedSettingsWriteShowsTheErrorBoxAndLeavesTheWindowOpen) {
    Installation suite;
    suite.addEverything();
    std::filesystem::remove_all(suite.folder / "Talbrix/Hulvern");
    Session session(suite);

    session.press();

    ASSERT_EQ(session.boxes.seen().size(), 1);
    const SeenBox& box = session.boxes.seen().front();
    EXPECT_EQ(box.icon, QMessageBox::Critical);
    EXPECT_EQ(box.text, QStringLiteral("Unable to write to ") +
                            QString::fromStdU16String(suite.base()) +
                            QStringLiteral("Talbrix/Hulvern/Hulvern.ini."));
    EXPECT_EQ(
        session.form.lbStatus->text(),
        QString::fromUtf8("Alterando extenção do banco no arquivo Talbrix/Hulvern/Hulvern.ini"));
    EXPECT_EQ(session.form.progresso->value(), 4);
    EXPECT_FALSE(session.form.sButton1->isEnabled());
    EXPECT_FALSE(session.application.Terminated());
    EXPECT_TRUE(session.form.isVisible());
}

} // namespace
