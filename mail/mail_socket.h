#pragma once
// TagSocket, the mail transport's socket (unit agsocket).
// A client socket whose every wait ends: with the event awaited, at the time-out, on
// Cancel, or on a socket error. A wait runs paint, timer and socket events through the
// application's event loop but never user input, so windows repaint and no command starts
// inside the one that waits.

#include <QByteArray>
#include <QHostAddress>
#include <QString>
#include <functional>
#include <memory>

class QEventLoop;
class QTcpSocket;

class TagSocket {
public:
    static constexpr int DefaultTimeOut = 60000;

    TagSocket();
    virtual ~TagSocket();
    TagSocket(const TagSocket&) = delete;
    TagSocket& operator=(const TagSocket&) = delete;

    // Milliseconds that one wait (connecting, writing, one line of a reply) may take.
    int TimeOut() const { return timeOut_; }
    void SetTimeOut(int milliseconds);

    bool Connected() const;

    // Ends the wait in progress with ECanceledError; does nothing while no wait runs.
    void Cancel();

    // Connects; ESocketError, ETimedOutError or ECanceledError on failure.
    void Open(const QString& host, quint16 port);
    // Drops the connection at once.
    void Close();
    // Returns once every byte is handed to the network.
    void WriteBytes(const QByteArray& data);
    // One line without its line end (CR LF, or a bare LF from lenient servers).
    QByteArray ReadLine();

    QHostAddress LocalAddress() const;

private:
    // Waits until done() holds. A wait that fails closes the socket: after a time-out or a
    // cancel a late answer could otherwise be taken for the answer to the next request.
    void Wait(const std::function<bool()>& done);
    [[noreturn]] void FailConnection();

    std::unique_ptr<QTcpSocket> socket_;
    QString peer_;  // host:port, for messages
    int timeOut_ = DefaultTimeOut;
    QEventLoop* waiting_ = nullptr;
    bool canceled_ = false;
};
