#pragma once

#include "TsSkinManager.h"

#include <cstdint>
#include <optional>
#include <string>

// A control's link to the skin engine. The control owns it and asks Skinned() before
// doing anything in a skinned way of its own. The owner is whatever the toolkit calls the
// control; the skin data only needs to know that there is one.
class TsCommonData {
public:
    // defaultSection is what an empty SkinSection falls back to for this kind of control.
    TsCommonData(const void* ownerControl, std::u16string defaultSection);
    TsCommonData(const TsCommonData&) = delete;
    TsCommonData& operator=(const TsCommonData&) = delete;
    virtual ~TsCommonData() = default;

    const std::u16string& SkinSection() const { return skinSection_; }
    // An empty name takes the control kind's default.
    void SetSkinSection(const std::u16string& section);

    TsSkinManager* SkinManager() const { return skinManager_.get(); }
    void SetSkinManager(TsSkinManager* manager);

    // Index of SkinSection among the sections of the manager in reach, -1 when there is no
    // manager or no such section. Taken when the section or the manager is set, or on
    // UpdateIndexes(); a manager that changes its sections afterwards leaves it stale.
    int SkinIndex() const { return skinIndex_; }
    void UpdateIndexes();

    // The control's own manager, else DefaultManager; null when neither exists.
    TsSkinManager* ManagerInReach() const;

    // True only with a manager in reach that is not being destroyed, a skin index valid for
    // its sections, an owner control not being destroyed and, when CheckSkinActive is set,
    // an active manager. Never throws: any failure inside counts as not skinned.
    bool Skinned(bool CheckSkinActive = false) const noexcept;

    const void* OwnerControl() const { return FOwnerControl; }
    bool OwnerDestroying() const { return ownerDestroying_; }
    // Called first thing by the owner's destructor, so that nothing paints skinned or
    // tracks the pointer while the control is being torn down.
    void BeginOwnerDestroy() { ownerDestroying_ = true; }

    // The pointer is over the control.
    bool FMouseAbove = false;

private:
    const void* FOwnerControl;
    std::u16string defaultSection_;
    std::u16string skinSection_;
    TsManagerRef skinManager_;
    int skinIndex_ = -1;
    bool ownerDestroying_ = false;
};

// Skin data of the push button: the common data plus the tone the skin may tint it with.
class TsCtrlSkinData : public TsCommonData {
public:
    using TsCommonData::TsCommonData;

    // 0x00BBGGRR; empty means the skin's own colours.
    std::optional<std::uint32_t> ColorTone;
};

// The label's whole skinned test: an active manager in reach, its own (own) or
// DefaultManager.
bool LabelSkinned(const TsSkinManager* own);
