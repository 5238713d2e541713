#pragma once

#include "TsCommonData.h"

#include <QPushButton>

class QPainter;
class QStyleOptionButton;

// States of the push-button element that the styled look draws.
enum class TThemedButton {
    tbPushButtonNormal,
    tbPushButtonHot,
    tbPushButtonPressed,
    tbPushButtonDisabled,
    tbPushButtonDefaulted,
};

// The standard push button, except that it always paints itself (StdDrawItem): the bevel
// through the style in the state of the moment, or the classic frame under the plain
// "windows" style, and always its own caption. Clicks, keys and the default-button logic
// stay those of QPushButton; a double click counts as two presses.
class TsButton : public QPushButton {
    Q_OBJECT

public:
    explicit TsButton(QWidget* parent = nullptr);
    ~TsButton() override;

    TsCtrlSkinData* SkinData() { return &skinData_; }
    const TsCtrlSkinData* SkinData() const { return &skinData_; }

    bool WordWrap = true;
    // Left and right margin inside which the caption is measured.
    int ContentMargin = 6;

    // The focused look; written only by SetButtonStyle.
    bool IsFocused() const { return isFocused_; }
    // Called as the focus moves within the window: ADefault is true when this button takes
    // the focus, or when a control that is not a push button takes it and this button is
    // the window's default one.
    void SetButtonStyle(bool ADefault);

    // The caption measured with the button's font; 0 x 0 when there is none.
    QSize GetCaptionSize() const;
    // Centred, one spare pixel on each side of the text, moved 1 pixel right and down when
    // the button counts as pressed.
    QRect CaptionRect() const;
    // Counts as pressed: pushed, and the pointer is over it, or no left press that began on
    // it is still held, or hover effects are off.
    bool CurrentState() const;
    // The element state the styled look would draw now.
    TThemedButton ElementState() const;

    // The measure answer: the button's own size.
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

    // The draw request: itemRect is the whole button.
    void StdDrawItem(QPainter& canvas, const QRect& itemRect, bool pressed, bool hasFocus,
                     bool disabled);
    void DrawCaption(QPainter& canvas);

private:
    bool styledLook() const;
    void drawStyledBevel(QPainter& canvas, const QRect& itemRect, TThemedButton state,
                         bool hasFocus);
    void drawClassicFrame(QPainter& canvas, const QRect& itemRect, bool pressed, bool hasFocus);
    void drawFocusRect(QPainter& canvas, const QRect& rect);
    void trackMouse(bool above);
    static TThemedButton elementState(bool disabled, bool pressed, bool mouseAbove, bool defaulted);

    TsCtrlSkinData skinData_;
    bool isFocused_ = false;
    bool leftPressHeld_ = false;
};
