#include "invoicing/documents/invoice_email.h"

#include <QLabel>
#include <QVBoxLayout>
#include <optional>

#include "engine/decimal.h"
#include "invoicing/posting/aging.h"
#include "invoicing/documents/document_buffer.h"
#include "invoicing/documents/document_mail.h"
#include "invoicing/documents/invoice_output_mark.h"
#include "mail/mail_errors.h"
#include "mail/mail_state.h"
#include "platform/cp1252.h"
#include "platform/long_run.h"
#include "platform/message_host.h"
#include "shell/app_context.h"
#include "shell/text.h"

TEMailCheck::TEMailCheck(QWidget* parent) : Form(parent) {
    setObjectName("EMailCheck");
    setWindowTitle("E-Mail Mode");
    Label1 = new QLabel("Checking E-Mail Server...", this);
    Label1->setObjectName("Label1");
    Label1->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    setFixedSize(260, 80);
}

namespace {

constexpr const char* SetupCaption = "E-Mail Mode";

void Refuse(const QString& text) {
    MessageBox(text, SetupCaption, MsgIcon::Warning);
}

}  // namespace

bool CheckEmailSetup() {
    Document().OutputMode = OutputInvoiceMode;
    const CompanyRec& company = Shell().companies.CurrentCompany;
    const QString address = FromCp1252(TrimBlanks(company.get(Company::EmailAddress)));
    const QString host = FromCp1252(TrimBlanks(company.get(Company::SmtpHost)));
    if (address.size() < 2) {
        Refuse(
            "The company's e-mail address is not set up. Please enter it in the company "
            "settings before sending e-mail.");
        return false;
    }
    if (!IsUsableAddress(address)) {
        Refuse(QString("The company's e-mail address \"%1\" cannot be used. Please correct it "
                       "in the company settings.")
                   .arg(address));
        return false;
    }
    if (host.size() < 2) {
        Refuse(
            "The mail server (SMTP host) is not set up. Please enter it in the company "
            "settings before sending e-mail.");
        return false;
    }

    TmsSMTP& smtp = Mail().msSMTP1;
    // A session left open to another server would carry the mail there.
    if (smtp.Connected() && smtp.Server() != host) smtp.Disconnect();
    smtp.SetServer(host);
    TEMailCheck window;
    window.show();
    ProcessPendingMessages();
    try {
        smtp.Connect();
    } catch (const EMailError& e) {
        // Say which server and what failed: refused, not found, no answer in time.
        window.hide();
        if (dynamic_cast<const ETimedOutError*>(&e))
            Refuse(QString("Not Online. The mail server %1 did not answer in time.").arg(host));
        else if (dynamic_cast<const EServerError*>(&e))
            Refuse(QString("Not Online. The mail server %1 refused the session: %2")
                       .arg(host, e.Text()));
        else
            Refuse("Not Online. " + e.Text());
        return false;
    }
    return true;
}

std::vector<std::string> InvoiceEmailLines(const DocumentState& doc, const CompanyRec& company) {
    using namespace Company;
    const DocumentRecord& d = doc.DocumentRecord;
    const MailRules r(company);
    std::vector<std::string> m;

    // The ship-to caption stands over the ship-to column only when there is one.
    const std::string shipTo = company.get(InvoiceShipToCaption);
    AppendMailHead(m, doc, company, {"CREDIT", "** DUPLICATE INVOICE **"}, "INVOICE",
                   TrimBlanks(d.ShipLine1).size() >= 2 ? std::optional<std::string_view>(shipTo)
                                                       : std::nullopt,
                   "Invoice Number: ", "Account Number: ");

    if (d.Kind == "D") {
        m.push_back("Deposit on Account");
    } else if (d.Kind == "T") {
        m.push_back("Deposit on Account - Offset against invoices.");
    } else if (d.Kind == "M") {
        int last = 1;
        for (int i = 1; i <= DocumentMemoLines; ++i)
            if (!TrimBlanks(doc.DocumentLines[i]).empty()) last = i;
        for (int i = 1; i <= last; ++i) m.push_back(doc.DocumentLines[i]);
    } else {
        AppendMailTable(m, doc, company, true, company.get(ExtensionHeading));
    }
    m.push_back(r.ruleOrBlank);

    AppendMailTotalAndTax(m, doc, company);
    m.push_back("Grand Total: " + TrimBlanks(d.TotalAmount));
    m.push_back("Paid Amount: " + TrimBlanks(d.PaidAmount));
    m.push_back("Balance Due: " + TrimBlanks(d.BalanceDue));
    if (TrimBlanks(d.DatePaid).size() > 7) m.push_back("Paid Date: " + d.DatePaid);
    AppendMailNotes(m, doc, company);

    m.push_back(r.ruleOrBlank);
    const std::array<std::string, 4> captions = AgingBucketCaptions(company);
    std::string heads, amounts;
    for (std::size_t k = 0; k < captions.size(); ++k) {
        heads += RightJustify(Columns(PadString(TrimBlanks(captions[k]), ' ', 14), 1, 14), ' ', 15);
        amounts += RightJustify(doc.DocumentAging[k], ' ', 15);
    }
    m.push_back(heads);
    m.push_back(amounts);
    m.push_back("Account Balance: " + TrimBlanks(d.AccountBalance));
    return m;
}

bool EmailInvoiceDocument() {
    const DocumentState& doc = Document();
    const DocumentRecord& d = doc.DocumentRecord;
    const CompanyRec& company = Shell().companies.CurrentCompany;
    if (!SendDocumentMail(InvoiceEmailLines(doc, company),
                          "Invoice - " + FromCp1252(TrimBlanks(d.DocNumber)), d.EMailAddress,
                          BadCustomerAddressSubject))
        return false;
    if (!MarkInvoiceOutput(d.DocNumber, EmailedToday()))
        MessageBox(QString("Invoice %1 was sent, but it could not be marked as e-mailed.")
                       .arg(FromCp1252(TrimBlanks(d.DocNumber))),
                   "E-Mail Invoice", MsgIcon::Information);
    return true;
}
