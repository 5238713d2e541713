#include "TsLabel.h"

TsLabel::TsLabel(QWidget* parent) : QLabel(parent) {}

bool TsLabel::Skinned() const {
    const TsSkinManager* manager = skinManager_ ? skinManager_.data() : DefaultManager;
    return manager && manager->Active;
}
