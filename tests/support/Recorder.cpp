#include "Recorder.h"

#include "platform/Unicode.h"

std::string utf8(const std::u16string& text) {
    return platform::utf16ToUtf8(text).value_or("<unpaired surrogate>");
}

void Recorder::SetStatus(const std::u16string& text) {
    calls.push_back("status " + utf8(text));
}
void Recorder::SetProgressMax(int maximum) {
    calls.push_back("max " + std::to_string(maximum));
}
void Recorder::SetProgressPosition(int position) {
    calls.push_back("position " + std::to_string(position));
}
void Recorder::DisableButton() {
    calls.push_back("disable");
}
void Recorder::ProcessMessages() {
    calls.push_back("pump");
    if (onPump)
        onPump();
}
void Recorder::ShowMessage(const std::u16string& text) {
    calls.push_back("box " + utf8(text));
}
void Recorder::Terminate() {
    calls.push_back("terminate");
}
