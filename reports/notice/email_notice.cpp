#include "reports/notice/email_notice.h"

#include "mail/mail_errors.h"
#include "mail/mail_state.h"
#include "masters/party_rec.h"
#include "platform/cp1252.h"
#include "shell/text.h"

std::optional<NoticeRefusal> CheckNoticeForm(const NoticeForm& form, std::size_t queueRows) {
    const QString returnAddress = form.returnAddress.trimmed();
    if (form.subject.trimmed().isEmpty())
        return NoticeRefusal{"You need an e-mail subject line.", "E-Mail Subject",
                             MsgIcon::Information, NoticeField::Subject};
    if (returnAddress.isEmpty())
        return NoticeRefusal{"You need a return e-mail address.", "E-Mail Address",
                             MsgIcon::Information, NoticeField::ReturnAddress};
    if (!returnAddress.contains('@'))
        return NoticeRefusal{
            "The return e-mail address does not have the @ sign included. Bad "
            "e-mail address.",
            "Return E-Mail Address", MsgIcon::Warning, NoticeField::ReturnAddress};
    // Every message of the run would be refused by the mail transport for it.
    if (!IsUsableAddress(returnAddress))
        return NoticeRefusal{
            "The return e-mail address cannot be used: it may hold no blanks, "
            "no characters other than plain letters, digits and signs, and none "
            "of < > , ;. Bad e-mail address.",
            "Return E-Mail Address", MsgIcon::Warning, NoticeField::ReturnAddress};
    // A body of blanks and empty lines is no message to send to every customer.
    if (form.body.trimmed().isEmpty())
        return NoticeRefusal{"You have not entered a message to send.", "Message Text",
                             MsgIcon::Information, NoticeField::Body};
    if (queueRows == 0)
        return NoticeRefusal{
            "You do not have any customers selected (listed) in the print queue. "
            "Select the Queue button to add customers to the queue.",
            "Print Queue", MsgIcon::Information, NoticeField::None};
    return std::nullopt;
}

bool UsableNoticeAddress(std::string_view address) {
    const std::string trimmed = TrimBlanks(address);
    // An address the transport would refuse would end the whole run at its row; it goes the
    // way of every other bad address instead.
    return trimmed.size() > 1 && trimmed.find('@') != std::string::npos &&
           IsUsableAddress(FromCp1252(trimmed));
}

namespace {

template <class Fields, class Rec>
NoticeMail PlanFor(const Rec& party, const char* badSubject, const NoticeSettings& settings) {
    const std::string address = TrimBlanks(party.get(Fields::Email));
    if (address.empty() && !settings.includeWithoutAddress)
        return {NoticeMail::Action::Empty, {}, {}};
    if (UsableNoticeAddress(address))
        return {NoticeMail::Action::Send, settings.subject, FromCp1252(address)};
    return {NoticeMail::Action::Send, badSubject + FromCp1252(TrimBlanks(party.get(Fields::Name))),
            settings.companyAddress};
}

}  // namespace

NoticeMail PlanNotice(const QueueRecord& record, const NoticeSettings& settings) {
    if (const auto* customer = std::get_if<CustomerRec>(&record))
        return PlanFor<Customer>(*customer, "BAD CUSTOMER E-MAIL FOR: ", settings);
    if (const auto* vendor = std::get_if<VendorRec>(&record))
        return PlanFor<Vendor>(*vendor, "BAD VENDOR E-MAIL FOR: ", settings);
    return {};
}

NoticeOutcome SendNotices(const std::vector<QueueRecord>& records, const NoticeSettings& settings,
                          const QStringList& body, const QString& sender,
                          const std::function<void(int sent)>& afterRow) {
    TmsSMTP& smtp = Mail().msSMTP1;
    TmsMessage& message = Mail().msMessage1;
    message.Body = body;
    message.Sender = {sender, {}};
    NoticeOutcome outcome;
    for (const QueueRecord& record : records) {
        // Sending would quietly open a new session; a lost one ends the run instead.
        if (!smtp.Connected()) {
            outcome.connectionLost = true;
            break;
        }
        const NoticeMail mail = PlanNotice(record, settings);
        message.Recipients.Clear();
        if (mail.action == NoticeMail::Action::Empty) {
            ++outcome.empty;
        } else if (mail.action == NoticeMail::Action::Send) {
            message.SetSubject(mail.subject);
            message.Recipients.Add(mail.recipient, {});
            try {
                smtp.Send();
            } catch (const EMailError& error) {
                outcome.error = error.Text();
                break;
            }
            ++outcome.sent;
        }
        if (afterRow) afterRow(outcome.sent);
    }
    return outcome;
}

QString EmptyAddressesText(int empty) {
    return "There were " + QString::number(empty) +
           " empty customer e-mail addresses. The customers were not sent your message.";
}

QString NoticesSentText(int sent) {
    return "There were " + QString::number(sent) + " e-mail messages sent.";
}

QString ConnectionLostText(int sent) {
    return "The connection to the mail server was lost. " + NoticesSentText(sent) +
           " The rest of the print queue was not sent your message.";
}

QString SendErrorText(const QString& error, int sent) {
    return error + "\n\n" + NoticesSentText(sent) +
           " The rest of the print queue was not sent your message.";
}
