#pragma once
// What the command line asks of the program: the data folder and the switches another
// program starts it with ("/C" an invoice for the exchange file's customer, "/V" that
// customer's invoices).

#include <QStringList>
#include <filesystem>

struct StartOptions {
    std::filesystem::path dataDir;
    bool externalTransaction = false;  // "/C"
    bool customerInvoices = false;     // "/V"
    bool valid = true;                 // false: "--data" without a folder
};

// "--data DIR" or "--data=DIR", "/C" and "/V" in any case and order; anything else is
// ignored. The first argument is the program's name.
StartOptions ParseArguments(const QStringList& args);
