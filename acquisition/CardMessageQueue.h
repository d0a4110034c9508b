// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "acquisition/CardMessagePoster.h"

#include <cstdint>
#include <deque>

namespace tessary {

class RunControl;

// Holds the card's messages until the host delivers them between passes (the headless
// tool and the tests; the window posts Qt events instead).
class CardMessageQueue final : public CardMessagePoster {
public:
    struct Message {
        std::int64_t Code;
        std::int64_t Param;
    };

    void PostCardMessage(std::int64_t code, std::int64_t param) override;

    // Hands every waiting message, in order, to run.AppWindowProc; messages posted meanwhile
    // wait for the next delivery. Returns the number delivered.
    int DeliverTo(RunControl& run);

    bool Empty() const { return messages_.empty(); }

private:
    std::deque<Message> messages_;
};

} // namespace tessary
