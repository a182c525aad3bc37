// The print queue window: layouts on disk, start-up, the queue's commands and its flag.
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <fstream>

#include "platform/list_view.h"
#include "platform/mask_edit.h"
#include "tests/reports/label_window_fixture.h"

namespace {

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// An sN field as the record holds it: length byte, text, zeros.
std::string Field(const std::string& text, int width) {
    return std::string(1, static_cast<char>(text.size())) + text +
           std::string(width - text.size(), '\0');
}

std::string Le32(int32_t v) {
    std::string out;
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
    return out;
}

void FillLayout(Tlblwiz& w) {
    FillControl(w, "Edit1", "Address labels 3 x 10");
    FillControl(w, "LMargin", "50");
    FillControl(w, "TMargin", "125");
    FillControl(w, "ColAcross", "3");
    FillControl(w, "RowsDown", "9");
    FillControl(w, "LWdth", "825");
    FillControl(w, "LHght", "300");
    CheckButton(w, "CheckBox1", true);
}

}  // namespace

TEST_F(LabelWindowTest, SavedLayoutIsByteExactAndOpensBack) {
    Tlblwiz& w = Create();
    // Without a layout file a first layout is made by filling the controls and saving it.
    EXPECT_EQ(w.StatusText(), "Open a label layout file (Label Menu)...");
    EXPECT_TRUE(w.SaveAs1->isEnabled());
    EXPECT_TRUE(w.FontButn->isEnabled());
    EXPECT_FALSE(w.PrnButn->isEnabled());

    FillLayout(w);
    host->AnswerFont(
        FontSpec{"Liberation Serif", 12, 0x000080, FontStyle::Bold | FontStyle::Italic});
    PressButton(w, "FontButn");
    EXPECT_EQ(w.CFName->text(), "Liberation Serif");
    CheckButton(w, "UseCmpAdd", true);
    host->AnswerFile(QPath("logo.bmp"));
    PressButton(w, "BitMpButn");
    CheckButton(w, "PLine", true);
    FillControl(w, "MaskEdit1", "2");
    FillControl(w, "CaptName", "Ship to:");

    host->AnswerFile(QPath("sheet.LBL"));
    Trigger(w.SaveAs1);

    std::string expected =
        Field("Address labels 3 x 10", 50) + Field("50 ", 3) + Field("125", 3) + Field("3", 1) +
        Field("9 ", 2) + Field("825 ", 4) + Field("300 ", 4) + Field("Liberation Serif", 32) +
        std::string(1, '\0') + Le32(12) + Le32(0x000080) + "\x03" + "\x01" + "\x01" +
        Field(Path("logo.bmp"), 255) + std::string(51, '\0') + "\x01" + Field("2", 1) +
        std::string(2, '\0') + Field("Ship to:", 10) + std::string(2, '\0');
    ASSERT_EQ(expected.size(), 444u);
    EXPECT_EQ(FileBytes(Path("sheet.LBL")), expected);
    EXPECT_EQ(FileBytes(Path("Lastlbl.DAT")), Field(Path("sheet.LBL"), 255));

    // A fresh window opens it: every control as saved, the masked blanks kept.
    Destroy();
    Tlblwiz& again = Create();
    EXPECT_EQ(again.StatusText(),
              "Ready. Add and remove records as needed or select print button.");
    EXPECT_EQ(again.Edit1->text(), "Address labels 3 x 10");
    EXPECT_EQ(again.LMargin->Text(), "50 ");
    EXPECT_EQ(again.RowsDown->Text(), "9 ");
    EXPECT_EQ(again.LHght->Text(), "300 ");
    EXPECT_TRUE(again.CheckBox1->isChecked());
    EXPECT_TRUE(again.UseCmpAdd->isChecked());
    EXPECT_TRUE(again.PLine->isEnabled());
    EXPECT_EQ(again.BMapName->text(), QPath("logo.bmp"));
    EXPECT_EQ(again.CaptName->text(), "Ship to:");
    EXPECT_EQ(again.FontDialog1, (FontSpec{"Liberation Serif", 12, 0x000080, 3}));
    EXPECT_TRUE(again.SaveAs1->isEnabled());
    EXPECT_TRUE(again.Records1->menuAction()->isEnabled());
    // Start-up neither rewrites the last-layout file nor makes the copy.
    EXPECT_FALSE(std::filesystem::exists(Path("Label.Dat")));

    // Saved again unchanged, the file is the same byte for byte.
    host->AnswerFile(QPath("copy.LBL"));
    Trigger(again.SaveAs1);
    EXPECT_EQ(FileBytes(Path("copy.LBL")), expected);
    EXPECT_EQ(again.CurrentLabelLayout.bytes().size(), 444u);

    // Opening makes the copy and remembers the path.
    host->AnswerFile(QPath("sheet.LBL"));
    Trigger(again.Open2);
    EXPECT_EQ(FileBytes(Path("Label.Dat")), expected);
    EXPECT_EQ(FileBytes(Path("Lastlbl.DAT")), Field(Path("sheet.LBL"), 255));
}

// A first layout saved with "Save As" is the one in use at once: printing and the queue's
// commands need no reopening of the file just saved.
TEST_F(LabelWindowTest, ANewLayoutSavedIsReadyForPrinting) {
    Tlblwiz& w = Create();
    ASSERT_FALSE(w.PrnButn->isEnabled());
    FillLayout(w);
    host->AnswerFile({});  // cancelled: nothing changes
    Trigger(w.SaveAs1);
    EXPECT_FALSE(w.PrnButn->isEnabled());
    host->AnswerFile(QPath("first.LBL"));
    Trigger(w.SaveAs1);
    for (QWidget* control : std::initializer_list<QWidget*>{
             w.PrnButn, w.AddOne, w.SpeedButton2, w.SavetoFile, w.SpeedButton3, w.LoadFrmFile})
        EXPECT_TRUE(control->isEnabled()) << control->objectName().toStdString();
    EXPECT_TRUE(w.Records1->menuAction()->isEnabled());
    EXPECT_EQ(w.StatusText(), "Ready. Add and remove records as needed or select print button.");
}

TEST_F(LabelWindowTest, ReturnAddressOffStoresABlankPathAndNoLine) {
    Tlblwiz& w = Create();
    w.SaveAs1->setEnabled(true);
    FillLayout(w);
    CheckButton(w, "UseCmpAdd", true);
    CheckButton(w, "PLine", true);
    host->AnswerFile(QPath("logo.bmp"));
    PressButton(w, "BitMpButn");
    CheckButton(w, "UseCmpAdd", false);
    EXPECT_FALSE(w.PLine->isEnabled());
    EXPECT_TRUE(w.PLine->isChecked());
    EXPECT_EQ(w.BMapName->text(), "");

    host->AnswerFile(QPath("plain.LBL"));
    Trigger(w.SaveAs1);
    const std::string bytes = FileBytes(Path("plain.LBL"));
    ASSERT_EQ(bytes.size(), 444u);
    EXPECT_EQ(bytes.substr(118, 3), std::string("\0\x01 ", 3));
    EXPECT_EQ(bytes.substr(121, 254), std::string(254, '\0'));
    EXPECT_EQ(bytes[426], '\0');
}

TEST_F(LabelWindowTest, DamagedLayoutFileLeavesTheCurrentLayout) {
    Tlblwiz& w = Create();
    w.SaveAs1->setEnabled(true);
    FillLayout(w);
    host->AnswerFile(QPath("good.LBL"));
    Trigger(w.SaveAs1);
    const LabelLayoutRec before = w.CurrentLabelLayout;

    std::ofstream(Path("bad.LBL"), std::ios::binary) << "not a layout";
    host->AnswerFile(QPath("bad.LBL"));
    host->Answer(MsgResult::Ok);
    Trigger(w.Open2);
    EXPECT_TRUE(host->LastMessage()->text.contains("bad.LBL"));
    EXPECT_EQ(host->LastMessage()->icon, MsgIcon::Error);
    EXPECT_EQ(w.CurrentLabelLayout, before);
    EXPECT_EQ(FileBytes(Path("Lastlbl.DAT")), Field(Path("good.LBL"), 255));

    // Cancelling the dialog changes nothing either.
    host->AnswerFile({});
    Trigger(w.Open2);
    EXPECT_EQ(w.CurrentLabelLayout, before);
}

TEST_F(LabelWindowTest, StartUpWithARemovedLayoutForgetsIt) {
    {
        Tlblwiz& w = Create();
        w.SaveAs1->setEnabled(true);
        host->AnswerFile(QPath("gone.LBL"));
        Trigger(w.SaveAs1);
        Destroy();
    }
    std::filesystem::remove(Path("gone.LBL"));

    Tlblwiz& w = Create();
    EXPECT_FALSE(std::filesystem::exists(Path("Lastlbl.DAT")));
    EXPECT_EQ(w.StatusText(), "Open a label layout file (Label Menu)...");
    EXPECT_FALSE(w.PrnButn->isEnabled());
    EXPECT_TRUE(w.AddOne->isEnabled());
    EXPECT_TRUE(w.SaveAs1->isEnabled());

    // The next start-up is a first start: the queue commands wait for a layout.
    Destroy();
    Tlblwiz& next = Create();
    for (QWidget* c :
         std::initializer_list<QWidget*>{next.AddOne, next.SpeedButton2, next.SavetoFile,
                                         next.SpeedButton3, next.LoadFrmFile})
        EXPECT_FALSE(c->isEnabled()) << c->objectName().toStdString();
    EXPECT_FALSE(next.Records1->menuAction()->isEnabled());
    // A first layout can still be made and saved.
    EXPECT_TRUE(next.FontButn->isEnabled());
    EXPECT_TRUE(next.SaveAs1->isEnabled());
    EXPECT_TRUE(next.Open2->isEnabled());
}

TEST_F(LabelWindowTest, StartUpWithDamagedFilesSaysSoAndStartsEmpty) {
    std::ofstream(Path("Lastlbl.DAT"), std::ios::binary) << "truncated";
    host->Answer(MsgResult::Ok);
    Tlblwiz& w = Create();
    EXPECT_TRUE(host->LastMessage()->text.contains("Lastlbl.DAT"));
    EXPECT_FALSE(w.PrnButn->isEnabled());
    EXPECT_EQ(w.CurrentLabelLayout, LabelLayoutRec{});
    Destroy();

    std::ofstream(Path("short.LBL"), std::ios::binary) << std::string(443, ' ');
    ASSERT_TRUE(WriteLastLabelPath(DataFolder(dir.path()), Path("short.LBL")));
    host->Answer(MsgResult::Ok);
    Tlblwiz& again = Create();
    EXPECT_TRUE(host->LastMessage()->text.contains("short.LBL"));
    EXPECT_EQ(again.CurrentLabelLayout, LabelLayoutRec{});
    // The damaged layout is not forgotten: the user may restore it.
    EXPECT_TRUE(std::filesystem::exists(Path("Lastlbl.DAT")));
}

TEST_F(LabelWindowTest, ListFileSaveLoadAndTheChangedFlag) {
    Tlblwiz& w = Create();
    EXPECT_FALSE(LabelQueueChanged);
    AddToLabelQueue(LabelKind::Customer, "C100", std::string(35, 'n'), "SORTCODE-ABCDEF", "Retail");
    EXPECT_TRUE(LabelQueueChanged);
    AddToLabelQueue(LabelKind::Vendor, "V7", "Dock & Rope Co.", "", "Marine");
    AddToLabelQueue(LabelKind::Product, "ABCDEFGHIJ", "Widget", "9.00", "Shelf 2");
    const auto rows = w.QueueItems();

    // Saving clears the flag; sorting and deleting do not set it.
    w.SavetoFile->setEnabled(true);
    host->AnswerFile(QPath("queue.LST"));
    PressButton(w, "SavetoFile");
    EXPECT_FALSE(LabelQueueChanged);
    EXPECT_EQ(w.StatusText(), "Records saved to file: " + QPath("queue.LST") + ".");
    emit w.LabelList->header()->sectionClicked(1);
    EXPECT_FALSE(LabelQueueChanged);
    w.LabelList->setCurrentItem(w.LabelList->Item(0));
    w.SpeedButton2->setEnabled(true);
    PressButton(w, "SpeedButton2");
    EXPECT_EQ(w.LabelList->Count(), 2);
    EXPECT_EQ(w.StatusText(), "2 records are selected.");
    EXPECT_FALSE(LabelQueueChanged);

    // Clearing asks; No keeps the rows.
    w.SpeedButton3->setEnabled(true);
    host->Answer(MsgResult::No, "This will clear all records in the print queue. Continue?",
                 "Please Confirm");
    PressButton(w, "SpeedButton3");
    EXPECT_EQ(w.LabelList->Count(), 2);
    LabelQueueChanged = true;
    host->Answer(MsgResult::Yes);
    PressButton(w, "SpeedButton3");
    EXPECT_EQ(w.LabelList->Count(), 0);
    EXPECT_FALSE(LabelQueueChanged);
    EXPECT_EQ(w.StatusText(), "All records were removed from the queue.");

    // Loaded into the empty queue: the same rows; loaded again: every row twice.
    w.LoadFrmFile->setEnabled(true);
    host->AnswerFile(QPath("queue.LST"));
    PressButton(w, "LoadFrmFile");
    EXPECT_EQ(w.QueueItems(), rows);
    EXPECT_TRUE(LabelQueueChanged);
    EXPECT_EQ(w.StatusText(), "3 records are selected.");
    host->AnswerFile(QPath("queue"));  // the default extension is added
    PressButton(w, "LoadFrmFile");
    auto twice = rows;
    twice.insert(twice.end(), rows.begin(), rows.end());
    EXPECT_EQ(w.QueueItems(), twice);
    // Every list dialog starts in the data folder, where the company's other files are.
    for (const ScriptedHost::Shown& shown : host->Record())
        if (shown.kind == ScriptedHost::Kind::File)
            EXPECT_EQ(shown.directory, QString::fromStdString(dir.path().string()));
}

TEST_F(LabelWindowTest, BadListFileLoadsNothing) {
    Tlblwiz& w = Create();
    AddToLabelQueue(LabelKind::Customer, "C1", "Kept", "", "");
    LabelQueueChanged = false;
    std::ofstream(Path("bad.LST"), std::ios::binary)
        << BuildListFileLine(MakeLabelQueueItem(LabelKind::Vendor, "V1", "Fine", "", ""))
        << "\r\nthis is no list line\r\n";
    w.LoadFrmFile->setEnabled(true);
    host->AnswerFile(QPath("bad.LST"));
    host->Answer(MsgResult::Ok);
    PressButton(w, "LoadFrmFile");
    EXPECT_TRUE(host->LastMessage()->text.contains("line 2"));
    EXPECT_EQ(w.LabelList->Count(), 1);
    EXPECT_FALSE(LabelQueueChanged);
}

TEST_F(LabelWindowTest, EmptyQueueAndNoSelectionAreRefusedPolitely) {
    Tlblwiz& w = Create();
    for (QWidget* c : std::initializer_list<QWidget*>{w.SavetoFile, w.SpeedButton2, w.SpeedButton3})
        c->setEnabled(true);
    host->Answer(MsgResult::Ok, "You do not have any customer records to save.", "Save Records");
    PressButton(w, "SavetoFile");
    PressButton(w, "SpeedButton3");
    EXPECT_EQ(host->Beeps(), 1);
    AddToLabelQueue(LabelKind::Customer, "C1", "One", "", "");
    w.LabelList->clearSelection();
    host->Answer(MsgResult::Ok, {}, "Delete Record");
    PressButton(w, "SpeedButton2");
    EXPECT_EQ(w.LabelList->Count(), 1);
    // A save dialog cancelled keeps the flag.
    host->AnswerFile({});
    PressButton(w, "SavetoFile");
    EXPECT_TRUE(LabelQueueChanged);
}

TEST_F(LabelWindowTest, SortingIsAscendingByTextOfTheColumn) {
    Tlblwiz& w = Create();
    AddToLabelQueue(LabelKind::Product, "P2", "Nut", "9.00", "Bin b");
    AddToLabelQueue(LabelKind::Customer, "C1", "Zed", "", "");
    AddToLabelQueue(LabelKind::Product, "P1", "Bolt", "10.00", "Bin a");
    AddToLabelQueue(LabelKind::Vendor, "V1", "Alpha", "", "");
    AddToLabelQueue(LabelKind::Customer, "C2", "Able", "", "");
    const auto column = [&w](int c) {
        QStringList out;
        for (int i = 0; i < w.LabelList->Count(); ++i) out << w.LabelList->Item(i)->text(c);
        return out;
    };
    emit w.LabelList->header()->sectionClicked(4);
    EXPECT_EQ(column(4), (QStringList{"C", "C", "P", "P", "V"}));
    EXPECT_EQ(column(0), (QStringList{"C1", "C2", "P2", "P1", "V1"}));  // stable within a kind
    emit w.LabelList->header()->sectionClicked(2);
    EXPECT_EQ(column(2).mid(3), (QStringList{"10.00", "9.00"}));
    emit w.LabelList->header()->sectionClicked(2);  // no descending toggle
    EXPECT_EQ(column(2).mid(3), (QStringList{"10.00", "9.00"}));
}

TEST_F(LabelWindowTest, ShowingSetsAgingCaptionsAndResetsCounters) {
    Tlblwiz& w = Create();
    // Without aging settings the buttons keep captions that can be seen.
    host->OnModal("lblwiz", [](Form& f) {
        auto& win = static_cast<Tlblwiz&>(f);
        EXPECT_EQ(win.zero30->text(), "0-30");
        EXPECT_EQ(win.AOver90->text(), "Over 90");
        PressButton(win, "CanButn");
    });
    w.ShowModal();

    CompanyRec& company = Shell().companies.CurrentCompany;
    ASSERT_TRUE(company.set(Company::AgingPeriod[0], "30"));
    ASSERT_TRUE(company.set(Company::AgingPeriod[1], "45"));
    ASSERT_TRUE(company.set(Company::AgingPeriod[2], "90"));
    company.set(Company::AgingCaption[0], " Current ");
    company.set(Company::AgingCaption[2], "Late");
    w.LblStart->setValue(7);
    host->OnModal("lblwiz", [](Form& f) {
        auto& win = static_cast<Tlblwiz&>(f);
        EXPECT_EQ(win.zero30->text(), "Current");
        EXPECT_EQ(win.A3060->text(), "45");
        EXPECT_EQ(win.A6090->text(), "Late");
        EXPECT_EQ(win.AOver90->text(), "Over 90");
        EXPECT_EQ(win.LblStart->value(), 1);
        EXPECT_FALSE(win.PrnButn->isEnabled());
        EXPECT_TRUE(win.ExportText->isEnabled());
        PressButton(win, "SpeedButton1");
        PressButton(win, "CanButn");
    });
    EXPECT_EQ(w.ShowModal(), Modal::Cancel);
    EXPECT_EQ(host->HelpKeywords(), QStringList{"LabelWizard"});
}

TEST_F(LabelWindowTest, MainWindowCommandShowsTheWindowWhileItExists) {
    EXPECT_FALSE(IsCommandRegistered(CommandId::MailingLabels));
    Create();
    host->OnModal("lblwiz", [](Form& f) { PressButton(f, "CanButn"); });
    EXPECT_TRUE(RunRegisteredCommand(CommandId::MailingLabels));
    Destroy();
    EXPECT_FALSE(IsCommandRegistered(CommandId::MailingLabels));
}
