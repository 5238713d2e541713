#include "UPrincipal.h"

#include "migration/MigrationRun.h"

#include <QCloseEvent>
#include <QScreen>

#include <algorithm>

namespace {

QFont fontOf(const char* family, int pixelSize, bool bold = false) {
    QFont font(QString::fromLatin1(family));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

} // namespace

TForm1::TForm1(TApplication& application, std::u16string baseFolder)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      progresso(new TsProgressBar(this)), lbStatus(new TsLabel(this)), sButton1(new TsButton(this)),
      sPanel1(new TsPanel(this)), application_(application), baseFolder_(std::move(baseFolder)) {
    setWindowTitle(QString::fromUtf8("Atualizador para versão 9.3.13.x"));
    setFont(fontOf("Tahoma", 11));
    QPalette colours = palette();
    colours.setColor(QPalette::Window, colours.color(QPalette::Button));
    setPalette(colours);

    sPanel1->setGeometry(0, 0, 668, 1);
    sPanel1->setFocusPolicy(Qt::NoFocus);

    sButton1->setGeometry(236, 19, 197, 49);
    sButton1->setFont(fontOf("Arial", 21, true));
    sButton1->setText(QStringLiteral("Iniciar"));
    // Enter presses the button that has the focus, as in a dialog.
    sButton1->setAutoDefault(true);

    lbStatus->setGeometry(0, 87, 668, 24);
    lbStatus->setFont(fontOf("Arial", 21));
    lbStatus->setTextFormat(Qt::PlainText);
    lbStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lbStatus->setWordWrap(false);

    progresso->setGeometry(0, 111, 668, 58);
    progresso->setFocusPolicy(Qt::NoFocus);

    setTabOrder(progresso, sButton1);
    setTabOrder(sButton1, sPanel1);

    connect(sButton1, &QAbstractButton::clicked, this,
            [this] { application_.HandleErrors([this] { sButton1Click(sButton1); }); });
    AutoSizeClient();
}

void TForm1::AutoSizeClient() {
    QRect bounds;
    for (QWidget* control : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!control->isHidden())
            bounds = bounds.united(control->geometry());
    const QPoint offset = bounds.topLeft();
    if (offset != QPoint(0, 0))
        for (QWidget* control : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            control->move(control->pos() - offset);
    setFixedSize(bounds.size());
}

void TForm1::showEvent(QShowEvent* event) {
    if (!shown_) {
        shown_ = true;
        QRect frame = frameGeometry();
        frame.moveCenter(screen()->geometry().center());
        move(frame.topLeft());
    }
    QWidget::showEvent(event);
}

void TForm1::closeEvent(QCloseEvent* event) {
    event->ignore();
    application_.Terminate();
}

void TForm1::sButton1Click([[maybe_unused]] QObject* Sender) {
    RunMigration(*this, baseFolder_);
}

void TForm1::SetStatus(const std::u16string& text) {
    lbStatus->setText(QString::fromStdU16String(text));
}

void TForm1::SetProgressMax(int maximum) {
    progresso->setMaximum(maximum);
}

void TForm1::SetProgressPosition(int position) {
    // A native bar takes a position outside its range as the nearest end; QProgressBar
    // would ignore it.
    progresso->setValue(std::clamp(position, progresso->minimum(), progresso->maximum()));
}

void TForm1::DisableButton() {
    sButton1->setEnabled(false);
}

void TForm1::ProcessMessages() {
    application_.ProcessMessages();
}

void TForm1::ShowMessage(const std::u16string& text) {
    application_.ShowMessage(QString::fromStdU16String(text));
}

void TForm1::Terminate() {
    application_.Terminate();
}
