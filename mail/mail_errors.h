#pragma once
// The mail transport's errors. They derive from the application's error type, so a command
// that does not catch them ends with their text in a message box.

#include <QString>

#include "platform/application.h"

class EMailError : public AppError {
public:
    using AppError::AppError;
};

// The server answered with a reply of the wrong class; the text is the server's reply.
class EServerError : public EMailError {
public:
    EServerError(int replyCode, const QString& reply);
    int ReplyCode() const { return replyCode_; }

private:
    int replyCode_;
};

// The connection could not be made, broke, or the server setting is unusable.
class ESocketError : public EMailError {
public:
    using EMailError::EMailError;
};

class ETimedOutError : public EMailError {
public:
    ETimedOutError();
};

class ECanceledError : public EMailError {
public:
    ECanceledError();
};

// The message cannot be sent as it stands (no sender, no recipient, an unusable address).
class EMessageError : public EMailError {
public:
    using EMailError::EMailError;
};
