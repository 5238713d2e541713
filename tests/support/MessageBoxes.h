#pragma once

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QString>

#include <functional>

// What a test saw of a message box while it was up.
struct SeenBox {
    QString title;
    QString text;
    QMessageBox::Icon icon;
    QStringList buttons;
    bool okIsDefault;
    bool okIsEscape;
    bool okHasIcon;
    QRect geometry;
};

// Answers every message box that opens while it lives: records it, then, once the box's
// own loop runs, hands it to the answer (by default a click on its default button). Lets
// a test drive code that shows modal boxes without a person at the keyboard.
class MessageBoxes : public QObject {
public:
    using Answer = std::function<void(QMessageBox& box)>;

    explicit MessageBoxes(Answer answer = {});
    ~MessageBoxes() override;

    const QList<SeenBox>& seen() const { return seen_; }

    static void clickDefault(QMessageBox& box);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Answer answer_;
    QList<SeenBox> seen_;
};
