#pragma once
// Adding an invoice: the entry dialog prepared for a new invoice, shown modally, and on OK the
// posting across the invoice header, line and memo files, stock, the customer, the print
// queue and the company, then the manager's list, status and labels, the answer of an
// external transaction and, when asked, the printed invoice.

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "invoicing/posting/invoice_posting.h"
#include "invoicing/posting/posting_steps.h"
#include "shell/company/company_file.h"

class TFvcBrowser;
class TLineEntry;

// What posting needs of the Invoice Manager: its list, status bar and labels, and its print
// command.
class InvoiceManagerView {
public:
    virtual ~InvoiceManagerView() = default;
    // The list of invoices, to be positioned on the new one; nullptr when the invoice is
    // added without the manager's list (an external transaction).
    virtual TFvcBrowser* browser() = 0;
    virtual void SetStatusText(int panel, const QString& text) = 0;
    virtual void SetCompanyCaption(const QString& text) = 0;
    virtual void SetReceivablesLabel(const QString& text) = 0;
    virtual void PrintInvoice(const std::string& number) = 0;
};

// For postings made without the Invoice Manager (a history being written, tests): nothing to
// position, show or print.
class NoInvoiceManagerView final : public InvoiceManagerView {
public:
    TFvcBrowser* browser() override { return nullptr; }
    void SetStatusText(int, const QString&) override {}
    void SetCompanyCaption(const QString&) override {}
    void SetReceivablesLabel(const QString&) override {}
    void PrintInvoice(const std::string&) override {}
};

// Shows the entry dialog modally. Its OK asks `accept` last, which answers what refuses the
// entry (told to the user; the dialog stays open with everything typed) or nothing. A refusal
// without text is a question the user declined: nothing more is said. True when the dialog
// closed with OK.
bool ShowEntryDialog(TLineEntry& dlg, const std::function<std::optional<PlanRefusal>()>& accept);

// Highlights record ref (whose record InvoiceBuf holds) in the manager's list, in its order.
void PositionManagerList(InvoiceManagerView& view, int32_t ref);
// Status panel 0: "Records: " and the number of entries in the list's index.
void ShowRecordCount(InvoiceManagerView& view);
// The list and its count read again: after a posting that failed, what it showed of itself
// is gone.
void ShowListAsOnFile(InvoiceManagerView& view);
// The manager's company caption (name + " - #" + number) and receivables label (",0.00") from
// the current company.
void ShowCompanyOnManager(InvoiceManagerView& view);

// The file the answer of an external transaction is written to, in the data folder.
inline constexpr std::string_view AnswerFileName = "CPWIN.TXT";

// The customer, product and company files that every invoice posting reads and writes, held
// open: by the Invoice Manager while it is shown, and by the entry dialog from its start to
// its posting's end. Each posting's steps then find them open instead of opening and closing
// them themselves. A set that does not open at once (none yet, a defective index) is not
// held: the steps meet it as they always do and ask what they ask.
class PostingFilesHeld {
public:
    PostingFilesHeld();
    ~PostingFilesHeld();
    PostingFilesHeld(const PostingFilesHeld&) = delete;
    PostingFilesHeld& operator=(const PostingFilesHeld&) = delete;

private:
    std::vector<const DataFile*> opened_;
    CompanyFileHeld company_;
};

// Runs the entry dialog ProdInv for a new invoice of the current company and posts it. The
// invoice header, line and memo files must be open. True when an invoice was posted.
bool AddInvoice(InvoiceManagerView& view);

// The writes of a computed posting, in order. A step that must not fail raises an error
// ("Add operation failed", "Modify operation failed", "memo add operation failed").
void WriteInvoicePosting(const InvoicePosting& posting, InvoiceManagerView& view, bool external);
