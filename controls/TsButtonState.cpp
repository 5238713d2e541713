#include "TsButtonState.h"

bool TsButtonState::TrackMouse(bool above, bool enabled) {
    if (!enabled || skinData_.OwnerDestroying())
        return false;
    skinData_.FMouseAbove = above;
    return true;
}

bool TsButtonState::CurrentStateOf(bool pushed) const {
    if (!pushed)
        return false;
    const TsSkinManager* manager = skinData_.ManagerInReach();
    const bool hoverOff = manager && manager->NoHoverEffects;
    return skinData_.FMouseAbove || !leftPressHeld_ || hoverOff;
}

TThemedButton TsButtonState::ElementStateOf(bool disabled, bool pressed, bool hasFocus) const {
    if (disabled)
        return TThemedButton::tbPushButtonDisabled;
    if (pressed)
        return TThemedButton::tbPushButtonPressed;
    if (skinData_.FMouseAbove)
        return TThemedButton::tbPushButtonHot;
    if (isFocused_ || hasFocus)
        return TThemedButton::tbPushButtonDefaulted;
    return TThemedButton::tbPushButtonNormal;
}

TClassicFrame TsButtonState::ClassicFrameOf(bool pressed, bool hasFocus, bool disabled) const {
    TClassicFrame frame;
    frame.FocusFrame = isFocused_ || hasFocus;
    frame.PushedFrame = pressed;
    frame.Inactive = !pressed && disabled;
    frame.FocusRect = isFocused_ && hasFocus;
    return frame;
}

TRect TsButtonState::CaptionBounds(int width, int height) const {
    return {ContentMargin, 0, width - ContentMargin, height};
}

TRect TsButtonState::CaptionRectOf(int width, int height, int captionWidth, int captionHeight,
                                   bool pushed) const {
    TRect rect;
    rect.Left = (width - captionWidth) / 2 - 1;
    rect.Right = rect.Left + captionWidth + 2;
    rect.Top = (height - captionHeight) / 2;
    rect.Bottom = height - rect.Top;
    return CurrentStateOf(pushed) ? rect.Offset(1, 1) : rect;
}
