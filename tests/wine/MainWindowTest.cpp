// The real main window and the instructions dialog under Wine: how they
// look, where the controls sit, and how the mouse and the keyboard reach
// Form1's handlers.

#include "app/win32/MainWindow.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "app/Layout.h"
#include "help/Layout.h"
#include "app/win32/Win32Toolkit.h"
#include "help/win32/InstructionsDialog.h"
#include "res/resource.h"
#include "tests/wine/GuiTestSupport.h"
#include "winsys/win32/Win32WindowSystem.h"

namespace popquell::wine {
namespace {

constexpr LONG kPopupStyleBits = static_cast<LONG>(0x96C80000u);

PixelRect toPixelRect(const RECT& r) { return PixelRect{r.left, r.top, r.right, r.bottom}; }

COLORREF pixelAt(HWND window, int x, int y) {
    const HDC dc = GetDC(window);
    const COLORREF color = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return color;
}

LOGFONTW fontOf(HWND control) {
    LOGFONTW lf{};
    const auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    if (font) GetObjectW(font, sizeof lf, &lf);
    return lf;
}

// The rectangle of a child in its parent's client coordinates.
PixelRect childRect(HWND child) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return toPixelRect(r);
}

PixelSize clientSize(HWND window) {
    RECT r{};
    GetClientRect(window, &r);
    return PixelSize{r.right - r.left, r.bottom - r.top};
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(window.hwnd(), nullptr);
        ShowWindow(window.hwnd(), SW_SHOWNORMAL);
        SetForegroundWindow(window.hwnd());
        ASSERT_TRUE(pump([&] { return GetForegroundWindow() == window.hwnd() && GetFocus() != nullptr; }));
        UpdateWindow(window.hwnd());
    }

    template <typename Pred>
    bool pump(Pred pred, std::chrono::milliseconds deadline = kDeadline) {
        return pumpUntil(pred, deadline, &window);
    }

    HWND control(int id) const { return GetDlgItem(window.hwnd(), id); }
    int dpi() const { return static_cast<int>(window.dpi()); }

    // A key as the message loop gets it from the keyboard, through the
    // window's dialog handling; lParam bit 29 says Alt is down.
    void press(UINT message, WPARAM key) {
        const LPARAM alt = message == WM_SYSKEYDOWN ? (LPARAM{1} << 29) : 0;
        MSG msg{GetFocus(), message, key, alt | 1, static_cast<DWORD>(GetMessageTime()), {}};
        window.dispatch(msg);
        pump([] { return true; });  // the characters it was translated into
    }
    void altKey(char letter) { press(WM_SYSKEYDOWN, static_cast<WPARAM>(letter)); }
    void tab() { press(WM_KEYDOWN, VK_TAB); }

    Win32WindowSystem ws;
    MainWindow window{GetModuleHandleW(nullptr), ws};
    Form1& form = window.form();
};

// ---------------------------------------------------------------------------
// The window

TEST_F(MainWindowTest, CaptionKeepsItsTwoBlanks) {
    EXPECT_EQ(windowText(window.hwnd()),
              L"To select a window, click Select Window.  Then click Start to begin.");
}

TEST_F(MainWindowTest, ClientAreaIsTheButtonStripAtTheWindowsDpi) {
    EXPECT_EQ(dpi(), static_cast<int>(GetDpiForWindow(window.hwnd())));
    EXPECT_EQ(clientSize(window.hwnd()), toPixels(kForm1Client, dpi()));
    if (dpi() == 96) {
        EXPECT_EQ(clientSize(window.hwnd()), (PixelSize{508, 37}));
    }
}

TEST_F(MainWindowTest, StandardSizableFrameWithMinimiseMaximiseAndATaskbarButton) {
    const auto style = static_cast<DWORD>(GetWindowLongW(window.hwnd(), GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongW(window.hwnd(), GWL_EXSTYLE));
    for (const DWORD bit : {DWORD{WS_CAPTION}, DWORD{WS_SYSMENU}, DWORD{WS_THICKFRAME},
                            DWORD{WS_MINIMIZEBOX}, DWORD{WS_MAXIMIZEBOX}})
        EXPECT_EQ(style & bit, bit) << std::hex << bit;
    EXPECT_EQ(style & WS_POPUP, 0u);
    EXPECT_EQ(exStyle & WS_EX_TOOLWINDOW, 0u);
    EXPECT_EQ(GetWindow(window.hwnd(), GW_OWNER), nullptr);
    EXPECT_FALSE(IsIconic(window.hwnd()));
    EXPECT_FALSE(IsZoomed(window.hwnd()));
}

TEST_F(MainWindowTest, MenuBarHoldsOnlyTheEmptyTimeItemAtStart) {
    const HMENU menu = GetMenu(window.hwnd());
    EXPECT_EQ(menu, window.menuForTesting());
    ASSERT_EQ(GetMenuItemCount(menu), 1);
    EXPECT_EQ(GetMenuItemID(menu, 0), static_cast<UINT>(kIdTimemenu));
    EXPECT_EQ(menuItemText(menu, kIdTimemenu), L"");
}

TEST_F(MainWindowTest, BackgroundIsTheLightBlue) {
    const PixelSize client = clientSize(window.hwnd());
    const COLORREF lightBlue = RGB(128, 128, 255);
    EXPECT_EQ(pixelAt(window.hwnd(), client.width - 5, client.height / 2), lightBlue);
    EXPECT_EQ(pixelAt(window.hwnd(), 2, 2), lightBlue);
}

// ---------------------------------------------------------------------------
// The controls

TEST_F(MainWindowTest, ChildWindowsAreMadeInTabOrder) {
    std::vector<int> ids;
    for (HWND child = GetWindow(window.hwnd(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        ids.push_back(GetDlgCtrlID(child));
    EXPECT_EQ(ids, (std::vector<int>{IDC_LIST1, IDC_COMMAND3, IDC_COMMAND1, IDC_COMMAND2,
                                     IDC_COMMAND4, IDC_COMMAND5, IDC_TEXT1}));
}

TEST_F(MainWindowTest, ControlsSitAtTheirTwipRectangles) {
    for (const ControlSpec& item : kForm1Controls) {
        const HWND child = control(item.id);
        ASSERT_NE(child, nullptr) << item.name;
        EXPECT_EQ(childRect(child), toPixels(item.rect, dpi())) << item.name;
    }
}

TEST_F(MainWindowTest, ButtonsAreOwnerDrawnTabStopsWithTheirCaptions) {
    for (const ControlSpec& item : kForm1Controls) {
        if (item.kind != ControlKind::Button) continue;
        const HWND button = control(item.id);
        EXPECT_EQ(className(button), L"Button") << item.name;
        const auto style = static_cast<DWORD>(GetWindowLongW(button, GWL_STYLE));
        EXPECT_EQ(style & BS_TYPEMASK, static_cast<DWORD>(BS_OWNERDRAW)) << item.name;
        EXPECT_NE(style & WS_TABSTOP, 0u) << item.name;
        EXPECT_TRUE(IsWindowVisible(button)) << item.name;
        EXPECT_TRUE(IsWindowEnabled(button)) << item.name;
        EXPECT_EQ(windowText(button), widen(item.caption)) << item.name;
    }
}

TEST_F(MainWindowTest, ButtonCaptionsAreBoldMsSansSerif) {
    for (const ControlSpec& item : kForm1Controls) {
        if (item.kind != ControlKind::Button) continue;
        const LOGFONTW lf = fontOf(control(item.id));
        EXPECT_STREQ(lf.lfFaceName, L"MS Sans Serif") << item.name;
        EXPECT_EQ(lf.lfHeight, fontHeightPixels(kButtonFont, dpi())) << item.name;
        EXPECT_EQ(lf.lfWeight, 700) << item.name;
        EXPECT_EQ(lf.lfCharSet, 0) << item.name;
        EXPECT_FALSE(lf.lfItalic || lf.lfUnderline || lf.lfStrikeOut) << item.name;
    }
    if (dpi() == 96) {
        EXPECT_EQ(fontOf(control(IDC_COMMAND1)).lfHeight, -11);
    }
}

TEST_F(MainWindowTest, ButtonFacesAreTheLightBlue) {
    for (const int id : {IDC_COMMAND2, IDC_COMMAND1, IDC_COMMAND4, IDC_COMMAND5}) {
        const HWND button = control(id);
        EXPECT_EQ(pixelAt(button, 4, 4), RGB(128, 128, 255)) << id;
    }
}

TEST_F(MainWindowTest, List1IsAHiddenUnsortedListBox) {
    const HWND list = control(IDC_LIST1);
    EXPECT_EQ(list, window.listBoxForTesting());
    EXPECT_EQ(className(list), L"ListBox");
    EXPECT_FALSE(IsWindowVisible(list));
    EXPECT_EQ(GetWindowLongW(list, GWL_STYLE) & LBS_SORT, 0);
    // Unsorted: entries stay in the order they came.
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"9"));
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"1"));
    wchar_t first[8]{};
    SendMessageW(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(first));
    EXPECT_STREQ(first, L"9");
}

TEST_F(MainWindowTest, Text1IsAnEmptyMultiLineBoxWithAVerticalScrollBar) {
    const HWND text = control(IDC_TEXT1);
    EXPECT_EQ(className(text), L"Edit");
    const auto style = static_cast<DWORD>(GetWindowLongW(text, GWL_STYLE));
    EXPECT_NE(style & ES_MULTILINE, 0u);
    EXPECT_NE(style & WS_VSCROLL, 0u);
    EXPECT_NE(style & WS_TABSTOP, 0u);
    EXPECT_EQ(windowText(text), L"");
}

// At the design size only the buttons show; enlarging the window by hand
// reveals Text1, never List1.
TEST_F(MainWindowTest, Text1IsSeenOnlyWhenTheWindowIsEnlarged) {
    const PixelSize client = clientSize(window.hwnd());
    EXPECT_GE(childRect(control(IDC_TEXT1)).top, client.height);
    EXPECT_GE(childRect(control(IDC_LIST1)).top, client.height);

    RECT frame{};
    GetWindowRect(window.hwnd(), &frame);
    SetWindowPos(window.hwnd(), nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top + 300,
                 SWP_NOMOVE | SWP_NOZORDER);
    const PixelRect text = childRect(control(IDC_TEXT1));
    EXPECT_LT(text.bottom, clientSize(window.hwnd()).height);
    EXPECT_TRUE(IsWindowVisible(control(IDC_TEXT1)));
    EXPECT_FALSE(IsWindowVisible(control(IDC_LIST1)));
    // Nothing moved.
    EXPECT_EQ(text, toPixels(form1::Text1.rect, dpi()));
}

// ---------------------------------------------------------------------------
// The mouse and the keyboard

TEST_F(MainWindowTest, FocusStartsOnSelectWindow) {
    EXPECT_EQ(GetFocus(), control(IDC_COMMAND3));
}

TEST_F(MainWindowTest, TabWalksTheButtonsInTabOrder) {
    ASSERT_EQ(GetFocus(), control(IDC_COMMAND3));
    std::vector<int> visited;
    for (int i = 0; i < 5; ++i) {
        tab();
        visited.push_back(GetDlgCtrlID(GetFocus()));
    }
    EXPECT_EQ(visited, (std::vector<int>{IDC_COMMAND1, IDC_COMMAND2, IDC_COMMAND4, IDC_COMMAND5,
                                         IDC_TEXT1}));
}

// A multi-line box would keep Tab for itself and the focus for good.
TEST_F(MainWindowTest, TabLeavesText1ForTheFirstButton) {
    SetFocus(control(IDC_TEXT1));
    tab();
    EXPECT_EQ(GetFocus(), control(IDC_COMMAND3));
    EXPECT_EQ(windowText(control(IDC_TEXT1)), L"");
}

TEST_F(MainWindowTest, ShiftTabWalksBack) {
    BYTE keys[256]{};
    GetKeyboardState(keys);
    keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys);
    tab();
    const int back = GetDlgCtrlID(GetFocus());
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    // Before Select Window comes List1, which takes no focus, and then the
    // wrap to the end.
    EXPECT_EQ(back, IDC_TEXT1);
}

TEST_F(MainWindowTest, FocusComesBackToTheButtonThatHadItWhenTheWindowIsActivatedAgain) {
    tab();
    ASSERT_EQ(GetFocus(), control(IDC_COMMAND1));
    BrowserThread other;
    const WindowClass cls(L"PopquellTestOther");
    const HWND w = other.create(cls.name(), WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    other.bringToFront(w);
    ASSERT_TRUE(pump([&] { return GetForegroundWindow() == w; }));
    SetForegroundWindow(window.hwnd());
    ASSERT_TRUE(pump([&] { return GetForegroundWindow() == window.hwnd(); }));
    EXPECT_EQ(GetFocus(), control(IDC_COMMAND1));
    other.close(w);
}

// Keystrokes as the keyboard makes them, through the system's input queue,
// TranslateMessage and the window's dialog handling.
void typeKeys(std::initializer_list<std::pair<WORD, bool>> strokes) {
    std::vector<INPUT> inputs;
    for (const auto& [key, down] : strokes) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = key;
        in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
        inputs.push_back(in);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

TEST_F(MainWindowTest, TypedTabAndAltEReachTheButtons) {
    typeKeys({{VK_TAB, true}, {VK_TAB, false}});
    EXPECT_TRUE(pump([&] { return GetFocus() == control(IDC_COMMAND1); }));
    typeKeys({{VK_MENU, true}, {'E', true}, {'E', false}, {VK_MENU, false}});
    EXPECT_TRUE(pump([&] { return form.Timer2.Enabled(); }));
    EXPECT_EQ(GetFocus(), control(IDC_COMMAND3));
}

TEST_F(MainWindowTest, ClicksReachForm1) {
    SendMessageW(control(IDC_COMMAND3), BM_CLICK, 0, 0);  // Select Window
    EXPECT_TRUE(form.Timer2.Enabled());
    form.Timer1.SetEnabled(true);
    SendMessageW(control(IDC_COMMAND4), BM_CLICK, 0, 0);  // Stop
    EXPECT_FALSE(form.Timer1.Enabled());
}

TEST_F(MainWindowTest, AltEPressesSelectWindow) {
    altKey('E');
    EXPECT_TRUE(form.Timer2.Enabled());
}

TEST_F(MainWindowTest, AltTPressesStop) {
    form.Timer1.SetEnabled(true);
    altKey('T');
    EXPECT_FALSE(form.Timer1.Enabled());
}

TEST_F(MainWindowTest, AltSPressesStart) {
    SeenWindow box;
    auto watcher = ModalWatcher::answerBox(IDOK, &box);
    altKey('S');
    ASSERT_TRUE(watcher->found());
    EXPECT_EQ(box.text, L"Please select an Internet Explorer Window.");
    EXPECT_TRUE(box.hasOk);
    EXPECT_FALSE(box.hasYes);
}

TEST_F(MainWindowTest, AltAPressesAbout) {
    SeenWindow box;
    auto watcher = ModalWatcher::answerBox(IDOK, &box);
    altKey('A');
    ASSERT_TRUE(watcher->found());
    EXPECT_EQ(box.text, widen(kAboutText));
    EXPECT_EQ(box.caption, L"Popquell");
    EXPECT_TRUE(box.hasOk);
    EXPECT_FALSE(box.hasYes);
    EXPECT_EQ(box.owner, window.hwnd());
    EXPECT_FALSE(box.ownerEnabled);
}

TEST_F(MainWindowTest, AltHPressesHowToUse) {
    auto watcher = std::make_unique<ModalWatcher>(kDialogClass, L"", [](HWND dialog) {
        PostMessageW(GetDlgItem(dialog, IDC_DIALOG_COMMAND1), BM_CLICK, 0, 0);
    });
    altKey('H');
    EXPECT_TRUE(watcher->found());
}

TEST_F(MainWindowTest, EnterPressesTheFocusedButton) {
    ASSERT_EQ(GetFocus(), control(IDC_COMMAND3));
    press(WM_KEYDOWN, VK_RETURN);
    EXPECT_TRUE(form.Timer2.Enabled());
}

// The menu bar's items have no handlers in the main window.
TEST_F(MainWindowTest, MenuCommandsDoNothing) {
    auto watcher = ModalWatcher::answerBox(IDOK, nullptr, 300ms);
    for (const int id : {kIdAbmenu, kIdTotalMenu, kIdTimemenu})
        SendMessageW(window.hwnd(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
    EXPECT_FALSE(watcher->found());
    EXPECT_TRUE(IsWindow(window.hwnd()));
    EXPECT_FALSE(form.Timer1.Enabled() || form.Timer2.Enabled() || form.Timer3.Enabled());
}

TEST_F(MainWindowTest, StartMinimisesOnlyWithAPickedWindow) {
    form.List1.AddItem("1");
    SendMessageW(control(IDC_COMMAND1), BM_CLICK, 0, 0);
    EXPECT_TRUE(IsIconic(window.hwnd()));
    EXPECT_TRUE(form.Timer1.Enabled());
    form.Timer1.SetEnabled(false);
}

TEST_F(MainWindowTest, ClosingTheWindowUnloadsAndDestroysIt) {
    const HWND hwnd = window.hwnd();
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(window.hwnd(), nullptr);
}

// ---------------------------------------------------------------------------
// DPI

TEST_F(MainWindowTest, ADpiChangeTakesTheSuggestedRectangleAndScalesControlsAndFonts) {
    RECT suggested{50, 60, 50 + 800, 60 + 160};
    SendMessageW(window.hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(window.dpi(), 144u);
    RECT frame{};
    GetWindowRect(window.hwnd(), &frame);
    EXPECT_EQ(toPixelRect(frame), toPixelRect(suggested));
    for (const ControlSpec& item : kForm1Controls)
        EXPECT_EQ(childRect(control(item.id)), toPixels(item.rect, 144)) << item.name;
    const LOGFONTW lf = fontOf(control(IDC_COMMAND3));
    EXPECT_EQ(lf.lfHeight, -17);
    EXPECT_EQ(lf.lfWeight, 700);
    EXPECT_STREQ(lf.lfFaceName, L"MS Sans Serif");
}

// ---------------------------------------------------------------------------
// The instructions dialog

// Everything the watcher finds out about the open dialog.
struct SeenDialog {
    SeenWindow window;
    std::wstring text;
    DWORD textStyle = 0;
    LOGFONTW textFont{};
    PixelRect textRect;
    std::wstring closeCaption;
    DWORD closeStyle = 0;
    LOGFONTW closeFont{};
    PixelRect closeRect;
    int dpi = 0;
    COLORREF background = 0;
    COLORREF closeFace = 0;
    bool closeFocused = false;
};

SeenDialog lookAtDialog(HWND dialog) {
    SeenDialog seen;
    seen.window = look(dialog);
    seen.dpi = static_cast<int>(GetDpiForWindow(dialog));
    const HWND text = GetDlgItem(dialog, IDC_DIALOG_TEXT1);
    const HWND close = GetDlgItem(dialog, IDC_DIALOG_COMMAND1);
    wchar_t buffer[4096]{};
    GetWindowTextW(text, buffer, 4096);
    seen.text = buffer;
    seen.textStyle = static_cast<DWORD>(GetWindowLongW(text, GWL_STYLE));
    seen.textFont = fontOf(text);
    seen.textRect = childRect(text);
    seen.closeCaption = windowText(close);
    seen.closeStyle = static_cast<DWORD>(GetWindowLongW(close, GWL_STYLE));
    seen.closeFont = fontOf(close);
    seen.closeRect = childRect(close);
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    seen.background = pixelAt(dialog, 3, seen.window.client.bottom - 3);
    seen.closeFace = pixelAt(close, 6, seen.closeRect.height() / 2);  // inside the focus rectangle
    seen.closeFocused = (SendMessageW(close, BM_GETSTATE, 0, 0) & BST_FOCUS) != 0;
    return seen;
}

void pressClose(HWND dialog) { PostMessageW(GetDlgItem(dialog, IDC_DIALOG_COMMAND1), BM_CLICK, 0, 0); }

class InstructionsDialogTest : public MainWindowTest {
protected:
    // Opens How to use and runs act on the dialog from the watcher; returns
    // once the dialog has gone.
    bool howToUse(const ModalWatcher::Act& act) {
        ModalWatcher watcher(kDialogClass, L"", act);
        SendMessageW(control(IDC_COMMAND2), BM_CLICK, 0, 0);
        return watcher.found();
    }
};

TEST_F(InstructionsDialogTest, ShowsTheInstructionsModallyAndGoesOnClose) {
    SeenDialog seen;
    ASSERT_TRUE(howToUse([&](HWND dialog) {
        seen = lookAtDialog(dialog);
        pressClose(dialog);
    }));
    EXPECT_EQ(seen.text, widen(instructionsText()));
    EXPECT_FALSE(IsWindow(seen.window.hwnd));
    EXPECT_TRUE(IsWindowEnabled(window.hwnd()));
}

TEST_F(InstructionsDialogTest, FixedDialogFrameWithoutCaptionIconOrTaskbarButton) {
    SeenDialog seen;
    ASSERT_TRUE(howToUse([&](HWND dialog) {
        seen = lookAtDialog(dialog);
        pressClose(dialog);
    }));
    const auto style = static_cast<DWORD>(seen.window.style);
    const auto exStyle = static_cast<DWORD>(seen.window.exStyle);
    EXPECT_EQ(seen.window.caption, L"");
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0u);
    EXPECT_NE(exStyle & WS_EX_DLGMODALFRAME, 0u);
    EXPECT_EQ(exStyle & WS_EX_APPWINDOW, 0u);
    // Owned windows have no taskbar button.
    EXPECT_EQ(seen.window.owner, window.hwnd());
}

TEST_F(InstructionsDialogTest, MainWindowTakesNoInputWhileItIsOpen) {
    SeenDialog seen;
    ASSERT_TRUE(howToUse([&](HWND dialog) {
        seen = lookAtDialog(dialog);
        SendMessageW(GetDlgItem(seen.window.owner, IDC_COMMAND3), BM_CLICK, 0, 0);
        pressClose(dialog);
    }));
    EXPECT_FALSE(seen.window.ownerEnabled);
    EXPECT_FALSE(form.Timer2.Enabled());
    EXPECT_TRUE(IsWindowEnabled(window.hwnd()));
}

TEST_F(InstructionsDialogTest, LayoutColoursAndFonts) {
    SeenDialog seen;
    ASSERT_TRUE(howToUse([&](HWND dialog) {
        seen = lookAtDialog(dialog);
        pressClose(dialog);
    }));
    const int dpi = seen.dpi;
    EXPECT_EQ((PixelSize{seen.window.client.right, seen.window.client.bottom}), toPixels(kDialogClient, dpi));
    EXPECT_EQ(seen.textRect, toPixels(dialog::Text1.rect, dpi));
    EXPECT_EQ(seen.closeRect, toPixels(dialog::Command1.rect, dpi));
    EXPECT_EQ(seen.background, RGB(128, 128, 255));
    EXPECT_EQ(seen.closeFace, RGB(255, 255, 255));

    EXPECT_STREQ(seen.textFont.lfFaceName, L"Arial");
    EXPECT_EQ(seen.textFont.lfHeight, fontHeightPixels(kDialogTextFont, dpi));
    EXPECT_EQ(seen.textFont.lfWeight, 700);
    EXPECT_EQ(seen.textFont.lfCharSet, 0);
    EXPECT_STREQ(seen.closeFont.lfFaceName, L"MS Sans Serif");
    EXPECT_EQ(seen.closeFont.lfWeight, 700);
    EXPECT_EQ(seen.closeFont.lfHeight, fontHeightPixels(kButtonFont, dpi));
}

TEST_F(InstructionsDialogTest, TextIsMultiLineReadOnlyWithoutScrollBars) {
    SeenDialog seen;
    ASSERT_TRUE(howToUse([&](HWND dialog) {
        seen = lookAtDialog(dialog);
        pressClose(dialog);
    }));
    EXPECT_NE(seen.textStyle & ES_MULTILINE, 0u);
    EXPECT_NE(seen.textStyle & ES_READONLY, 0u);
    EXPECT_EQ(seen.textStyle & (WS_VSCROLL | WS_HSCROLL | ES_AUTOHSCROLL), 0u);
    EXPECT_EQ(seen.closeCaption, L"&Close");
    EXPECT_EQ(seen.closeStyle & BS_TYPEMASK, static_cast<DWORD>(BS_OWNERDRAW));
    EXPECT_TRUE(seen.closeFocused);
}

TEST_F(InstructionsDialogTest, IsLoadedAfreshWithTheWholeTextEachTime) {
    SeenDialog first;
    SeenDialog second;
    ASSERT_TRUE(howToUse([&](HWND dialog) {
        first = lookAtDialog(dialog);
        pressClose(dialog);
    }));
    ASSERT_TRUE(howToUse([&](HWND dialog) {
        second = lookAtDialog(dialog);
        pressClose(dialog);
    }));
    EXPECT_NE(first.window.hwnd, second.window.hwnd);
    EXPECT_EQ(second.text, widen(instructionsText()));
}

TEST_F(InstructionsDialogTest, AltCCloses) {
    ASSERT_TRUE(howToUse([](HWND dialog) {
        PostMessageW(GetDlgItem(dialog, IDC_DIALOG_COMMAND1), WM_SYSKEYDOWN, 'C', (LPARAM{1} << 29) | 1);
    }));
}

TEST_F(InstructionsDialogTest, EnterClosesFromTheFocusedCloseButton) {
    ASSERT_TRUE(howToUse([](HWND dialog) {
        PostMessageW(GetDlgItem(dialog, IDC_DIALOG_COMMAND1), WM_KEYDOWN, VK_RETURN, 1);
    }));
}

// ---------------------------------------------------------------------------
// The sweep closes visible pop-ups with a caption and a system menu, and
// IEFrame windows with an empty menu bar. None of the program's own windows
// may ever look like one.

bool looksLikeAPopup(const SeenWindow& w) {
    return w.style == kPopupStyleBits || w.cls == L"IEFrame";
}

TEST_F(MainWindowTest, NoWindowOfTheProgramLooksLikeAPopup) {
    EXPECT_NE(GetWindowLongA(window.hwnd(), GWL_STYLE), kPopupStyleBits);
    EXPECT_NE(className(window.hwnd()), L"IEFrame");

    SeenWindow box;
    auto watcher = ModalWatcher::answerBox(IDOK, &box);
    SendMessageW(control(IDC_COMMAND5), BM_CLICK, 0, 0);  // About
    ASSERT_TRUE(watcher->found());
    EXPECT_FALSE(looksLikeAPopup(box)) << std::hex << box.style;

    SeenWindow please;
    watcher = ModalWatcher::answerBox(IDOK, &please);
    SendMessageW(control(IDC_COMMAND1), BM_CLICK, 0, 0);  // Start, nothing picked
    ASSERT_TRUE(watcher->found());
    EXPECT_FALSE(looksLikeAPopup(please)) << std::hex << please.style;

    SeenWindow dialog;
    ModalWatcher dialogWatcher(kDialogClass, L"", [&](HWND w) {
        dialog = look(w);
        pressClose(w);
    });
    SendMessageW(control(IDC_COMMAND2), BM_CLICK, 0, 0);  // How to use
    ASSERT_TRUE(dialogWatcher.found());
    EXPECT_FALSE(looksLikeAPopup(dialog)) << std::hex << dialog.style;
}

// The same with the sweep running: its ticks come while the box and the
// dialog are open, and they stay.
TEST_F(MainWindowTest, TheSweepLeavesTheProgramsOwnWindowsOpen) {
    form.Timer1.SetEnabled(true);
    bool boxLived = false;
    ModalWatcher boxWatcher(L"#32770", L"Popquell", [&](HWND box) {
        std::this_thread::sleep_for(2500ms);  // two sweep ticks and more
        boxLived = IsWindow(box) && IsWindowVisible(box);
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    SendMessageW(control(IDC_COMMAND5), BM_CLICK, 0, 0);
    ASSERT_TRUE(boxWatcher.found());
    EXPECT_TRUE(boxLived);

    bool dialogLived = false;
    ModalWatcher dialogWatcher(kDialogClass, L"", [&](HWND dialog) {
        std::this_thread::sleep_for(2500ms);
        dialogLived = IsWindow(dialog) && IsWindowVisible(dialog);
        pressClose(dialog);
    });
    SendMessageW(control(IDC_COMMAND2), BM_CLICK, 0, 0);
    ASSERT_TRUE(dialogWatcher.found());
    EXPECT_TRUE(dialogLived);
    EXPECT_TRUE(IsWindow(window.hwnd()));
    form.Timer1.SetEnabled(false);
}

}  // namespace
}  // namespace popquell::wine
