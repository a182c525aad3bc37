#include "shell/document_list.h"

#include "engine/decimal.h"

bool SetupDocumentBrowser(TFvcBrowser& browser, FileSetHandle file, int32_t recordLength,
                          bool& sharedMode) {
    InitBrowserModel(browser, file, 1, recordLength);
    if (!EngineOK) return false;
    BrowserGotoKey(browser, "", 0);
    sharedMode = EngineModeFlag();
    return true;
}

int32_t ReadHighlightedRow(TFvcBrowser& browser, std::span<uint8_t> buffer) {
    bool read = false;
    const int errorClass = BrowserReadCurrent(browser, read, buffer);
    return errorClass == 0 && read ? BrowserCurrentRef(browser) : 0;
}

FindSource DocumentFindSource(const QString& numberHeading, const QString& partyHeading,
                              const QString& totalHeading, std::function<FileSetHandle()> file,
                              int32_t recordLength,
                              std::function<DocumentFindFields(std::span<const uint8_t>)> fields) {
    auto describe = [fields = std::move(fields)](std::span<const uint8_t> record) {
        const DocumentFindFields f = fields(record);
        const auto amount = Decimal::ParseBlankAsZero(f.total);
        FindEntry entry;
        entry.row = {f.dateYMD,
                     f.number,
                     f.partyNumber,
                     f.keyCode,
                     amount ? amount->format(",0.00") : f.total,
                     f.shortName,
                     f.notes};
        entry.searchable = {f.number, f.partyNumber, f.keyCode, f.shortName, f.notes};
        return entry;
    };
    return FindSource{{{"Year/Mo/Dy", 80},
                       {numberHeading, 80},
                       {partyHeading, 80},
                       {"Key Code", 80},
                       {totalHeading, 90, true},
                       {"Short Name", 90},
                       {"Notes/Comments/Reference", 240}},
                      std::move(file),
                      recordLength,
                      std::move(describe)};
}

std::optional<std::string> AskFindBox(const QString& caption, const std::string& mode) {
    if (!FindBox) return std::nullopt;
    FindBox->setWindowTitle(caption);
    FindMode = mode;
    FindBox->ShowModal();
    return FindBoxSelectedNumber();
}
