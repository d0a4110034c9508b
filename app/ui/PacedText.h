// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <string>

class QLineEdit;

namespace tessary {

// Writes the newest of a stream of texts into a line edit at most once per interval. A text
// that follows a quieter spell shows at once; one that comes sooner shows when the interval
// has passed, unless a newer one replaces it first. Laying a text out costs tens of
// microseconds, and a fast burst changes its countdown with every fetch, tens of thousands of
// times a second: shown as often as the charts, nobody misses a value.
class PacedText {
public:
    PacedText(QLineEdit& edit, int intervalMs);
    PacedText(const PacedText&) = delete;
    PacedText& operator=(const PacedText&) = delete;

    void Set(const std::string& text);

private:
    void Show();

    QLineEdit& edit_;
    int intervalMs_;
    std::string pending_;
    QElapsedTimer shown_;
    QTimer timer_;
};

} // namespace tessary
