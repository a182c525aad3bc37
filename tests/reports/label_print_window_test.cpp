// "&Print Labels" and "Calibration &Ruler" of the print queue window, over real master files:
// what reaches the printer, the refusals, and the queue's changed flag.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <fstream>

#include "platform/list_view.h"
#include "platform/mask_edit.h"
#include "tests/reports/label_print_fixture.h"
#include "tests/support/pdf_read.h"

namespace {

class LabelPrintWindowTest : public LabelPrintTest {
protected:
    LabelPrintWindowTest() {
        StoreCustomer("C1", "Alder Ltd", {"12 High St", "", "Springfield", ""},
                      {"Dock 4", "Harbour Way", "", ""});
        StoreVendor("V1", "Dock & Rope Co.", {"Pier 3", "Seatown", "", ""});
        StoreProduct("ROPE-12", "Rope 12 mm", "4.50", "Yard");
    }

    void QueueAll() {
        AddToLabelQueue(LabelKind::Customer, "C1", "Alder Ltd", "", "");
        AddToLabelQueue(LabelKind::Vendor, "V1", "Dock & Rope Co.", "", "");
        AddToLabelQueue(LabelKind::Product, "ROPE-12", "Rope 12 mm", "4.50", "Yard");
    }

    QStringList TextsAt(const QPoint& topLeft) const {
        QStringList out;
        for (const auto& call : canvas.Texts())
            if (call.p1 == topLeft) out << call.text;
        return out;
    }

    int Lh() const {
        RecordingCanvas measure;
        measure.SetFont({"Liberation Sans", 10, 0, 0});
        return measure.TextHeight("MXjpy");
    }
};

}  // namespace

TEST_F(LabelPrintWindowTest, PrintsCopiesOfEveryRowFromTheRecordsOnFile) {
    Tlblwiz& w = CreateWithLayout();
    QueueAll();
    ASSERT_TRUE(LabelQueueChanged);
    w.LabelCopies->setValue(2);
    PressButton(w, "PrnButn");

    EXPECT_EQ(w.StatusText(), "Complete. 6 label(s) sent to printer.");
    EXPECT_FALSE(LabelQueueChanged);
    EXPECT_EQ(canvas.Calls().front().text, "Mailing Labels");
    EXPECT_EQ(canvas.Pages(), 1);
    const int lh = Lh();
    // Row 1 twice across the first row of the sheet, then the vendor, then the product.
    EXPECT_EQ(TextsAt({50, 125}), QStringList{"Alder Ltd"});
    EXPECT_EQ(TextsAt({875, 125}), QStringList{"Alder Ltd"});
    EXPECT_EQ(TextsAt({50, 125 + lh}), QStringList{"12 High St"});
    EXPECT_EQ(TextsAt({50, 125 + 2 * lh}), QStringList{});  // the empty line keeps its place
    EXPECT_EQ(TextsAt({50, 125 + 3 * lh}), QStringList{"Springfield"});
    EXPECT_EQ(TextsAt({875, 425}), QStringList{"Dock & Rope Co."});
    EXPECT_EQ(TextsAt({875, 725 + 2 * lh}), QStringList{"4.50"});
    EXPECT_EQ(TextsAt({875, 725 + 3 * lh}), QStringList{"Yard"});
    // The queue itself is left as it was.
    EXPECT_EQ(w.LabelList->Count(), 3);

    // With the shipping address; start label and copies keep their values until shown again.
    canvas.Clear();
    CheckButton(w, "CheckBox1", true);
    w.LblStart->setValue(3);
    PressButton(w, "PrnButn");
    EXPECT_EQ(TextsAt({50, 425 + lh}), QStringList{"Dock 4"});
    EXPECT_EQ(w.StatusText(), "Complete. 6 label(s) sent to printer.");
    EXPECT_EQ(canvas.Pages(), 2);
}

TEST_F(LabelPrintWindowTest, RefusalsPrintNothingAndKeepTheFlag) {
    Tlblwiz& w = CreateWithLayout();
    host->Answer(MsgResult::Ok, "You do not have any customer records listed in the print queue.",
                 "Print Labels");
    PressButton(w, "PrnButn");
    EXPECT_EQ(host->LastMessage()->icon, MsgIcon::Information);

    QueueAll();
    FillControl(w, "RowsDown", "");
    host->Answer(MsgResult::Ok,
                 "You have an empty layout definition field. All six fields are required. "
                 "Unable to print.",
                 "Print Labels");
    PressButton(w, "PrnButn");
    EXPECT_EQ(host->LastMessage()->icon, MsgIcon::Warning);

    FillControl(w, "RowsDown", "3");
    FillControl(w, "ColAcross", "0");
    host->Answer(MsgResult::Ok,
                 "The number of columns across must be at least 1. Unable to print.");
    PressButton(w, "PrnButn");

    // The start label must be on the first sheet (6 labels).
    FillControl(w, "ColAcross", "2");
    w.LblStart->setValue(7);
    host->Answer(MsgResult::Ok);
    PressButton(w, "PrnButn");
    EXPECT_TRUE(host->LastMessage()->text.contains("cannot start at label 7"));

    EXPECT_TRUE(canvas.Calls().empty());
    EXPECT_TRUE(LabelQueueChanged);
    EXPECT_EQ(w.StatusText(), "Ready. Add and remove records as needed or select print button.");
}

TEST_F(LabelPrintWindowTest, RowsNoLongerOnFileAreToldAndGetNoLabel) {
    StoreCustomer("ABCDEFGH", "Eight Chars Ltd", {"Somewhere", "", "", ""});
    Tlblwiz& w = CreateWithLayout();
    AddToLabelQueue(LabelKind::Customer, "C404", "Gone Ltd", "", "");
    LabelQueueChanged = false;
    host->Answer(MsgResult::Ok,
                 "These records of the print queue are no longer on file: customer C404. No "
                 "labels were printed.",
                 "Print Labels");
    PressButton(w, "PrnButn");
    EXPECT_TRUE(canvas.Calls().empty());

    // A number longer than the field names no customer, although its first 8 characters do.
    AddToLabelQueue(LabelKind::Customer, "ABCDEFGHIJ", "Ten Chars", "", "");
    AddToLabelQueue(LabelKind::Customer, "C1", "Alder Ltd", "", "");
    host->Answer(MsgResult::Ok,
                 "These records of the print queue are no longer on file: customer C404, "
                 "customer ABCDEFGHIJ. No label was printed for them.",
                 "Print Labels");
    PressButton(w, "PrnButn");
    EXPECT_EQ(w.StatusText(), "Complete. 1 label(s) sent to printer.");
    EXPECT_NE(canvas.FindText("Alder Ltd"), nullptr);
    EXPECT_EQ(canvas.FindText("Eight Chars Ltd"), nullptr);
    EXPECT_FALSE(LabelQueueChanged);
}

TEST_F(LabelPrintWindowTest, AChangedLayoutIsOfferedForSavingFirst) {
    Tlblwiz& w = CreateWithLayout();
    QueueAll();
    // The font, the description and the check boxes not saved with it are not compared.
    FillControl(w, "Edit1", "Renamed");
    CheckButton(w, "CheckBox1", true);
    PressButton(w, "PrnButn");
    EXPECT_TRUE(host->Messages().isEmpty());

    FillControl(w, "TMargin", "60");
    const QString question =
        "Your layout settings have changed. Do you want to save the changes before printing?";
    host->Answer(MsgResult::No, question, "Print Labels");
    canvas.Clear();
    PressButton(w, "PrnButn");
    EXPECT_EQ(canvas.FindText("Alder Ltd")->p1, QPoint(50, 60));
    EXPECT_EQ(w.CurrentLabelLayout.get(LabelLayout::TopMargin), "125");

    host->Answer(MsgResult::Yes, question).AnswerFile(QPath("changed.LBL"));
    PressButton(w, "PrnButn");
    const auto saved = ReadLabelLayoutFile(Path("changed.LBL"));
    ASSERT_TRUE(saved.value);
    EXPECT_EQ(saved.value->get(LabelLayout::TopMargin), "60 ");
    // Saved, it is the layout: the next run asks nothing.
    PressButton(w, "PrnButn");
    host->VerifyAllUsed();
    EXPECT_EQ(host->Messages().size(), 2);
}

TEST_F(LabelPrintWindowTest, ReturnAddressComesFromTheCompanyWithTheChosenBitmap) {
    QImage logo(90, 40, QImage::Format_RGB32);
    logo.fill(Qt::darkGreen);
    ASSERT_TRUE(logo.save(QPath("logo.bmp"), "BMP"));
    LabelLayoutRec layout = SheetLayout();
    layout.set(LabelLayout::PrintReturnAddress, true);
    layout.set(LabelLayout::BitmapPath, Path("logo.bmp"));
    layout.set(LabelLayout::PrintLine, true);
    layout.set(LabelLayout::LineWidth, "0");
    layout.set(LabelLayout::Caption, " To: ");
    Tlblwiz& w = CreateWithLayout(layout);
    AddToLabelQueue(LabelKind::Customer, "C1", "Alder Ltd", "", "");
    PressButton(w, "PrnButn");

    const int lh = Lh();
    EXPECT_EQ(TextsAt({50 + 90 + 25, 125}), QStringList{"Harbour Supplies"});
    EXPECT_EQ(TextsAt({50 + 90 + 25, 125 + 2 * lh}), QStringList{"Portsmouth"});
    EXPECT_EQ(TextsAt({50, 125 + 6 * lh}), QStringList{"To:"});
    RecordingCanvas measure;
    measure.SetFont({"Liberation Sans", 10, 0, 0});
    EXPECT_EQ(canvas.FindText("Alder Ltd")->p1.x(), 50 + measure.TextWidth("To:X"));
    const auto line = std::find_if(canvas.Calls().begin(), canvas.Calls().end(),
                                   [](const auto& c) { return c.op == RecordingCanvas::Op::Line; });
    ASSERT_NE(line, canvas.Calls().end());
    EXPECT_EQ(line->penWidth, 1);  // a line width of 0 draws 1 wide

    // A bitmap that is gone is passed over in silence; one that cannot be read is told.
    canvas.Clear();
    std::filesystem::remove(Path("logo.bmp"));
    PressButton(w, "PrnButn");
    EXPECT_EQ(TextsAt({50, 125}), QStringList{"Harbour Supplies"});
    std::ofstream(Path("logo.bmp"), std::ios::binary) << "no image here";
    host->Answer(MsgResult::Ok);
    PressButton(w, "PrnButn");
    EXPECT_TRUE(host->LastMessage()->text.contains("cannot be read"));
    EXPECT_EQ(w.StatusText(), "Complete. 1 label(s) sent to printer.");
}

TEST_F(LabelPrintWindowTest, APrinterThatFailsKeepsTheFlagAndSaysSo) {
    Tlblwiz& w = CreateWithLayout();
    QueueAll();
    canvas.FailNextBegin();
    host->Answer(MsgResult::Ok);
    PressButton(w, "PrnButn");
    EXPECT_TRUE(host->LastMessage()->text.contains("Mailing Labels"));
    EXPECT_TRUE(LabelQueueChanged);
    EXPECT_FALSE(canvas.Printing());
    EXPECT_EQ(w.StatusText(), "The labels could not be printed.");
}

TEST_F(LabelPrintWindowTest, RulerAsksFirstAndLeavesTheQueueAlone) {
    // The ruler needs no layout and no queue.
    Tlblwiz& w = Create();
    EXPECT_FALSE(w.PrnButn->isEnabled());
    EXPECT_TRUE(w.ExportText->isEnabled());
    const QString question =
        "This feature will print the calibration ruler on your printer. You can use it to help "
        "you calculate margin settings. Continue?";
    host->Answer(MsgResult::No, question, "Please Confirm");
    Trigger(w.CalibrationRuler1);
    EXPECT_TRUE(canvas.Calls().empty());

    AddToLabelQueue(LabelKind::Customer, "C1", "Alder Ltd", "", "");
    host->Answer(MsgResult::Yes, question, "Please Confirm");
    Trigger(w.CalibrationRuler1);
    EXPECT_EQ(w.StatusText(), "Calibration ruler sent to printer.");
    EXPECT_NE(canvas.FindText("1500"), nullptr);
    EXPECT_TRUE(LabelQueueChanged);
}

TEST_F(LabelPrintWindowTest, LabelsReadBackFromARealPdf) {
    Tlblwiz& w = CreateWithLayout();
    QueueAll();
    UseRealPrinter();
    const QString path = QPath("labels.pdf");
    SetPdfOutput(path);
    PressButton(w, "PrnButn");
    SetPdfOutput({});
    EXPECT_EQ(w.StatusText(), "Complete. 3 label(s) sent to printer.");
    const QString text = testsupport::PdfText(path);
    for (const char* part : {"Alder Ltd", "Dock & Rope Co.", "12 High St", "Springfield", "Pier 3",
                             "ROPE-12", "Rope 12 mm", "Yard"})
        EXPECT_TRUE(text.contains(part)) << part << "\n" << text.toStdString();
}
