#include "MessageBoxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QPushButton>

MessageBoxes::MessageBoxes(Answer answer) : answer_(answer ? std::move(answer) : clickDefault) {
    qApp->installEventFilter(this);
}

MessageBoxes::~MessageBoxes() {
    qApp->removeEventFilter(this);
}

void MessageBoxes::clickDefault(QMessageBox& box) {
    box.defaultButton()->click();
}

bool MessageBoxes::eventFilter(QObject* watched, QEvent* event) {
    auto* box = qobject_cast<QMessageBox*>(watched);
    if (box && event->type() == QEvent::Show && !event->spontaneous()) {
        QStringList buttons;
        for (QAbstractButton* button : box->buttons())
            buttons << button->text();
        const QAbstractButton* ok = box->button(QMessageBox::Ok);
        seen_.append({box->windowTitle(), box->text(), box->icon(), buttons,
                      ok && box->defaultButton() == ok, ok && box->escapeButton() == ok,
                      ok && !ok->icon().isNull(), box->frameGeometry()});
        // Queued: the box's own loop must be running before it can be answered.
        QMetaObject::invokeMethod(
            this,
            [this, guarded = QPointer<QMessageBox>(box), index = seen_.size() - 1] {
                if (guarded) {
                    seen_[index].geometry = guarded->frameGeometry();
                    answer_(*guarded);
                }
            },
            Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}
