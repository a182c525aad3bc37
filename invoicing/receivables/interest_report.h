#pragma once
// The printed report of a finance-charge run: the wizard's result grid (headings, one row a
// customer with the new invoice number, totals) under a page heading that names the company,
// the page, the time printed and how the charges were made.

#include <QDateTime>
#include <QString>
#include <string>
#include <vector>

#include "platform/font_setting.h"

class PrintCanvas;

struct InterestReport {
    QString companyName;
    // The grid's rows as shown: the headings first, the totals last.
    std::vector<std::vector<QString>> rows;
    int customerRows = 0;
    QString invoiceDate;
    bool flat = false;
    QString rate;     // percent a month, as typed
    QString flatFee;  // as typed
    FontSpec font;
    int leftMargin = 0;  // printer pixels
    int topMargin = 0;
    QDateTime printed;
};

// "Monday, March 4, 2024, 02:05 PM".
QString InterestReportTime(const QDateTime& when);

// Prints the report as one job titled "Interest Charges"; true when the job ended well.
bool PrintInterestReport(PrintCanvas& canvas, const InterestReport& report);
