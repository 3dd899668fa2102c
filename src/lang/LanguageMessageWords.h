#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "lang/Languages.h"

namespace corvalin {

enum class MessageKind { Warning, Error, Information, Confirmation };
enum class MessageButton { Yes, No, OK, Cancel, Abort, Retry, Ignore, All, NoToAll, YesToAll, Help };

// Keys of the dialog-caption rows that name a message box's title and buttons.
std::string_view MessageKindWord(MessageKind kind);
std::string_view MessageButtonWord(MessageButton button);

// Title and button labels of a message box in the window's current language. A word without a
// text in that language shows as the box would without translation: in English, the language
// every window is designed in (and as its key when even that is missing).
struct TranslatedMessageWords {
    std::string title;
    std::vector<std::string> buttons;  // one per requested button, same order
};
TranslatedMessageWords TranslateMessageWords(const WindowTexts& texts, MessageKind kind,
                                             std::span<const MessageButton> buttons);

}  // namespace corvalin
