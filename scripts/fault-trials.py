#!/usr/bin/env python3
"""Small faults put into the code one at a time, to see which tests catch
them: a test that no fault makes fail proves nothing, and a fault that no
test catches is a hole. Each trial changes one line, rebuilds, runs the
tests that can see it and puts the line back.

    scripts/fault-trials.py [--native] [--wine] [--only ID,ID...]

Native trials build the preset "native" (configure it first); Wine trials
the preset "windows", and run its ctest under Wine (scripts/test.sh sets up
what that needs). Prints one line a trial and ends with the escaped ones;
exit 1 when any escaped.
"""
import argparse
import os
import re
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# (id, file, text, faulty text, where it shows: "native" or "wine")
FAULTS = [
    ("style-superset", "app/Form1.cpp", "if (ws_.GetWindowLongA(h, kGwlStyle) == kPopupStyle)",
     "if ((ws_.GetWindowLongA(h, kGwlStyle) & kPopupStyle) == kPopupStyle)", "native"),
    ("empty-bar-kept", "app/Form1.cpp", "if (k < 1) {", "if (k < 0) {", "native"),
    ("no-second-count", "app/Form1.cpp", "const int k2 = ws_.GetMenuItemCount(ws_.GetMenu(h));",
     "const int k2 = k;", "native"),
    ("close-without-iswindow", "app/Form1.cpp", "if (k2 == 0 && ws_.IsWindow(h) != 0)", "if (k2 == 0)",
     "native"),
    ("close-order", "app/Form1.cpp",
     "    ws_.ShowWindowAsync(h, kSwHide);\n    ws_.PostMessageA(h, kWmClose, 0, 0);",
     "    ws_.PostMessageA(h, kWmClose, 0, 0);\n    ws_.ShowWindowAsync(h, kSwHide);", "native"),
    ("total-caption", "app/Form1.cpp", '"Total: " + std::to_string', '"Total:" + std::to_string', "native"),
    ("topmost-examined", "app/Form1.cpp", "walkTopLevelWindows(ws_.GetWindow(first, kGwHwndNext)",
     "walkTopLevelWindows(first", "native"),
    ("step-limit-low", "app/Form1.cpp", "constexpr int kMaxWalkSteps = 65536;",
     "constexpr int kMaxWalkSteps = 4096;", "native"),
    ("examined-twice", "app/Form1.cpp", "if (seen.insert(h)) visit(h);", "seen.insert(h);\n        visit(h);",
     "native"),
    ("no-time-caption", "app/Form1.cpp", "            timemenu.SetCaption(timeCaption(clock_));\n", "",
     "native"),
    ("count-stops-early", "app/Form1.cpp", "if (totalClose < std::numeric_limits<std::int32_t>::max())",
     "if (totalClose < std::numeric_limits<std::int32_t>::max() - 1)", "native"),
    ("main-window-offered", "app/Form1.cpp", "    if (candidate == window_.hWnd()) return;\n", "", "native"),
    ("hidden-offered", "app/Form1.cpp", "IsWindowVisible(candidate) <= 0", "IsWindowVisible(candidate) < 0",
     "native"),
    ("refusal-leaves-watcher-on", "app/Form1.cpp",
     "            Timer2.SetEnabled(false);\n            boxes_.show(kAlreadySelected",
     "            boxes_.show(kAlreadySelected", "native"),
    ("yes-without-iswindow", "app/Form1.cpp", "        if (ws_.IsWindow(candidate) == 0) {",
     "        if (false) {", "native"),
    ("yes-timer-order", "app/Form1.cpp",
     "        Timer3.SetEnabled(true);\n        Timer2.SetEnabled(false);",
     "        Timer2.SetEnabled(false);\n        Timer3.SetEnabled(true);", "native"),
    ("any-answer-is-no", "app/Form1.cpp", "} else if (answer == kIdNo) {", "} else {", "native"),
    ("item-data-first", "app/Form1.cpp", "List1.SetItemData(List1.NewIndex(), candidate);",
     "List1.SetItemData(0, candidate);", "native"),
    ("wind-down-early", "app/Form1.cpp", "if (gone == List1.ListCount()) {", "if (gone >= 1) {", "native"),
    ("no-reset", "app/Form1.cpp", "        totalClose = 0;\n", "", "native"),
    ("keeper-count", "app/Form1.cpp", "GetMenu(h)) != 2)", "GetMenu(h)) < 2)", "native"),
    ("keeper-one-iswindow", "app/Form1.cpp", "        if (ws_.IsWindow(h) == 0) continue;\n", "", "native"),
    ("keeper-stop-order", "app/Form1.cpp",
     "        Timer1.SetEnabled(false);\n        Timer3.SetEnabled(false);",
     "        Timer3.SetEnabled(false);\n        Timer1.SetEnabled(false);", "native"),
    ("start-no-minimize", "app/Form1.cpp", "        window_.minimize();\n", "", "native"),
    ("ready-caption", "app/Form1.cpp", 'SetCaption("Ready:")', 'SetCaption("Ready")', "native"),
    ("select-order", "app/Form1.cpp", "    Timer2.SetEnabled(true);\n    Timer1.SetEnabled(false);",
     "    Timer1.SetEnabled(false);\n    Timer2.SetEnabled(true);", "native"),
    ("stop-wrong-timer", "app/Form1.cpp", "void Form1::Command4_Click() { Timer1.SetEnabled(false); }",
     "void Form1::Command4_Click() { Timer2.SetEnabled(false); }", "native"),
    ("unload-no-maximize", "app/Form1.cpp", "            ws_.ShowWindow(h, kSwShowMaximized);\n", "",
     "native"),
    ("unload-bar-off-self", "app/Form1.cpp", "if (h != self && ws_.GetMenu(h) == ours)",
     "if (ws_.GetMenu(h) == ours)", "native"),
    ("no-bar-renewal", "app/Form1.cpp", "void Form1::onTimer(int id) {\n    menuBar.keepAlive();",
     "void Form1::onTimer(int id) {", "native"),
    ("time-minute-second", "app/Form1.cpp", "appendPadded(text, t.minute, 2);",
     "appendPadded(text, t.second, 2);", "native"),
    ("time-gap", "app/Form1.cpp", 'text += "    ";', 'text += "   ";', "native"),
    ("menu-position", "app/MenuBar.cpp", "        if (other->visible_) ++position;", "        ++position;",
     "native"),
    ("disabled-timer-ticks", "app/Timer.h", "if (!enabled_ || running_) return;", "if (running_) return;",
     "native"),
    ("class-prefix", "winsys/Module1.cpp", "return classNameOf(ws, h) == kIEFrameW",
     "return classNameOf(ws, h).starts_with(kIEFrameW)", "native"),
    ("instructions-text", "help/Instructions.cpp", "\\r\\n", "\\n", "wine"),
    ("instructions-blanks", "help/Instructions.cpp", "window  you want", "window you want", "wine"),
    ("coalesce-by-kind", "winsys/ForeignCalls.cpp", "return p.window == window && p.kind == kind;",
     "return p.kind == kind;", "native"),
    ("no-backoff", "winsys/ForeignCalls.cpp", "            if (Clock::now() < hung->second) return false;\n",
     "", "native"),
    ("suspects-first", "winsys/ForeignCalls.cpp", "        if (!ready.empty()) {", "        if (false) {",
     "native"),
    ("two-workers-a-lane", "winsys/ForeignCalls.cpp", "if (!lane.served && !lane.queued) {",
     "if (!lane.queued) {", "native"),
    # Faults that only real windows show.
    ("timer-interval", "app/win32/Win32Toolkit.cpp", "static_cast<UINT>(intervalMs)",
     "static_cast<UINT>(intervalMs / 2)", "wine"),
    ("clock-minute-second", "app/win32/Win32Toolkit.cpp", "st.wHour, st.wMinute, st.wSecond}",
     "st.wHour, st.wSecond, st.wMinute}", "wine"),
    ("shift-tab-forward", "app/win32/MainWindow.cpp", "const bool back = (GetKeyState(VK_SHIFT) & 0x8000) != 0;",
     "const bool back = false;", "wine"),
    ("per-window-lanes", "winsys/win32/Win32WindowSystem.cpp", "foreign.post(owner, ",
     "foreign.post(static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(hwnd)), ", "wine"),
    ("no-probe", "winsys/win32/Win32WindowSystem.cpp", "if (!answers(hwnd, patience)) return false;", "",
     "wine"),
    ("back-colour", "app/Layout.h", "kForm1BackColor{128, 128, 255}", "kForm1BackColor{128, 128, 254}", "wine"),
    ("button-caption", "app/Layout.h", '"S&top"', '"&Stop"', "wine"),
    ("form-caption", "app/Layout.h", "Select Window.  Then", "Select Window. Then", "wine"),
    ("dialog-font", "help/Layout.h", 'kDialogTextFont{"Arial", 900, 700, 0}', 'kDialogTextFont{"Arial", 900, 400, 0}',
     "wine"),
    ("list-shown", "app/win32/MainWindow.cpp", 'return {L"LISTBOX", WS_CHILD | WS_TABSTOP',
     'return {L"LISTBOX", WS_CHILD | WS_VISIBLE | WS_TABSTOP', "wine"),
    ("no-dpi-move", "ui/win32/BaseWindow.cpp", "        applyDpi(LOWORD(wParam));\n", "", "wine"),
    ("bar-never-lost", "app/win32/Win32Toolkit.h", "bool lost() override { return !IsMenu(menu_); }",
     "bool lost() override { return false; }", "wine"),
    ("list-inserts-first", "app/win32/Win32Toolkit.cpp", "SendMessageW(hwnd_, LB_ADDSTRING, 0,",
     "SendMessageW(hwnd_, LB_INSERTSTRING, 0,", "wine"),
    ("about-system-modal", "app/Form1.cpp", "boxes_.show(kAboutText, kMbIconInformation, kAppTitle)",
     "boxes_.show(kAboutText, kMbIconInformation | kMbSystemModal, kAppTitle)", "wine"),
    ("pressed-face", "ui/win32/ColorButton.cpp", "    if (pressed) OffsetRect(&textRect, 1, 1);\n", "", "wine"),
    ("dialog-close-face", "help/Layout.h", "kDialogCloseFace{255, 255, 255}", "kDialogCloseFace{255, 255, 254}",
     "wine"),
]


def run(cmd, **kw):
    return subprocess.run(cmd, cwd=ROOT, capture_output=True, text=True, **kw)


def failures(output):
    names = set(re.findall(r"\[  FAILED  \] ([\w./]+)", output))
    names |= {m for m in re.findall(r"\d+ - (\S+) \(Failed", output)}
    return sorted(names)


def trial(fault):
    ident, path, text, faulty, where = fault
    full = os.path.join(ROOT, path)
    source = open(full, encoding="utf-8").read()
    if source.count(text) != 1:
        return "not applicable (the code has changed)"
    open(full, "w", encoding="utf-8").write(source.replace(text, faulty))
    try:
        if where == "native":
            build = run(["cmake", "--build", "--preset", "native", "--target", "unit_tests", "thread_tests"])
            if build.returncode != 0:
                return "caught by the compiler"
            out = ""
            for test in ["build/native/tests/unit_tests", "build/native/tests/thread_tests"]:
                out += run([test, "--gtest_brief=1"], timeout=300).stdout
        else:
            build = run(["cmake", "--build", "--preset", "windows"])
            if build.returncode != 0:
                return "caught by the compiler"
            out = run(["ctest", "--preset", "windows", "--output-on-failure"], timeout=1200).stdout
        caught = failures(out)
        return "caught by " + ", ".join(caught) if caught else "ESCAPED"
    finally:
        open(full, "w", encoding="utf-8").write(source)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--native", action="store_true")
    parser.add_argument("--wine", action="store_true")
    parser.add_argument("--only", default="")
    args = parser.parse_args()
    kinds = {k for k, on in (("native", args.native), ("wine", args.wine)) if on} or {"native", "wine"}
    only = set(filter(None, args.only.split(",")))
    escaped = []
    for fault in FAULTS:
        if fault[4] not in kinds or (only and fault[0] not in only):
            continue
        verdict = trial(fault)
        print(f"{fault[0]:28} {verdict}", flush=True)
        if verdict == "ESCAPED":
            escaped.append(fault[0])
    print(f"{len(escaped)} escaped" + (": " + ", ".join(escaped) if escaped else ""))
    return 1 if escaped else 0


if __name__ == "__main__":
    sys.exit(main())
