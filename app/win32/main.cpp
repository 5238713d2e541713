#include "Application.h"
#include "TsVersion.h"
#include "UPrincipal.h"

#include <shellapi.h>

#include <string>
#include <vector>

namespace {

// The program's arguments, its own name left out, as the platform splits the command line.
std::vector<std::u16string> arguments() {
    std::vector<std::u16string> list;
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!argv)
        return list;
    for (int i = 1; i < count; ++i)
        list.emplace_back(reinterpret_cast<const char16_t*>(argv[i]));
    LocalFree(argv);
    return list;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    TApplication application;
    application.HandleErrors([&] {
        // The control library's start-up.
        if (HasVersionSwitch(arguments()))
            application.ShowMessage(LibraryVersionText());

        application.MainFormOnTaskBar = true;
        TForm1 form(application);
        application.Run(form);
    });
    return 0;
}
