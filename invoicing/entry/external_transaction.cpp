#include "invoicing/entry/external_transaction.h"

#include <filesystem>
#include <system_error>

#include "engine/browse/browser.h"
#include "invoicing/documents/invoice_output.h"
#include "invoicing/entry/invoice_entry_dialog.h"
#include "invoicing/posting/add_invoice.h"
#include "invoicing/posting/posting_steps.h"
#include "invoicing/records/invoice_files.h"
#include "masters/master_files.h"
#include "platform/cp1252.h"
#include "platform/message_host.h"
#include "platform/scope_guard.h"
#include "shell/app_context.h"
#include "shell/commands.h"
#include "shell/main_window.h"
#include "shell/text.h"
#include "shell/window_flags.h"

namespace {

const QString Caption = QStringLiteral("External Transaction");
const QString ViewCaption = QStringLiteral("Invoice Manager");

// No Invoice Manager is shown: completion goes to the main window's status bar.
class ExternalView : public InvoiceManagerView {
public:
    TFvcBrowser* browser() override { return nullptr; }
    void SetStatusText(int panel, const QString& text) override {
        if (panel == 1 && MainForm) MainForm->SetStatusText(1, text);
    }
    void SetCompanyCaption(const QString&) override {
        if (MainForm) MainForm->ShowCurrentCompany();
    }
    void SetReceivablesLabel(const QString&) override {}
    void PrintInvoice(const std::string& number) override {
        MessageBox(QString("Invoice %1 has been added. Please print it from the Invoice Manager.")
                       .arg(FromCp1252(TrimBlanks(number))),
                   Caption, MsgIcon::Information);
    }
};

// The customer the exchange file names, from the current company's customer file; nothing,
// after telling the user why (the not-on-file message ends with `notOnFileTail`), when the
// file or the customer is missing.
std::optional<CustomerRec> ExchangeCustomer(const QString& caption, const QString& notOnFileTail) {
    QString problem;
    const auto number = ReadExchangeCustomerNumber(Shell().folder, problem);
    if (!number) {
        MessageBox(problem, caption, MsgIcon::Warning);
        return std::nullopt;
    }
    if (auto found = FindCustomerByNumber(*number)) return found->record;
    MessageBox(QString("Customer %1 named in %2 is not on file.%3")
                   .arg(FromCp1252(*number), FromCp1252(ExchangeFileName), notOnFileTail),
               caption, MsgIcon::Warning);
    return std::nullopt;
}

}  // namespace

std::optional<std::string> ReadExchangeCustomerNumber(const DataFolder& folder, QString& problem) {
    const std::filesystem::path path = folder.file(ExchangeFileName);
    // Only the first line matters; a huge file must not become a huge message or a slow read.
    constexpr std::size_t FirstLineLimit = 512;
    const auto content = ReadWholeFile(path, FirstLineLimit);
    if (!content) {
        problem =
            QString("The exchange file %1 cannot be read from the data folder %2.")
                .arg(FromCp1252(ExchangeFileName), QString::fromStdString(folder.path().string()));
        return std::nullopt;
    }
    const std::string number = TrimBlanks(content->substr(0, content->find_first_of("\r\n")));
    if (number.empty()) {
        problem = QString("The exchange file %1 has no customer number on its first line.")
                      .arg(FromCp1252(ExchangeFileName));
        return std::nullopt;
    }
    const auto width = static_cast<std::size_t>(Customer::Number.width);
    if (number.size() > width) {
        problem = QString(
                      "The first line of %1 does not hold a customer number: \"%2...\" is "
                      "longer than %3 characters.")
                      .arg(FromCp1252(ExchangeFileName), FromCp1252(number.substr(0, width)))
                      .arg(width);
        return std::nullopt;
    }
    return number;
}

bool RunExternalTransaction() {
    if (!ProdInv || !MainForm)
        throw std::logic_error(
            "The external transaction needs the main window and the entry dialog.");
    ShellContext& shell = Shell();
    std::error_code ec;
    std::filesystem::remove(shell.folder.file(AnswerFileName), ec);
    if (ec) {
        MessageBox(QString("The old answer file %1 cannot be removed: %2")
                       .arg(FromCp1252(AnswerFileName), QString::fromStdString(ec.message())),
                   Caption, MsgIcon::Warning);
        return false;
    }

    const std::optional<CustomerRec> customer =
        ExchangeCustomer(Caption, " No invoice was written.");
    if (!customer) return false;

    if (!OpenInvoiceDatabases()) {
        CloseInvoiceDatabases();
        MessageBox(QString("The invoice files cannot be opened (error %1).").arg(EngineErrorCode),
                   Caption, MsgIcon::Warning);
        return false;
    }
    const ScopeExit close([] { CloseInvoiceDatabases(); });
    const ScopedAssign<uint8_t> externalMode(shell.main.ExternalTransMode, 1);
    ProdInv->SetCustomer(*customer);
    ExternalView view;
    return AddInvoice(view);
}

bool ShowExchangeCustomerInvoices() {
    const std::optional<CustomerRec> customer = ExchangeCustomer(ViewCaption, {});
    if (!customer) return false;
    InvoiceOutput().InvoiceFilterCustomer = TrimBlanks(customer->get(Customer::Number));
    // The manager clears the flag when it uses it; a manager that did not show must not leave
    // it for the next showing.
    SharedFlags.InvoiceFilterOnShow = true;
    const ScopeExit unused([] { SharedFlags.InvoiceFilterOnShow = false; });
    return RunRegisteredCommand(CommandId::InvoiceManager);
}
