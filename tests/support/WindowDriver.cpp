#include "WindowDriver.h"

#include "Application.h"
#include "UPrincipal.h"

#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

void runToolAndPressIniciar(const std::u16string& baseFolder,
                            std::function<void(int position)> onPosition,
                            MessageBoxes::Answer answer) {
    TApplication application;
    application.MainFormOnTaskBar = true;
    TForm1 form(application, baseFolder);
    MessageBoxes boxes(std::move(answer));
    if (onPosition)
        QObject::connect(form.progresso, &QProgressBar::valueChanged, onPosition);
    QTimer::singleShot(0, form.sButton1, [&form] { form.sButton1->click(); });
    application.Run(form);
}

int startTool(const std::u16string& baseFolder, std::function<void(int position)> onPosition,
              MessageBoxes::Answer answer) {
    const pid_t child = ::fork();
    if (child != 0)
        return child;
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, STDERR_FILENO);
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    int argc = 1;
    char name[] = "migrador";
    char* argv[] = {name, nullptr};
    TGuiApplication host(argc, argv);
    runToolAndPressIniciar(baseFolder, std::move(onPosition), std::move(answer));
    ::_exit(0);
}
