#pragma once
// The invoice by e-mail: the check of the company's mail set-up before an e-mail run, and
// the invoice in the document buffer sent as a plain-text message to the customer.

#include <string>
#include <string_view>
#include <vector>

#include "platform/form.h"

class CompanyRec;
class QLabel;
class QString;
class TmsMessage;
struct DocumentState;

// The small window shown while the mail server is being reached.
class TEMailCheck : public Form {
    Q_OBJECT

public:
    explicit TEMailCheck(QWidget* parent = nullptr);
    QLabel* Label1;
};

// Whether mail can be sent: the company's e-mail address and mail host are set up and the
// one SMTP session connects (it stays connected for the run). Tells the user why not and
// answers false otherwise. Sets OutputMode to "INV".
bool CheckEmailSetup();

// Sends the invoice in the document buffer to the customer's e-mail address and marks the
// invoice's records printed and e-mailed. A customer without an address gets nothing unless
// the company asks for such invoices to come to its own address (as does a customer whose
// address cannot be used), under the subject "BAD CUSTOMER E-MAIL ADDRESS". A failure of the
// mail exchange raises the mail error and marks nothing. True when the invoice was sent.
bool EmailInvoiceDocument();

// The message text of the invoice, line by line (record text).
std::vector<std::string> InvoiceEmailLines(const DocumentState& doc, const CompanyRec& company);

inline constexpr const char* BadCustomerAddressSubject = "BAD CUSTOMER E-MAIL ADDRESS";
