#pragma once
// TmsMessage, the mail message (unit msmsg).
// The mail message: sender, recipients, subject and body lines, and its encoding as the
// text that travels after DATA.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <vector>

struct TmsMailAddress {
    QString Address;
    QString Name;
};

class TmsAddressList {
public:
    static constexpr int MaxLength = 255;

    void Clear() { items_.clear(); }
    // Appends one address; address and name are each cut to MaxLength characters.
    void Add(const QString& address, const QString& name = {});
    int Count() const { return static_cast<int>(items_.size()); }
    const TmsMailAddress& Items(int index) const { return items_.at(index); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    std::vector<TmsMailAddress> items_;
};

class TmsCustomMessage {
public:
    static constexpr int MaxSubject = 255;

    QStringList Body;
    TmsMailAddress Sender;

    const QString& Subject() const { return subject_; }
    // A subject is one line: CR and LF are dropped, then it is cut to MaxSubject characters.
    void SetSubject(const QString& subject);

private:
    QString subject_;
};

class TmsMessage : public TmsCustomMessage {
public:
    TmsAddressList Recipients;

    // EMessageError when there is no sender address, no recipient, or an address that
    // cannot be used.
    void CheckSendable() const;
    // Headers and body with CR LF line ends, before dot-stuffing.
    QByteArray Encoded(const QDateTime& date = QDateTime::currentDateTime()) const;
};

// An address that can go into an envelope and a header as it stands: not empty, printable
// ASCII, and none of blank, "<", ">", "," or ";".
bool IsUsableAddress(const QString& address);
