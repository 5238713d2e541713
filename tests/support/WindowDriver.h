#pragma once

#include "MessageBoxes.h"

#include <functional>
#include <string>

// Runs the tool as its user would, in this process: the application object and the main
// window working on baseFolder, "Iniciar" pressed once the loop runs, every message box
// answered (by default with OK), until the program would end. onPosition sees each
// progress position the run sets, as it is set. Needs the Qt application (TGuiApplication).
void runToolAndPressIniciar(const std::u16string& baseFolder,
                            std::function<void(int position)> onPosition = {},
                            MessageBoxes::Answer answer = {});
