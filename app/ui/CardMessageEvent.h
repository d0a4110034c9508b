// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "acquisition/CardMessagePoster.h"

#include <QEvent>

#include <cstdint>

namespace tessary {

// The card library's message as a Qt event posted to the application object.
class CardMessageEvent final : public QEvent {
public:
    static constexpr QEvent::Type EventType = static_cast<QEvent::Type>(CardMessage);

    CardMessageEvent(std::int64_t code, std::int64_t param)
        : QEvent(EventType), Code(code), Param(param) {}

    const std::int64_t Code;
    const std::int64_t Param;
};

} // namespace tessary
