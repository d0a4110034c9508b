// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace tessary {

// The message number under which the card library reports its events.
inline constexpr int CardMessage = 6078;

// Card event codes carried in the message's first parameter; any other code is an abnormal end.
inline constexpr std::int64_t CardEventRunning = 1;
inline constexpr std::int64_t CardEventOverflow = 2;
inline constexpr std::int64_t CardEventFinished = 128; // second parameter: the scans converted

// Where the card library posts its message: the "window" handed to the card's calls. The host
// never delivers a message from inside a card call; it queues it and hands it to
// RunControl::AppWindowProc between passes (the window as a posted Qt event of type
// CardMessage, the headless tool and the tests through a CardMessageQueue).
class CardMessagePoster {
public:
    virtual ~CardMessagePoster() = default;
    virtual void PostCardMessage(std::int64_t code, std::int64_t param) = 0;
};

} // namespace tessary
