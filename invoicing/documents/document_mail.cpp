#include "invoicing/documents/document_mail.h"

#include <optional>

#include "engine/decimal.h"
#include "invoicing/documents/document_buffer.h"
#include "mail/mail_state.h"
#include "platform/cp1252.h"
#include "shell/app_context.h"
#include "shell/text.h"

const std::string MailRule(82, '-');

MailRules::MailRules(const CompanyRec& company)
    : rules(TrimBlanks(company.get(Company::EmailRules)) == "Y"),
      ruleOrBlank(rules ? MailRule : " ") {}

namespace {

// A column heading padded to its column; a longer one is kept whole rather than cut.
std::string Heading(const CompanyRec& company, const Company::Text& field, int width) {
    return PadString(TrimBlanks(company.get(field)), ' ', width);
}

std::string MailLine(const std::string& line, bool codes) {
    std::string out;
    if (codes) out = PadString(TrimBlanks(Columns(line, 1, 10)), ' ', 10) + ' ';
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

void AppendMailHead(std::vector<std::string>& m, const DocumentState& doc,
                    const CompanyRec& company, MailBanners banners, std::string_view caption,
                    std::optional<std::string_view> shipToCaption, std::string_view numberCaption,
                    std::string_view accountCaption) {
    using namespace Company;
    const DocumentRecord& d = doc.DocumentRecord;
    const MailRules r(company);
    const std::optional<Decimal> total = Decimal::Parse(StripCommas(d.TotalAmount));
    if (total && total->isNegative()) m.insert(m.end(), {std::string(banners.credit), " "});
    if (d.PrintedFlag == "Y" && company.get(PrintDuplicate))
        m.push_back(std::string(banners.duplicate));
    m.push_back(" ");
    m.push_back(company.get(Name) + RightJustify(caption, ' ', 35));
    for (const Text& line : {Address[0], Address[1], Address[2], Address[3], ExtraAddress})
        if (!TrimBlanks(company.get(line)).empty()) m.push_back(company.get(line));
    m.push_back(r.ruleOrBlank);

    m.push_back(shipToCaption ? PadString(d.AddrLine1, ' ', 38) + TrimBlanks(*shipToCaption)
                              : d.AddrLine1);
    for (int k = 2; k <= 5; ++k) m.push_back(PadString(d.AddrLine(k), ' ', 38) + d.ShipLine(k - 1));
    m.push_back(r.ruleOrBlank);

    m.push_back("Date: " + TrimBlanks(d.DocDate));
    m.push_back(std::string(numberCaption) + TrimBlanks(d.DocNumber));
    m.push_back(std::string(accountCaption) + TrimBlanks(d.AccountNo));
    m.push_back("Payment Terms: " + d.Terms);
    m.push_back("Reference: " + d.Reference);
    m.push_back(r.ruleOrBlank);
}

void AppendMailTable(std::vector<std::string>& m, const DocumentState& doc,
                     const CompanyRec& company, bool codes, std::string_view extensionHeading) {
    using namespace Company;
    std::string heading;
    std::string rule;
    if (codes) {
        heading = Heading(company, CodeHeading, 10) + ' ';
        rule = "---------- ";
    }
    const std::string extension = TrimBlanks(extensionHeading);
    heading += Heading(company, QuantityHeading, 10) + ' ' +
               Heading(company, DescriptionHeading, 32) + ' ' +
               Heading(company, UnitCostHeading, 11) + " T " +
               (extension.size() >= 12 ? extension : RightJustify(extension, ' ', 12));
    rule += "---------- -------------------------------- ----------- - ------------";
    m.push_back(heading);
    m.push_back(rule);
    for (int i = 1; i <= DocumentLineCount; ++i)
        if (IsShownLine(doc.DocumentLines[i])) m.push_back(MailLine(doc.DocumentLines[i], codes));
}

void AppendMailTotalAndTax(std::vector<std::string>& m, const DocumentState& doc,
                           const CompanyRec& company) {
    const DocumentRecord& d = doc.DocumentRecord;
    m.push_back("Total: " + TrimBlanks(d.NetAmount));
    const std::string heading = company.get(Company::TaxHeading);
    const std::optional<Decimal> tax = Decimal::Parse(StripCommas(d.TaxAmount));
    if (!TrimBlanks(heading).empty() || !tax || !tax->isZero())
        m.push_back(heading + " " + TrimBlanks(d.TaxAmount));
}

void AppendMailNotes(std::vector<std::string>& m, const DocumentState& doc,
                     const CompanyRec& company) {
    const DocumentRecord& d = doc.DocumentRecord;
    if (d.PrintNotes != "Y" || TrimBlanks(d.Notes).size() < 2) return;
    if (MailRules(company).rules) m.push_back(MailRule);
    m.push_back(d.Notes);
}

bool SendDocumentMail(const std::vector<std::string>& lines, const QString& subject,
                      std::string_view address, const char* badAddressSubject) {
    const CompanyRec& company = Shell().companies.CurrentCompany;
    const std::string trimmed = TrimBlanks(address);
    const bool includeWithout = TrimBlanks(company.get(Company::EmailIncludeWithoutAddress)) == "Y";
    if (!includeWithout && trimmed.empty()) return false;

    TmsMessage& message = Mail().msMessage1;
    message.Body.clear();
    for (const std::string& line : lines) message.Body.append(FromCp1252(line));
    const QString own = FromCp1252(TrimBlanks(company.get(Company::EmailAddress)));
    message.Sender.Address = own;
    message.SetSubject(subject);
    message.Recipients.Clear();
    const QString to = FromCp1252(trimmed);
    if (to.size() >= 2 && IsUsableAddress(to)) {
        message.Recipients.Add(to, "");
    } else {
        message.SetSubject(badAddressSubject);
        message.Recipients.Add(own, "");
    }

    TmsSMTP& smtp = Mail().msSMTP1;
    if (!smtp.Connected()) smtp.SetServer(FromCp1252(TrimBlanks(company.get(Company::SmtpHost))));
    smtp.Send();
    return true;
}

std::string EmailedToday() {
    ShellContext& shell = Shell();
    return Columns(shell.companies.dateFormat().format(shell.clock.today()), 1, 10);
}
