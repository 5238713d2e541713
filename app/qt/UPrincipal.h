#pragma once

#include "Application.h"
#include "TsButton.h"
#include "TsLabel.h"
#include "TsPanel.h"
#include "TsProgressBar.h"
#include "migration/PathRules.h"
#include "migration/WindowServices.h"

#include <QWidget>

// The tool's only window: the start button, the status line and the progress bar. Its
// client area is 668 x 169 at 96 dpi and never changes; Qt scales it on denser screens.
class TForm1 : public QWidget, public WindowServices {
    Q_OBJECT

public:
    // The run works on baseFolder: the tool's own folder, unless a test lays out an
    // installation elsewhere.
    explicit TForm1(TApplication& application, std::u16string baseFolder = BaseFolder());

    // In the order of declaration, which is also the order of creation.
    TsProgressBar* progresso;
    TsLabel* lbStatus;
    TsButton* sButton1;
    TsPanel* sPanel1;

    void sButton1Click(QObject* Sender);

    void SetStatus(const std::u16string& text) override;
    void SetProgressMax(int maximum) override;
    void SetProgressPosition(int position) override;
    void DisableButton() override;
    void ProcessMessages() override;
    void ShowMessage(const std::u16string& text) override;
    void Terminate() override;

protected:
    // Closing asks the application to end, as Terminate does; the window stays up until
    // the loop ends, so a run in progress finishes first.
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Fits the client area to the controls: the smallest rectangle from the top-left
    // corner that holds every visible control.
    void AutoSizeClient();

    TApplication& application_;
    const std::u16string baseFolder_;
    bool shown_ = false;
};
