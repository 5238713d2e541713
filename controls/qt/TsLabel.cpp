#include "TsLabel.h"

#include "TsCommonData.h"

TsLabel::TsLabel(QWidget* parent) : QLabel(parent) {}

bool TsLabel::Skinned() const {
    return LabelSkinned(skinManager_.get());
}
