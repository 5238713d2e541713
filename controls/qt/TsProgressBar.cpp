#include "TsProgressBar.h"

TsProgressBar::TsProgressBar(QWidget* parent) : QProgressBar(parent), skinData_(this, u"GAUGE") {
    setOrientation(Qt::Horizontal);
    setRange(0, 100);
    setValue(0);
    setTextVisible(false);
}

TsProgressBar::~TsProgressBar() {
    skinData_.BeginOwnerDestroy();
}
