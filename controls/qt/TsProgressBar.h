#pragma once

#include "TsCommonData.h"

#include <QProgressBar>

// The standard progress bar with a skin layer; unskinned, Qt draws the bar as usual. The
// defaults are those of a native progress bar: horizontal, range 0 to 100, position 0 and
// no percentage text.
class TsProgressBar : public QProgressBar {
    Q_OBJECT

public:
    explicit TsProgressBar(QWidget* parent = nullptr);
    ~TsProgressBar() override;

    TsCommonData* SkinData() { return &skinData_; }
    const TsCommonData* SkinData() const { return &skinData_; }

private:
    TsCommonData skinData_;
};
