#pragma once
// What the e-mailed invoice and the e-mailed purchase order share: the fixed-width text of
// the document's head and table, and the sending of the text to the account's address.

#include <QString>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CompanyRec;
struct DocumentState;

// The rule, or a line of one blank, as the company asks for rules on e-mailed documents.
struct MailRules {
    explicit MailRules(const CompanyRec& company);
    bool rules;
    std::string ruleOrBlank;
};
extern const std::string MailRule;  // 82 hyphens

// The credit banner of a negative total and the duplicate banner of a reprint (when the
// company prints it), a blank line, the company name with the caption right-justified in
// 35, the company's address lines that are not empty, the address and ship-to block (the
// ship-to caption beside the first address line when the caller shows it) and the heading
// rows, each group followed by the rule or blank.
struct MailBanners {
    std::string_view credit;
    std::string_view duplicate;
};
void AppendMailHead(std::vector<std::string>& m, const DocumentState& doc,
                    const CompanyRec& company, MailBanners banners, std::string_view caption,
                    std::optional<std::string_view> shipToCaption, std::string_view numberCaption,
                    std::string_view accountCaption);

// The column headings padded to their columns (never cut), the column rule and one line for each described document line; the
// code column only with `codes`.
void AppendMailTable(std::vector<std::string>& m, const DocumentState& doc,
                     const CompanyRec& company, bool codes, std::string_view extensionHeading);

// "Total: " and, when the company has a tax heading or there is tax, the tax row.
void AppendMailTotalAndTax(std::vector<std::string>& m, const DocumentState& doc,
                           const CompanyRec& company);

// The account's notes when it asks for them on its documents, after the rule (no blank
// line without rules).
void AppendMailNotes(std::vector<std::string>& m, const DocumentState& doc,
                     const CompanyRec& company);

// Sends the lines to `address`. An account without an address gets nothing (false) unless
// the company asks for such documents to come to its own address; there, and for an
// address that cannot be used, the subject becomes `badAddressSubject`. A failure of the
// mail exchange raises the mail error.
bool SendDocumentMail(const std::vector<std::string>& lines, const QString& subject,
                      std::string_view address, const char* badAddressSubject);

// Today in the short date format, as the e-mailed mark is stored.
std::string EmailedToday();
