#pragma once
// The purchase order by e-mail: the order in the document buffer sent as a plain-text
// message to the vendor.

#include <string>
#include <vector>

class CompanyRec;
struct DocumentState;

// Sends the order in the document buffer to the vendor's e-mail address and, unless the
// buffer holds a reprint, marks the order printed and e-mailed. A vendor without an address
// gets nothing unless the company asks for such documents to come to its own address (as
// does a vendor whose address cannot be used), under the subject "BAD VENDOR E-MAIL
// ADDRESS". A failure of the mail exchange raises the mail error and marks nothing. False
// when nothing was sent.
bool EmailPurchaseOrderDocument();

// The message text of the order, line by line (record text).
std::vector<std::string> PurchaseOrderEmailLines(const DocumentState& doc,
                                                 const CompanyRec& company);

inline constexpr const char* BadVendorAddressSubject = "BAD VENDOR E-MAIL ADDRESS";
