#pragma once

#include "TsCommonData.h"

// States of the push-button element that the styled look draws.
enum class TThemedButton {
    tbPushButtonNormal,
    tbPushButtonHot,
    tbPushButtonPressed,
    tbPushButtonDisabled,
    tbPushButtonDefaulted,
};

// A rectangle in a control's own pixels; right and bottom lie just outside it.
struct TRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;

    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    TRect Offset(int dx, int dy) const { return {Left + dx, Top + dy, Right + dx, Bottom + dy}; }
    TRect Inflate(int d) const { return {Left - d, Top - d, Right + d, Bottom + d}; }
    bool operator==(const TRect&) const = default;
};

// What the classic look draws around the caption, in this order.
struct TClassicFrame {
    // A 1-pixel rectangle in the window-frame colour round the client area, which then
    // shrinks by 1 pixel on each side.
    bool FocusFrame = false;
    // Pressed: a 1-pixel rectangle in the shadow colour filled with the face colour, then
    // 1 pixel in; otherwise the platform's push-button frame, inactive when disabled.
    bool PushedFrame = false;
    bool Inactive = false;
    // The dotted focus rectangle on the client area inset by ClassicFocusInset.
    bool FocusRect = false;

    bool operator==(const TClassicFrame&) const = default;
};

// The push button's own state and every rule of its drawing that does not depend on the
// toolkit. Each toolkit's TsButton is this and the native button: its drawing, its events.
class TsButtonState {
public:
    explicit TsButtonState(const void* owner) : skinData_(owner, u"BUTTON") {}

    TsCtrlSkinData* SkinData() { return &skinData_; }
    const TsCtrlSkinData* SkinData() const { return &skinData_; }

    bool WordWrap = true;
    // Left and right margin inside which the caption is measured.
    int ContentMargin = 6;
    static constexpr int ClassicFocusInset = 4;

    // The focused look; written only by SetButtonStyle.
    bool IsFocused() const { return isFocused_; }

    // The pointer entered (above) or left the button. The flag follows it only while the
    // button is enabled and not being destroyed; true when the button must be repainted
    // at once.
    bool TrackMouse(bool above, bool enabled);
    // A press of the left mouse button that began on the button is held, or no longer.
    void SetLeftPressHeld(bool held) { leftPressHeld_ = held; }

    // Counts as pressed: the native button is pushed, and the pointer is over it, or no
    // left press that began on it is still held, or hover effects are off.
    bool CurrentStateOf(bool pushed) const;

    // The element state with visual styles, from the draw request's flags: disabled, then
    // pressed, then hot, then defaulted (focused look or focus), else normal.
    TThemedButton ElementStateOf(bool disabled, bool pressed, bool hasFocus) const;
    // With visual styles the dotted focus rectangle lies on the element's content rectangle,
    // and is drawn only with both the focused look and the focus.
    bool StyledFocusRect(bool hasFocus) const { return isFocused_ && hasFocus; }
    TClassicFrame ClassicFrameOf(bool pressed, bool hasFocus, bool disabled) const;

    // Where the caption is measured: between the two content margins.
    TRect CaptionBounds(int width, int height) const;
    // Centred on a button of width x height, one spare pixel on each side of a caption of
    // captionWidth x captionHeight, moved 1 pixel right and down when it counts as pressed.
    TRect CaptionRectOf(int width, int height, int captionWidth, int captionHeight,
                        bool pushed) const;

protected:
    void StoreButtonStyle(bool ADefault) { isFocused_ = ADefault; }

private:
    TsCtrlSkinData skinData_;
    bool isFocused_ = false;
    bool leftPressHeld_ = false;
};
