#include "TsPanel.h"

#include <QPainter>

TsPanel::TsPanel(QWidget* parent) : QFrame(parent), skinData_(this, u"PANEL") {
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(1);
}

TsPanel::~TsPanel() {
    skinData_.BeginOwnerDestroy();
}

void TsPanel::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (OnPaint) {
        QPainter canvas(this);
        OnPaint(this, canvas);
    }
}
