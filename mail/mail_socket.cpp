#include "mail/mail_socket.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>

#include "mail/mail_errors.h"
#include "platform/scope_guard.h"

namespace {
// SMTP allows 512 bytes a reply line; a server sending far more without a line end is broken.
constexpr qint64 MaxLineLength = 8192;
}  // namespace

TagSocket::TagSocket() = default;

TagSocket::~TagSocket() = default;

void TagSocket::SetTimeOut(int milliseconds) {
    timeOut_ = std::max(1, milliseconds);
}

bool TagSocket::Connected() const {
    return socket_ && socket_->state() == QAbstractSocket::ConnectedState;
}

void TagSocket::Cancel() {
    if (!waiting_) return;
    canceled_ = true;
    waiting_->quit();
}

QHostAddress TagSocket::LocalAddress() const {
    return socket_ ? socket_->localAddress() : QHostAddress();
}

void TagSocket::Open(const QString& host, quint16 port) {
    Close();
    peer_ = host + ":" + QString::number(port);
    socket_ = std::make_unique<QTcpSocket>();
    socket_->connectToHost(host, port);
    Wait([this] { return socket_->state() == QAbstractSocket::ConnectedState; });
}

void TagSocket::Close() {
    if (!socket_) return;
    socket_->abort();
    socket_.reset();
}

void TagSocket::WriteBytes(const QByteArray& data) {
    if (!Connected()) FailConnection();
    if (socket_->write(data) != data.size()) FailConnection();
    Wait([this] { return socket_->bytesToWrite() == 0; });
}

QByteArray TagSocket::ReadLine() {
    if (!socket_) FailConnection();
    Wait([this] {
        if (socket_->canReadLine()) return true;
        if (socket_->bytesAvailable() > MaxLineLength) {
            Close();
            throw ESocketError(
                QString("The mail server at %1 sent a line that is too long.").arg(peer_));
        }
        return false;
    });
    QByteArray line = socket_->readLine();
    while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
    return line;
}

void TagSocket::FailConnection() {
    const QString reason = socket_ && socket_->error() != QAbstractSocket::UnknownSocketError
                               ? socket_->errorString()
                               : QString("The connection is closed");
    Close();
    throw ESocketError(QString("Mail server %1: %2.").arg(peer_, reason));
}

void TagSocket::Wait(const std::function<bool()>& done) {
    // A second wait inside this one (a timer starting another send) would interleave two
    // conversations on one connection.
    if (waiting_) throw ESocketError("The mail connection is busy.");
    const QDeadlineTimer deadline(timeOut_);
    for (;;) {
        if (!socket_) FailConnection();
        if (done()) return;
        if (socket_->state() == QAbstractSocket::UnconnectedState) FailConnection();
        if (deadline.hasExpired()) {
            Close();
            throw ETimedOutError();
        }
        QEventLoop loop;
        QTcpSocket* const s = socket_.get();
        QObject::connect(s, &QTcpSocket::readyRead, &loop, &QEventLoop::quit);
        QObject::connect(s, &QTcpSocket::bytesWritten, &loop, &QEventLoop::quit);
        QObject::connect(s, &QTcpSocket::stateChanged, &loop, &QEventLoop::quit);
        QObject::connect(s, &QTcpSocket::errorOccurred, &loop, &QEventLoop::quit);
        QTimer timer;
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        timer.start(std::max<qint64>(1, deadline.remainingTime()));
        {
            waiting_ = &loop;
            const ScopeExit notWaiting([this] { waiting_ = nullptr; });
            loop.exec(QEventLoop::ExcludeUserInputEvents);
        }
        if (canceled_) {
            canceled_ = false;
            Close();
            throw ECanceledError();
        }
    }
}
