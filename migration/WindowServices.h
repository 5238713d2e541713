#pragma once

#include <string>

// What the migration run asks of the window it runs in. The main window implements it;
// tests use a recorder that logs every call in order.
class WindowServices {
public:
    virtual ~WindowServices() = default;

    // Reaches the screen at the next ProcessMessages.
    virtual void SetStatus(const std::u16string& text) = 0;
    virtual void SetProgressMax(int maximum) = 0;
    virtual void SetProgressPosition(int position) = 0;
    // For good: nothing enables the button again.
    virtual void DisableButton() = 0;
    // Dispatches every waiting message and returns once none is left.
    virtual void ProcessMessages() = 0;
    // Modal; returns when the user has dismissed the box.
    virtual void ShowMessage(const std::u16string& text) = 0;
    // Posts the request to end and returns at once.
    virtual void Terminate() = 0;
};
