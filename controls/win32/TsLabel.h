#pragma once

#include "TWinControl.h"
#include "TsSkinManager.h"

// The standard label with a skin layer: a STATIC control on one line, without wrapping and
// without mnemonics, its text at the left and at the top, cut where the control ends. Its
// height follows its font, one line of text. The label keeps no TsCommonData: it only needs
// to know whether an active manager is in reach.
class TsLabel : public TWinControl {
public:
    TsSkinManager* SkinManager() const { return skinManager_.get(); }
    void SetSkinManager(TsSkinManager* manager) { skinManager_.reset(manager); }
    std::u16string SkinSection;

    // An active manager in reach: the label's own, else DefaultManager.
    bool Skinned() const;

    // The height of one line in the label's font at dpi.
    int LineHeight(UINT dpi) const;

protected:
    HWND CreateWnd(HWND parent, int id) override;

private:
    TsManagerRef skinManager_;
};
