#include "TsSkinManager.h"

#include <algorithm>

TsSkinManager* DefaultManager = nullptr;

void TsManagerRef::reset(TsSkinManager* manager) {
    if (manager_)
        std::erase(manager_->references_, this);
    manager_ = manager;
    if (manager_)
        manager_->references_.push_back(this);
}

TsSkinManager::~TsSkinManager() {
    BeginDestroy();
    if (DefaultManager == this)
        DefaultManager = nullptr;
    for (TsManagerRef* reference : references_)
        reference->manager_ = nullptr;
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
