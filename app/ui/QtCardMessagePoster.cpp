// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/QtCardMessagePoster.h"

#include "app/ui/CardMessageEvent.h"

#include <QCoreApplication>

namespace tessary {

void QtCardMessagePoster::PostCardMessage(std::int64_t code, std::int64_t param) {
    QCoreApplication::postEvent(QCoreApplication::instance(), new CardMessageEvent(code, param));
}

} // namespace tessary
