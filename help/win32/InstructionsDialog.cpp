#include "help/win32/InstructionsDialog.h"

#include "app/Layout.h"
#include "app/win32/ColorButton.h"
#include "app/win32/WindowProc.h"
#include "app/win32/Dpi.h"
#include "app/win32/FocusMemory.h"
#include "app/win32/Win32Toolkit.h"
#include "res/resource.h"
#include "winsys/win32/UniqueHandle.h"

namespace popquell {

static_assert((kDialogStyle & WS_POPUP) == 0, "the sweep closes pop-ups of one style");

namespace {

HMENU controlId(int id) { return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)); }

// One load of the dialog: made by showModal, destroyed when it returns.
class Dialog {
public:
    Dialog(HINSTANCE instance, HWND owner);
    ~Dialog() {
        if (hwnd_) DestroyWindow(hwnd_);
    }
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    void setText(const std::string& text) { SetWindowTextW(text1_, widen(text).c_str()); }
    // Shows the dialog and returns once it has been closed.
    void runModal();

    // Close
    void Command1_Click();

private:
    friend LRESULT CALLBACK popquell::memberWindowProc<Dialog>(HWND, UINT, WPARAM, LPARAM);
    LRESULT handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) noexcept;

    void createControls(HINSTANCE instance);
    void applyDpi(UINT dpi);
    void onCommand(int id, HWND control);
    void onDpiChanged(UINT dpi, const RECT& suggested);
    LRESULT colorText1(HDC dc);

    HWND owner_;
    HWND hwnd_ = nullptr;
    HWND text1_ = nullptr;
    HWND command1_ = nullptr;
    bool open_ = true;
    UINT dpi_ = kDefaultDpi;
    unique_hbrush backBrush_{CreateSolidBrush(toColorref(kDialogBackColor))};
    unique_hfont textFont_;
    unique_hfont buttonFont_;
    FocusMemory focus_;
};

void registerClass(HINSTANCE instance, WNDPROC windowProc) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExW(instance, kDialogClass, &wc)) return;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kDialogClass;
    RegisterClassExW(&wc);
}

Dialog::Dialog(HINSTANCE instance, HWND owner) : owner_(owner) {
    registerClass(instance, &memberWindowProc<Dialog>);
    CreateWindowExW(kDialogExStyle, kDialogClass, widen(kDialogCaption).c_str(), kDialogStyle,
                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                    instance, this);
    if (!hwnd_) return;
    createControls(instance);
    applyDpi(windowDpi(hwnd_));
    fitClientArea(hwnd_, toPixels(kDialogClient, static_cast<int>(dpi_)), dpi_);
    // The text box is not a tab stop, so the focus starts on Close.
    focus_.set(command1_);
    SendMessageW(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_INITIALIZE, 0), 0);
}

// In tab order.
void Dialog::createControls(HINSTANCE instance) {
    text1_ = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY, 0,
                             0, 0, 0, hwnd_, controlId(dialog::Text1.id), instance, nullptr);
    command1_ = CreateWindowExW(0, L"BUTTON", widen(dialog::Command1.caption).c_str(),
                                kColorButtonStyle, 0, 0, 0, 0, hwnd_, controlId(dialog::Command1.id),
                                instance, nullptr);
}

void Dialog::applyDpi(UINT dpi) {
    dpi_ = dpi;
    unique_hfont textFont(createFont(kDialogTextFont, dpi));
    unique_hfont buttonFont(createFont(kButtonFont, dpi));
    placeControl(text1_, dialog::Text1.rect, dpi);
    placeControl(command1_, dialog::Command1.rect, dpi);
    SendMessageW(text1_, WM_SETFONT, reinterpret_cast<WPARAM>(textFont.get()), TRUE);
    SendMessageW(command1_, WM_SETFONT, reinterpret_cast<WPARAM>(buttonFont.get()), TRUE);
    textFont_ = std::move(textFont);
    buttonFont_ = std::move(buttonFont);
}

void Dialog::runModal() {
    if (!hwnd_) return;
    // EnableWindow answers whether the window was disabled already, as it
    // is when some other modal window owns the input.
    const bool ownerWasEnabled = owner_ && !EnableWindow(owner_, FALSE);
    ShowWindow(hwnd_, SW_SHOW);
    MSG msg;
    while (open_ && hwnd_) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            // The program is ending: leave the quit for the main loop.
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (got < 0) break;
        if (!IsDialogMessageW(hwnd_, &msg)) {
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
    case WM_ERASEBKGND:
        return fillClientArea(hwnd_, reinterpret_cast<HDC>(wParam), backBrush_.get());
    // A read-only edit asks with WM_CTLCOLORSTATIC.
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
        return colorText1(reinterpret_cast<HDC>(wParam));
    case WM_DRAWITEM:
        drawColorButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam), toColorref(kDialogCloseFace));
        return TRUE;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) focus_.remember(hwnd_);
        break;
    case WM_SETFOCUS:
        focus_.restore();
        return 0;
    case WM_DPICHANGED:
        onDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_DESTROY:
        open_ = false;
        return 0;
    }
    return DefWindowProcW(hwnd_, msg, wParam, lParam);
}

void Dialog::onCommand(int id, HWND control) {
    if (control == command1_) Command1_Click();
    // Enter and Escape, from the dialog manager.
    else if (!control && id == IDOK) pressFocusedButton(hwnd_);
    else if (!control && id == IDCANCEL) Command1_Click();
}

void Dialog::onDpiChanged(UINT dpi, const RECT& suggested) {
    applyDpi(dpi);
    moveToSuggested(hwnd_, suggested);
}

LRESULT Dialog::colorText1(HDC dc) {
    SetTextColor(dc, toColorref(kDialogTextColor));
    SetBkColor(dc, toColorref(kDialogBackColor));
    return reinterpret_cast<LRESULT>(backBrush_.get());
}

}  // namespace

void Win32InstructionsDialog::showModal(const std::string& text) {
    Dialog loaded(instance_, owner_);
    loaded.setText(text);
    loaded.runModal();
}

}  // namespace popquell
