#pragma once
// What another program asks through the exchange file "FILE.TXT", which it leaves in the data
// folder with a customer number on its first line before it starts this one. With "/C" (the
// external transaction) an invoice is written for that customer in the entry dialog, and the
// answer "CPWIN.TXT" (customer number, invoice number, total, paid, then the lines) is left in
// the data folder for it; with "/V" the Invoice Manager shows that customer's invoices.

#include <QString>
#include <optional>
#include <string>
#include <string_view>

#include "shell/data_folder.h"

inline constexpr std::string_view ExchangeFileName = "FILE.TXT";

// The customer number on the exchange file's first line, trimmed; nothing, with the reason in
// `problem`, when the file is missing or its first line is blank.
std::optional<std::string> ReadExchangeCustomerNumber(const DataFolder& folder, QString& problem);

// Runs the transaction for the current company: the entry dialog with the customer of the
// exchange file, posting, and the answer file. An answer left by an earlier run is removed
// first, so the answer file only ever stands for an invoice just added. True when an invoice
// was added. Needs the main window (its CPMemo collects the answer) and the invoicing windows.
bool RunExternalTransaction();

// "/V": opens the Invoice Manager filtered on the exchange file's customer (through its command
// on the main window). A missing exchange file or a customer not on file is told and nothing
// opens. True when the manager was shown.
bool ShowExchangeCustomerInvoices();
