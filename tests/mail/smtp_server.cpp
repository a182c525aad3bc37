#include "tests/mail/smtp_server.h"

#include <QJsonArray>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTcpSocket>
#include <stdexcept>

SmtpServer::SmtpServer(const QStringList& options) {
    const QString folder = QString::fromStdString(folder_.path().string());
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    process_.start(STOCKMERE_SMTP_PYTHON,
                   QStringList{STOCKMERE_SMTP_SERVER, "--folder", folder} + options);
    // The server prints its port once it listens; a broken set-up must fail, not hang.
    for (int i = 0; i < 100 && !process_.canReadLine(); ++i) {
        if (process_.state() == QProcess::NotRunning) break;
        process_.waitForReadyRead(100);
    }
    const QByteArray line = process_.readLine().trimmed();
    if (!line.startsWith("PORT ")) {
        const QString error = QString::fromLocal8Bit(process_.readAllStandardError());
        stop();
        throw std::runtime_error("SMTP server did not start: " + error.toStdString());
    }
    port_ = static_cast<quint16>(line.mid(5).toUInt());
}

SmtpServer::~SmtpServer() {
    stop();
}

void SmtpServer::stop() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();
    if (!process_.waitForFinished(5000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

QString SmtpServer::server() const {
    return "127.0.0.1:" + QString::number(port_);
}

std::vector<QJsonObject> SmtpServer::messages() const {
    std::vector<QJsonObject> result;
    for (int n = 1;; ++n) {
        QFile file(QString::fromStdString(folder_.file(std::to_string(n) + ".json")));
        if (!file.open(QIODevice::ReadOnly)) break;
        result.push_back(QJsonDocument::fromJson(file.readAll()).object());
    }
    return result;
}

QStringList SmtpServer::sessionLog() const {
    QFile file(QString::fromStdString(folder_.file("session.log")));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

ScriptedPeer::ScriptedPeer(const QByteArray& greeting) : greeting_(greeting) {
    if (!listener_.listen(QHostAddress::LocalHost, 0))
        throw std::runtime_error("cannot listen on loopback");
    QObject::connect(&listener_, &QTcpServer::newConnection, [this] {
        while (QTcpSocket* peer = listener_.nextPendingConnection()) {
            peer->setParent(&listener_);
            QObject::connect(peer, &QTcpSocket::readyRead, peer, [peer] { peer->readAll(); });
            if (!greeting_.isEmpty()) peer->write(greeting_);
        }
    });
}

QString ScriptedPeer::server() const {
    return "127.0.0.1:" + QString::number(listener_.serverPort());
}

quint16 ClosedPort() {
    QTcpServer listener;
    listener.listen(QHostAddress::LocalHost, 0);
    const quint16 port = listener.serverPort();
    listener.close();
    return port;
}

QList<QByteArray> RawLines(const QJsonObject& message) {
    QList<QByteArray> lines =
        QByteArray::fromBase64(message["content"].toString().toLatin1()).split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    for (QByteArray& line : lines)
        if (line.endsWith('\r')) line.chop(1);
    return lines;
}

QStringList BodyLines(const QJsonObject& message) {
    QString body = message["body"].toString();
    body.replace("\r\n", "\n");
    if (body.endsWith('\n')) body.chop(1);
    return body.split('\n');
}

QStringList Recipients(const QJsonObject& message) {
    QStringList result;
    for (const QJsonValue& v : message["rcpt_tos"].toArray()) result << v.toString();
    return result;
}
