// Form letters: filling the keywords, the merge print over real customer files (to a real
// PDF and to the recording printer), and the Form Letter Wizard's file commands and questions.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QProcess>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolButton>
#include <memory>

#include "platform/application.h"
#include "platform/rich_text/rtf_reader.h"
#include "reports/letters/letter_merge.h"
#include "reports/letters/letter_ruler.h"
#include "reports/letters/letter_wizard_window.h"
#include "shell/data_folder.h"
#include "tests/reports/label_print_fixture.h"
#include "tests/support/pdf_read.h"
#include "tests/support/qt_print.h"

namespace {

// Every keyword on a line of its own, after its name in small letters (which is not filled).
QString AllKeywordsLetter() {
    QStringList lines;
    for (const MergeKeyword& k : MergeKeywords())
        lines << QString("%1: %2").arg(QString(k.keyword).toLower(), k.keyword);
    return lines.join('\n');
}

TEST(LetterKeywords, ListAndValuesFollowTheTable) {
    ASSERT_EQ(MergeKeywords().size(), 31u);
    const QStringList entries = KeywordListEntries();
    ASSERT_EQ(entries.size(), 30);
    EXPECT_TRUE(std::is_sorted(entries.begin(), entries.end()));
    EXPECT_TRUE(entries.contains("LWCSTNAME - Customer Name"));
    EXPECT_TRUE(entries.contains("LWCSTAOV90 - Customer Aging Amount (0ver 90 days)"));
    EXPECT_FALSE(entries.join(' ').contains("LWCMPADD5"));

    CustomerRec customer;
    customer.set(Customer::Name, "  Alder Ltd  ");
    customer.set(Customer::LastPaymentDate, "2026/03/1 ");
    CompanyRec company;
    company.set(Company::ExtraAddress, " Unit 5");
    const auto values = MergeValues(customer, company);
    ASSERT_EQ(values.size(), 31u);
    EXPECT_EQ(values[1].keyword, "LWCSTNAME");
    EXPECT_EQ(values[1].value, "Alder Ltd");
    EXPECT_EQ(values[2].value, "") << "an empty balance fills in as nothing";
    EXPECT_EQ(values[3].value, "2026/03/1 ") << "the payment date is not trimmed";
    EXPECT_EQ(values[30].value, "Unit 5");
}

TEST(LetterKeywords, OnlyWholeWordsOfTheLetterAreFilled) {
    QTextDocument letter;
    QTextCursor c(&letter);
    c.insertText("Dear ");
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    c.insertText("LWCSTNAME", bold);
    c.insertText(",\nLWCSTADD10 XLWCSTNO lwcstname LWCSTNO_1 (LWCSTNO)\nYours, LWCSTNAME");
    // A value holding keywords is put in as it is, never filled again.
    FillKeywords(letter, {{"LWCSTNO", "C1"}, {"LWCSTNAME", "LWCSTNAME & LWCSTNO"}});
    EXPECT_EQ(letter.toPlainText(),
              "Dear LWCSTNAME & LWCSTNO,\nLWCSTADD10 XLWCSTNO lwcstname LWCSTNO_1 (C1)\n"
              "Yours, LWCSTNAME & LWCSTNO");
    // The value takes the keyword's formatting.
    const QTextBlock first = letter.begin();
    for (auto it = first.begin(); !it.atEnd(); ++it) {
        if (it.fragment().text().contains("&")) {
            EXPECT_EQ(it.fragment().charFormat().fontWeight(), QFont::Bold);
        }
    }
}

TEST(LetterRuler, MarkersAndIndentsAgree) {
    const ParagraphIndents indents{24, -12, 18};
    const MarkerPositions at = PlaceMarkers(indents, 600);
    EXPECT_EQ(at.first, 34);
    EXPECT_EQ(at.left, 18);
    EXPECT_EQ(at.right, 600 - 6 - 32);
    // Held by the middle of a 9-pixel marker, a marker dropped where it stands keeps its
    // indent.
    EXPECT_EQ(FirstIndentAt(at.first, 4), 24);
    EXPECT_EQ(LeftIndentAt(at.left, 4, 24), -12);
    EXPECT_EQ(RightIndentAt(at.right, 4, 600), 18);

    QTextBlockFormat format;
    SetIndents(format, indents);
    EXPECT_EQ(IndentsOf(format), indents);
    // Text never goes left of the margin.
    SetIndents(format, {-10, -20, -5});
    EXPECT_EQ(IndentsOf(format), (ParagraphIndents{0, 0, 0}));
}

// --- the window over real customer files ------------------------------------------------------

class LetterWizardTest : public LabelPrintTest {
protected:
    LetterWizardTest() {
        StoreCustomer("C1", "Alder Ltd", {"12 High St", "Riverton", "", ""},
                      {"Dock 4", "", "", ""});
        StoreCustomer("C2", "LWCSTNAME Birch", {"3 Low Rd", "", "", ""});
        StoreVendor("V1", "Dock & Rope Co.", {"Pier 3", "", "", ""});
        StoreProduct("ROPE-12", "Rope 12 mm", "4.50", "Yard");
        Shell().companies.CurrentCompany.set(Company::ExtraAddress, "Unit 5");
        Create();
        letters_ = std::make_unique<TLetterWiz>();
    }

    TLetterWiz& Letters() { return *letters_; }
    void Type(const QString& text) {
        Letters().RichEdit1->setPlainText(text);
        Letters().RichEdit1->document()->setModified(true);
    }
    void Run(void (TLetterWiz::*handler)()) {
        RunCommand([&] { (Letters().*handler)(); });
    }
    void QueueTwoCustomersAndMore() {
        AddToLabelQueue(LabelKind::Customer, "C1", "Alder Ltd", "", "");
        AddToLabelQueue(LabelKind::Vendor, "V1", "Dock & Rope Co.", "", "");
        AddToLabelQueue(LabelKind::Customer, "C9", "Gone Ltd", "", "");
        AddToLabelQueue(LabelKind::Product, "ROPE-12", "Rope 12 mm", "4.50", "Yard");
        AddToLabelQueue(LabelKind::Customer, "C2", "LWCSTNAME Birch", "", "");
    }
    QStringList JobTitles() const { return DocumentTitles(canvas); }

private:
    std::unique_ptr<TLetterWiz> letters_;
};

TEST_F(LetterWizardTest, MergeOfEveryKeywordForTwoCustomersReadsBackFromPdf) {
    QueueTwoCustomersAndMore();
    QTextDocument letter;
    letter.setPlainText(AllKeywordsLetter());
    UseRealPrinter();
    const QString pdf = QPath("letter.pdf");
    SetPdfOutput(pdf);
    const MergeOutcome outcome = PrintMergedLetters(
        Printer(), letter, "letter", lblwiz->QueueItems(), Shell().companies.CurrentCompany);
    SetPdfOutput({});
    EXPECT_TRUE(outcome.EndedWell()) << outcome.problem.toStdString();
    EXPECT_EQ(outcome.printed, 2);
    EXPECT_EQ(outcome.missing, std::vector<std::string>{"customer C9"});

    // One file, each letter on a page of its own.
    ASSERT_EQ(testsupport::PdfPages(pdf), 2);
    const QString first = testsupport::PdfText(pdf, 1);
    const QString second = testsupport::PdfText(pdf, 2);
    for (const char* line :
         {"lwcstno: C1", "lwcstname: Alder Ltd", "lwcstadd1: 12 High St", "lwcstadd2: Riverton",
          "lwcstshp1: Dock 4", "lwcmpname: Harbour Supplies", "lwcmpadd1: 1 Quay Road",
          "lwcmpadd2: Portsmouth", "lwcmpadd5: Unit 5"})
        EXPECT_TRUE(first.contains(line)) << line << "\n" << first.toStdString();
    EXPECT_TRUE(second.contains("lwcstno: C2"));
    EXPECT_TRUE(second.contains("lwcstname: LWCSTNAME Birch"));
    // Every keyword was replaced: none is left in capitals.
    for (const MergeKeyword& k : MergeKeywords())
        EXPECT_FALSE(first.contains(k.keyword)) << k.keyword;
}

TEST_F(LetterWizardTest, PrintFromTheWindowCountsTellsAndKeepsTheLetter) {
    QueueTwoCustomersAndMore();
    LabelQueueChanged = true;
    Type("Dear LWCSTNAME,");
    host->AnswerPrinterDialog(true)
        .Answer(MsgResult::No, "Save changes to Untitled?", "Please Confirm")
        .Answer(MsgResult::Ok, {}, "Letter Wizard");
    Run(&TLetterWiz::FilePrint);
    EXPECT_TRUE(host->LastMessage()->text.contains("customer C9"))
        << host->LastMessage()->text.toStdString();
    EXPECT_EQ(JobTitles(), (QStringList{"Untitled", "Untitled"}));
    EXPECT_NE(canvas.FindText("Dear Alder Ltd,"), nullptr);
    EXPECT_NE(canvas.FindText("Dear LWCSTNAME Birch,"), nullptr);
    EXPECT_EQ(Letters().ProcessingPanel->text(), "Processing letter 2 of 5...");
    EXPECT_TRUE(Letters().ProcessingPanel->isHidden());
    EXPECT_FALSE(Letters().RichEdit1->isHidden());
    // The editor shows the letter with its keywords, its unsaved change still marked.
    EXPECT_EQ(Letters().RichEdit1->toPlainText(), "Dear LWCSTNAME,");
    EXPECT_TRUE(Letters().RichEdit1->document()->isModified());
    EXPECT_FALSE(LabelQueueChanged);

    // A print job that fails leaves the queue marked.
    LabelQueueChanged = true;
    canvas.FailNextBegin();
    host->AnswerPrinterDialog(true).Answer(MsgResult::No).Answer(MsgResult::Ok);
    Run(&TLetterWiz::FilePrint);
    EXPECT_TRUE(LabelQueueChanged);
    EXPECT_FALSE(Letters().RichEdit1->isHidden());
}

TEST_F(LetterWizardTest, PrintRefusesAnEmptyQueueThenAnEmptyLetterAndStopsWhenAsked) {
    Type("");
    host->Answer(MsgResult::Ok,
                 "You do not have any customer records listed in the Label print queue.",
                 "Letter Wizard");
    Run(&TLetterWiz::FilePrint);
    QueueTwoCustomersAndMore();
    host->Answer(MsgResult::Ok,
                 "You do not have any text to print. You need to create or open an existing "
                 "letter.",
                 "Letter Wizard");
    Run(&TLetterWiz::FilePrint);
    // The print dialog cancelled, then the save question cancelled: nothing printed.
    Type("Dear LWCSTNAME,");
    host->AnswerPrinterDialog(false);
    Run(&TLetterWiz::FilePrint);
    host->AnswerPrinterDialog(true).Answer(MsgResult::Cancel, "Save changes to Untitled?");
    Run(&TLetterWiz::FilePrint);
    EXPECT_TRUE(canvas.Calls().empty());
}

TEST_F(LetterWizardTest, SaveChangesQuestionGuardsOpenAndClose) {
    TLetterWiz& w = Letters();
    EXPECT_EQ(w.windowTitle(), "Form Letter Wizard - Untitled");
    ASSERT_TRUE(ReplaceFile(Path("notes.TXT"), "Dear LWCSTNAME,\r\ncaf\xe9\r\n"));

    Type("first draft");
    // Cancel: nothing opens.
    host->Answer(MsgResult::Cancel, "Save changes to Untitled?", "Please Confirm");
    Run(&TLetterWiz::FileOpen);
    // Yes on an untitled letter asks for a name; cancelling that stops the open too.
    host->Answer(MsgResult::Yes).AnswerFile({});
    Run(&TLetterWiz::FileOpen);
    EXPECT_EQ(w.RichEdit1->toPlainText(), "first draft");
    // No: the plain text file opens, read-only as the box asked.
    host->Answer(MsgResult::No).AnswerFile(QPath("notes.TXT"), true);
    Run(&TLetterWiz::FileOpen);
    EXPECT_EQ(w.RichEdit1->toPlainText(), "Dear LWCSTNAME,\ncaf\u00e9\n");
    EXPECT_TRUE(w.RichEdit1->isReadOnly());
    EXPECT_FALSE(w.RichEdit1->document()->isModified());
    EXPECT_EQ(w.windowTitle(), "Form Letter Wizard - notes.TXT");

    // Saving always writes rich text, whatever the name; the file then opens as rich text.
    w.RichEdit1->setReadOnly(false);
    Type("Dear LWCSTNAME,");
    Run(&TLetterWiz::FileSave);
    EXPECT_TRUE(LooksLikeRtf(QByteArrayView(ReadWholeFile(Path("notes.TXT")).value_or(""))));
    host->AnswerFile(QPath("notes.TXT"));
    Run(&TLetterWiz::FileOpen);
    EXPECT_EQ(w.RichEdit1->toPlainText(), "Dear LWCSTNAME,");
    // Opening is no edit: Undo right after it changes nothing.
    w.RichEdit1->undo();
    EXPECT_FALSE(w.RichEdit1->document()->isModified());

    // "&New" drops a changed letter without asking.
    Type("scribble");
    Run(&TLetterWiz::FileNew);
    EXPECT_EQ(w.windowTitle(), "Form Letter Wizard - Untitled");
    EXPECT_TRUE(w.RichEdit1->document()->isEmpty());

    // Closing asks; Cancel keeps the window up, No closes.
    Type("unsaved");
    host->OnModal("LetterWiz", [&](Form&) {
        host->Answer(MsgResult::Cancel, "Save changes to Untitled?");
        PressButton(w, "SpeedButton3");
        EXPECT_EQ(w.ModalResult(), Modal::None);
        host->Answer(MsgResult::No);
        PressButton(w, "SpeedButton3");
    });
    EXPECT_EQ(w.ShowModal(), Modal::Cancel);
}

TEST_F(LetterWizardTest, SaveAsAsksBeforeReplacingAndBadFilesKeepTheLetter) {
    TLetterWiz& w = Letters();
    ASSERT_TRUE(ReplaceFile(Path("old.rtf"), "{\\rtf1 old}"));
    Type("new text");
    host->AnswerFile(QPath("old.rtf"))
        .Answer(MsgResult::No, "OK to overwrite " + QPath("old.rtf"), "Please Confirm");
    Run(&TLetterWiz::FileSaveAs);
    EXPECT_EQ(ReadWholeFile(Path("old.rtf")), "{\\rtf1 old}");
    EXPECT_EQ(w.FileName(), "Untitled");
    host->AnswerFile(QPath("old.rtf")).Answer(MsgResult::Yes);
    Run(&TLetterWiz::FileSaveAs);
    EXPECT_EQ(w.FileName(), QPath("old.rtf"));
    EXPECT_FALSE(w.RichEdit1->document()->isModified());

    // A damaged letter and a missing one are refused with the reason; the editor keeps its
    // letter.
    ASSERT_TRUE(ReplaceFile(Path("cut.rtf"), "{\\rtf1 {\\b cut"));
    host->AnswerFile(QPath("cut.rtf")).Answer(MsgResult::Ok);
    Run(&TLetterWiz::FileOpen);
    EXPECT_TRUE(host->LastMessage()->text.contains("cut short"));
    host->AnswerFile(QPath("none.rtf")).Answer(MsgResult::Ok);
    Run(&TLetterWiz::FileOpen);
    EXPECT_TRUE(host->LastMessage()->text.contains("No such file"));
    EXPECT_EQ(w.RichEdit1->toPlainText(), "new text");
    EXPECT_EQ(w.FileName(), QPath("old.rtf"));
}

TEST_F(LetterWizardTest, ToolBarFollowsTheTextAndTheRulerSetsIndents) {
    TLetterWiz& w = Letters();
    EXPECT_EQ(w.ComboBox1->count(), 30);
    EXPECT_GT(w.FontName->count(), 0);
    QTextCursor c(w.RichEdit1->document());
    QTextCharFormat big;
    big.setFontWeight(QFont::Bold);
    big.setFontPointSize(14);
    c.insertText("Title", big);
    c.insertBlock();
    c.insertText("body", QTextCharFormat());
    c.setPosition(2);
    w.RichEdit1->setTextCursor(c);
    EXPECT_TRUE(w.BoldButton->isChecked());
    EXPECT_EQ(w.FontSize->value(), 14);
    // Pressing a button applies; the refresh it causes does not apply again.
    PressButton(w, "CenterAlign");
    EXPECT_EQ(w.RichEdit1->textCursor().blockFormat().alignment() & Qt::AlignHorizontal_Mask,
              Qt::AlignHCenter);
    EXPECT_TRUE(w.CenterAlign->isChecked());
    // A size emptied and entered becomes 10.
    w.FontSize->selectAll();
    for (const int key : {Qt::Key_Backspace, Qt::Key_Return}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(w.FontSize, &press);
    }
    EXPECT_EQ(w.FontSize->value(), 10);

    // Dragging the first-line marker 20 pixels right indents the paragraph's first line.
    const int from = w.FirstInd->x();
    const auto mouse = [&](QEvent::Type type, int x) {
        QMouseEvent event(type, QPointF(x, 4), w.FirstInd->mapToGlobal(QPointF(x, 4)),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w.FirstInd, &event);
    };
    mouse(QEvent::MouseButtonPress, 4);
    mouse(QEvent::MouseMove, 24);
    mouse(QEvent::MouseButtonRelease, 4);
    EXPECT_EQ(w.FirstInd->x(), from + 20);
    EXPECT_EQ(IndentsOf(w.RichEdit1->textCursor().blockFormat()).first, 15);
    // A click without a move changes nothing.
    mouse(QEvent::MouseButtonPress, 4);
    mouse(QEvent::MouseButtonRelease, 4);
    EXPECT_EQ(IndentsOf(w.RichEdit1->textCursor().blockFormat()).first, 15);

    PressButton(w, "HelpButton");
    EXPECT_EQ(host->HelpKeywords(), QStringList{"FormWizard"});

    // The main window's command shows the window; its "Queue" button shows the print queue.
    host->OnModal("LetterWiz", [this](Form& f) {
        PressButton(f, "BitBtn3");
        host->Answer(MsgResult::No, "Save changes to Untitled?");
        PressButton(f, "SpeedButton3");
    });
    host->OnModal("lblwiz", [](Form& f) { PressButton(f, "CanButn"); });
    EXPECT_TRUE(RunRegisteredCommand(CommandId::FormLetters));
}

}  // namespace
