// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The comma-decimal locale that the build generates for the tests (de_DE.UTF-8 under
// TESSARY_TEST_LOCPATH), made the process locale for one test as a desktop program's
// start-up makes it.
#include <clocale>
#include <cstdlib>
#include <string>

namespace tessary::testing {

class CommaLocale {
public:
    CommaLocale() {
        ::setenv("LOCPATH", TESSARY_TEST_LOCPATH, 1);
        active_ = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr &&
                  std::string(std::localeconv()->decimal_point) == ",";
    }
    ~CommaLocale() { std::setlocale(LC_ALL, "C"); }
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

    // False when the locale could not be made: a test must then fail, not pass unseen.
    bool Active() const { return active_; }

private:
    bool active_ = false;
};

} // namespace tessary::testing
