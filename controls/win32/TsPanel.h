#pragma once

#include "TWinControl.h"
#include "TsCommonData.h"

#include <functional>

// The standard panel with a skin layer: a plain child window with a raised 1-pixel bevel
// and no caption. Unskinned it paints as the standard panel does, then calls OnPaint when
// one is assigned, so a handler draws over the bevel.
class TsPanel : public TWinControl {
public:
    TsPanel() : skinData_(this, u"PANEL") {}
    ~TsPanel() override { skinData_.BeginOwnerDestroy(); }

    TsCommonData* SkinData() { return &skinData_; }
    const TsCommonData* SkinData() const { return &skinData_; }

    std::function<void(TWinControl* Sender, HDC Canvas)> OnPaint;

    // The standard panel's painting: the face, then the bevel.
    void Paint(HDC canvas) const;

protected:
    HWND CreateWnd(HWND parent, int id) override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void paintAll(HDC canvas);

    TsCommonData skinData_;
    // The font of its caption, which it has none of; a standard panel keeps one all the same.
    HFONT font_ = nullptr;
};
