#pragma once
// The one SMTP session and the one message that every sender fills and sends. The
// application uses the one built in; a test installs a fresh pair with MailStateScope.

#include <memory>

#include "mail/mail_message.h"
#include "mail/smtp_client.h"

struct MailState {
    MailState() { msSMTP1.SetMailMessage(&msMessage1); }
    MailState(const MailState&) = delete;
    MailState& operator=(const MailState&) = delete;

    TmsMessage msMessage1;
    TmsSMTP msSMTP1;
};

MailState& Mail();

class MailStateScope {
public:
    MailStateScope();
    ~MailStateScope();
    MailStateScope(const MailStateScope&) = delete;
    MailStateScope& operator=(const MailStateScope&) = delete;
    MailState& state() { return *state_; }

private:
    std::unique_ptr<MailState> state_;
    MailState* previous_;
};
