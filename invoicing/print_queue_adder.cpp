#include "invoicing/print_queue_adder.h"

std::function<void(const CustomerLabelRow& row)> AddCustomerToPrintQueue;
