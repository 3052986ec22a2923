#include "platform/dialogs/MessageService.h"

#include <iostream>

namespace quorvel::platform {

namespace {
StderrMessageService stderrService;
MessageService* current = &stderrService;
}  // namespace

MessageService& messages() {
    return *current;
}

void setMessageService(MessageService* service) {
    current = service ? service : &stderrService;
}

MsgAnswer msgBox(const std::string& text, MsgButtons buttons, MsgIcon icon) {
    return messages().show(text, buttons, icon, kProgramTitle);
}

MsgAnswer defaultAnswer(MsgButtons buttons) {
    switch (buttons) {
        case MsgButtons::Ok:
        case MsgButtons::OkCancel:
            return MsgAnswer::Ok;
        case MsgButtons::YesNo:
        case MsgButtons::YesNoCancel:
            return MsgAnswer::Yes;
        case MsgButtons::RetryCancel:
            return MsgAnswer::Retry;
        case MsgButtons::AbortRetryIgnore:
            return MsgAnswer::Abort;
    }
    return MsgAnswer::Ok;
}

MsgAnswer refusingAnswer(MsgButtons buttons) {
    switch (buttons) {
        case MsgButtons::Ok:
            return MsgAnswer::Ok;
        case MsgButtons::YesNo:
            return MsgAnswer::No;
        case MsgButtons::AbortRetryIgnore:
            return MsgAnswer::Abort;
        case MsgButtons::OkCancel:
        case MsgButtons::YesNoCancel:
        case MsgButtons::RetryCancel:
            return MsgAnswer::Cancel;
    }
    return MsgAnswer::Cancel;
}

MsgAnswer StderrMessageService::show(const std::string& text, MsgButtons buttons, MsgIcon, const std::string& caption) {
    std::string plain;
    plain.reserve(text.size());
    for (char c : text) {
        if (c != '\r') {
            plain += c;
        }
    }
    std::cerr << caption << ": " << plain << std::endl;
    return refusingAnswer(buttons);
}

MsgAnswer ScriptedMessageService::show(const std::string& text, MsgButtons buttons, MsgIcon icon,
                                       const std::string& caption) {
    shown_.push_back({text, buttons, icon, caption});
    if (answers_.empty()) {
        return defaultAnswer(buttons);
    }
    MsgAnswer answer = answers_.front();
    answers_.pop_front();
    return answer;
}

}  // namespace quorvel::platform
