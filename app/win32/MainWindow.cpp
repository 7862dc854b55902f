#include "app/win32/MainWindow.h"

#include <system_error>

#include "app/Layout.h"
#include "app/win32/ColorButton.h"
#include "app/win32/WindowProc.h"
#include "app/win32/Dpi.h"
#include "res/resource.h"
#include "winsys/win32/Win32WindowSystem.h"

namespace popquell {

namespace {

void registerClass(HINSTANCE instance, WNDPROC windowProc) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExW(instance, kMainWindowClass, &wc)) return;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    // Shared icons from the resources; without them the window has the
    // system's.
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_POPQUELL));
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_POPQUELL), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    // The background is painted with the window's own brush.
    wc.hbrBackground = nullptr;
    wc.lpszClassName = kMainWindowClass;
    RegisterClassExW(&wc);
}

HMENU controlId(int id) { return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)); }

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

MainWindow::MainWindow(HINSTANCE instance, WindowSystem& ws)
    : backBrush_(CreateSolidBrush(toColorref(kForm1BackColor))) {
    registerClass(instance, &memberWindowProc<MainWindow>);
    CreateWindowExW(0, kMainWindowClass, widen(kForm1Caption).c_str(), kMainWindowStyle,
                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                    instance, this);
    if (!hwnd_) throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                                        "CreateWindowEx");
    createControls(instance);

    list_ = std::make_unique<Win32ListBox>(GetDlgItem(hwnd_, IDC_LIST1));
    timers_ = std::make_unique<Win32Timers>(hwnd_);
    boxes_ = std::make_unique<Win32MessageBoxes>(hwnd_);
    dialog_ = std::make_unique<Win32InstructionsDialog>(instance, hwnd_);
    form_ = std::make_unique<Form1>(
        ws, Form1Toolkit{*this, *list_, menu_, *timers_, clock_, *boxes_, *dialog_});
    // Attached only once Form1 has put its items in, so the bar gets its height.
    menu_.attachTo(hwnd_);

    applyDpi(windowDpi(hwnd_));
    fitClientArea(hwnd_, toPixels(kForm1Client, static_cast<int>(dpi_)), dpi_);
    // List1 comes first in the tab order but, never shown, takes no focus.
    focus_.set(GetDlgItem(hwnd_, IDC_COMMAND3));
    // Underlines and focus rectangles as the user's settings and last
    // input say, as for a dialog.
    SendMessageW(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_INITIALIZE, 0), 0);
}

MainWindow::~MainWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
}

// In tab order: the keyboard moves through the children in the order they
// were made.
void MainWindow::createControls(HINSTANCE instance) {
    for (const ControlSpec& item : kForm1Controls) {
        const ChildStyle s = childStyleOf(item.kind);
        CreateWindowExW(s.exStyle, s.cls, widen(item.caption).c_str(), s.style, 0, 0, 0, 0, hwnd_,
                        controlId(item.id), instance, nullptr);
    }
}

// Places the controls and makes their fonts for this DPI.
void MainWindow::applyDpi(UINT dpi) {
    dpi_ = dpi;
    unique_hfont buttonFont(createFont(kButtonFont, dpi));
    unique_hfont formFont(createFont(kForm1Font, dpi));
    for (const ControlSpec& item : kForm1Controls) {
        const HWND child = GetDlgItem(hwnd_, item.id);
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
    if (hwnd_ && IsDialogMessageW(hwnd_, &msg)) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

// A multi-line box wants every key, Tab included, and only a dialog's own
// boxes hand Tab back to their parent. Text1 would keep the focus for good;
// Tab leaves it as it leaves the buttons, and Ctrl+Tab types a tab.
bool MainWindow::tabOutOfText1(const MSG& msg) noexcept {
    if (msg.message != WM_KEYDOWN || msg.wParam != VK_TAB || !hwnd_) return false;
    if (msg.hwnd != GetDlgItem(hwnd_, IDC_TEXT1) || (GetKeyState(VK_CONTROL) & 0x8000) != 0)
        return false;
    const bool back = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
    if (const HWND next = GetNextDlgTabItem(hwnd_, msg.hwnd, back)) SetFocus(next);
    return true;
}

WindowHandle MainWindow::hWnd() { return fromHwnd(hwnd_); }

void MainWindow::minimize() { ShowWindow(hwnd_, SW_MINIMIZE); }

LRESULT MainWindow::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    switch (msg) {
    case WM_COMMAND:
        onCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_TIMER:
        keepMenuBar();
        form_->onTimer(static_cast<int>(wParam));
        return 0;
    case WM_CLOSE:
        onClose();
        return 0;
    case WM_DESTROY:
        if (endsMessageLoop_) PostQuitMessage(0);
        return 0;
    case WM_ERASEBKGND:
        return fillClientArea(hwnd_, reinterpret_cast<HDC>(wParam), backBrush_.get());
    case WM_CTLCOLORLISTBOX:
        return colorList1(reinterpret_cast<HDC>(wParam));
    case WM_DRAWITEM:
        drawColorButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam), toColorref(kForm1BackColor));
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
    }
    return DefWindowProcW(hwnd_, msg, wParam, lParam);
}

// The bar dies with any window that shows it: a browser that the user
// closes takes it along. It is made afresh, with the items that are shown,
// before the handlers that rely on it run.
void MainWindow::keepMenuBar() {
    if (!menu_.lost()) return;
    menu_.renew();
    form_->menuBar.repopulate();
    menu_.attachTo(hwnd_);
}

void MainWindow::onCommand(int id, int code, HWND control) {
    keepMenuBar();
    // The menu bar's items do nothing here. Enter comes from the dialog
    // manager as IDOK.
    if (!control) {
        if (id == IDOK) pressFocusedButton(hwnd_);
        return;
    }
    // A quick second click on an owner-drawn button comes as a double
    // click; it is a click all the same.
    if (code != BN_CLICKED && code != BN_DOUBLECLICKED) return;
    // While a message box or the instructions are open the window takes no
    // input; a click that was already on its way does nothing.
    if (!IsWindowEnabled(hwnd_)) return;
    switch (id) {
    case IDC_COMMAND1: form_->Command1_Click(); break;
    case IDC_COMMAND2: form_->Command2_Click(); break;
    case IDC_COMMAND3: form_->Command3_Click(); break;
    case IDC_COMMAND4: form_->Command4_Click(); break;
    case IDC_COMMAND5: form_->Command5_Click(); break;
    }
}

void MainWindow::onClose() {
    int cancel = 0;
    form_->Form_Unload(cancel);
    if (cancel == 0) DestroyWindow(hwnd_);
}

void MainWindow::onDpiChanged(UINT dpi, const RECT& suggested) {
    applyDpi(dpi);
    moveToSuggested(hwnd_, suggested);
}

LRESULT MainWindow::colorList1(HDC dc) {
    SetTextColor(dc, toColorref(kList1ForeColor));
    SetBkColor(dc, toColorref(kForm1BackColor));
    return reinterpret_cast<LRESULT>(backBrush_.get());
}

}  // namespace popquell
