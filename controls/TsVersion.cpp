#include "TsVersion.h"

QString LibraryVersionText() {
    return QStringLiteral("Skinned Controls v9.10");
}

bool HasVersionSwitch(const QStringList& arguments) {
    for (const QString& argument : arguments)
        if (argument.toLower() == QLatin1String("/vexlonver"))
            return true;
    return false;
}
