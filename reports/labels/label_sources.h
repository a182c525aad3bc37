#pragma once
// Where the print queue's rows come from: the customer, vendor and product records, the
// load-all walks over their files, and the aging pulls. Plain functions; the window shows
// the outcome.

#include <optional>
#include <string>
#include <vector>

#include "masters/party_rec.h"
#include "masters/product_rec.h"
#include "reports/labels/label_queue.h"
#include "shell/company/company_rec.h"

// The row of a record, as every adder builds it.
LabelQueueItem CustomerQueueItem(const CustomerRec& customer);
LabelQueueItem VendorQueueItem(const VendorRec& vendor);
LabelQueueItem ProductQueueItem(const ProductRec& product);

// The rows a walk over one master file found, in record order.
struct SourceWalk {
    std::vector<LabelQueueItem> items;
    bool opened = false;  // false: the file set could not be opened
    // Set when the walk stopped early: what went wrong, for the user.
    std::string problem;
};

// Every customer with a name, every vendor with a name, every product with a code.
SourceWalk LoadAllCustomers();
SourceWalk LoadAllVendors();
SourceWalk LoadAllProducts();

// The four aging pulls: the customers with an amount other than zero in one aging bucket.
enum class AgingPull { Current, Period1, Period2, Over };
// The message that refuses the pull when the company's aging days for it are blank.
std::optional<std::string> AgingPullRefusal(const CompanyRec& company, AgingPull pull);
// The caption of the "No records were found." box of the pull.
std::string AgingPullCaption(const CompanyRec& company, AgingPull pull);
// A bucket that is not an amount stops the walk; the rows found before it are kept.
SourceWalk PullAgedCustomers(AgingPull pull);
