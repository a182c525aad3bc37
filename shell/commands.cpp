#include "shell/commands.h"

#include <array>
#include <map>
#include <stdexcept>

#include "platform/application.h"

namespace {

using M = CommandMenu;
using C = CommandId;

constexpr std::array kTable{
    CommandInfo{C::CompanyManager, M::File, "&Company Manager...", "CompanyManagerCmd", "Ctrl+K",
                "Companies", "Choose the company to work on, or add one", false},
    CommandInfo{C::CompanySettings, M::File, "Company &Settings...", "CompanySettingsCmd", nullptr,
                nullptr, "Settings of the current company", false},
    CommandInfo{C::PrinterSetup, M::File, "Printer Set&up...", "PrinterSetupCmd", nullptr, nullptr,
                "Choose the printer and its settings", true},
    CommandInfo{C::Exit, M::File, "E&xit", "ExitCmd", "Ctrl+Q", nullptr, "Close the program", true},

    CommandInfo{C::CustomerManager, M::CustomersSales, "&Customer Manager...", "CustomerManagerCmd",
                "F2", "Customers", "Customers and their accounts", false},
    CommandInfo{C::InvoiceManager, M::CustomersSales, "In&voice Manager...", "InvoiceManagerCmd",
                "F3", "Invoices", "Add, change, print and e-mail invoices", false},
    CommandInfo{C::PaymentWizard, M::CustomersSales, "&Payment Wizard...", "PaymentWizardCmd", "F4",
                "Payments", "Record payments and deposits", false},
    CommandInfo{C::InterestWizard, M::CustomersSales, "&Interest Charges...", "InterestWizardCmd",
                nullptr, nullptr, "Charge interest on overdue invoices", true},

    CommandInfo{C::VendorManager, M::Purchasing, "&Vendor Manager...", "VendorManagerCmd", "F5",
                "Vendors", "Vendors and their accounts", false},
    CommandInfo{C::ProductManager, M::Purchasing, "Pro&duct Manager...", "ProductManagerCmd", "F6",
                "Products", "Products, prices and stock", false},
    CommandInfo{C::PriceChangeWizard, M::Purchasing, "Price &Change Wizard...",
                "PriceChangeWizardCmd", nullptr, nullptr,
                "Change the prices of many products at once", false},
    CommandInfo{C::PurchaseOrderManager, M::Purchasing, "Purchase &Order Manager...",
                "POManagerCmd", "F7", "Orders", "Add, change, print and e-mail purchase orders",
                true},
    CommandInfo{C::ReceivingWizard, M::Purchasing, "&Receiving Wizard...", "ReceivingWizardCmd",
                "F8", "Receiving", "Receive the goods of purchase orders into stock", false},

    CommandInfo{C::ReportWizard, M::ReportsMailings, "&Report Wizard...", "ReportWizardCmd", "F9",
                "Reports", "Choose, view and print reports", false},
    CommandInfo{C::MailingLabels, M::ReportsMailings, "&Mailing Labels/Lists...",
                "MailingLabelsCmd", nullptr, "Labels", "Print mailing labels and address lists",
                true},
    CommandInfo{C::FormLetters, M::ReportsMailings, "&Form Letters...", "FormLettersCmd", nullptr,
                "Letters", "Write and print form letters", false},
    CommandInfo{C::EMailNotice, M::ReportsMailings, "&E-Mail Notice", "EMailNoticeCmd", nullptr,
                nullptr, "Send an e-mail notice to customers and vendors", false},

    CommandInfo{C::PaymentTerms, M::Tools, "Payment &Terms...", "PaymentTermsCmd", nullptr, nullptr,
                "The payment terms offered in the entry windows", false},
    CommandInfo{C::Calculator, M::Tools, "&Calculator", "CalculatorCmd", nullptr, nullptr,
                "Start the desktop's calculator", true},
    CommandInfo{C::DateSelection, M::Tools, "&Date Selection...", "DateSelectionCmd", nullptr,
                nullptr, "A calendar", false},

    CommandInfo{C::HelpContents, M::Help, "&Contents", "HelpContentsCmd", "F1", nullptr,
                "The help pages", false},
    CommandInfo{C::About, M::Help, "&About Stockmere...", "AboutCmd", nullptr, nullptr,
                "Program version and data folder", true},
};

struct Registry {
    std::map<CommandId, CommandHandler> handlers;
    std::map<int, CommandListener> listeners;
    int nextToken = 1;
};

Registry& registry() {
    static Registry r;
    return r;
}

void Notify(CommandId id, bool registered) {
    // A listener may remove itself while told; walk a copy.
    const auto listeners = registry().listeners;
    for (const auto& [token, listener] : listeners) listener(id, registered);
}

}  // namespace

std::span<const CommandInfo> CommandTable() {
    return kTable;
}

const CommandInfo& CommandInfoOf(CommandId id) {
    for (const CommandInfo& info : kTable)
        if (info.id == id) return info;
    throw std::logic_error("command without an entry in the command table");
}

const char* CommandMenuCaption(CommandMenu menu) {
    switch (menu) {
        case M::File:
            return "&File";
        case M::CustomersSales:
            return "&Customers && Sales";
        case M::Purchasing:
            return "&Purchasing";
        case M::ReportsMailings:
            return "&Reports && Mailings";
        case M::Tools:
            return "&Tools";
        case M::Help:
            return "&Help";
    }
    return "";
}

void RegisterCommand(CommandId id, CommandHandler handler) {
    if (!handler) {
        UnregisterCommand(id);
        return;
    }
    registry().handlers[id] = std::move(handler);
    Notify(id, true);
}

void UnregisterCommand(CommandId id) {
    if (registry().handlers.erase(id) > 0) Notify(id, false);
}

bool IsCommandRegistered(CommandId id) {
    return registry().handlers.contains(id);
}

bool RunRegisteredCommand(CommandId id) {
    const auto it = registry().handlers.find(id);
    if (it == registry().handlers.end()) return false;
    // A copy: the handler may re-register its own command while it runs.
    const CommandHandler handler = it->second;
    return RunCommand(handler);
}

int AddCommandListener(CommandListener listener) {
    Registry& r = registry();
    const int token = r.nextToken++;
    r.listeners.emplace(token, std::move(listener));
    return token;
}

void RemoveCommandListener(int token) {
    registry().listeners.erase(token);
}

CommandRegistration::CommandRegistration(CommandId id, CommandHandler handler) : id_(id) {
    RegisterCommand(id, std::move(handler));
}

CommandRegistration::~CommandRegistration() {
    UnregisterCommand(id_);
}
