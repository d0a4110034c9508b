// SPDX-License-Identifier: GPL-3.0-or-later
// Numbers per second of the general-format writer against snprintf("%.7G") on the same
// values: recorded engineering values (mostly whole numbers) and arbitrary reals.
#include "data/GeneralFormat.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

namespace {

template <typename F> double NumbersPerSecond(const std::vector<double>& values, F&& format) {
    using Clock = std::chrono::steady_clock;
    std::size_t sink = 0;
    const auto start = Clock::now();
    int rounds = 0;
    double elapsed = 0;
    do {
        for (const double v : values) {
            sink += format(v);
        }
        ++rounds;
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    } while (elapsed < 0.5);
    if (sink == 0) {
        std::puts("(no output)");
    }
    return static_cast<double>(values.size()) * rounds / elapsed;
}

void Compare(const char* name, const std::vector<double>& values) {
    char buf[64];
    const double ours = NumbersPerSecond(values, [&](double v) {
        return static_cast<std::size_t>(tessary::FormatGeneralTo(buf, v, 7) - buf);
    });
    const double printf = NumbersPerSecond(values, [&](double v) {
        return static_cast<std::size_t>(std::snprintf(buf, sizeof buf, "%.7G", v));
    });
    std::printf("%-28s FormatGeneral %7.1f M/s   snprintf %%.7G %7.1f M/s   ratio %.2fx\n", name,
                ours / 1e6, printf / 1e6, ours / printf);
}

} // namespace

int main() {
    std::mt19937 rng(42);
    std::uniform_int_distribution<int> samples(-10000, 10000);
    std::uniform_real_distribution<double> reals(-1e4, 1e4);
    std::uniform_real_distribution<float> coef(0.001f, 2.0f);

    std::vector<double> integral(100000);
    std::vector<double> scaled(100000);
    std::vector<double> arbitrary(100000);
    const float a = coef(rng);
    for (std::size_t i = 0; i < integral.size(); ++i) {
        integral[i] = samples(rng);
        scaled[i] = static_cast<double>(static_cast<long double>(a) * samples(rng) + 0.5L);
        arbitrary[i] = reals(rng) * std::pow(10.0, samples(rng) % 12);
    }
    Compare("whole numbers (A=1, B=0)", integral);
    Compare("scaled samples (A·X + B)", scaled);
    Compare("arbitrary reals", arbitrary);
    return 0;
}
