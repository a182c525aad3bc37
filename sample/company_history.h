#pragma once
// The sample company's history: a year of its life written through the program's own
// posting code, so that every window and report has something to show and the books agree
// with the documents. Invoices (line and memo) spread over the year up to "today", paid in
// full, in part or not at all (some overdue past the last aging period), deposits on
// account; purchase orders received in full, in part or not at all; a starter label layout
// and a print-queue list file. The same seed, counts and today give the same files.
//
// The company's customers, vendors and products must be on file first (the master
// fillers); the history is written for the company as it is stored.

#include <cstdint>

#include "shell/company/company_rec.h"
#include "shell/data_folder.h"
#include "shell/dates.h"

struct HistoryOptions {
    uint32_t seed = 1;
    // A year of a small business by default; any count the files can number.
    int invoices = 300;
    // Invoices paid at the counter as they are written, in thousandths; the others are paid
    // later, in part or not yet. A history of very many invoices pays most at the sale, so
    // that what its customers owe stays within the company's receivables total.
    int paidAtSalePerMille = 80;
    int purchaseOrders = 30;
    // Rows of the starter print-queue file; 0 writes no label layout and no list file.
    int queueRows = 12;
    // The last day of the history, and "today" for aging; the system date when left empty.
    Date today{};
    int days = 365;
};

struct HistoryCounts {
    int invoices = 0;
    int memoInvoices = 0;
    int paidInFull = 0;  // at the sale or by a later payment
    int paidInPart = 0;
    int deposits = 0;
    int purchaseOrders = 0;
    int receivedInFull = 0;
    int receivedInPart = 0;
    int queueRows = 0;
};

// Writes the history into the company's files. Raises std::runtime_error with a text for the
// user when a file cannot be written or a posting is refused. The engine must be running.
HistoryCounts WriteCompanyHistory(const DataFolder& folder, const CompanyRec& company,
                                  const HistoryOptions& options = {});

// The parts of the history, each with a seed of its own: sales and payments, purchases and
// receipts, the label layout and print queue. WriteCompanyHistory runs the three with the
// seeds the sample company gives fillers of the names "invoices", "orders" and "labels".
void WriteSampleSales(const DataFolder& folder, const CompanyRec& company, uint32_t seed,
                      int invoices, Date today, int days, HistoryCounts& counts,
                      int paidAtSalePerMille = HistoryOptions{}.paidAtSalePerMille);
void WriteSamplePurchases(const DataFolder& folder, const CompanyRec& company, uint32_t seed,
                          int orders, Date today, int days, HistoryCounts& counts);
void WriteSampleLabels(const DataFolder& folder, const CompanyRec& company, uint32_t seed, int rows,
                       HistoryCounts& counts);

// Registers the three as the sample company's fillers "invoices", "orders" and "labels",
// after the master fillers (they use customers, vendors and products), with `today` as the
// last day of a year's history (the system date when empty).
void RegisterSampleHistoryFillers(Date today = {});
