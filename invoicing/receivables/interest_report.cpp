#include "invoicing/receivables/interest_report.h"

#include <QLocale>

#include "platform/printer.h"

namespace {

class ReportPrinter {
public:
    ReportPrinter(PrintCanvas& canvas, const InterestReport& report) : c_(canvas), r_(report) {}

    bool Print() {
        PrintJob job(c_, "Interest Charges");
        c_.SetFont(r_.font);
        c_.SetPenWidth(3);
        x0_ = r_.leftMargin;
        y_ = r_.topMargin;
        lh_ = c_.TextHeight("MXjpy");
        PageHeading();
        for (std::size_t row = 0; row < r_.rows.size(); ++row) {
            PrintRow(r_.rows[row]);
            y_ += lh_ + 3;
            // A break only where rows follow: a page of headings alone says nothing.
            if (y_ > c_.PageHeight() - 200 && row + 1 < r_.rows.size()) NextPage();
        }
        c_.TextOut(x0_, c_.PageHeight() - 100,
                   QString("Report Complete. %1 records printed.").arg(r_.customerRows));
        return job.End();
    }

private:
    int Xs(int n) const { return c_.TextWidth(QString(n, 'X')); }

    void Text(int x, const QString& text) {
        if (!text.isEmpty()) c_.TextOut(x, y_, text);
    }
    // Right-aligned within the width.
    void TextRight(int x, int width, const QString& text) {
        Text(x + width - c_.TextWidth(text), text);
    }

    void PageHeading() {
        Text(x0_, r_.companyName);
        y_ += lh_;
        Text(x0_, "Interest Charges Report");
        Text(c_.PageWidth() - 500, QString("Page %1").arg(c_.PageNumber()));
        y_ += lh_;
        Text(x0_, "Date: " + InterestReportTime(r_.printed));
        y_ += lh_;
        Text(x0_, r_.flat ? "Created Invoices Dated: " + r_.invoiceDate +
                                " and charged a flat rate of " + r_.flatFee + " as fee."
                          : "Created Invoices Dated: " + r_.invoiceDate + " and charged " +
                                r_.rate + " percent interest.");
        y_ += lh_;
        c_.MoveTo(x0_, y_ + lh_ / 2);
        c_.LineTo(c_.PageWidth() - x0_, y_ + lh_ / 2);
        y_ += lh_;
    }

    void PrintRow(const std::vector<QString>& cells) {
        int x = x0_;
        for (std::size_t col = 0; col < cells.size(); ++col) {
            const QString amount = cells[col].trimmed().left(20);
            if (col >= 2 && amount.contains('.'))
                TextRight(x, Xs(10), amount);
            else
                Text(x, cells[col]);
            x += Xs(col == 0 ? 33 : 11);
        }
    }

    void NextPage() {
        c_.TextOut(x0_, c_.PageHeight() - 100,
                   QString("Continued on page %1 ...").arg(c_.PageNumber() + 1));
        c_.NewPage();
        y_ = r_.topMargin;
        PageHeading();
        const std::vector<QString>& headings = r_.rows.front();
        const auto heading = [&](std::size_t col) {
            return col < headings.size() ? headings[col] : QString();
        };
        int x = x0_;
        Text(x, heading(0));
        x += Xs(32);
        Text(x, heading(1));
        x += Xs(10);
        Text(x, heading(2));
        x += Xs(11);
        Text(x, heading(3));
        x += Xs(9);
        TextRight(x, Xs(10), heading(4));
        y_ += lh_ + 5;
    }

    PrintCanvas& c_;
    const InterestReport& r_;
    int x0_ = 0;
    int y_ = 0;
    int lh_ = 0;
};

}  // namespace

QString InterestReportTime(const QDateTime& when) {
    return QLocale(QLocale::English, QLocale::UnitedStates)
        .toString(when, "dddd, MMMM d, yyyy, hh:mm AP");
}

bool PrintInterestReport(PrintCanvas& canvas, const InterestReport& report) {
    if (report.rows.empty()) return false;
    return ReportPrinter(canvas, report).Print();
}
