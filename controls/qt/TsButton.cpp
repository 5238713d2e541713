#include "TsButton.h"

#include <QApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <qdrawutil.h>

namespace {

int captionFlags(bool wordWrap) {
    // Vertical centring would apply to single-line text only; the caption rectangle itself
    // centres the text, so it is drawn from the rectangle's top. An ampersand marks the
    // mnemonic, as on a native button.
    return Qt::TextExpandTabs | Qt::AlignHCenter | Qt::AlignTop | Qt::TextShowMnemonic |
           (wordWrap ? Qt::TextWordWrap : 0);
}

QRect toQRect(const TRect& r) {
    return QRect(QPoint(r.Left, r.Top), QPoint(r.Right - 1, r.Bottom - 1));
}

} // namespace

TsButton::TsButton(QWidget* parent) : QPushButton(parent), TsButtonState(this) {
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        // Focus leaving the application leaves the window's own focus where it was.
        if (!now || now->window() != window())
            return;
        if (qobject_cast<QPushButton*>(now))
            SetButtonStyle(now == this);
        else
            SetButtonStyle(isDefault());
    });
}

TsButton::~TsButton() {
    SkinData()->BeginOwnerDestroy();
}

void TsButton::SetButtonStyle(bool ADefault) {
    StoreButtonStyle(ADefault);
    update();
}

QSize TsButton::GetCaptionSize() const {
    const QString caption = text();
    if (caption.isEmpty())
        return {0, 0};
    const QRect bounds = toQRect(CaptionBounds(width(), height()));
    const int flags = WordWrap ? captionFlags(true) : captionFlags(false) | Qt::TextSingleLine;
    return fontMetrics().boundingRect(bounds, flags, caption).size();
}

QRect TsButton::CaptionRect() const {
    const QSize caption = GetCaptionSize();
    return toQRect(CaptionRectOf(width(), height(), caption.width(), caption.height(), isDown()));
}

bool TsButton::CurrentState() const {
    return CurrentStateOf(isDown());
}

TThemedButton TsButton::ElementState() const {
    return ElementStateOf(!isEnabled(), isDown(), hasFocus());
}

QSize TsButton::sizeHint() const {
    return size();
}

void TsButton::paintEvent(QPaintEvent*) {
    QPainter canvas(this);
    StdDrawItem(canvas, rect(), isDown(), hasFocus(), !isEnabled());
}

void TsButton::StdDrawItem(QPainter& canvas, const QRect& itemRect, bool pressed, bool hasFocus,
                           bool disabled) {
    if (styledLook())
        drawStyledBevel(canvas, itemRect, ElementStateOf(disabled, pressed, hasFocus), hasFocus);
    else
        drawClassicFrame(canvas, itemRect, pressed, hasFocus, disabled);
    DrawCaption(canvas);
}

bool TsButton::styledLook() const {
    // Qt's plain "windows" style stands for the classic look without visual styles.
    return style()->name().compare(QLatin1String("windows"), Qt::CaseInsensitive) != 0;
}

void TsButton::drawStyledBevel(QPainter& canvas, const QRect& itemRect, TThemedButton state,
                               bool hasFocus) {
    // The element has rounded, partly transparent corners: the parent shows through them.
    const QWidget* parent = parentWidget();
    const QWidget* background = parent ? parent : this;
    canvas.fillRect(itemRect, background->palette().brush(background->backgroundRole()));

    QStyleOptionButton option;
    option.initFrom(this);
    option.rect = itemRect;
    option.features = QStyleOptionButton::None;
    option.state &= ~(QStyle::State_MouseOver | QStyle::State_HasFocus | QStyle::State_Sunken |
                      QStyle::State_On | QStyle::State_Raised);
    switch (state) {
    case TThemedButton::tbPushButtonDisabled:
        option.state &= ~QStyle::State_Enabled;
        option.state |= QStyle::State_Raised;
        break;
    case TThemedButton::tbPushButtonPressed:
        option.state |= QStyle::State_Sunken;
        break;
    case TThemedButton::tbPushButtonHot:
        option.state |= QStyle::State_Raised | QStyle::State_MouseOver;
        break;
    case TThemedButton::tbPushButtonDefaulted:
        option.state |= QStyle::State_Raised;
        option.features |= QStyleOptionButton::DefaultButton;
        break;
    case TThemedButton::tbPushButtonNormal:
        option.state |= QStyle::State_Raised;
        break;
    }
    style()->drawControl(QStyle::CE_PushButtonBevel, &option, &canvas, this);

    if (StyledFocusRect(hasFocus))
        drawFocusRect(canvas,
                      style()->subElementRect(QStyle::SE_PushButtonContents, &option, this));
}

void TsButton::drawClassicFrame(QPainter& canvas, const QRect& itemRect, bool pressed,
                                bool hasFocus, bool disabled) {
    const TClassicFrame frame = ClassicFrameOf(pressed, hasFocus, disabled);
    const QPalette& colours = palette();
    QRect client = itemRect;
    canvas.save();
    if (frame.FocusFrame) {
        canvas.setPen(colours.color(QPalette::Shadow));
        canvas.setBrush(Qt::NoBrush);
        canvas.drawRect(client.adjusted(0, 0, -1, -1));
        client.adjust(1, 1, -1, -1);
    }
    if (frame.PushedFrame) {
        canvas.setPen(colours.color(QPalette::Dark));
        canvas.setBrush(colours.brush(QPalette::Button));
        canvas.drawRect(client.adjusted(0, 0, -1, -1));
    } else {
        // A disabled button's palette is the disabled group, which gives the inactive frame.
        const QBrush face = colours.brush(QPalette::Button);
        qDrawWinButton(&canvas, client, colours, false, &face);
    }
    canvas.restore();
    if (frame.FocusRect) {
        const int inset = ClassicFocusInset;
        drawFocusRect(canvas, itemRect.adjusted(inset, inset, -inset, -inset));
    }
}

void TsButton::drawFocusRect(QPainter& canvas, const QRect& rect) {
    // The dotted rectangle of a native focus frame: every other pixel, in both looks. Qt's
    // styles draw their own frames only after keyboard use, some barely visible.
    canvas.save();
    canvas.setRenderHint(QPainter::Antialiasing, false);
    QPen dots(palette().color(QPalette::WindowText), 0);
    dots.setDashPattern({1, 1});
    canvas.setPen(dots);
    canvas.setBrush(Qt::NoBrush);
    canvas.drawRect(rect.adjusted(0, 0, -1, -1));
    canvas.restore();
}

void TsButton::DrawCaption(QPainter& canvas) {
    const QString caption = text();
    if (caption.isEmpty())
        return;
    const QRect rect = CaptionRect();
    const int flags = captionFlags(WordWrap);
    canvas.save();
    canvas.setFont(font());
    canvas.setBackgroundMode(Qt::TransparentMode);
    if (isEnabled()) {
        canvas.setClipRect(rect);
        canvas.setPen(palette().color(QPalette::WindowText));
        canvas.drawText(rect, flags, caption);
    } else {
        const QRect raised = rect.translated(1, 1);
        canvas.setClipRect(raised);
        canvas.setPen(palette().color(QPalette::Active, QPalette::Light));
        canvas.drawText(raised, flags, caption);
        canvas.setClipRect(rect);
        canvas.setPen(palette().color(QPalette::Active, QPalette::Dark));
        canvas.drawText(rect, flags, caption);
    }
    canvas.restore();
}

void TsButton::pointerOver(bool above) {
    pointerInside_ = above;
    if (TrackMouse(above, isEnabled()))
        repaint();
}

void TsButton::enterEvent(QEnterEvent* event) {
    pointerOver(true);
    QPushButton::enterEvent(event);
}

void TsButton::leaveEvent(QEvent* event) {
    pointerOver(false);
    QPushButton::leaveEvent(event);
}

void TsButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        SetLeftPressHeld(true);
    QPushButton::mousePressEvent(event);
}

void TsButton::mouseMoveEvent(QMouseEvent* event) {
    // While the press holds the mouse, crossing the edge counts as leaving or entering.
    const bool inside = rect().contains(event->position().toPoint());
    if ((event->buttons() & Qt::LeftButton) && inside != pointerInside_)
        pointerOver(inside);
    QPushButton::mouseMoveEvent(event);
}

void TsButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        SetLeftPressHeld(false);
    QPushButton::mouseReleaseEvent(event);
}
