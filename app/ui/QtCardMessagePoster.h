// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "acquisition/CardMessagePoster.h"

namespace tessary {

// Posts the card library's messages to the application object as CardMessageEvents, so they
// arrive between passes of the run like any other event.
class QtCardMessagePoster final : public CardMessagePoster {
public:
    void PostCardMessage(std::int64_t code, std::int64_t param) override;
};

} // namespace tessary
