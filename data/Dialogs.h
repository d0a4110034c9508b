// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace tessary {

// The kind of a message box sets its caption: "情報", "エラー", "確認", "警告".
enum class MessageKind { Information, Error, Confirmation, Warning };

// Buttons "OK", "はい(&Y)" + "いいえ(&N)".
enum class MessageButtons { Ok, YesNo };

enum class MessageAnswer { Ok, Yes, No };

// Modal message boxes. The window shows real boxes; tests and the headless tool script or
// print them. Texts are UTF-8.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual MessageAnswer Show(MessageKind kind, const std::string& text,
                               MessageButtons buttons) = 0;

    void ShowError(const std::string& text) { Show(MessageKind::Error, text, MessageButtons::Ok); }
    void ShowInformation(const std::string& text) {
        Show(MessageKind::Information, text, MessageButtons::Ok);
    }
    // True for Yes.
    bool Ask(MessageKind kind, const std::string& text) {
        return Show(kind, text, MessageButtons::YesNo) == MessageAnswer::Yes;
    }
};

} // namespace tessary
