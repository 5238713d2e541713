#include "TsCommonData.h"

TsCommonData::TsCommonData(QWidget* ownerControl, QString defaultSection)
    : FOwnerControl(ownerControl), defaultSection_(std::move(defaultSection)),
      skinSection_(defaultSection_) {
    UpdateIndexes();
}

void TsCommonData::SetSkinSection(const QString& section) {
    skinSection_ = section.isEmpty() ? defaultSection_ : section;
    UpdateIndexes();
}

void TsCommonData::SetSkinManager(TsSkinManager* manager) {
    skinManager_ = manager;
    UpdateIndexes();
}

TsSkinManager* TsCommonData::ManagerInReach() const {
    return skinManager_ ? skinManager_.data() : DefaultManager;
}

void TsCommonData::UpdateIndexes() {
    const TsSkinManager* manager = ManagerInReach();
    skinIndex_ = manager ? static_cast<int>(manager->SkinSections.indexOf(skinSection_)) : -1;
}

bool TsCommonData::Skinned(bool CheckSkinActive) const noexcept {
    try {
        const TsSkinManager* manager = ManagerInReach();
        if (!manager || manager->Destroying())
            return false;
        if (skinIndex_ < 0 || skinIndex_ >= manager->SkinSections.size())
            return false;
        if (!FOwnerControl || ownerDestroying_)
            return false;
        return !CheckSkinActive || manager->Active;
    } catch (...) {
        return false;
    }
}
