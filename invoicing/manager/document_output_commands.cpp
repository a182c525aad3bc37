#include "invoicing/manager/document_output_commands.h"

#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <stdexcept>
#include <unordered_set>

#include "invoicing/documents/document_buffer.h"
#include "invoicing/documents/invoice_email.h"
#include "invoicing/documents/invoice_output.h"
#include "invoicing/manager/batch_print_dialog.h"
#include "invoicing/manager/document_manager_form.h"
#include "invoicing/posting/invoice_posting.h"
#include "mail/mail_state.h"
#include "platform/application.h"
#include "platform/cp1252.h"
#include "platform/long_run.h"
#include "platform/mask_edit.h"
#include "platform/printer.h"
#include "platform/scope_guard.h"
#include "platform/status_window.h"
#include "shell/app_context.h"
#include "shell/text.h"

namespace {

// The manager's flags for the scope, cleared again on every way out.
class [[nodiscard]] FlagsSet {
public:
    explicit FlagsSet(const std::function<void(bool)>& flags) : flags_(flags) { flags_(true); }
    ~FlagsSet() { flags_(false); }
    FlagsSet(const FlagsSet&) = delete;
    FlagsSet& operator=(const FlagsSet&) = delete;

private:
    const std::function<void(bool)>& flags_;
};

}  // namespace

void PrintOneDocument(const std::string& number, const ManagerStatus& status,
                      const PrintOneTexts& texts, const std::function<DocumentOutcome()>& output) {
    CloseRebuildStatus();
    const bool toPrinter = OutputGoesToPrinter();
    if (!toPrinter && !CheckEmailSetup()) return;
    DocumentOutcome outcome = DocumentOutcome::NotLoaded;
    try {
        const WaitCursor wait;
        outcome = output();
    } catch (const CommandCancelled&) {
        if (!toPrinter) throw;
        status(1, "Printing cancelled. " + texts.noun + " " + FromCp1252(TrimBlanks(number)) +
                      " was not printed.");
        return;
    }
    if (outcome == DocumentOutcome::NotLoaded) {
        // The buffer still holds the document output before: its number must not be reported.
        status(1, texts.noun + " " + FromCp1252(TrimBlanks(number)) + " was not output.");
        return;
    }
    const QString shown = FromCp1252(TrimBlanks(Document().DocumentRecord.DocNumber));
    if (toPrinter) {
        status(1, texts.noun + " " + shown + " sent to print queue.");
        return;
    }
    if (outcome == DocumentOutcome::NoAddress) {
        status(1, texts.noun + " " + shown + " was not sent by e-mail.");
        MessageBox(texts.noAddress, texts.caption, MsgIcon::Information);
        return;
    }
    status(1, texts.noun + " " + shown + " sent by e-mail.");
    Mail().msSMTP1.Disconnect();
    MessageBox(texts.sent, texts.caption);
}

std::vector<std::string> DocumentsToBatch(
    FileSetHandle file, std::size_t recordLength,
    const std::function<std::optional<std::string>(std::span<const uint8_t> record)>& pick) {
    std::vector<std::string> numbers;
    std::unordered_set<std::string> listed;
    std::vector<uint8_t> record(recordLength);
    int32_t ref = 0;
    for (;;) {
        NextUsedRecord(file, ref);
        if (!EngineOK) break;
        ReadRecord(file, ref, record);
        if (!EngineOK) continue;
        const std::optional<std::string> number = pick(record);
        if (!number) continue;
        const std::string trimmed = TrimBlanks(*number);
        if (listed.insert(UpperAscii(trimmed)).second) numbers.push_back(trimmed);
    }
    return numbers;
}

std::optional<BatchOutcome> RunBatchOutput(const std::vector<std::string>& numbers,
                                           const BatchRun& run) {
    if (numbers.empty()) {
        MessageBox(run.nothing, "Batch Print", MsgIcon::Information);
        return std::nullopt;
    }
    if (!InvBatch) throw std::logic_error("The batch dialog has not been created.");
    const int listed = static_cast<int>(numbers.size());
    TInvBatch& dlg = *InvBatch;
    dlg.setWindowTitle(run.caption);
    dlg.Label1->setText(run.text.label1);
    dlg.Label2->setText(run.text.label2);
    dlg.Label3->setText(run.text.label3);
    dlg.Button1->setText(run.text.button);
    dlg.BatchNum->SetText(QString::number(listed));
    if (dlg.ShowModal() != Modal::Ok) return std::nullopt;
    if (run.email && !CheckEmailSetup()) return std::nullopt;

    const int n = std::min(dlg.Count().value_or(0), listed);
    BatchOutcome outcome;
    const WaitCursor wait;
    const FlagsSet flags(run.flags);
    // The printer's questions (the PDF file) come before the progress window, which stays on
    // top: the whole run is one job, asked for once.
    std::optional<PrintBatch> job;
    if (!run.email) {
        try {
            job.emplace(Printer(), run.jobTitle);
        } catch (const CommandCancelled&) {
            outcome.end = BatchPrintEnd::Cancelled;
            return outcome;
        }
    }
    {
        ClearRebuildStatus();  // raises when the progress window is missing
        QLabel* progress = StatForm->*run.progressLabel;
        progress->setText("Working...");
        StatForm->setWindowTitle(run.email ? "E-Mail Mode" : "Printer Mode");
        const StatFormShown shown;
        for (int i = 0; i < n; ++i) {
            const std::string& number = numbers[static_cast<std::size_t>(i)];
            progress->setText(run.processing + FromCp1252(number) + " ...");
            ProcessPendingMessages();
            switch (run.output(number)) {
                case DocumentOutcome::Printed:
                case DocumentOutcome::Emailed:
                    ++outcome.sent;
                    break;
                case DocumentOutcome::NoAddress:
                    outcome.noAddress.push_back(number);
                    break;
                default:
                    break;
            }
        }
    }
    if (job && !job->End()) {
        outcome.end = BatchPrintEnd::Failed;
        outcome.sent = 0;
    }
    return outcome;
}
