// The print queue's output commands: label printing, the calibration ruler and the address
// export. The checks and the run live in label_print / address_export; here the controls are
// read and the outcome shown.
#include <QCheckBox>
#include <QFileInfo>
#include <QImageReader>
#include <QLineEdit>
#include <QSpinBox>

#include "platform/application.h"
#include "platform/cp1252.h"
#include "platform/list_view.h"
#include "platform/long_run.h"
#include "platform/mask_edit.h"
#include "platform/message_host.h"
#include "platform/printer.h"
#include "platform/scope_guard.h"
#include "reports/labels/address_export.h"
#include "reports/labels/print_queue_window.h"
#include "shell/app_context.h"
#include "shell/data_folder.h"
#include "shell/posting_unit.h"
#include "shell/text.h"

namespace {

const QString kPrintLabels = "Print Labels";

// The company's block above each addressee, from the current company and the controls.
ReturnAddress CompanyReturnAddress(bool printLine, int lineWidth, const QString& caption) {
    const CompanyRec& company = Shell().companies.CurrentCompany;
    ReturnAddress from;
    from.companyName = company.get(Company::Name);
    for (int k = 0; k < 4; ++k) from.companyLines[k] = company.get(Company::Address[k]);
    from.printLine = printLine;
    from.lineWidth = lineWidth;
    from.caption = TrimBlanks(ToCp1252(caption)).substr(0, LabelLayout::Caption.width);
    return from;
}

}  // namespace

LabelSheetFields Tlblwiz::SheetFields() const {
    return {ToCp1252(TMargin->Text()),  ToCp1252(LMargin->Text()), ToCp1252(ColAcross->Text()),
            ToCp1252(RowsDown->Text()), ToCp1252(LWdth->Text()),   ToCp1252(LHght->Text())};
}

std::optional<LabelRun> Tlblwiz::ReadLabelRun() {
    const LabelSheetFields fields = SheetFields();
    if (AnyLayoutFieldBlank(fields)) {
        MessageBox(
            "You have an empty layout definition field. All six fields are required. Unable "
            "to print.",
            kPrintLabels, MsgIcon::Warning);
        return std::nullopt;
    }
    const SheetRead sheet = ReadLabelSheet(fields);
    const auto refuse = [](QWidget* field, const std::string& problem) {
        MessageBox(FromCp1252(problem), kPrintLabels, MsgIcon::Warning);
        field->setFocus();
        return std::nullopt;
    };
    if (!sheet.sheet) {
        const std::array<QWidget*, 6> controls{TMargin, LMargin, ColAcross, RowsDown, LWdth, LHght};
        return refuse(controls[static_cast<std::size_t>(sheet.field)], sheet.problem);
    }
    LabelRun run;
    run.sheet = *sheet.sheet;
    run.font = FontDialog1;
    run.startLabel = LblStart->value();
    run.copies = LabelCopies->value();
    if (const auto refusal = StartLabelRefusal(run.sheet, run.startLabel))
        return refuse(LblStart, *refusal);
    if (!UseCmpAdd->isChecked()) return run;

    const bool printLine = PLine->isChecked();
    const auto lineWidth = LabelLineWidth(ToCp1252(MaskEdit1->Text()));
    if (printLine && !lineWidth)
        return refuse(MaskEdit1, "The line width '" + TrimBlanks(ToCp1252(MaskEdit1->Text())) +
                                     "' is not a digit. Unable to print.");
    run.returnAddress = CompanyReturnAddress(printLine, lineWidth.value_or(1), CaptName->text());
    return run;
}

void Tlblwiz::PrnButnClick() {
    const std::vector<LabelQueueItem> items = QueueItems();
    if (items.empty()) {
        MessageBox("You do not have any customer records listed in the print queue.", kPrintLabels,
                   MsgIcon::Information);
        return;
    }
    std::optional<LabelRun> run = ReadLabelRun();
    if (!run) return;

    const LayoutShown shown{SheetFields(), StoredPath(ToPath(BMapName->text())),
                            ToCp1252(MaskEdit1->Text()), ToCp1252(CaptName->text()),
                            UseCmpAdd->isChecked()};
    if (LayoutDiffers(CurrentLabelLayout, shown) &&
        MessageBox("Your layout settings have changed. Do you want to save the changes before "
                   "printing?",
                   kPrintLabels, MsgIcon::Question, MsgButtons::YesNo) == MsgResult::Yes)
        SaveAs1Click();

    // A missing bitmap is passed over; one that is there but cannot be read is told.
    const QString bitmap = BMapName->text().trimmed();
    if (run->returnAddress && !bitmap.isEmpty() && QFileInfo(bitmap).isFile()) {
        QImageReader reader(bitmap);
        run->returnAddress->bitmap = reader.read();
        if (run->returnAddress->bitmap.isNull())
            MessageBox("The bitmap \"" + bitmap + "\" cannot be read (" + reader.errorString() +
                           "). The labels are printed without it.",
                       kPrintLabels, MsgIcon::Information);
    }

    const WaitCursor wait;
    const QueueLookup lookup = LookUpQueue(items, true);
    if (!lookup.problem.empty()) {
        MessageBox(FromCp1252(lookup.problem) + " No labels were printed.", kPrintLabels,
                   MsgIcon::Warning);
        return;
    }
    std::vector<std::vector<std::string>> labels;
    for (const QueueRecord& record : lookup.records)
        if (!std::holds_alternative<std::monostate>(record))
            labels.push_back(LabelLines(record, CheckBox1->isChecked()));
    if (labels.empty()) {
        MessageBox(FromCp1252(NotOnFileText(lookup.missing, "No labels were printed.")),
                   kPrintLabels, MsgIcon::Information);
        return;
    }

    SetStatus("Printing labels...");
    // A printer that fails, by an error or at the end of the job, leaves that said.
    ScopeExit failed([this] { SetStatus("The labels could not be printed."); });
    ProcessPendingMessages();
    LabelPrintOutcome outcome;
    try {
        outcome = PrintLabels(Printer(), *run, labels);
    } catch (const CommandCancelled&) {
        failed.Dismiss();
        SetStatus("Printing cancelled. No labels were printed.");
        return;
    }
    if (!outcome.endedWell) {
        MessageBox("The labels could not be printed. Please check the printer in Printer Setup.",
                   kPrintLabels, MsgIcon::Information);
        return;
    }
    failed.Dismiss();
    // The queue counts as used only once its labels are out.
    LabelQueueChanged = false;
    SetStatus("Complete. " + QString::number(outcome.printed) + " label(s) sent to printer.");
    if (!lookup.missing.empty())
        MessageBox(FromCp1252(NotOnFileText(lookup.missing, "No label was printed for them.")),
                   kPrintLabels, MsgIcon::Information);
    LabelList->setFocus();
    ProcessPendingMessages();
}

void Tlblwiz::CalibrationRuler1Click() {
    if (MessageBox("This feature will print the calibration ruler on your printer. You can use "
                   "it to help you calculate margin settings. Continue?",
                   "Please Confirm", MsgIcon::Question, MsgButtons::YesNo) != MsgResult::Yes)
        return;
    bool printed = false;
    {
        const WaitCursor wait;
        printed = PrintCalibrationRuler(Printer());
    }
    if (!printed) {
        MessageBox(
            "The calibration ruler could not be printed. Please check the printer in Printer "
            "Setup.",
            "Calibration Ruler", MsgIcon::Information);
        return;
    }
    SetStatus("Calibration ruler sent to printer.");
    LabelList->setFocus();
    ProcessPendingMessages();
}

void Tlblwiz::ExportTextClick() {
    const std::vector<LabelQueueItem> items = QueueItems();
    if (items.empty()) {
        MessageBox("You do not have any records listed to export addresses for.", "Export Address",
                   MsgIcon::Information);
        return;
    }
    if (MessageBox("This will create a text file of addresses for all vendors and/or customers "
                   "in the print queue. Continue?",
                   "Export Addresses", MsgIcon::Question, MsgButtons::YesNo) != MsgResult::Yes)
        return;
    const QString path = AskSaveFileName("Export Addresses", "Record List (*.TXT)|*.TXT", "TXT");
    if (path.isEmpty()) return;

    QueueLookup lookup;
    {
        const WaitCursor wait;
        lookup = LookUpQueue(items, false);
    }
    if (!lookup.problem.empty()) {
        MessageBox(FromCp1252(lookup.problem) + " No addresses were exported.", "Export Addresses",
                   MsgIcon::Warning);
        return;
    }
    if (!ReplaceFile(ToPath(path), BuildAddressExport(lookup.records))) {
        MessageBox(
            WithWriteReason("The addresses could not be written to the file \"" + path + "\".",
                            FileWhere::Chosen),
            "Export Addresses", MsgIcon::Error);
        return;
    }
    LabelQueueChanged = false;
    SetStatus("Address text saved to file: " + path + ".");
    MessageBox(lookup.missing.empty()
                   ? QString("All addresses have been exported to text file.")
                   : FromCp1252(NotOnFileText(lookup.missing,
                                              "The other addresses have been exported to text "
                                              "file.")),
               "Export Complete", MsgIcon::Information);
}
