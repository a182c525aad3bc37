#pragma once
// Purchase order P100 of vendor V1 (Bolt Works) as its loader leaves it in the document
// buffer: one line of two bolts at 2.50, shipped to Dock 4.

#include <string>

#include "invoicing/documents/document_buffer.h"
#include "shell/text.h"

// A document line in the buffer's columns: code, quantity, description, unit price, tax
// flag, extension.
inline std::string PODocumentLine(const std::string& code, const std::string& quantity,
                                  const std::string& description, const std::string& price,
                                  const std::string& extension, const std::string& tax = "N") {
    return PadRightWith(code, ' ', 10) + " " + RightJustify(quantity, ' ', 10) + " " +
           PadRightWith(description, ' ', 33) + " " + RightJustify(price, ' ', 10) + " " + tax +
           " " + RightJustify(extension, ' ', 12);
}

inline void FillPurchaseOrder(DocumentState& doc) {
    DocumentRecord& d = doc.DocumentRecord;
    d.AddrLine1 = "Bolt Works";
    d.AddrLine2 = "7 Forge Road";
    d.ShipLine1 = "Dock 4";
    d.AccountNo = "V1";
    d.DocNumber = "P100";
    d.DocDate = "03/15/2024";
    d.Terms = "Net 30";
    d.Reference = "Spring stock";
    d.NetAmount = "5.00";
    d.TaxAmount = "0.00";
    d.TotalAmount = "5.00";
    d.Kind = "P";
    d.DateRequired = "04/01/2024";
    d.DateReceived = "/";
    d.EMailAddress = "sales@bolt.test";
    doc.DocumentLines[1] = PODocumentLine("B1", "2", "Bolts", "2.50", "5.00");
    doc.DocumentSignature1 = "Signed";
    doc.DocumentSignature2 = "Buyer";
    doc.OutputMode = OutputPurchaseOrder;
}
