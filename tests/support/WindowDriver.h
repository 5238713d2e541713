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

// The same in a child process of its own, on Qt's offscreen platform, its error output
// silenced; gives the child's process id for the caller to wait for. The caller must not
// have made a Qt application of its own.
int startTool(const std::u16string& baseFolder, std::function<void(int position)> onPosition = {},
              MessageBoxes::Answer answer = {});
