// Apart from the rest of the text helpers, so that a program that reads no
// command line does not import shell32 for it.

#include "ui/win32/Text.h"

#include <shellapi.h>

namespace popquell {

std::vector<std::wstring> commandLineArguments() {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) return {};
    std::vector<std::wstring> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    LocalFree(argv);
    return args;
}

}  // namespace popquell
