#pragma once

#include "TWinControl.h"
#include "TsCommonData.h"

// The standard progress bar, msctls_progress32, with a skin layer; unskinned, every
// message goes to the native bar and the platform draws it. Horizontal, range 0 to 100
// and position 0 when created.
class TsProgressBar : public TWinControl {
public:
    TsProgressBar() : skinData_(this, u"GAUGE") {}
    ~TsProgressBar() override { skinData_.BeginOwnerDestroy(); }

    TsCommonData* SkinData() { return &skinData_; }
    const TsCommonData* SkinData() const { return &skinData_; }

    int Min() const;
    int Max() const;
    // The lower end stays where it is.
    void SetMax(int maximum);
    int Position() const;
    // The bar takes a position outside its range as the nearest end.
    void SetPosition(int position);

protected:
    HWND CreateWnd(HWND parent, int id) override;

private:
    TsCommonData skinData_;
};
