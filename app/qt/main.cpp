#include "Application.h"
#include "TsVersion.h"
#include "UPrincipal.h"

#include <string>
#include <vector>

int main(int argc, char** argv) {
    // Taken before Qt removes the arguments it recognises for itself.
    std::vector<std::u16string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(QString::fromLocal8Bit(argv[i]).toStdU16String());

    TGuiApplication host(argc, argv);
    TApplication application;
    // The control library's start-up.
    if (HasVersionSwitch(arguments))
        application.ShowMessage(QString::fromStdU16String(LibraryVersionText()));

    application.MainFormOnTaskBar = true;
    TForm1 form(application);
    application.Run(form);
    return 0;
}
