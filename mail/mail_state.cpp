#include "mail/mail_state.h"

namespace {
MailState* current = nullptr;
}

MailState& Mail() {
    static MailState application;
    return current ? *current : application;
}

MailStateScope::MailStateScope() : state_(std::make_unique<MailState>()), previous_(current) {
    current = state_.get();
}

MailStateScope::~MailStateScope() {
    current = previous_;
}
