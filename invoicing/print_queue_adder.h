#pragma once
// The way invoicing puts customers in the label print queue: posting an invoice, printing one
// in a batch and batch statements add the customer when the company asks for it.

#include <functional>
#include <string>

// A customer's row in the print queue.
struct CustomerLabelRow {
    std::string number, name, sortCode, type;
};

// The print queue belongs to reports, which builds on invoicing: the program plugs its adder
// in here. A company that asks for customers in the queue cannot post while it is missing.
extern std::function<void(const CustomerLabelRow& row)> AddCustomerToPrintQueue;
