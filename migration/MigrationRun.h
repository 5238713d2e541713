#pragma once

#include "WindowServices.h"

#include <string>

// The whole work of the tool, run once inside the click of "Iniciar". Every file it
// names itself lies under baseFolder, which ends with its delimiter.
// EIniFileException from a failed settings write passes out to the caller.
void RunMigration(WindowServices& window, const std::u16string& baseFolder);
