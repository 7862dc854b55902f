#include "app/win32/MainWindow.h"

#include <system_error>

#include "app/MainWindowLayout.h"
#include "res/resource.h"
#include "ui/win32/ColorButton.h"
#include "ui/win32/Dpi.h"

namespace popquell {

namespace {

struct ChildStyle {
    const wchar_t* cls;
    DWORD style;
    DWORD exStyle;
};

ChildStyle childStyleOf(ControlKind kind) {
    switch (kind) {
    case ControlKind::ListBox:
        // Never shown: it is only the record of the picked windows.
        return {L"LISTBOX", WS_CHILD | WS_TABSTOP | WS_VSCROLL | LBS_NOINTEGRALHEIGHT,
                WS_EX_CLIENTEDGE};
    case ControlKind::Button:
        return {L"BUTTON", kColorButtonStyle, 0};
    case ControlKind::TextBox:
        return {L"EDIT",
                WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL |
                    ES_WANTRETURN,
                WS_EX_CLIENTEDGE};
    }
    return {L"STATIC", WS_CHILD, 0};
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance, WindowSystem& ws, bool instant)
    : BaseWindow(toColorref(kForm1BackColor), toColorref(kForm1BackColor)) {
    // Shared icons from the resources; without them the window has the system's.
    const Class cls{kMainWindowClass, LoadIconW(instance, MAKEINTRESOURCEW(IDI_POPQUELL)),
                    static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_POPQUELL), IMAGE_ICON,
                                                  GetSystemMetrics(SM_CXSMICON),
                                                  GetSystemMetrics(SM_CYSMICON), LR_SHARED))};
    if (!create(instance, cls, 0, kMainWindowStyle, kForm1Caption, nullptr))
        throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                                "CreateWindowEx");
    createControls(instance);

    window_ = std::make_unique<Win32FormWindow>(hwnd());
    list_ = std::make_unique<Win32ListBox>(GetDlgItem(hwnd(), IDC_LIST1));
    timers_ = std::make_unique<Win32Timers>(hwnd());
    boxes_ = std::make_unique<Win32MessageBoxes>(hwnd());
    dialog_ = std::make_unique<Win32InstructionsDialog>(instance, hwnd());
    form_ = std::make_unique<Form1>(
        ws, Form1Toolkit{*window_, *list_, menu_, *timers_, clock_, *boxes_, *dialog_});
    if (instant) {
        events_ = std::make_unique<Win32WindowEvents>();
        form_->useInstant(*events_, stopwatch_);
    }
    // Attached only once Form1 has put its items in, so the bar gets its height.
    menu_.attachTo(hwnd());

    applyDpi(windowDpi(hwnd()));
    fitClientArea(hwnd(), toPixels(kForm1Client, static_cast<int>(dpi_)), dpi_);
    // List1 comes first in the tab order but, never shown, takes no focus.
    focus_.set(GetDlgItem(hwnd(), IDC_COMMAND3));
    // Underlines and focus rectangles as the user's settings and last
    // input say, as for a dialog.
    SendMessageW(hwnd(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_INITIALIZE, 0), 0);
}

// In tab order: the keyboard moves through the children in the order they
// were made.
void MainWindow::createControls(HINSTANCE instance) {
    for (const ControlSpec& item : kForm1Controls) {
        const ChildStyle s = childStyleOf(item.kind);
        createChild(instance, s.cls, item.caption, s.style, s.exStyle, item.id);
    }
}

// Places the controls and makes their fonts for this DPI.
void MainWindow::applyDpi(UINT dpi) {
    dpi_ = dpi;
    unique_hfont buttonFont(createFont(kButtonFont, dpi));
    unique_hfont formFont(createFont(kForm1Font, dpi));
    for (const ControlSpec& item : kForm1Controls) {
        const HWND child = GetDlgItem(hwnd(), item.id);
        placeControl(child, item.rect, dpi);
        const HFONT font = item.kind == ControlKind::Button ? buttonFont.get() : formFont.get();
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    // Only now do the controls let go of the old fonts.
    buttonFont_ = std::move(buttonFont);
    formFont_ = std::move(formFont);
}

void MainWindow::dispatch(MSG& msg) noexcept {
    if (tabOutOfText1(msg)) return;
    if (hwnd() && IsDialogMessageW(hwnd(), &msg)) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

// A multi-line box wants every key, Tab included, and only a dialog's own
// boxes hand Tab back to their parent. Text1 would keep the focus for good;
// Tab leaves it as it leaves the buttons, and Ctrl+Tab types a tab.
bool MainWindow::tabOutOfText1(const MSG& msg) noexcept {
    if (msg.message != WM_KEYDOWN || msg.wParam != VK_TAB || !hwnd()) return false;
    if (msg.hwnd != GetDlgItem(hwnd(), IDC_TEXT1) || (GetKeyState(VK_CONTROL) & 0x8000) != 0)
        return false;
    const bool back = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
    if (const HWND next = GetNextDlgTabItem(hwnd(), msg.hwnd, back)) SetFocus(next);
    return true;
}

LRESULT MainWindow::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    switch (msg) {
    case WM_COMMAND:
        onCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_TIMER:
    case kWmTickSoon:
        form_->onTimer(static_cast<int>(wParam));
        return 0;
    case WM_CLOSE:
        onClose();
        return 0;
    case WM_DESTROY:
        if (endsMessageLoop_) PostQuitMessage(0);
        return 0;
    case WM_CTLCOLORLISTBOX:
        return colorList1(reinterpret_cast<HDC>(wParam));
    }
    return BaseWindow::handleMessage(msg, wParam, lParam);
}

void MainWindow::onCommand(int id, int code, HWND control) {
    // The menu bar's items do nothing here. Enter comes from the dialog
    // manager as IDOK.
    if (!control) {
        if (id == IDOK) pressFocusedButton(hwnd());
        return;
    }
    // A quick second click on an owner-drawn button comes as a double
    // click; it is a click all the same.
    if (code != BN_CLICKED && code != BN_DOUBLECLICKED) return;
    // While a message box or the instructions are open the window takes no
    // input; a click that was already on its way does nothing.
    if (!IsWindowEnabled(hwnd())) return;
    form_->onCommand(id);
}

void MainWindow::onClose() {
    int cancel = 0;
    form_->Form_Unload(cancel);
    if (cancel == 0) destroy();
}

LRESULT MainWindow::colorList1(HDC dc) {
    SetTextColor(dc, toColorref(kList1ForeColor));
    SetBkColor(dc, toColorref(kForm1BackColor));
    return reinterpret_cast<LRESULT>(backBrush());
}

}  // namespace popquell
