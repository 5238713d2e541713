#pragma once

#include <QString>
#include <QStringList>

// The control library's answer to its version switch, given at start-up.

// The library's name and version, as the version box shows them.
QString LibraryVersionText();

// True when one of the arguments (the program's name excluded), compared without regard
// to case, is the version switch. Every other argument is ignored.
bool HasVersionSwitch(const QStringList& arguments);
