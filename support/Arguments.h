#pragma once

// The command lines of the demo and benchmark programs, read in one place:
// words ("floor", "--paused") and "--name value" options, in any order.

#include <cstdio>
#include <cwchar>
#include <string>
#include <type_traits>
#include <vector>

#include "ui/win32/Text.h"

namespace popquell {

class Arguments {
public:
    Arguments() : args_(commandLineArguments()), used_(args_.size()) {}

    // Whether the word was given.
    bool flag(const wchar_t* word) {
        bool found = false;
        for (std::size_t i = 0; i < args_.size(); ++i)
            if (!used_[i] && args_[i] == word) found = used_[i] = true;
        return found;
    }

    // The value after name, when given; the last one counts.
    bool text(const wchar_t* name, std::wstring& value) {
        bool found = false;
        for (std::size_t i = 0; i + 1 < args_.size(); ++i) {
            if (used_[i] || args_[i] != name) continue;
            used_[i] = used_[i + 1] = found = true;
            value = args_[++i];
        }
        return found;
    }

    // A whole decimal number after name; anything else is a bad argument.
    template <typename Number>
    bool number(const wchar_t* name, Number& value) {
        std::wstring t;
        if (!text(name, t)) return false;
        wchar_t* end = nullptr;
        const long long n = std::wcstoll(t.c_str(), &end, 10);
        if (t.empty() || *end || (std::is_unsigned_v<Number> && n < 0)) {
            bad_ = name;
            return false;
        }
        value = static_cast<Number>(n);
        return true;
    }

    // True when every argument was read and each value was good; else says
    // which was not on stderr.
    bool allRead(const char* program) const {
        for (std::size_t i = 0; i < args_.size() && bad_.empty(); ++i)
            if (!used_[i]) {
                std::fprintf(stderr, "%s: unknown argument %ls\n", program, args_[i].c_str());
                return false;
            }
        if (!bad_.empty()) std::fprintf(stderr, "%s: %ls takes a number\n", program, bad_.c_str());
        return bad_.empty();
    }

private:
    std::vector<std::wstring> args_;
    std::vector<bool> used_;
    std::wstring bad_;
};

}  // namespace popquell
