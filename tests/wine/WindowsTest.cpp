// The program's real windows under Wine. What reaches the screen is read back
// from the running window and dialog and held, in one table each, to the
// values they were designed with, typed here once. Then what only real
// windows do: the keyboard, the owner-drawn buttons' painting, a DPI change,
// and the real timers, clock and list box. The logic behind the windows is
// proven on the simulated desktop.

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <string>
#include <vector>

#include "app/win32/MainWindow.h"
#include "res/resource.h"
#include "tests/wine/GuiTestSupport.h"
#include "ui/win32/ColorButton.h"
#include "ui/win32/Dpi.h"
#include "winsys/win32/Win32WindowSystem.h"

namespace popquell::wine {
namespace {

constexpr COLORREF kLightBlue = RGB(128, 128, 255);

COLORREF pixelAt(HWND window, int x, int y) {
    const unique_hdc_window dc(window);
    return GetPixel(dc.get(), x, y);
}

LOGFONTW fontOf(HWND control) {
    LOGFONTW lf{};
    const auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    if (font) GetObjectW(font, sizeof lf, &lf);
    return lf;
}

// A child's rectangle in its parent's client area.
PixelRect childRect(HWND child) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return PixelRect{r.left, r.top, r.right, r.bottom};
}

PixelSize clientSize(HWND window) {
    RECT r{};
    GetClientRect(window, &r);
    return PixelSize{r.right, r.bottom};
}

DWORD styleOf(HWND w) { return static_cast<DWORD>(GetWindowLongW(w, GWL_STYLE)); }

struct Font {
    const wchar_t* face;
    int hundredthsOfPoint;
    int weight;
};

struct Control {
    int id;
    const wchar_t* cls;
    const wchar_t* text;
    TwipRect rect;
    DWORD styleBits;  // all of these set
    const Font* font;
    COLORREF face;  // of an owner-drawn button
};

// Holds a control, as the window shows it, to its row.
void expectControl(HWND parent, const Control& c, int dpi) {
    const HWND w = GetDlgItem(parent, c.id);
    ASSERT_NE(w, nullptr) << c.id;
    EXPECT_EQ(className(w), c.cls) << c.id;
    EXPECT_EQ(windowText(w), c.text) << c.id;
    EXPECT_EQ(childRect(w), toPixels(c.rect, dpi)) << c.id;
    EXPECT_EQ(styleOf(w) & c.styleBits, c.styleBits) << c.id;
    if (c.font) {
        const LOGFONTW lf = fontOf(w);
        EXPECT_STREQ(lf.lfFaceName, c.font->face) << c.id;
        EXPECT_EQ(lf.lfHeight, fontHeightPixels(FontSpec{"", c.font->hundredthsOfPoint, 0, 0}, dpi)) << c.id;
        EXPECT_EQ(lf.lfWeight, c.font->weight) << c.id;
        EXPECT_EQ(lf.lfCharSet, 0) << c.id;
        EXPECT_FALSE(lf.lfItalic || lf.lfUnderline || lf.lfStrikeOut) << c.id;
    }
    if (c.face != CLR_INVALID) {
        EXPECT_EQ(pixelAt(w, 3, 3), c.face) << c.id;  // inside the edges, outside any focus rectangle
    }
}

constexpr Font kButtonFace{L"MS Sans Serif", 825, 700};
constexpr DWORD kButton = WS_TABSTOP | BS_OWNERDRAW;

class Windows : public ::testing::Test {
protected:
    void SetUp() override {
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
    void click(int id) { SendMessageW(control(id), BM_CLICK, 0, 0); }

    // A key as the message loop gets it, through the window's dialog
    // handling; Shift as the keyboard state says.
    void press(WPARAM key, bool alt = false, bool shift = false) {
        BYTE keys[256]{};
        GetKeyboardState(keys);
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        SetKeyboardState(keys);
        MSG msg{GetFocus(), UINT(alt ? WM_SYSKEYDOWN : WM_KEYDOWN), key, (alt ? LPARAM{1} << 29 : 0) | 1,
                static_cast<DWORD>(GetMessageTime()), {}};
        window.dispatch(msg);
        pump([] { return true; });
        keys[VK_SHIFT] = 0;
        SetKeyboardState(keys);
    }

    // Opens How to use and runs act on the dialog from the watcher; true
    // once the dialog has gone again.
    bool howToUse(const ModalWatcher::Act& act) {
        ModalWatcher watcher(kDialogClass, L"", act);
        click(IDC_COMMAND2);
        return watcher.found() && !FindWindowW(kDialogClass, nullptr);
    }

    Win32WindowSystem ws;
    MainWindow window{GetModuleHandleW(nullptr), ws};
    Form1& form = window.form();
};

void pressClose(HWND dialog) { PostMessageW(GetDlgItem(dialog, IDC_DIALOG_COMMAND1), BM_CLICK, 0, 0); }

TEST_F(Windows, TheMainWindowShowsWhatItWasDesignedWith) {
    const HWND main = window.hwnd();
    EXPECT_EQ(windowText(main), L"To select a window, click Select Window.  Then click Start to begin.");
    EXPECT_EQ(clientSize(main), (PixelSize{twipsToPixels(7620, dpi()), twipsToPixels(555, dpi())}));
    const DWORD frame = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    EXPECT_EQ(styleOf(main) & (frame | WS_POPUP), frame);
    EXPECT_EQ(GetWindowLongW(main, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0) << "a taskbar button";
    EXPECT_EQ(GetWindow(main, GW_OWNER), nullptr);
    EXPECT_EQ(pixelAt(main, clientSize(main).width - 5, clientSize(main).height / 2), kLightBlue);
    const HMENU bar = GetMenu(main);
    ASSERT_EQ(GetMenuItemCount(bar), 1) << "only the time item, empty";
    EXPECT_EQ(menuItemText(bar, GetMenuItemID(bar, 0)), L"");

    // In tab order, which is the order of the child windows.
    const Control controls[] = {
        {IDC_LIST1, L"ListBox", L"", {105, 600, 5415, 615}, 0, nullptr, CLR_INVALID},
        {IDC_COMMAND3, L"Button", L"S&elect Window", {1995, 120, 1455, 375}, kButton, &kButtonFace, kLightBlue},
        {IDC_COMMAND1, L"Button", L"&Start", {3555, 120, 855, 375}, kButton, &kButtonFace, kLightBlue},
        {IDC_COMMAND2, L"Button", L"&How to use.", {690, 120, 1215, 375}, kButton, &kButtonFace, kLightBlue},
        {IDC_COMMAND4, L"Button", L"S&top", {4530, 120, 855, 375}, kButton, &kButtonFace, kLightBlue},
        {IDC_COMMAND5, L"Button", L"&About", {5475, 120, 855, 375}, kButton, &kButtonFace, kLightBlue},
        {IDC_TEXT1, L"Edit", L"", {720, 1320, 3975, 1815}, WS_TABSTOP | WS_VSCROLL | ES_MULTILINE, nullptr,
         CLR_INVALID},
    };
    HWND child = GetWindow(main, GW_CHILD);
    for (const Control& c : controls) {
        EXPECT_EQ(child, control(c.id)) << "tab order at " << c.id;
        child = GetWindow(child, GW_HWNDNEXT);
        expectControl(main, c, dpi());
    }
    EXPECT_FALSE(IsWindowVisible(control(IDC_LIST1)));
    EXPECT_EQ(styleOf(control(IDC_LIST1)) & LBS_SORT, 0u);
    EXPECT_EQ(GetFocus(), control(IDC_COMMAND3)) << "List1 comes first but takes no focus";
}

TEST_F(Windows, TheInstructionsShowWhatTheyWereDesignedWith) {
    const Font text{L"Arial", 900, 700};
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
    SeenWindow seen;
    ASSERT_TRUE(howToUse([&](HWND dialog) {
        seen = look(dialog);
        RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        const int dialogDpi = static_cast<int>(windowDpi(dialog));
        for (const Control& c : controls) expectControl(dialog, c, dialogDpi);
        EXPECT_EQ(clientSize(dialog), (PixelSize{twipsToPixels(7995, dialogDpi), twipsToPixels(3915, dialogDpi)}));
        EXPECT_EQ(pixelAt(dialog, 3, clientSize(dialog).height - 3), kLightBlue);
        EXPECT_EQ(styleOf(GetDlgItem(dialog, IDC_DIALOG_TEXT1)) & (WS_VSCROLL | WS_HSCROLL), 0u);
        EXPECT_NE(SendMessageW(GetDlgItem(dialog, IDC_DIALOG_COMMAND1), BM_GETSTATE, 0, 0) & BST_FOCUS, 0)
            << "the focus starts on Close";
        // Clicks on the main window do nothing while it is open.
        SendMessageW(GetDlgItem(seen.owner, IDC_COMMAND3), BM_CLICK, 0, 0);
        pressClose(dialog);
    }));
    EXPECT_EQ(seen.caption, L"");
    EXPECT_EQ(seen.style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
    EXPECT_NE(seen.exStyle & WS_EX_DLGMODALFRAME, 0);
    EXPECT_EQ(seen.owner, window.hwnd()) << "owned: no taskbar button";
    EXPECT_FALSE(seen.ownerEnabled);
    EXPECT_FALSE(form.Timer2.Enabled());
    EXPECT_TRUE(IsWindowEnabled(window.hwnd()));
    // Loaded afresh, and closed by Alt+C and by Enter on Close as well.
    for (const UINT key : {UINT{'C'}, UINT{VK_RETURN}}) {
        ASSERT_TRUE(howToUse([&](HWND dialog) {
            EXPECT_NE(dialog, seen.hwnd);
            const HWND close = GetDlgItem(dialog, IDC_DIALOG_COMMAND1);
            EXPECT_EQ(windowText(GetDlgItem(dialog, IDC_DIALOG_TEXT1)), controls[0].text) << "filled again";
            PostMessageW(close, key == 'C' ? WM_SYSKEYDOWN : WM_KEYDOWN, key, (key == 'C' ? LPARAM{1} << 29 : 0) | 1);
        })) << key;
    }
}

TEST_F(Windows, TheKeyboardMovesAndPressesAsInADialog) {
    std::vector<int> visited;
    for (int i = 0; i < 6; ++i) {
        press(VK_TAB);
        visited.push_back(GetDlgCtrlID(GetFocus()));
    }
    // Text1 would keep Tab for itself; it hands it on, both ways.
    EXPECT_EQ(visited, (std::vector<int>{IDC_COMMAND1, IDC_COMMAND2, IDC_COMMAND4, IDC_COMMAND5, IDC_TEXT1,
                                         IDC_COMMAND3}));
    press(VK_TAB, false, true);
    EXPECT_EQ(GetFocus(), control(IDC_TEXT1));
    press(VK_TAB, false, true);
    EXPECT_EQ(GetFocus(), control(IDC_COMMAND5));
    EXPECT_EQ(windowText(control(IDC_TEXT1)), L"");

    press('E', true);
    EXPECT_TRUE(form.Timer2.Enabled());
    form.Timer1.SetEnabled(true);
    press('T', true);
    EXPECT_FALSE(form.Timer1.Enabled());
    // The access key's click may come a moment after the key: pump until
    // the box or dialog it opens has been seen and answered.
    const auto opens = [&](char key, const wchar_t* cls, const wchar_t* caption, void (*answer)(HWND)) {
        std::atomic<bool> seen{false};
        ModalWatcher watcher(cls, caption, [&](HWND w) {
            answer(w);
            seen = true;
        });
        press(static_cast<WPARAM>(key), true);
        pump([&] { return seen.load(); });
        return watcher.found();
    };
    const auto ok = [](HWND box) { PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); };
    EXPECT_TRUE(opens('S', L"#32770", L"Popquell", ok));
    EXPECT_TRUE(opens('A', L"#32770", L"Popquell", ok));
    EXPECT_TRUE(opens('H', kDialogClass, L"", pressClose));
    form.Timer2.SetEnabled(false);
    SetFocus(control(IDC_COMMAND3));
    press(VK_RETURN);
    EXPECT_TRUE(form.Timer2.Enabled()) << "Enter presses the focused button";

    // The menu's items do nothing in the main window.
    auto none = ModalWatcher::answerBox(IDOK, nullptr, 300ms);
    for (const int id : {kIdAbmenu, kIdTotalMenu, kIdTimemenu})
        SendMessageW(window.hwnd(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
    EXPECT_FALSE(none->found());
}

TEST_F(Windows, TheFocusComesBackToItsButtonWhenTheWindowIsActivatedAgain) {
    press(VK_TAB);
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

TEST_F(Windows, ADpiChangeTakesTheSuggestedRectangleAndScalesTheControls) {
    RECT suggested{50, 60, 50 + 800, 60 + 160};
    SendMessageW(window.hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    RECT frame{};
    GetWindowRect(window.hwnd(), &frame);
    EXPECT_TRUE(EqualRect(&frame, &suggested));
    EXPECT_EQ(childRect(control(IDC_COMMAND5)), toPixels(TwipRect{5475, 120, 855, 375}, 144));
    EXPECT_EQ(fontOf(control(IDC_COMMAND3)).lfHeight, -17);
}

// The program's own windows never look like what the sweep closes, and stay
// open while it runs.
TEST_F(Windows, TheSweepLeavesTheProgramsOwnWindowsOpen) {
    form.Timer1.SetEnabled(true);
    const auto looksClosable = [](HWND w) {
        return styleOf(w) == 0x96C80000u || className(w) == L"IEFrame";
    };
    EXPECT_FALSE(looksClosable(window.hwnd()));
    for (const int id : {IDC_COMMAND5, IDC_COMMAND1, IDC_COMMAND2}) {
        bool lived = false;
        ModalWatcher watcher(id == IDC_COMMAND2 ? kDialogClass : L"#32770", id == IDC_COMMAND2 ? L"" : L"Popquell",
                             [&](HWND w) {
                                 EXPECT_FALSE(looksClosable(w)) << id;
                                 std::this_thread::sleep_for(1300ms);  // a sweep tick and more
                                 lived = IsWindowVisible(w);
                                 if (id == IDC_COMMAND2) pressClose(w);
                                 else PostMessageW(w, WM_COMMAND, IDOK, 0);
                             });
        click(id);
        ASSERT_TRUE(watcher.found()) << id;
        EXPECT_TRUE(lived) << id;
    }
    form.Timer1.SetEnabled(false);
}

using TickTimes = std::map<WPARAM, std::vector<SteadyClock::time_point>>;

LRESULT CALLBACK record(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    if (msg == WM_TIMER) (*reinterpret_cast<TickTimes*>(data))[wParam].push_back(SteadyClock::now());
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

// The real timers tick at their own intervals.
TEST_F(Windows, RealTimersTickAtTheirIntervals) {
    TickTimes ticks;
    ASSERT_TRUE(SetWindowSubclass(window.hwnd(), record, 7, reinterpret_cast<DWORD_PTR>(&ticks)));
    form.Timer1.SetEnabled(true);
    form.Timer2.SetEnabled(true);
    pump([&] { return ticks[kIdTimer1].size() >= 3 && ticks[kIdTimer2].size() >= 5; }, 4s);
    form.Timer1.SetEnabled(false);
    form.Timer2.SetEnabled(false);
    RemoveWindowSubclass(window.hwnd(), record, 7);
    for (const auto& [id, expectedMs] : {std::pair{WPARAM{kIdTimer1}, 1000}, std::pair{WPARAM{kIdTimer2}, 500}}) {
        const auto& t = ticks[id];
        ASSERT_GE(t.size(), 3u) << id;
        std::vector<double> gaps;
        for (std::size_t i = 1; i < t.size(); ++i)
            gaps.push_back(std::chrono::duration<double, std::milli>(t[i] - t[i - 1]).count());
        std::sort(gaps.begin(), gaps.end());
        EXPECT_NEAR(gaps[gaps.size() / 2], expectedMs, expectedMs * 0.25) << "Timer" << id;
    }
}

TEST(RealToolkit, TheClockReadsTheLocalTime) {
    Win32Clock clock;
    for (int attempt = 0; attempt < 3; ++attempt) {
        SYSTEMTIME before{};
        GetLocalTime(&before);
        const LocalTime t = clock.now();
        SYSTEMTIME after{};
        GetLocalTime(&after);
        if (before.wSecond != after.wSecond) continue;
        EXPECT_EQ((std::vector<int>{t.year, t.month, t.day, t.weekday, t.hour, t.minute, t.second}),
                  (std::vector<int>{after.wYear, after.wMonth, after.wDay, after.wDayOfWeek, after.wHour,
                                    after.wMinute, after.wSecond}));
        break;
    }
    // The test prefix runs with Wine's default English locale.
    EXPECT_EQ(clock.weekdayName(0), "Sunday");
    EXPECT_EQ(clock.monthAbbrev(12), "Dec");
}

TEST(RealToolkit, TheListBoxKeepsEntriesInOrderWithTheirSignedItemData) {
    unique_hwnd box(CreateWindowExW(0, L"LISTBOX", L"", 0, 0, 0, 100, 50, nullptr, nullptr,
                                    GetModuleHandleW(nullptr), nullptr));
    Win32ListBox list(box.get());
    for (std::int32_t h : {3001, -42, 17}) {
        list.AddItem(std::to_string(h));
        list.SetItemData(list.NewIndex(), h);
    }
    ASSERT_EQ(list.ListCount(), 3);
    EXPECT_EQ((std::vector<std::int32_t>{list.ItemData(0), list.ItemData(1), list.ItemData(2)}),
              (std::vector<std::int32_t>{3001, -42, 17}));
    list.Clear();
    EXPECT_EQ(list.ListCount(), 0);
}

// The owner-drawn face, drawn into a bitmap in each state.
class ButtonFace : public ::testing::Test {
protected:
    static constexpr int kWidth = 81;
    static constexpr int kHeight = 25;

    std::vector<COLORREF> draw(UINT state) {
        const unique_hdc_window screen(nullptr);
        const HDC dc = CreateCompatibleDC(screen.get());
        const unique_hbitmap bitmap(CreateCompatibleBitmap(screen.get(), kWidth, kHeight));
        std::vector<COLORREF> pixels;
        {
            const unique_select_object select(dc, bitmap.get());
            DRAWITEMSTRUCT item{ODT_BUTTON, 1, 0, ODA_DRAWENTIRE, state, button, dc, RECT{0, 0, kWidth, kHeight}, 0};
            drawColorButton(item, kLightBlue);
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < kWidth; ++x) pixels.push_back(GetPixel(dc, x, y));
        }
        DeleteDC(dc);
        return pixels;
    }
    static COLORREF at(const std::vector<COLORREF>& p, int x, int y) { return p[std::size_t(y * kWidth + x)]; }
    // Text pixels in the lower half: the underline, or the feet of the letters.
    static long lowText(const std::vector<COLORREF>& p) {
        long n = 0;
        for (int y = kHeight / 2; y < kHeight - 3; ++y)
            for (int x = 4; x < kWidth - 4; ++x) n += at(p, x, y) == GetSysColor(COLOR_BTNTEXT);
        return n;
    }

    using unique_hbitmap = UniqueHandle<HBITMAP, &deleteGdiObject>;
    WindowClass cls{L"PopquellTestButtonParent"};
    unique_hfont font{createFont(FontSpec{"MS Sans Serif", 825, 700, 0}, 96)};
    unique_hwnd parent{CreateWindowExW(0, cls.name(), L"", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                       GetModuleHandleW(nullptr), nullptr)};
    HWND button = CreateWindowExW(0, L"BUTTON", L"&How to use.", kColorButtonStyle, 10, 10, kWidth, kHeight,
                                  parent.get(), nullptr, GetModuleHandleW(nullptr), nullptr);
};

TEST_F(ButtonFace, IsRaisedInItsColourSunkenWhenPressedAndShowsFocusAndKeysAsTheCuesSay) {
    SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
    const auto plain = draw(0);
    EXPECT_EQ(at(plain, 3, 3), kLightBlue);
    EXPECT_EQ(at(plain, 0, kHeight / 2), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(at(plain, kWidth - 1, kHeight / 2), GetSysColor(COLOR_3DDKSHADOW));

    const auto pressed = draw(ODS_SELECTED);
    EXPECT_EQ(at(pressed, 0, kHeight / 2), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(at(pressed, 1, kHeight / 2), kLightBlue);
    EXPECT_NE(lowText(pressed), lowText(plain)) << "the caption moves down";

    const auto focused = draw(ODS_FOCUS);
    EXPECT_EQ(at(focused, 0, kHeight / 2), RGB(0, 0, 0)) << "the default button's rim";
    EXPECT_NE(at(focused, 4, kHeight / 2), at(plain, 4, kHeight / 2)) << "the focus rectangle";
    EXPECT_NE(draw(ODS_FOCUS | ODS_NOFOCUSRECT), focused);
    EXPECT_GT(lowText(plain), lowText(draw(ODS_NOACCEL))) << "the access key's underline";
}

}  // namespace
}  // namespace popquell::wine
