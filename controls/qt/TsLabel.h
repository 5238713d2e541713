#pragma once

#include "TsSkinManager.h"

#include <QLabel>

// The standard label with a skin layer. The label keeps no TsCommonData: it only needs to
// know whether an active manager is in reach. Without one it is the standard QLabel in
// every respect, painting and re-measuring on a change of font included.
class TsLabel : public QLabel {
    Q_OBJECT

public:
    explicit TsLabel(QWidget* parent = nullptr);

    TsSkinManager* SkinManager() const { return skinManager_.get(); }
    void SetSkinManager(TsSkinManager* manager) { skinManager_.reset(manager); }
    std::u16string SkinSection;

    // An active manager in reach: the label's own, else DefaultManager.
    bool Skinned() const;

private:
    TsManagerRef skinManager_;
};
