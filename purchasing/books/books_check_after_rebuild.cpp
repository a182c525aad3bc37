#include "purchasing/books/books_check_after_rebuild.h"

#include <QLabel>
#include <QStringList>
#include <algorithm>

#include "invoicing/receivables/aging_recalculation.h"
#include "invoicing/records/invoice_files.h"
#include "invoicing/records/invoice_line_file.h"
#include "invoicing/records/invoice_memo_file.h"
#include "platform/cp1252.h"
#include "platform/message_host.h"
#include "platform/status_window.h"
#include "purchasing/po_files.h"
#include "purchasing/po_line_file.h"
#include "purchasing/po_memo_file.h"
#include "purchasing/books/books_check.h"
#include "shell/app_context.h"

namespace {

const QString Caption = QStringLiteral("Books Check");
constexpr size_t LinesShown = 15;

bool IsDocumentFile(const DataFile* file) {
    const DataFile* const documents[] = {&InvoiceData(), &InvoiceLineData(), &InvoiceMemoData(),
                                         &POData(),      &POLineData(),      &POMemoData()};
    return file && std::find(std::begin(documents), std::end(documents), file) !=
                       std::end(documents);
}

}  // namespace

void TellBooksAfterRebuild(const std::vector<RebuildTarget>& rebuilt) {
    if (std::none_of(rebuilt.begin(), rebuilt.end(),
                     [](const RebuildTarget& set) { return IsDocumentFile(set.data); }))
        return;
    const ShellContext& shell = Shell();
    const std::string number = shell.companies.fileStem();
    // The customers' aging amounts are as of the day they were last recalculated.
    const std::optional<Date> agingDay = ParseSortableDate(LastAgingRun(shell.folder, number));
    BooksFindings findings;
    {
        std::optional<StatFormShown> shown;
        if (StatForm) {
            ClearRebuildStatus();
            StatForm->setWindowTitle(Caption);
            StatForm->Label2->setText("Checking the books against the documents...");
            shown.emplace();
        }
        findings = CheckCompanyBooks(shell.folder, number, agingDay);
    }
    if (findings.empty()) return;
    const std::vector<std::string> lines = findings.all();
    QStringList shown;
    for (size_t i = 0; i < lines.size() && i < LinesShown; ++i)
        shown << QString::fromUtf8("\u2022 ") + FromCp1252(lines[i]);
    if (lines.size() > LinesShown) shown << QString("... and %1 more.").arg(lines.size() - LinesShown);
    MessageBox("After the rebuild, the books do not agree with the documents on file:\n\n" +
                   shown.join("\n") +
                   "\n\nPlease put this right: enter again what was lost, or correct the "
                   "documents and the customers' balances.",
               Caption, MsgIcon::Warning);
}
