// The program's real windows: what reaches the screen, held to the values they
// were designed with, typed here once; then what only real windows do.

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "tests/wine/GuiTestSupport.h"
#include "ui/win32/ColorButton.h"
#include "ui/win32/Dpi.h"

namespace popquell::wine {
namespace {

constexpr COLORREF kLightBlue = RGB(128, 128, 255);

COLORREF pixelAt(HWND window, int x, int y) { return GetPixel(unique_hdc_window(window).get(), x, y); }

PixelSize clientSize(HWND window) {
    RECT r{};
    GetClientRect(window, &r);
    return PixelSize{r.right, r.bottom};
}

DWORD styleOf(HWND w) { return static_cast<DWORD>(GetWindowLongW(w, GWL_STYLE)); }

// A control as designed: all of styleBits set; face, the colour of an owner-drawn button.
struct Control {
    int id;
    const wchar_t *cls, *text;
    TwipRect rect;
    DWORD styleBits;
    const FontSpec* font;
    COLORREF face;
};

// Holds a control, as the window shows it at that dpi, to its row.
void expectControl(HWND parent, const Control& c, int dpi) {
    const HWND w = GetDlgItem(parent, c.id);
    ASSERT_NE(w, nullptr) << c.id;
    EXPECT_EQ(className(w), c.cls) << c.id;
    EXPECT_EQ(windowText(w), c.text) << c.id;
    RECT r{};
    GetWindowRect(w, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ((PixelRect{r.left, r.top, r.right, r.bottom}), toPixels(c.rect, dpi)) << c.id;
    EXPECT_EQ(styleOf(w) & c.styleBits, c.styleBits) << c.id;
    if (c.font) {
        LOGFONTW lf{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(w, WM_GETFONT, 0, 0)), sizeof lf, &lf);
        EXPECT_EQ(narrow(lf.lfFaceName), c.font->face) << c.id;
        const int plain = !(lf.lfItalic || lf.lfUnderline || lf.lfStrikeOut);
        EXPECT_EQ((std::vector<int>{lf.lfHeight, lf.lfWeight, lf.lfCharSet, plain}),
                  (std::vector<int>{fontHeightPixels(*c.font, dpi), c.font->weight, c.font->charset, 1}))
            << c.id;
    }
    // Inside the edges, outside any focus rectangle.
    EXPECT_TRUE(c.face == CLR_INVALID || pixelAt(w, 3, 3) == c.face) << c.id;
}

constexpr FontSpec kButtonFace{"MS Sans Serif", 825, 700, 0};
constexpr DWORD kButton = WS_TABSTOP | BS_OWNERDRAW;

// The main window's controls in tab order, which is the order of the child windows.
const Control kMainControls[] = {
    {IDC_LIST1, L"ListBox", L"", {105, 600, 5415, 615}, 0, nullptr, CLR_INVALID},
    {IDC_COMMAND3, L"Button", L"S&elect Window", {1995, 120, 1455, 375}, kButton, &kButtonFace, kLightBlue},
    {IDC_COMMAND1, L"Button", L"&Start", {3555, 120, 855, 375}, kButton, &kButtonFace, kLightBlue},
    {IDC_COMMAND2, L"Button", L"&How to use.", {690, 120, 1215, 375}, kButton, &kButtonFace, kLightBlue},
    {IDC_COMMAND4, L"Button", L"S&top", {4530, 120, 855, 375}, kButton, &kButtonFace, kLightBlue},
    {IDC_COMMAND5, L"Button", L"&About", {5475, 120, 855, 375}, kButton, &kButtonFace, kLightBlue},
    {IDC_TEXT1, L"Edit", L"", {720, 1320, 3975, 1815}, WS_TABSTOP | WS_VSCROLL | ES_MULTILINE, nullptr, CLR_INVALID},
};

void pressClose(HWND dialog) { PostMessageW(GetDlgItem(dialog, IDC_DIALOG_COMMAND1), BM_CLICK, 0, 0); }

class Windows : public MainWindowTest {
protected:
    void SetUp() override {
        ShowWindow(window.hwnd(), SW_SHOWNORMAL);
        SetForegroundWindow(window.hwnd());
        ASSERT_TRUE(pump([&] { return GetForegroundWindow() == window.hwnd() && GetFocus() != nullptr; }));
        UpdateWindow(window.hwnd());
    }

    int dpi() const { return static_cast<int>(window.dpi()); }

    // A key as the message loop gets it, through the dialog handling; Shift as the keyboard state says.
    void press(WPARAM key, bool alt = false, bool shift = false) {
        BYTE keys[256]{};
        GetKeyboardState(keys);
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        SetKeyboardState(keys);
        MSG msg{GetFocus(), UINT(alt ? WM_SYSKEYDOWN : WM_KEYDOWN), key, (alt ? LPARAM{1} << 29 : 0) | 1, 0, {}};
        window.dispatch(msg);
        pump([] { return true; });
        keys[VK_SHIFT] = 0;
        SetKeyboardState(keys);
    }

    // Does act, which opens a modal window, and has answer run on it; true once answered and
    // this thread's loop has moved on: an access key's click may come a moment after the key.
    bool opens(const std::function<void()>& act, const std::function<void(HWND)>& answer,
               const wchar_t* cls = kDialogClass) {
        std::atomic<bool> seen{false};
        auto watcher = watchFor(cls, cls == kDialogClass ? L"" : L"Popquell", [&](HWND w) {
            answer(w);
            seen = true;
        });
        act();
        return pump([&] { return seen.load() && !form.Timer2.Enabled(); }) && watcher.get();
    }
};

TEST_F(Windows, TheMainWindowShowsWhatItWasDesignedWith) {
    const HWND main = window.hwnd();
    EXPECT_EQ(windowText(main), L"To select a window, click Select Window.  Then click Start to begin.");
    EXPECT_EQ(clientSize(main), (PixelSize{twipsToPixels(7620, dpi()), twipsToPixels(555, dpi())}));
    const DWORD frame = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    EXPECT_EQ(styleOf(main) & (frame | WS_POPUP), frame);
    EXPECT_FALSE((GetWindowLongW(main, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) || GetWindow(main, GW_OWNER))
        << "a taskbar button";
    EXPECT_EQ(pixelAt(main, clientSize(main).width - 5, clientSize(main).height / 2), kLightBlue);
    const HMENU bar = GetMenu(main);
    EXPECT_TRUE(GetMenuItemCount(bar) == 1 && demo::menuItemText(bar, GetMenuItemID(bar, 0)).empty())
        << "only the time item, empty";
    HWND child = GetWindow(main, GW_CHILD);
    for (const Control& c : kMainControls) {
        EXPECT_EQ(child, control(c.id)) << "tab order at " << c.id;
        child = GetWindow(child, GW_HWNDNEXT);
        expectControl(main, c, dpi());
    }
    EXPECT_FALSE(IsWindowVisible(control(IDC_LIST1)));
    EXPECT_EQ(styleOf(control(IDC_LIST1)) & LBS_SORT, 0u);
    EXPECT_EQ(GetFocus(), control(IDC_COMMAND3)) << "List1 comes first but takes no focus";
}

TEST_F(Windows, TheInstructionsShowWhatTheyWereDesignedWith) {
    const FontSpec text{"Arial", 900, 700, 0};
    const Control controls[] = {
        {IDC_DIALOG_TEXT1, L"Edit",
         L"How to use it:\r\n"
         L"1. Click Select Window button.\r\n"
         L"2. Click the top area (Title Bar) of the Internet Explorer window  you want .  You will be asked to "
         L"choose Yes or No.  If Yes, ad(s) will be closed if there is(are) any come(s) up.\r\n"
         L"3.  To select ANOTHER Internet Explorer window, REPEAT Step 1 and Step 2.\r\n"
         L"4.  If a website has pop-ups but they are not ads, you can click Stop button. You would have to "
         L"reclick links on this website to view contents of the popped up pages.\r\n"
         L"5.  Then if there is any pop-up, just click Start button.\r\n"
         L"\r\n"
         L"EVERYTIME you click Select Window button, you have to click Start button to activate the software or "
         L"Pop-ups will not be closed.",
         {240, 180, 7575, 3135}, ES_MULTILINE | ES_READONLY, &text, CLR_INVALID},
        {IDC_DIALOG_COMMAND1, L"Button", L"&Close", {3390, 3360, 1215, 375}, kButton, &kButtonFace,
         RGB(255, 255, 255)},
    };
    HWND first = nullptr;
    ASSERT_TRUE(opens([&] { click(IDC_COMMAND2); }, [&](HWND dialog) {
        first = dialog;
        RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        const int dialogDpi = static_cast<int>(windowDpi(dialog));
        for (const Control& c : controls) expectControl(dialog, c, dialogDpi);
        EXPECT_EQ(clientSize(dialog), (PixelSize{twipsToPixels(7995, dialogDpi), twipsToPixels(3915, dialogDpi)}));
        EXPECT_EQ(pixelAt(dialog, 3, clientSize(dialog).height - 3), kLightBlue);
        // White somewhere in the top left corner, where the first line is drawn.
        const unique_hdc_window text(GetDlgItem(dialog, IDC_DIALOG_TEXT1));
        bool white = false;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 120; ++x) white = white || GetPixel(text.get(), x, y) == RGB(255, 255, 255);
        EXPECT_TRUE(white) << "white text";
        EXPECT_EQ(styleOf(GetDlgItem(dialog, IDC_DIALOG_TEXT1)) & (WS_VSCROLL | WS_HSCROLL), 0u);
        EXPECT_NE(SendMessageW(GetDlgItem(dialog, IDC_DIALOG_COMMAND1), BM_GETSTATE, 0, 0) & BST_FOCUS, 0)
            << "the focus starts on Close";
        EXPECT_TRUE(windowText(dialog).empty() &&
                    !(styleOf(dialog) & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) &&
                    (GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME))
            << "no caption, a fixed modal frame";
        EXPECT_EQ(GetWindow(dialog, GW_OWNER), window.hwnd()) << "owned: no taskbar button";
        EXPECT_FALSE(IsWindowEnabled(window.hwnd()));
        // Clicks on the main window do nothing while it is open.
        click(IDC_COMMAND3);
        pressClose(dialog);
    }));
    EXPECT_TRUE(!form.Timer2.Enabled() && IsWindowEnabled(window.hwnd()));
    // Loaded afresh, and closed by Alt+C, by Enter on Close and by Escape as well.
    for (const auto& [msg, key] : {std::pair{WM_SYSKEYDOWN, UINT{'C'}}, std::pair{WM_KEYDOWN, UINT{VK_RETURN}},
                                   std::pair{WM_KEYDOWN, UINT{VK_ESCAPE}}}) {
        EXPECT_TRUE(opens([&] { click(IDC_COMMAND2); }, [&](HWND dialog) {
            EXPECT_TRUE(dialog != first && windowText(GetDlgItem(dialog, IDC_DIALOG_TEXT1)) == controls[0].text);
            PostMessageW(GetDlgItem(dialog, IDC_DIALOG_COMMAND1), msg, key, (msg == WM_SYSKEYDOWN ? 1 << 29 : 0) | 1);
        }) && !FindWindowW(kDialogClass, nullptr)) << key;
    }
}

// The boxes, opened by the access keys; Select Window's twice, on one browser.
TEST_F(Windows, TheBoxesShowWhatTheyWereDesignedWith) {
    const WindowClass ieFrame(L"IEFrame");
    BrowserThread browsers;
    const HWND browser = browsers.create(ieFrame.name(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 3);
    struct Row {
        WPARAM key;  // Select Window: and the browser to the front
        const wchar_t* text;  // nullptr: the About text, which is the program's own
        bool yesNo, icon, systemModal;
    };
    const Row rows[] = {
        {'A', nullptr, false, true, false},
        {'S', L"Please select an Internet Explorer Window.", false, false, true},
        {'E', L"Do you want to select this Internet Explorer? ", true, true, true},
        {'E', L"Select a different window. This window already selected.", false, true, true},
    };
    for (const Row& row : rows) {
        demo::Box box;
        // Keys go to the active window, which the browser's creation or a box's end may change late.
        pump([&] { return GetFocus() || (SetForegroundWindow(window.hwnd()), false); });
        const auto act = [&] {
            press(row.key, true);
            if (row.key == 'E') pump([&] { return !form.Timer2.Enabled() || (browsers.bringToFront(browser), false); });
        };
        ASSERT_TRUE(opens(act, [&](HWND w) { demo::answerBox(box = demo::lookAtBox(w), row.yesNo ? IDYES : IDOK); },
                          L"#32770"))
            << row.key;
        EXPECT_TRUE(row.text ? box.text == row.text : box.text.find(L"Popquell") != std::wstring::npos) << box.text;
        EXPECT_EQ(box.hasYes && box.hasNo, row.yesNo) << box.text;
        EXPECT_EQ(box.hasOk, !row.yesNo) << box.text;
        EXPECT_EQ(box.icon, row.icon) << box.text;
        EXPECT_EQ(box.topmost, row.systemModal) << box.text;
    }
    EXPECT_EQ(form.List1.ListCount(), 1);
}

TEST_F(Windows, TheKeyboardMovesAndPressesAsInADialog) {
    // Text1 would keep Tab for itself; it hands it on, both ways.
    std::vector<int> visited;
    for (const bool shift : {false, false, false, false, false, false, true, true}) {
        press(VK_TAB, false, shift);
        visited.push_back(GetDlgCtrlID(GetFocus()));
    }
    EXPECT_EQ(visited, (std::vector<int>{IDC_COMMAND1, IDC_COMMAND2, IDC_COMMAND4, IDC_COMMAND5, IDC_TEXT1,
                                         IDC_COMMAND3, IDC_TEXT1, IDC_COMMAND5}));
    EXPECT_EQ(windowText(control(IDC_TEXT1)), L"");
    // Activated again after another program's window, it gives the focus back to that button.
    BrowserThread other;
    const HWND w = other.create(L"Static", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    other.bringToFront(w);
    ASSERT_TRUE(pump([&] { return GetForegroundWindow() == w; }));
    SetForegroundWindow(window.hwnd());
    EXPECT_TRUE(pump([&] { return GetForegroundWindow() == window.hwnd(); }) && GetFocus() == control(IDC_COMMAND5));
    other.close(w);

    EXPECT_TRUE(opens([&] { press('H', true); }, pressClose));
    form.Timer1.SetEnabled(true);
    press('T', true);
    EXPECT_FALSE(form.Timer1.Enabled());
    SetFocus(control(IDC_COMMAND3));
    press(VK_RETURN);
    EXPECT_TRUE(form.Timer2.Enabled()) << "Enter presses the focused button";
}

TEST_F(Windows, ADpiChangeTakesTheSuggestedRectangleAndScalesTheControls) {
    RECT suggested{50, 60, 50 + 800, 60 + 160};
    SendMessageW(window.hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    RECT frame{};
    GetWindowRect(window.hwnd(), &frame);
    EXPECT_TRUE(EqualRect(&frame, &suggested));
    RedrawWindow(window.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    for (const Control& c : kMainControls) expectControl(window.hwnd(), c, 144);
}

// A browser window takes the bar it shows along when it goes, ours too; the
// next tick makes the main window a new one.
TEST_F(Windows, ABarTakenAlongIsMadeAfreshOnTheNextTick) {
    BrowserThread browser;
    const HWND frame = browser.create(L"Static", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    const HMENU ours = window.menuForTesting();
    ws.SetMenu(fromHwnd(frame), fromHmenu(ours));
    ASSERT_TRUE(ws.drain(kDeadline) && GetMenu(frame) == ours);
    browser.close(frame);
    ASSERT_FALSE(IsMenu(ours));
    SendMessageW(window.hwnd(), WM_TIMER, kIdTimer3, 0);
    EXPECT_TRUE(IsMenu(window.menuForTesting()));
    EXPECT_EQ(GetMenu(window.hwnd()), window.menuForTesting());
}

TEST_F(Windows, RealTimersTickAtTheirIntervalsAndATickAskedForSoonComesAtOnce) {
    form.Timer1.SetEnabled(true);
    form.Timer2.SetEnabled(true);
    pump([&] { return ticks[kIdTimer1].size() >= 3 && ticks[kIdTimer2].size() >= 5; }, 4s);
    for (const auto& [id, expectedMs] : {std::pair{kIdTimer1, 1000}, std::pair{kIdTimer2, 500}}) {
        const auto& t = ticks[id];
        ASSERT_GE(t.size(), 3u) << id;
        const double meanGap = Ms(t.back() - t.front()).count() / static_cast<double>(t.size() - 1);
        EXPECT_NEAR(meanGap, expectedMs, expectedMs * 0.25) << "Timer" << id;
    }
    // A tick asked for soon comes through the loop at once: the keeper's, with nothing listed, stops.
    form.Timer3.SetEnabled(true);
    Win32Timers(window.hwnd()).tickSoon(kIdTimer3);
    EXPECT_TRUE(pump([&] { return !form.Timer3.Enabled(); }, 400ms));
}

TEST(RealToolkit, TheClockReadsTheLocalTimeAndTheListBoxKeepsSignedItemDataInOrder) {
    Win32Clock clock;
    SYSTEMTIME before{}, after{};
    LocalTime t{};
    do {  // again when a second turned meanwhile
        GetLocalTime(&before);
        t = clock.now();
        GetLocalTime(&after);
    } while (before.wSecond != after.wSecond);
    EXPECT_EQ((std::vector<int>{t.year, t.month, t.day, t.weekday, t.hour, t.minute, t.second}),
              (std::vector<int>{after.wYear, after.wMonth, after.wDay, after.wDayOfWeek, after.wHour, after.wMinute,
                                after.wSecond}));
    // The test prefix runs with Wine's default English locale.
    EXPECT_EQ(clock.weekdayName(0), "Sunday");
    EXPECT_EQ(clock.monthAbbrev(12), "Dec");

    const unique_hwnd box(CreateWindowExW(0, L"LISTBOX", L"", 0, 0, 0, 100, 50, nullptr, nullptr,
                                          GetModuleHandleW(nullptr), nullptr));
    Win32ListBox list(box.get());
    for (const std::int32_t h : {3001, -42, 17}) {
        list.AddItem(std::to_string(h));
        list.SetItemData(list.NewIndex(), h);
    }
    ASSERT_EQ(list.ListCount(), 3);
    EXPECT_EQ((std::vector<std::int32_t>{list.ItemData(0), list.ItemData(1), list.ItemData(2)}),
              (std::vector<std::int32_t>{3001, -42, 17}));
    list.Clear();
    EXPECT_EQ(list.ListCount(), 0);
}

// The instant mode's hook: another program's top-level windows, as they come;
// neither child windows nor ours.
TEST_F(Windows, TheHookNotesTheTopLevelWindowsOfOtherPrograms) {
    Win32WindowEvents events;
    std::vector<HWND> noted;
    events.hook([&](WindowHandle h) { noted.push_back(toHwnd(h)); });
    const unique_hwnd own(CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                          GetModuleHandleW(nullptr), nullptr));
    wchar_t folder[MAX_PATH]{};
    GetSystemDirectoryW(folder, MAX_PATH);
    const demo::ChildProcess other(std::wstring(folder) + L"\\notepad.exe", L"");
    ASSERT_TRUE(other);
    WaitForInputIdle(other.handle(), 5000);
    const auto ofOther = [&](HWND w) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        return pid == other.pid();
    };
    EXPECT_TRUE(pump([&] { return std::any_of(noted.begin(), noted.end(), ofOther); }));
    for (const HWND w : noted) EXPECT_TRUE(!IsWindow(w) || GetAncestor(w, GA_PARENT) == GetDesktopWindow()) << w;
    EXPECT_EQ(std::count(noted.begin(), noted.end(), own.get()), 0);
}

// The owner-drawn face of How to use, drawn into a bitmap in each state.
TEST_F(Windows, AButtonIsRaisedInItsColourSunkenWhenPressedAndShowsFocusAndKeysAsTheCuesSay) {
    const HWND button = control(IDC_COMMAND2);
    RECT r{};
    GetClientRect(button, &r);
    const int width = r.right, height = r.bottom;
    const unique_hdc_window screen(nullptr);
    const UniqueHandle<HDC, &::DeleteDC> dc(CreateCompatibleDC(screen.get()));
    const UniqueHandle<HBITMAP, &deleteGdiObject> bitmap(CreateCompatibleBitmap(screen.get(), width, height));
    const unique_select_object select(dc.get(), bitmap.get());
    const auto draw = [&](UINT state) {
        drawColorButton(DRAWITEMSTRUCT{ODT_BUTTON, 1, 0, ODA_DRAWENTIRE, state, button, dc.get(), r, 0}, kLightBlue);
        std::vector<COLORREF> pixels;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) pixels.push_back(GetPixel(dc.get(), x, y));
        return pixels;
    };
    const auto at = [&](const std::vector<COLORREF>& p, int x, int y) { return p[std::size_t(y * width + x)]; };
    // Text pixels in the lower half: the underline, or the feet of the letters.
    const auto lowText = [&](const std::vector<COLORREF>& p) {
        long n = 0;
        for (int y = height / 2; y < height - 3; ++y)
            for (int x = 4; x < width - 4; ++x) n += at(p, x, y) == GetSysColor(COLOR_BTNTEXT);
        return n;
    };
    const auto plain = draw(0);
    EXPECT_EQ(at(plain, 0, height / 2), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(at(plain, width - 1, height / 2), GetSysColor(COLOR_3DDKSHADOW));
    const auto pressed = draw(ODS_SELECTED);
    EXPECT_EQ(at(pressed, 0, height / 2), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(at(pressed, 1, height / 2), kLightBlue);
    EXPECT_NE(lowText(pressed), lowText(plain)) << "the caption moves down";
    const auto focused = draw(ODS_FOCUS);
    EXPECT_EQ(at(focused, 0, height / 2), RGB(0, 0, 0)) << "the default button's rim";
    EXPECT_NE(at(focused, 4, height / 2), at(plain, 4, height / 2)) << "the focus rectangle";
    EXPECT_NE(draw(ODS_FOCUS | ODS_NOFOCUSRECT), focused);
    EXPECT_GT(lowText(plain), lowText(draw(ODS_NOACCEL))) << "the access key's underline";
}

}  // namespace
}  // namespace popquell::wine
