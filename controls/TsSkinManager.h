#pragma once

#include <QObject>
#include <QStringList>

// The part of the skin engine that the controls consult to decide whether they are
// skinned. This program never creates one, so every control keeps its standard look; the
// class exists so that the decision is made the same way it would be with a skin loaded.
class TsSkinManager : public QObject {
    Q_OBJECT

public:
    explicit TsSkinManager(QObject* parent = nullptr);
    ~TsSkinManager() override;

    bool Active = false;
    // Names of the sections of the loaded skin; a control's skin index points into it.
    QStringList SkinSections;
    // Hover looks off: a held button then shows pressed wherever the pointer is.
    bool NoHoverEffects = false;

    // Registers this manager as DefaultManager, or withdraws it.
    void SetDefault(bool isDefault);
    bool IsDefault() const;

    // True from the start of destruction on: a manager on its way out skins nothing.
    bool Destroying() const { return destroying_; }
    void BeginDestroy() { destroying_ = true; }

private:
    bool destroying_ = false;
};

// The manager that serves every control without a manager of its own. Written only by
// TsSkinManager; empty for this program's whole run.
extern TsSkinManager* DefaultManager;
