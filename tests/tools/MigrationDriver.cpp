// The migration as the program runs it, without a window: for the tests that kill it, cut
// the power under it or start it from odd folders, natively and under Wine. It prints the
// text of every box, and the message of an error that the window would show in its error
// box, one per line in UTF-8, and ends with exit code 0 as the program does.
//
//   migration_driver [BASE-FOLDER]
//
// Without an argument it works on the folder that holds it, as the program does.

#include "migration/Exception.h"
#include "migration/MigrationRun.h"
#include "migration/PathRules.h"
#include "platform/Unicode.h"

#include <cstdio>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

void print(const std::string& kind, const std::u16string& text) {
    std::string line = kind;
    if (!text.empty())
        line += " " + platform::utf16ToUtf8(text).value_or("<unpaired surrogate>");
    line += "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

class ConsoleWindow : public WindowServices {
public:
    void SetStatus(const std::u16string&) override {}
    void SetProgressMax(int) override {}
    void SetProgressPosition(int) override {}
    void DisableButton() override {}
    void ProcessMessages() override {}
    void ShowMessage(const std::u16string& text) override { print("box", text); }
    void Terminate() override { print("terminate", u""); }
};

int drive(std::u16string baseFolder) {
    ConsoleWindow window;
    try {
        RunMigration(window, baseFolder);
    } catch (const Exception& error) {
        // The program shows it in its error box and stays open until it is closed.
        print("error", error.Message());
    }
    return 0;
}

} // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    return drive(argc > 1 ? std::u16string(reinterpret_cast<const char16_t*>(argv[1]))
                          : BaseFolder());
}
#else
int main(int argc, char** argv) {
    return drive(argc > 1 ? platform::fileNameToUtf16(argv[1]) : BaseFolder());
}
#endif
