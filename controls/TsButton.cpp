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

} // namespace

TsButton::TsButton(QWidget* parent)
    : QPushButton(parent), skinData_(this, QStringLiteral("BUTTON")) {
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
    skinData_.BeginOwnerDestroy();
}

void TsButton::SetButtonStyle(bool ADefault) {
    isFocused_ = ADefault;
    update();
}

QSize TsButton::GetCaptionSize() const {
    const QString caption = text();
    if (caption.isEmpty())
        return {0, 0};
    const QRect bounds(ContentMargin, 0, width() - 2 * ContentMargin, height());
    const int flags = WordWrap ? captionFlags(true) : captionFlags(false) | Qt::TextSingleLine;
    return fontMetrics().boundingRect(bounds, flags, caption).size();
}

QRect TsButton::CaptionRect() const {
    const QSize caption = GetCaptionSize();
    const int left = (width() - caption.width()) / 2 - 1;
    const int right = left + caption.width() + 2;
    const int top = (height() - caption.height()) / 2;
    const int bottom = height() - top;
    QRect rect(QPoint(left, top), QSize(right - left, bottom - top));
    if (CurrentState())
        rect.translate(1, 1);
    return rect;
}

bool TsButton::CurrentState() const {
    if (!isDown())
        return false;
    const TsSkinManager* manager = skinData_.ManagerInReach();
    const bool hoverOff = manager && manager->NoHoverEffects;
    return skinData_.FMouseAbove || !leftPressHeld_ || hoverOff;
}

TThemedButton TsButton::elementState(bool disabled, bool pressed, bool mouseAbove, bool defaulted) {
    if (disabled)
        return TThemedButton::tbPushButtonDisabled;
    if (pressed)
        return TThemedButton::tbPushButtonPressed;
    if (mouseAbove)
        return TThemedButton::tbPushButtonHot;
    if (defaulted)
        return TThemedButton::tbPushButtonDefaulted;
    return TThemedButton::tbPushButtonNormal;
}

TThemedButton TsButton::ElementState() const {
    return elementState(!isEnabled(), isDown(), skinData_.FMouseAbove, isFocused_ || hasFocus());
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
        drawStyledBevel(
            canvas, itemRect,
            elementState(disabled, pressed, skinData_.FMouseAbove, isFocused_ || hasFocus),
            hasFocus);
    else
        drawClassicFrame(canvas, itemRect, pressed, hasFocus);
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

    // The style's focus place inside the bevel; its contents rectangle reaches the bevel's
    // very edge in some styles.
    if (isFocused_ && hasFocus)
        drawFocusRect(canvas,
                      style()->subElementRect(QStyle::SE_PushButtonFocusRect, &option, this));
}

void TsButton::drawClassicFrame(QPainter& canvas, const QRect& itemRect, bool pressed,
                                bool hasFocus) {
    const QPalette& colours = palette();
    QRect client = itemRect;
    canvas.save();
    if (isFocused_ || hasFocus) {
        canvas.setPen(colours.color(QPalette::Shadow));
        canvas.setBrush(Qt::NoBrush);
        canvas.drawRect(client.adjusted(0, 0, -1, -1));
        client.adjust(1, 1, -1, -1);
    }
    if (pressed) {
        canvas.setPen(colours.color(QPalette::Dark));
        canvas.setBrush(colours.brush(QPalette::Button));
        canvas.drawRect(client.adjusted(0, 0, -1, -1));
    } else {
        // A disabled button's palette is the disabled group, which gives the inactive frame.
        const QBrush face = colours.brush(QPalette::Button);
        qDrawWinButton(&canvas, client, colours, false, &face);
    }
    canvas.restore();
    if (isFocused_ && hasFocus)
        drawFocusRect(canvas, itemRect.adjusted(4, 4, -4, -4));
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

void TsButton::trackMouse(bool above) {
    if (isEnabled() && !skinData_.OwnerDestroying()) {
        skinData_.FMouseAbove = above;
        repaint();
    }
}

void TsButton::enterEvent(QEnterEvent* event) {
    trackMouse(true);
    QPushButton::enterEvent(event);
}

void TsButton::leaveEvent(QEvent* event) {
    trackMouse(false);
    QPushButton::leaveEvent(event);
}

void TsButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        leftPressHeld_ = true;
    QPushButton::mousePressEvent(event);
}

void TsButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        leftPressHeld_ = false;
    QPushButton::mouseReleaseEvent(event);
}
