#pragma once
// The posting company (see PostingEnv) with the managers and the entry dialogs created, and
// the user's ways with an entry dialog: picks from a manager, typing into the grid, OK
// refused.

#include <QString>

#include "invoicing/entry/line_entry.h"
#include "invoicing/entry/invoice_entry_dialog.h"
#include "masters/master_manager.h"
#include "platform/application.h"
#include "platform/string_grid.h"
#include "tests/invoicing/posting_env.h"

class EntryEnv : public PostingEnv {
protected:
    // The manager's pick of the first record found under the text typed.
    void Pick(const QString& manager, const QString& find) {
        host->OnModal(manager, [find](Form& f) {
            FillControl(f, "FindEdit", find);
            static_cast<TMasterManager&>(f).FvcBrowser1Pick();
        });
    }
    void PickProduct(const QString& code) { Pick("EditProd", code); }

    // Types into a cell as the grid's editor hands it over.
    static void Type(TLineEntry& d, int col, int row, const QString& text) {
        RunCommand([&] { d.StringGrid1->item(row - 1, col)->setText(text); });
    }
    static QString Cell(TLineEntry& d, int col, int row) { return d.StringGrid1->Cell(col, row); }
    // Presses OK expecting the message; the dialog stays open on the field named.
    void Refused(TLineEntry& d, const QString& text, const QString& caption, QWidget* focus) {
        host->Answer(MsgResult::Ok, text, caption);
        PressButton(d, "OKButton");
        EXPECT_EQ(d.ModalResult(), Modal::None) << text.toStdString();
        if (focus) {
            EXPECT_EQ(d.focusWidget(), focus) << text.toStdString();
        }
    }

    MastersWindows mastersWindows;
    InvoicingWindows invoicingWindows;
};
