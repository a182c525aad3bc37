#include "mail/mail_errors.h"

EServerError::EServerError(int replyCode, const QString& reply)
    : EMailError(reply), replyCode_(replyCode) {}

ETimedOutError::ETimedOutError() : EMailError("Operation timed out") {}

ECanceledError::ECanceledError() : EMailError("Operation has been canceled") {}
