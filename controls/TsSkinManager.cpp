#include "TsSkinManager.h"

TsSkinManager* DefaultManager = nullptr;

TsSkinManager::TsSkinManager(QObject* parent) : QObject(parent) {}

TsSkinManager::~TsSkinManager() {
    BeginDestroy();
    if (DefaultManager == this)
        DefaultManager = nullptr;
}

void TsSkinManager::SetDefault(bool isDefault) {
    if (isDefault)
        DefaultManager = this;
    else if (DefaultManager == this)
        DefaultManager = nullptr;
}

bool TsSkinManager::IsDefault() const {
    return DefaultManager == this;
}
