#pragma once

#include <string>
#include <vector>

class TsSkinManager;

// A control's reference to a skin manager. It empties itself when the manager is
// destroyed, so that a control never holds a manager that is gone.
class TsManagerRef {
public:
    TsManagerRef() = default;
    TsManagerRef(const TsManagerRef&) = delete;
    TsManagerRef& operator=(const TsManagerRef&) = delete;
    ~TsManagerRef() { reset(nullptr); }

    TsSkinManager* get() const { return manager_; }
    void reset(TsSkinManager* manager);

private:
    friend class TsSkinManager;
    TsSkinManager* manager_ = nullptr;
};

// The part of the skin engine that the controls consult to decide whether they are
// skinned. This program never creates one, so every control keeps its standard look; the
// class exists so that the decision is made the same way it would be with a skin loaded.
class TsSkinManager {
public:
    TsSkinManager() = default;
    TsSkinManager(const TsSkinManager&) = delete;
    TsSkinManager& operator=(const TsSkinManager&) = delete;
    ~TsSkinManager();

    bool Active = false;
    // Names of the sections of the loaded skin; a control's skin index points into it.
    std::vector<std::u16string> SkinSections;
    // Hover looks off: a held button then shows pressed wherever the pointer is.
    bool NoHoverEffects = false;

    // Registers this manager as DefaultManager, or withdraws it.
    void SetDefault(bool isDefault);
    bool IsDefault() const;

    // True from the start of destruction on: a manager on its way out skins nothing.
    bool Destroying() const { return destroying_; }
    void BeginDestroy() { destroying_ = true; }

private:
    friend class TsManagerRef;
    bool destroying_ = false;
    std::vector<TsManagerRef*> references_;
};

// The manager that serves every control without a manager of its own. Written only by
// TsSkinManager; empty for this program's whole run.
extern TsSkinManager* DefaultManager;
