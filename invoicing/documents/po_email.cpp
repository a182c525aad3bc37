#include "invoicing/documents/po_email.h"

#include <optional>

#include "engine/decimal.h"
#include "invoicing/documents/document_buffer.h"
#include "invoicing/documents/document_mail.h"
#include "invoicing/documents/po_print.h"
#include "mail/mail_state.h"
#include "platform/cp1252.h"
#include "platform/message_host.h"
#include "shell/app_context.h"
#include "shell/text.h"

std::vector<std::string> PurchaseOrderEmailLines(const DocumentState& doc,
                                                 const CompanyRec& company) {
    using namespace Company;
    const DocumentRecord& d = doc.DocumentRecord;
    const MailRules r(company);
    std::vector<std::string> m;

    // The ship-to caption goes beside the vendor's name when its address has a second line.
    const std::string shipTo = company.get(POShipToCaption);
    AppendMailHead(m, doc, company, {"PO CREDIT", "** DUPLICATE PO **"},
                   TrimBlanks(company.get(POCaption)),
                   TrimBlanks(d.AddrLine2).empty() ? std::nullopt
                                                   : std::optional<std::string_view>(shipTo),
                   "PO Number: ", "Vendor Number: ");

    if (d.Kind == "M") {
        m.push_back(company.get(POMemoHeader));
        m.push_back(" ");
        int last = 2;
        for (int i = 1; i <= DocumentMemoLines; ++i)
            if (TrimBlanks(doc.DocumentLines[i]).size() >= 2) last = std::max(last, i);
        for (int i = 1; i <= last; ++i) m.push_back(doc.DocumentLines[i]);
    } else {
        AppendMailTable(m, doc, company, company.get(ProductCodesOnPOs), "Extended");
    }
    m.push_back(r.ruleOrBlank);

    AppendMailTotalAndTax(m, doc, company);
    m.push_back("Grand Total: " + TrimBlanks(d.TotalAmount));
    m.push_back("Date Received: " + TrimBlanks(d.DateReceived));
    m.push_back("Date Required: " + TrimBlanks(d.DateRequired));
    AppendMailNotes(m, doc, company);

    if (company.get(PrintSalesMessages)) {
        m.push_back(r.ruleOrBlank);
        for (const Text& message : POMessage)
            if (!TrimBlanks(company.get(message)).empty()) m.push_back(company.get(message));
    }
    m.push_back(r.ruleOrBlank);
    m.push_back(doc.DocumentSignature1);
    m.push_back(doc.DocumentSignature2);
    return m;
}

bool EmailPurchaseOrderDocument() {
    const DocumentState& doc = Document();
    const DocumentRecord& d = doc.DocumentRecord;
    const CompanyRec& company = Shell().companies.CurrentCompany;
    const QString subject = FromCp1252(TrimBlanks(company.get(Company::POCaption))) + " - " +
                            FromCp1252(TrimBlanks(d.DocNumber));
    if (!SendDocumentMail(PurchaseOrderEmailLines(doc, company), subject, d.EMailAddress,
                          BadVendorAddressSubject))
        return false;
    if (d.PrintedFlag == "Y") return true;
    if (!MarkPurchaseOrderOutput || !MarkPurchaseOrderOutput(d.DocNumber, EmailedToday()))
        MessageBox(QString("Purchase order %1 was sent, but it could not be marked as e-mailed.")
                       .arg(FromCp1252(TrimBlanks(d.DocNumber))),
                   "E-Mail Purchase Order", MsgIcon::Information);
    return true;
}
