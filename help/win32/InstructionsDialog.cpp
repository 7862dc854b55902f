#include "help/win32/InstructionsDialog.h"

#include "help/DialogLayout.h"
#include "res/resource.h"
#include "ui/win32/BaseWindow.h"
#include "ui/win32/ColorButton.h"
#include "ui/win32/Dpi.h"
#include "ui/win32/Text.h"

namespace popquell {

static_assert((kDialogStyle & WS_POPUP) == 0, "the sweep closes pop-ups of one style");

namespace {

// One load of the dialog: made by showModal, destroyed when it returns.
class Dialog final : public BaseWindow {
public:
    Dialog(HINSTANCE instance, HWND owner);
    ~Dialog() override { destroy(); }

    void setText(const std::string& text) { SetWindowTextW(text1_, widen(text).c_str()); }
    // Shows the dialog and returns once it has been closed.
    void runModal();

    // Close
    void Command1_Click();

private:
    LRESULT handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) noexcept override;
    void applyDpi(UINT dpi) override;

    void createControls(HINSTANCE instance);
    void onCommand(int id, HWND control);
    LRESULT colorText1(HDC dc);

    HWND owner_;
    HWND text1_ = nullptr;
    HWND command1_ = nullptr;
    bool open_ = true;
    unique_hfont textFont_;
    unique_hfont buttonFont_;
};

Dialog::Dialog(HINSTANCE instance, HWND owner)
    : BaseWindow(toColorref(kDialogBackColor), toColorref(kDialogCloseFace)), owner_(owner) {
    if (!create(instance, Class{kDialogClass}, kDialogExStyle, kDialogStyle, kDialogCaption, owner))
        return;
    createControls(instance);
    applyDpi(windowDpi(hwnd()));
    fitClientArea(hwnd(), toPixels(kDialogClient, static_cast<int>(dpi_)), dpi_);
    // The text box is not a tab stop, so the focus starts on Close.
    focus_.set(command1_);
    SendMessageW(hwnd(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_INITIALIZE, 0), 0);
}

// In tab order.
void Dialog::createControls(HINSTANCE instance) {
    text1_ = createChild(instance, L"EDIT", "", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY, 0,
                         dialog::Text1.id);
    command1_ = createChild(instance, L"BUTTON", dialog::Command1.caption, kColorButtonStyle, 0,
                            dialog::Command1.id);
}

void Dialog::applyDpi(UINT dpi) {
    dpi_ = dpi;
    unique_hfont textFont(createFont(kDialogTextFont, dpi));
    unique_hfont buttonFont(createFont(kDialogButtonFont, dpi));
    placeControl(text1_, dialog::Text1.rect, dpi);
    placeControl(command1_, dialog::Command1.rect, dpi);
    SendMessageW(text1_, WM_SETFONT, reinterpret_cast<WPARAM>(textFont.get()), TRUE);
    SendMessageW(command1_, WM_SETFONT, reinterpret_cast<WPARAM>(buttonFont.get()), TRUE);
    textFont_ = std::move(textFont);
    buttonFont_ = std::move(buttonFont);
}

void Dialog::runModal() {
    if (!hwnd()) return;
    // EnableWindow answers whether the window was disabled already, as it
    // is when some other modal window owns the input.
    const bool ownerWasEnabled = owner_ && !EnableWindow(owner_, FALSE);
    ShowWindow(hwnd(), SW_SHOW);
    MSG msg;
    while (open_ && hwnd()) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            // The program is ending: leave the quit for the main loop.
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (got < 0) break;
        if (!IsDialogMessageW(hwnd(), &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    // Before this window goes, so that the owner is the one activated.
    if (ownerWasEnabled) EnableWindow(owner_, TRUE);
}

void Dialog::Command1_Click() {
    SetWindowTextW(text1_, L"");
    open_ = false;
}

LRESULT Dialog::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    switch (msg) {
    case WM_COMMAND:
        onCommand(LOWORD(wParam), reinterpret_cast<HWND>(lParam));
        return 0;
    // The close box and Alt+F4 do what Close does.
    case WM_CLOSE:
        Command1_Click();
        return 0;
    // A read-only edit asks with WM_CTLCOLORSTATIC.
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
        return colorText1(reinterpret_cast<HDC>(wParam));
    case WM_DESTROY:
        open_ = false;
        return 0;
    }
    return BaseWindow::handleMessage(msg, wParam, lParam);
}

void Dialog::onCommand(int id, HWND control) {
    if (control == command1_) Command1_Click();
    // Enter and Escape, from the dialog manager.
    else if (!control && id == IDOK) pressFocusedButton(hwnd());
    else if (!control && id == IDCANCEL) Command1_Click();
}

LRESULT Dialog::colorText1(HDC dc) {
    SetTextColor(dc, toColorref(kDialogTextColor));
    SetBkColor(dc, toColorref(kDialogBackColor));
    return reinterpret_cast<LRESULT>(backBrush());
}

}  // namespace

void Win32InstructionsDialog::showModal(const std::string& text) {
    Dialog loaded(instance_, owner_);
    loaded.setText(text);
    loaded.runModal();
}

}  // namespace popquell
