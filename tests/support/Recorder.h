#pragma once

#include "migration/WindowServices.h"

#include <functional>
#include <string>
#include <vector>

// Stands in for the main window: logs every call of the run in order, as readable
// UTF-8 lines ("status ...", "max 8", "position 3", "pump", "box ...", "terminate").
class Recorder : public WindowServices {
public:
    void SetStatus(const std::u16string& text) override;
    void SetProgressMax(int maximum) override;
    void SetProgressPosition(int position) override;
    void DisableButton() override;
    void ProcessMessages() override;
    void ShowMessage(const std::u16string& text) override;
    void Terminate() override;

    std::vector<std::string> calls;
    // Runs at every pump, as a window would dispatch what is waiting.
    std::function<void()> onPump;
};

std::string utf8(const std::u16string& text);
