#include "invoicing/entry/external_transaction.h"

#include <filesystem>
#include <system_error>

#include "engine/browse/browser.h"
#include "invoicing/posting/add_invoice.h"
#include "invoicing/records/invoice_files.h"
#include "invoicing/entry/invoice_entry_dialog.h"
#include "masters/master_files.h"
#include "platform/cp1252.h"
#include "platform/message_host.h"
#include "platform/scope_guard.h"
#include "shell/app_context.h"
#include "shell/main_window.h"
#include "shell/text.h"

namespace {

const QString Caption = QStringLiteral("External Transaction");

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
        problem = QString("The first line of %1 does not hold a customer number: \"%2...\" is "
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

    QString problem;
    const auto number = ReadExchangeCustomerNumber(shell.folder, problem);
    if (!number) {
        MessageBox(problem, Caption, MsgIcon::Warning);
        return false;
    }

    CustomerRec customer;
    {
        CustomerRec probe;
        const StepFile open(CustomerData());
        const bool fits = probe.set(Customer::Number, *number);
        if (!fits || !open.ok() ||
            CustomerData().Find(CustomerNumberKey, BuildCustomerKey(probe, CustomerNumberKey),
                                customer.bytes()) == 0) {
            MessageBox(QString("Customer %1 named in %2 is not on file. No invoice was written.")
                           .arg(FromCp1252(*number), FromCp1252(ExchangeFileName)),
                       Caption, MsgIcon::Warning);
            return false;
        }
    }

    if (!OpenInvoiceDatabases()) {
        CloseInvoiceDatabases();
        MessageBox(QString("The invoice files cannot be opened (error %1).").arg(EngineErrorCode),
                   Caption, MsgIcon::Warning);
        return false;
    }
    const ScopeExit close([] { CloseInvoiceDatabases(); });
    const ScopedAssign<uint8_t> externalMode(shell.main.ExternalTransMode, 1);
    ProdInv->SetCustomer(customer);
    ExternalView view;
    return AddInvoice(view);
}
