#include "invoicing/entry/ship_to_window.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/cp1252.h"

TPOShipWin* POShipWin = nullptr;

TPOShipWin::TPOShipWin(QWidget* parent) : Form(parent) {
    setObjectName("POShipWin");
    setWindowTitle("Shipping Address");
    auto* layout = new QVBoxLayout(this);
    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    layout->addWidget(Label1);
    for (std::size_t k = 0; k < Edits.size(); ++k) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString("Edit%1").arg(k + 1));
        edit->setMaxLength(ShipToLineWidth);
        edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QString(ShipToLineWidth, 'X')));
        layout->addWidget(edit);
        Edits[k] = edit;
    }
    Edit1 = Edits[0];
    Edit2 = Edits[1];
    Edit3 = Edits[2];
    Edit4 = Edits[3];
    OKBtn = new QPushButton("OK", this);
    OKBtn->setObjectName("OKBtn");
    OKBtn->setDefault(true);
    SetButtonResult(OKBtn, Modal::Ok);
    layout->addWidget(OKBtn, 0, Qt::AlignRight);
}

std::array<std::string, 4> TPOShipWin::Lines() const {
    std::array<std::string, 4> lines;
    for (std::size_t k = 0; k < Edits.size(); ++k) lines[k] = ToCp1252(Edits[k]->text());
    return lines;
}

void TPOShipWin::SetLines(const std::array<std::string, 4>& lines) {
    for (std::size_t k = 0; k < Edits.size(); ++k) Edits[k]->setText(FromCp1252(lines[k]));
}
