#pragma once
// The status text a batch print ends with (invoices, purchase orders, statements): complete,
// cancelled at the printer's question, or failed at the end of its one print job, with how
// many documents were printed.

#include <QString>

enum class BatchPrintEnd { Complete, Cancelled, Failed };

// "Batch Print complete. 3 invoices sent to spooler."; `documents` names them in the plural.
QString BatchPrintStatus(BatchPrintEnd end, int printed, const QString& documents);
