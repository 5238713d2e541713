#pragma once

#include "TsButtonState.h"

#include <QPushButton>

class QPainter;

// The standard push button, except that it always paints itself (StdDrawItem): the bevel
// through the style in the state of the moment, or the classic frame under the plain
// "windows" style, and always its own caption. Clicks, keys and the default-button logic
// stay those of QPushButton; a double click counts as two presses.
class TsButton : public QPushButton, public TsButtonState {
    Q_OBJECT

public:
    explicit TsButton(QWidget* parent = nullptr);
    ~TsButton() override;

    // Called as the focus moves within the window: ADefault is true when this button takes
    // the focus, or when a control that is not a push button takes it and this button is
    // the window's default one.
    void SetButtonStyle(bool ADefault);

    // The caption measured with the button's font; 0 x 0 when there is none.
    QSize GetCaptionSize() const;
    QRect CaptionRect() const;
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
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

    // The draw request: itemRect is the whole button.
    void StdDrawItem(QPainter& canvas, const QRect& itemRect, bool pressed, bool hasFocus,
                     bool disabled);
    void DrawCaption(QPainter& canvas);

private:
    bool styledLook() const;
    void drawStyledBevel(QPainter& canvas, const QRect& itemRect, TThemedButton state,
                         bool hasFocus);
    void drawClassicFrame(QPainter& canvas, const QRect& itemRect, bool pressed, bool hasFocus,
                          bool disabled);
    void drawFocusRect(QPainter& canvas, const QRect& rect);
    void pointerOver(bool above);

    // Where the pointer is as far as hover goes: Qt sends no leave event while a press
    // holds the mouse, so moves decide then.
    bool pointerInside_ = false;
};
