#pragma once

#include "Application.h"
#include "TsButton.h"
#include "TsLabel.h"
#include "TsPanel.h"
#include "TsProgressBar.h"
#include "migration/PathRules.h"
#include "migration/WindowServices.h"

#include <vector>

// The tool's only window: the start button, the status line and the progress bar. Its
// client area is 668 x 169 at 96 dpi; it is laid out anew at the DPI of the monitor it is
// on, when created and whenever it moves to a monitor of another density.
class TForm1 : public TCustomForm, public WindowServices {
public:
    // The run works on baseFolder: the tool's own folder, unless a test lays out an
    // installation elsewhere. The window is created hidden.
    explicit TForm1(TApplication& application, std::u16string baseFolder = BaseFolder());
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;
    ~TForm1() override;

private:
    TsProgressBar progressoControl_;
    TsLabel lbStatusControl_;
    TsButton sButton1Control_;
    TsPanel sPanel1Control_;

public:
    // In the order of declaration, which is also the order of creation and of the z-order.
    TsProgressBar* const progresso = &progressoControl_;
    TsLabel* const lbStatus = &lbStatusControl_;
    TsButton* const sButton1 = &sButton1Control_;
    TsPanel* const sPanel1 = &sPanel1Control_;

    void sButton1Click(TWinControl* Sender);

    HWND Handle() const override { return handle_; }
    // Centred on the screen the first time, with the focus on the first control in tab
    // order that takes it.
    void Show() override;
    UINT Dpi() const { return dpi_; }
    // The font of the controls that take the window's.
    const TFont& WindowFont() const { return font_; }
    // The controls in tab order.
    std::vector<TWinControl*> TabOrderList() const;

    void SetStatus(const std::u16string& text) override;
    void SetProgressMax(int maximum) override;
    void SetProgressPosition(int position) override;
    void DisableButton() override;
    void ProcessMessages() override;
    void ShowMessage(const std::u16string& text) override;
    void Terminate() override;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Fonts, control places and the window's size for dpi; the window keeps its place
    // unless one is given.
    void ScaleTo(UINT dpi, const RECT* suggested = nullptr);
    // The auto-size rule: the smallest rectangle from the client area's corner that holds
    // every visible control at its bounds, at dpi.
    SIZE AutoSizeClient(UINT dpi);
    void AlignControls(SIZE client);
    TWinControl* controlOf(HWND window) const;
    // The controls in tab order that Tab stops at and that can take the focus now.
    std::vector<TWinControl*> tabStops() const;
    void focusFirst();
    void selectNext(bool forward);

    TApplication& application_;
    const std::u16string baseFolder_;
    HWND handle_ = nullptr;
    UINT dpi_ = 96;
    bool shown_ = false;
    // The control that had the focus when the window was last deactivated.
    HWND activeControl_ = nullptr;
    TFont font_{L"Tahoma", 11, false, DEFAULT_CHARSET};
    TFont statusFont_{L"Arial", 21, false, ANSI_CHARSET};
    TFont buttonFont_{L"Arial", 21, true, ANSI_CHARSET};
    std::vector<TWinControl*> controls_;
};
