#include "Application.h"
#include "TsVersion.h"
#include "UPrincipal.h"

#include <QStringList>

int main(int argc, char** argv) {
    // Taken before Qt removes the arguments it recognises for itself.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    TGuiApplication host(argc, argv);
    TApplication application;
    // The control library's start-up.
    if (HasVersionSwitch(arguments))
        application.ShowMessage(LibraryVersionText());

    application.MainFormOnTaskBar = true;
    TForm1 form(application);
    application.Run(form);
    return 0;
}
