#include "lang/LanguageMessageWords.h"

namespace corvalin {

std::string_view MessageKindWord(MessageKind kind) {
    switch (kind) {
        case MessageKind::Warning:
            return "Warning";
        case MessageKind::Error:
            return "Error";
        case MessageKind::Information:
            return "Information";
        case MessageKind::Confirmation:
            return "Confirm";
    }
    return {};
}

std::string_view MessageButtonWord(MessageButton button) {
    switch (button) {
        case MessageButton::Yes:
            return "Yes";
        case MessageButton::No:
            return "No";
        case MessageButton::OK:
            return "OK";
        case MessageButton::Cancel:
            return "Cancel";
        case MessageButton::Abort:
            return "Abort";
        case MessageButton::Retry:
            return "Retry";
        case MessageButton::Ignore:
            return "Ignore";
        case MessageButton::All:
            return "All";
        case MessageButton::NoToAll:
            return "No To All";
        case MessageButton::YesToAll:
            return "Yes To All";
        case MessageButton::Help:
            return "Help";
    }
    return {};
}

namespace {

std::string WordToShow(const WindowTexts& texts, std::string_view word) {
    const std::string_view english = texts.Table().Text(LanguageSection::DialogCaption, word, kEnglish);
    return TextToShow(TextToShow(word, english), texts.DialogCaption(word));
}

}  // namespace

TranslatedMessageWords TranslateMessageWords(const WindowTexts& texts, MessageKind kind,
                                             std::span<const MessageButton> buttons) {
    TranslatedMessageWords words{WordToShow(texts, MessageKindWord(kind)), {}};
    for (MessageButton button : buttons) {
        words.buttons.push_back(WordToShow(texts, MessageButtonWord(button)));
    }
    return words;
}

}  // namespace corvalin
