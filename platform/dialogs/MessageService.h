#pragma once

#include <deque>
#include <string>
#include <vector>

namespace quorvel::platform {

// The button sets and icons of the program's message boxes.
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };
enum class MsgIcon { None, Information, Warning, Critical, Question };
enum class MsgAnswer { Ok, Cancel, Yes, No, Retry, Abort, Ignore };

// The one way the program shows a modal message box. The window program puts a
// Qt implementation in place; tests put a scripted one; command-line tools keep
// the default, which writes the text to standard error.
class MessageService {
public:
    virtual ~MessageService() = default;
    virtual MsgAnswer show(const std::string& text, MsgButtons buttons, MsgIcon icon, const std::string& caption) = 0;
};

// The caption of every message box that names no other.
inline constexpr const char* kProgramTitle = "Quorvel";

MessageService& messages();
// Replaces the service in use; nullptr restores the standard-error default.
void setMessageService(MessageService* service);

// Shows a message box with the program's title as caption.
MsgAnswer msgBox(const std::string& text, MsgButtons buttons = MsgButtons::Ok, MsgIcon icon = MsgIcon::None);

// Writes each message to standard error. With no one there to answer, a
// question is refused (Cancel, No, Abort): nothing is deleted, replaced or
// discarded on a guess; a notice with OK alone is answered OK.
class StderrMessageService : public MessageService {
public:
    MsgAnswer show(const std::string& text, MsgButtons buttons, MsgIcon icon, const std::string& caption) override;
};

// Records every message shown and answers from a script. With the script used
// up it answers with the first button of the set (Ok, Yes, Retry or Abort), as
// pressing Enter on the box would.
class ScriptedMessageService : public MessageService {
public:
    struct Shown {
        std::string text;
        MsgButtons buttons;
        MsgIcon icon;
        std::string caption;
    };

    MsgAnswer show(const std::string& text, MsgButtons buttons, MsgIcon icon, const std::string& caption) override;

    void setNextAnswer(MsgAnswer answer) { answers_.push_back(answer); }
    const std::vector<Shown>& shown() const { return shown_; }
    void clear() {
        shown_.clear();
        answers_.clear();
    }

private:
    std::vector<Shown> shown_;
    std::deque<MsgAnswer> answers_;
};

// Puts a scripted service in place for the life of a scope (a test).
class ScopedScriptedMessages : public ScriptedMessageService {
public:
    ScopedScriptedMessages() { setMessageService(this); }
    ~ScopedScriptedMessages() override { setMessageService(nullptr); }
    ScopedScriptedMessages(const ScopedScriptedMessages&) = delete;
    ScopedScriptedMessages& operator=(const ScopedScriptedMessages&) = delete;
};

MsgAnswer defaultAnswer(MsgButtons buttons);
// The answer that lets nothing happen: Ok for a notice, else Cancel, No or Abort.
MsgAnswer refusingAnswer(MsgButtons buttons);

}  // namespace quorvel::platform
