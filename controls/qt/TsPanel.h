#pragma once

#include "TsCommonData.h"

#include <QFrame>

#include <functional>

class QPainter;

// The standard panel (a raised frame) with a skin layer. Unskinned it paints as QFrame
// does, then calls OnPaint when one is assigned, so a handler draws over the frame.
class TsPanel : public QFrame {
    Q_OBJECT

public:
    explicit TsPanel(QWidget* parent = nullptr);
    ~TsPanel() override;

    TsCommonData* SkinData() { return &skinData_; }
    const TsCommonData* SkinData() const { return &skinData_; }

    std::function<void(QObject* Sender, QPainter& Canvas)> OnPaint;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TsCommonData skinData_;
};
