#include "WindowDriver.h"

#include "Application.h"
#include "UPrincipal.h"

#include <QTimer>

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
