#include "TsCommonData.h"

#include <algorithm>

TsCommonData::TsCommonData(const void* ownerControl, std::u16string defaultSection)
    : FOwnerControl(ownerControl), defaultSection_(std::move(defaultSection)),
      skinSection_(defaultSection_) {
    UpdateIndexes();
}

void TsCommonData::SetSkinSection(const std::u16string& section) {
    skinSection_ = section.empty() ? defaultSection_ : section;
    UpdateIndexes();
}

void TsCommonData::SetSkinManager(TsSkinManager* manager) {
    skinManager_.reset(manager);
    UpdateIndexes();
}

TsSkinManager* TsCommonData::ManagerInReach() const {
    return skinManager_.get() ? skinManager_.get() : DefaultManager;
}

void TsCommonData::UpdateIndexes() {
    const TsSkinManager* manager = ManagerInReach();
    skinIndex_ = -1;
    if (!manager)
        return;
    const auto& sections = manager->SkinSections;
    const auto found = std::find(sections.begin(), sections.end(), skinSection_);
    if (found != sections.end())
        skinIndex_ = static_cast<int>(found - sections.begin());
}

bool TsCommonData::Skinned(bool CheckSkinActive) const noexcept {
    try {
        const TsSkinManager* manager = ManagerInReach();
        if (!manager || manager->Destroying())
            return false;
        if (skinIndex_ < 0 || static_cast<std::size_t>(skinIndex_) >= manager->SkinSections.size())
            return false;
        if (!FOwnerControl || ownerDestroying_)
            return false;
        return !CheckSkinActive || manager->Active;
    } catch (...) {
        return false;
    }
}

bool LabelSkinned(const TsSkinManager* own) {
    const TsSkinManager* manager = own ? own : DefaultManager;
    return manager && manager->Active;
}
