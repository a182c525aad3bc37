#pragma once
// The print command and the batch print of the two document managers (invoices, purchase
// orders): the main window's output choice, the mail set-up check, the wait cursor and the
// output flags around the output, the batch dialog, the progress window, and the texts that
// tell the outcome. Each manager supplies its texts and its output of one document.

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "invoicing/documents/batch_print_status.h"
#include "invoicing/documents/invoice_output.h"

class QLabel;
class TStatForm;

// Sets a manager's panel of its status bar.
using ManagerStatus = std::function<void(int panel, const QString& text)>;

struct PrintOneTexts {
    QString noun;       // the status texts' first word: "Invoice", "PO"
    QString noAddress;  // the box when the party has no e-mail address
    QString caption;    // "E-Mail Invoice", "E-Mail PO"
    QString sent;       // the box after sending
};

// Prints document `number`, or e-mails it when that is the main window's output choice (after
// the company's mail set-up has been checked), and tells the outcome. `output` outputs it with
// the manager's flags set; the number told is the document buffer's once it was loaded.
void PrintOneDocument(const std::string& number, const ManagerStatus& status,
                      const PrintOneTexts& texts, const std::function<DocumentOutcome()>& output);

// The document numbers a batch outputs: walks every used record of the open header file in
// record order, and of each record that `pick` answers a number for (trimmed), lists that
// number once: a document whose number several records carry goes out once.
std::vector<std::string> DocumentsToBatch(
    FileSetHandle file, std::size_t recordLength,
    const std::function<std::optional<std::string>(std::span<const uint8_t> record)>& pick);

// The batch dialog's texts.
struct BatchDialogText {
    QString label1, label2, label3, button;
};

struct BatchRun {
    bool email = false;  // the main window's output choice is e-mail
    QString nothing;     // the box when no document waits
    QString caption;     // the batch dialog's caption
    BatchDialogText text;
    QLabel* TStatForm::*progressLabel;  // the progress window's label that shows each number
    QString processing;  // "Processing Invoice ": the progress text before the number
    QString jobTitle;    // the print job's title, which names the PDF file proposed
    // Sets the manager's output flags (on) for the run and clears them (off) after it.
    std::function<void(bool on)> flags;
    // Outputs one document.
    std::function<DocumentOutcome(const std::string& number)> output;
};

struct BatchOutcome {
    int sent = 0;                        // printed (the job ended well) or e-mailed
    std::vector<std::string> noAddress;  // not sent for want of an address, in list order
    // Cancelled: the printer's question (the PDF file) was; Failed: the print job did not end
    // well, so nothing was printed.
    BatchPrintEnd end = BatchPrintEnd::Complete;
};

// The batch run over the documents listed, in list order: the dialog asks how many; that many
// are output under the progress window, when printed as one print job. Nothing when nothing
// was listed, the dialog was cancelled or the mail set-up failed.
std::optional<BatchOutcome> RunBatchOutput(const std::vector<std::string>& numbers,
                                           const BatchRun& run);
