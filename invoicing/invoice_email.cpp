#include "invoicing/invoice_email.h"

#include <QLabel>
#include <QVBoxLayout>
#include <optional>

#include "engine/decimal.h"
#include "invoicing/aging.h"
#include "invoicing/document_buffer.h"
#include "invoicing/invoice_output.h"
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
    } catch (const EMailError&) {
        window.hide();
        Refuse("Not Online");
        return false;
    }
    return true;
}

namespace {

const std::string Rule(82, '-');

std::string Cut(std::string_view text, int width) {
    return Columns(PadString(text, ' ', width), 1, width);
}

std::string LineForMail(const std::string& line) {
    std::string out = PadString(TrimBlanks(Columns(line, 1, 10)), ' ', 10) + ' ';
    out += RightJustify(Columns(line, 11, 22), ' ', 10) + ' ';
    out += PadString(TrimBlanks(Columns(line, 23, 54)), ' ', 32) + ' ';
    out += RightJustify(FormatAsTyped(Columns(line, 55, 66)), ' ', 11) + ' ';
    const std::string tax = Columns(line, 68, 68);
    out += (tax.empty() ? std::string(" ") : tax) + ' ';
    const std::string extension = TrimBlanks(Columns(line, 70, 81));
    out += RightJustify(extension.empty() ? std::string() : FormatAmount(extension), ' ', 12);
    return out;
}

}  // namespace

std::vector<std::string> InvoiceEmailLines(const DocumentState& doc, const CompanyRec& company) {
    using namespace Company;
    const DocumentRecord& d = doc.DocumentRecord;
    const bool rules = TrimBlanks(company.get(EmailRules)) == "Y";
    const std::string ruleOrBlank = rules ? Rule : " ";
    std::vector<std::string> m;

    const std::optional<Decimal> total = Decimal::Parse(StripCommas(d.TotalAmount));
    if (total && total->isNegative()) m.insert(m.end(), {"CREDIT", " "});
    if (d.PrintedFlag == "Y" && company.get(PrintDuplicate)) m.push_back("** DUPLICATE INVOICE **");
    m.push_back(" ");
    m.push_back(company.get(Name) + RightJustify("INVOICE", ' ', 35));
    for (const Text& line : {Address[0], Address[1], Address[2], Address[3], ExtraAddress})
        if (!TrimBlanks(company.get(line)).empty()) m.push_back(company.get(line));
    m.push_back(ruleOrBlank);

    const bool shipTo = TrimBlanks(d.ShipLine1).size() >= 2;
    m.push_back(shipTo ? PadString(d.AddrLine1, ' ', 38) +
                             TrimBlanks(company.get(InvoiceShipToCaption))
                       : d.AddrLine1);
    for (int k = 2; k <= 5; ++k) m.push_back(PadString(d.AddrLine(k), ' ', 38) + d.ShipLine(k - 1));
    m.push_back(ruleOrBlank);

    m.push_back("Date: " + TrimBlanks(d.DocDate));
    m.push_back("Invoice Number: " + TrimBlanks(d.DocNumber));
    m.push_back("Account Number: " + TrimBlanks(d.AccountNo));
    m.push_back("Payment Terms: " + d.Terms);
    m.push_back("Reference: " + d.Reference);
    m.push_back(ruleOrBlank);

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
        m.push_back(Cut(TrimBlanks(company.get(CodeHeading)), 10) + ' ' +
                    Cut(TrimBlanks(company.get(QuantityHeading)), 10) + ' ' +
                    Cut(TrimBlanks(company.get(DescriptionHeading)), 32) + ' ' +
                    Cut(TrimBlanks(company.get(UnitCostHeading)), 11) + " T " +
                    RightJustify(Cut(TrimBlanks(company.get(ExtensionHeading)), 12), ' ', 12));
        m.push_back(
            "---------- ---------- -------------------------------- ----------- - ------------");
        for (int i = 1; i <= DocumentLineCount; ++i)
            if (IsShownLine(doc.DocumentLines[i])) m.push_back(LineForMail(doc.DocumentLines[i]));
    }
    m.push_back(ruleOrBlank);

    m.push_back("Total: " + TrimBlanks(d.NetAmount));
    const std::optional<Decimal> tax = Decimal::Parse(StripCommas(d.TaxAmount));
    if (!TrimBlanks(company.get(TaxHeading)).empty() || !tax || !tax->isZero())
        m.push_back(company.get(TaxHeading) + " " + TrimBlanks(d.TaxAmount));
    m.push_back("Grand Total: " + TrimBlanks(d.TotalAmount));
    m.push_back("Paid Amount: " + TrimBlanks(d.PaidAmount));
    m.push_back("Balance Due: " + TrimBlanks(d.BalanceDue));
    if (TrimBlanks(d.DatePaid).size() > 7) m.push_back("Paid Date: " + d.DatePaid);

    if (d.PrintNotes == "Y" && TrimBlanks(d.Notes).size() >= 2) {
        if (rules) m.push_back(Rule);
        m.push_back(d.Notes);
    }

    m.push_back(ruleOrBlank);
    const std::array<std::string, 4> captions = AgingBucketCaptions(company);
    std::string heads, amounts;
    for (std::size_t k = 0; k < captions.size(); ++k) {
        heads += RightJustify(Cut(TrimBlanks(captions[k]), 14), ' ', 15);
        amounts += RightJustify(doc.DocumentAging[k], ' ', 15);
    }
    m.push_back(heads);
    m.push_back(amounts);
    m.push_back("Account Balance: " + TrimBlanks(d.AccountBalance));
    return m;
}

bool AddressMessage(TmsMessage& message, std::string_view customerAddress, const QString& subject) {
    const CompanyRec& company = Shell().companies.CurrentCompany;
    const std::string address = TrimBlanks(customerAddress);
    const bool includeWithout = TrimBlanks(company.get(Company::EmailIncludeWithoutAddress)) == "Y";
    if (!includeWithout && address.empty()) return false;
    const QString own = FromCp1252(TrimBlanks(company.get(Company::EmailAddress)));
    message.Sender.Address = own;
    message.SetSubject(subject);
    message.Recipients.Clear();
    const QString to = FromCp1252(address);
    if (to.size() >= 2 && IsUsableAddress(to)) {
        message.Recipients.Add(to, "");
    } else {
        message.SetSubject(BadCustomerAddressSubject);
        message.Recipients.Add(own, "");
    }
    return true;
}

void EmailInvoiceDocument() {
    const DocumentState& doc = Document();
    const DocumentRecord& d = doc.DocumentRecord;
    ShellContext& shell = Shell();
    const CompanyRec& company = shell.companies.CurrentCompany;
    TmsMessage& message = Mail().msMessage1;
    if (!AddressMessage(message, d.EMailAddress,
                        "Invoice - " + FromCp1252(TrimBlanks(d.DocNumber))))
        return;
    message.Body.clear();
    for (const std::string& line : InvoiceEmailLines(doc, company))
        message.Body.append(FromCp1252(line));

    TmsSMTP& smtp = Mail().msSMTP1;
    if (!smtp.Connected()) smtp.SetServer(FromCp1252(TrimBlanks(company.get(Company::SmtpHost))));
    smtp.Send();

    const std::string today =
        Columns(shell.companies.dateFormat().format(shell.clock.today()), 1, 10);
    if (!MarkInvoiceOutput(d.DocNumber, today))
        MessageBox(QString("Invoice %1 was sent, but it could not be marked as e-mailed.")
                       .arg(FromCp1252(TrimBlanks(d.DocNumber))),
                   "E-Mail Invoice", MsgIcon::Information);
}
