// The report viewer's memory at scale. N Sales Report lines (3,000,000 by default: a year of
// a company of a million invoices of three lines) are made up in the builder's formats,
// stored as a report, then shown in the viewer, which sorts them with sub-totals and month
// totals as it does for the Report Wizard. It prints each phase's time, the resident memory
// after it, the bytes per row against the rows' text and the peak: the bars are rows of at
// most about twice their text and a peak under 1 GiB. Writing a company of a million
// invoices takes hours; the rows are made up instead.
//
//   report_memory_bench [--lines N]

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "bench/measure.h"
#include "engine/decimal.h"
#include "platform/application.h"
#include "platform/message_host.h"
#include "platform/scripted_host.h"
#include "reports/viewer/report_viewer.h"
#include "shell/text.h"

namespace {

double MiB(const char* field) {
    return static_cast<double>(benchmeasure::StatusKB(benchmeasure::ProcStatus(), field)) / 1024.0;
}

std::string Cell(const std::string& text, int width) {
    return PadRightWith(text, ' ', width);
}

std::string Amount(int64_t cents, const char* pattern) {
    Decimal value = *Decimal::FromInt(cents / 100);
    value += *Decimal::Parse("0." + std::to_string(100 + cents % 100).substr(1));
    return RightJustify(value.format(pattern), ' ', 12);
}

// The Sales Report's heading and lines: 5,000 products, 50,000 customers, three lines an
// invoice, 336 days of the year.
ReportGrid SalesLines(int lines, std::size_t& text) {
    ReportGrid grid;
    grid.cols = 9;
    grid.rows.reserve(static_cast<std::size_t>(lines) + 1);
    grid.rows.push_back({{"Product Description", "Product#", "Year/Mo/Dy", "Invoice#", "Short Name",
                          "Customer", "Unit Price", "Quantity", "Line Amount"},
                         ReportRowKind::Record});
    text = 0;
    for (int i = 0; i < lines; ++i) {
        const int invoice = i / 3, product = (invoice * 31 + i % 3 * 17) % 5000;
        const int customer = (invoice * 7919) % 50000, step = (i / 3) * 336 / (lines / 3 + 1);
        char date[24];
        std::snprintf(date, sizeof date, "2025/%02d/%02d", 1 + step / 28, 1 + step % 28);
        const int64_t price = 199 + product * 7 % 10000, quantity = 1 + i % 4;
        const std::array<std::string, 9> cells{
            Cell("Product number " + std::to_string(product) + " of the range", 32),
            Cell("P" + std::to_string(10000 + product), 10),
            Cell(date, 10),
            Cell(std::to_string(100001 + invoice), 9),
            Cell("Cust" + std::to_string(customer), 10),
            Cell(std::to_string(20000 + customer), 8),
            Amount(price, ",0.000"),
            Amount(quantity * 100, ",0.000"),
            Amount(price * quantity, ",0.00")};
        for (const std::string& cell : cells) text += cell.size();
        grid.rows.Append(cells);
    }
    return grid;
}

}  // namespace

int main(int argc, char** argv) {
    int lines = 3'000'000;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--lines" && i + 1 < argc) {
            lines = std::stoi(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: report_memory_bench [--lines N]\n");
            return 2;
        }
    }
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    GiveLargeBlocksBack();  // as the program does
    ScriptedHost host([](const QString& failure) {
        std::fprintf(stderr, "unexpected: %s\n", failure.toLocal8Bit().constData());
    });
    MessageHost* previous = InstallHost(&host);
    {
        Trtreport viewer;
        const double base = MiB("VmRSS");
        std::printf("%d Sales Report lines; resident before: %.0f MiB\n", lines, base);
        std::printf("%-28s %9s %12s %12s\n", "phase", "seconds", "resident MiB", "bytes/row");

        auto start = std::chrono::steady_clock::now();
        std::size_t text = 0;
        ReportGrid grid = SalesLines(lines, text);
        const double built = benchmeasure::SecondsSince(start);
        const double rows = MiB("VmRSS") - base;
        std::printf("%-28s %9.2f %12.0f %12.0f   (text %.0f bytes/row)\n", "rows built", built,
                    MiB("VmRSS"), rows * 1048576.0 / lines, double(text) / lines);

        ReportTitle = "Sales Report";
        viewer.SortColumnLimit = 5;
        viewer.LastAmountColumn = 8;
        viewer.RptGrid->SetReport(std::move(grid));
        start = std::chrono::steady_clock::now();
        host.OnModal("rtreport", [](Form& form) {
            form.grab();
            form.SetModalResult(Modal::Cancel);
        });
        ShowModal(viewer);
        const double shown = benchmeasure::SecondsSince(start);
        const std::size_t held = viewer.Report().rows.size();
        std::printf("%-28s %9.2f %12.0f %12.0f   (%zu rows with the totals)\n",
                    "sorted and shown", shown, MiB("VmRSS"),
                    (MiB("VmRSS") - base) * 1048576.0 / lines, held);
        const double peak = MiB("VmHWM");
        std::printf("peak resident: %.0f MiB (bar 1024): %s\n", peak,
                    peak < 1024 ? "within" : "OVER");
    }
    InstallHost(previous);
    return 0;
}
