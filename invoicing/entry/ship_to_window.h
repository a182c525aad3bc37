#pragma once
// TPOShipWin, the ship-to window of invoice and purchase-order entry.
// "Shipping Address": the small window in which invoice and purchase-order entry keep the
// four ship-to lines of the document in hand. The entry dialog shows it from its "&Ship To"
// button; posting and change fill and read the lines.

#include <QString>
#include <array>
#include <string>

#include "platform/form.h"

class QLabel;
class QLineEdit;
class QPushButton;

inline constexpr int ShipToLineWidth = 35;

class TPOShipWin : public Form {
    Q_OBJECT

public:
    explicit TPOShipWin(QWidget* parent = nullptr);

    QLabel* Label1;  // the company's ship-to caption, set by the caller
    std::array<QLineEdit*, 4> Edits;
    QLineEdit* Edit1;
    QLineEdit* Edit2;
    QLineEdit* Edit3;
    QLineEdit* Edit4;
    QPushButton* OKBtn;

    // The four lines as record text, and back.
    std::array<std::string, 4> Lines() const;
    void SetLines(const std::array<std::string, 4>& lines);
    void ClearLines() { SetLines({}); }
};

// The one window, while an InvoicingWindows object (invoicing/entry/invoice_entry_dialog.h) lives.
extern TPOShipWin* POShipWin;
