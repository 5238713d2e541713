#pragma once

#include "TsSkinManager.h"

#include <QColor>
#include <QPointer>
#include <QString>

class QWidget;

// A control's link to the skin engine. The control owns it and asks Skinned() before
// doing anything in a skinned way of its own.
class TsCommonData {
public:
    // defaultSection is what an empty SkinSection falls back to for this kind of control.
    TsCommonData(QWidget* ownerControl, QString defaultSection);
    TsCommonData(const TsCommonData&) = delete;
    TsCommonData& operator=(const TsCommonData&) = delete;
    virtual ~TsCommonData() = default;

    const QString& SkinSection() const { return skinSection_; }
    // An empty name takes the control kind's default.
    void SetSkinSection(const QString& section);

    TsSkinManager* SkinManager() const { return skinManager_; }
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

    QWidget* OwnerControl() const { return FOwnerControl; }
    bool OwnerDestroying() const { return ownerDestroying_; }
    // Called first thing by the owner's destructor, so that nothing paints skinned or
    // tracks the pointer while the control is being torn down.
    void BeginOwnerDestroy() { ownerDestroying_ = true; }

    // The pointer is over the control.
    bool FMouseAbove = false;

private:
    QWidget* FOwnerControl;
    QString defaultSection_;
    QString skinSection_;
    // Cleared by Qt when the manager goes, so a control never holds a dangling manager.
    QPointer<TsSkinManager> skinManager_;
    int skinIndex_ = -1;
    bool ownerDestroying_ = false;
};

// Skin data of the push button: the common data plus the tone the skin may tint it with.
class TsCtrlSkinData : public TsCommonData {
public:
    using TsCommonData::TsCommonData;

    // Invalid means the skin's own colours.
    QColor ColorTone;
};
