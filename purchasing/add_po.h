#pragma once
// Adding a purchase order: the entry dialog prepared for a new order, shown modally, and on OK
// the posting across the order header, line and memo files, the stock of an order marked
// received, the vendor into the print queue and the company's PO numbers; then the manager's
// list, status and caption, and the printed order when asked.

#include <QString>
#include <functional>

#include "purchasing/po_posting.h"

class TFvcBrowser;

// What posting needs of the Purchase Order Manager: its list, status bar and caption label,
// and its print command.
class POManagerView {
public:
    virtual ~POManagerView() = default;
    // The list of orders, to be positioned on the new one; nullptr when there is none.
    virtual TFvcBrowser* browser() = 0;
    virtual void SetStatusText(int panel, const QString& text) = 0;
    virtual void SetCompanyCaption(const QString& text) = 0;
    // Prints or e-mails the order under the list (the new one), as the manager's print
    // button does.
    virtual void PrintPO() = 0;
};

// For postings made without the Purchase Order Manager: nothing to position, show or print.
class NoPOManagerView final : public POManagerView {
public:
    TFvcBrowser* browser() override { return nullptr; }
    void SetStatusText(int, const QString&) override {}
    void SetCompanyCaption(const QString&) override {}
    void PrintPO() override {}
};

// The print queue belongs to reports, which builds on purchasing: the program plugs its adder
// in here. A company that asks for vendors in the queue cannot post while it is missing.
extern std::function<void(const VendorLabelRow& row)> AddVendorToPrintQueue;

// Runs the entry dialog POEdit1 for a new order of the current company and posts it. The
// order header, line and memo files must be open. True when an order was posted.
bool AddPO(POManagerView& view);

// The writes of a computed posting, in order, as one unit. A step that fails raises its error
// ("Add operation failed", "PO detail add failed.", "memo add operation failed", ...) with the
// reason, and nothing of the order is saved.
void WritePOPosting(const POPosting& posting, POManagerView& view);

// The list read again with its count ("Records: "), after a deletion or a posting that failed.
void ShowPOListAsOnFile(POManagerView& view);
