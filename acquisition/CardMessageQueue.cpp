// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/CardMessageQueue.h"

#include "acquisition/RunControl.h"

namespace tessary {

void CardMessageQueue::PostCardMessage(std::int64_t code, std::int64_t param) {
    messages_.push_back({code, param});
}

int CardMessageQueue::DeliverTo(RunControl& run) {
    std::deque<Message> waiting;
    waiting.swap(messages_);
    int delivered = 0;
    for (const Message& message : waiting) {
        run.AppWindowProc(message.Code, message.Param);
        ++delivered;
    }
    return delivered;
}

} // namespace tessary
