#pragma once
// The commands of the main window's menus, tool bar and buttons: one table, one entry per
// window of the system. A command stays disabled until the unit that owns its window
// registers a handler for it, so a unit plugs its window in without the main window knowing
// it:
//
//     RegisterCommand(CommandId::CustomerManager, [this] { ShowModal(*custList_); });
//
// Registering replaces an earlier handler; unregistering disables the command again. A unit
// whose windows can go away keeps a CommandRegistration, which unregisters on destruction.

#include <functional>
#include <span>

enum class CommandId {
    // File
    CompanyManager,
    CompanySettings,
    PrinterSetup,
    Exit,
    // Customers & Sales
    CustomerManager,
    InvoiceManager,
    PaymentWizard,
    InterestWizard,
    // Purchasing
    VendorManager,
    ProductManager,
    PriceChangeWizard,
    PurchaseOrderManager,
    ReceivingWizard,
    // Reports & Mailings
    ReportWizard,
    MailingLabels,
    FormLetters,
    EMailNotice,
    // Tools
    PaymentTerms,
    Calculator,
    DateSelection,
    // Help
    HelpContents,
    About,
};

enum class CommandMenu { File, CustomersSales, Purchasing, ReportsMailings, Tools, Help };

struct CommandInfo {
    CommandId id;
    CommandMenu menu;
    const char* caption;     // menu caption, "&" before the accelerator
    const char* objectName;  // of the command's action
    const char* shortcut;    // key sequence, or nullptr
    // Tool-bar and big-button text (short), or nullptr for commands kept off the tool bar.
    const char* toolText;
    const char* statusTip;
    bool separatorBefore;  // a menu separator above the item
};

// Every command in menu order.
std::span<const CommandInfo> CommandTable();
const CommandInfo& CommandInfoOf(CommandId id);
// The menu's caption ("&File", "&Customers && Sales", ...).
const char* CommandMenuCaption(CommandMenu menu);

using CommandHandler = std::function<void()>;

// Enables the command: choosing it runs the handler. An empty handler unregisters.
void RegisterCommand(CommandId id, CommandHandler handler);
void UnregisterCommand(CommandId id);
bool IsCommandRegistered(CommandId id);
// Runs the command's handler inside the application's error display; false when it has no
// handler or the handler ended with an error.
bool RunRegisteredCommand(CommandId id);

// Told about every registration and unregistration (the main window enables its items).
using CommandListener = std::function<void(CommandId id, bool registered)>;
int AddCommandListener(CommandListener listener);
void RemoveCommandListener(int token);

// Registers a handler for the life of the object.
class [[nodiscard]] CommandRegistration {
public:
    CommandRegistration(CommandId id, CommandHandler handler);
    ~CommandRegistration();
    CommandRegistration(const CommandRegistration&) = delete;
    CommandRegistration& operator=(const CommandRegistration&) = delete;

private:
    CommandId id_;
};
