// The find dialog over a small document file of its own, on a real engine file set.
#include "shell/find_box.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QMouseEvent>

#include "engine/decimal.h"
#include "engine/record_fields.h"
#include "platform/list_view.h"
#include "platform/scripted_host_guard.h"
#include "platform/text_guard.h"
#include "shell/record_file.h"
#include "shell/text.h"
#include "tests/support/temp_dir.h"

namespace {

class DocRec : public fields::Record<DocRec, 128> {};
namespace Doc {
inline constexpr fields::Text<DocRec> Date{4, 10};  // yyyy/mm/dd
inline constexpr fields::Text<DocRec> Number{15, 9};
inline constexpr fields::Text<DocRec> Account{25, 10};
inline constexpr fields::Text<DocRec> KeyCode{36, 10};
inline constexpr fields::Text<DocRec> Total{47, 12};
inline constexpr fields::Text<DocRec> ShortName{60, 15};
inline constexpr fields::Text<DocRec> Notes{76, 40};
}  // namespace Doc

FileDesc DocDesc() {
    FileDesc desc;
    desc.recordLength = DocRec::Size;
    desc.keys = {KeyDesc{9, false}};
    desc.buildKey = [](std::span<const uint8_t> rec, int) {
        return KeyText(fields::Get(rec, Doc::Number), 9);
    };
    return desc;
}

FindEntry DescribeDoc(std::span<const uint8_t> rec) {
    using fields::Get;
    const auto total = Decimal::ParseBlankAsZero(Get(rec, Doc::Total));
    return {
        {Get(rec, Doc::Date), Get(rec, Doc::Number), Get(rec, Doc::Account), Get(rec, Doc::KeyCode),
         total ? total->format(",0.00") : "?", Get(rec, Doc::ShortName), Get(rec, Doc::Notes)},
        {Get(rec, Doc::Number), Get(rec, Doc::Account), Get(rec, Doc::KeyCode),
         Get(rec, Doc::Notes)}};
}

class FindBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        EngineStart();
        const std::string name = dir.file("1D");
        ASSERT_TRUE(OpenFiles(file, name, DocDesc(), true));
        Add("2024/03/01", "1001", "C100", "NORTH", "1500", "Northwind", "Paid by cheque");
        Add("2023/12/24", "1002", "C200", "SOUTH", "200.5", "Southbay", "Gift order");
        Add("2024/01/15", "1003", "C300", "WEST", "99.99", "Westfield", "Ref NORTHERN depot");
        Add("2024/02/10", "1004", "C100", "NORTH", "12000", "Northwind", "Caf\xe9 supplies");
        RegisterFindSource("Doc", FindSource{{{"Year/Mo/Dy"},
                                              {"Doc#"},
                                              {"Account#"},
                                              {"Key Code"},
                                              {"Total", 90, true},
                                              {"Short Name"},
                                              {"Notes/Comments/Reference"}},
                                             [this] { return file; },
                                             DocRec::Size,
                                             DescribeDoc});
        FindMode = "Doc";
    }
    void TearDown() override {
        CloseFileSet(file);
        EngineStop();
    }
    int32_t Add(const char* date, const char* number, const char* account, const char* key,
                const char* total, const char* shortName, const char* notes) {
        DocRec rec;
        rec.set(Doc::Date, date);
        rec.set(Doc::Number, number);
        rec.set(Doc::Account, account);
        rec.set(Doc::KeyCode, key);
        rec.set(Doc::Total, total);
        rec.set(Doc::ShortName, shortName);
        rec.set(Doc::Notes, notes);
        int32_t ref = 0;
        EXPECT_TRUE(AddRecordWithKeys(file, DocDesc(), rec.bytes(), ref));
        return ref;
    }
    std::vector<std::string> Found(std::string_view text) {
        const FindResult result = SearchFindSource(*FindSourceFor("Doc"), text);
        EXPECT_EQ(result.errorCode, 0);
        std::vector<std::string> numbers;
        for (const FindEntry& e : result.matches) numbers.push_back(e.row[1]);
        return numbers;
    }
    static QStringList Column(int column) {
        QStringList out;
        for (int i = 0; i < FindBox->ListView1->Count(); ++i)
            out << FindBox->ListView1->Item(i)->text(column);
        return out;
    }
    // Shows the dialog, searches for the text and runs `then` while it is up.
    void ShowAndFind(const QString& text, std::function<void(TFindBox&)> then) {
        host->OnModal("FindBox", [text, then](Form& form) {
            auto& box = static_cast<TFindBox&>(form);
            FillControl(box, "FindText", text);
            PressButton(box, "FindBtn");
            then(box);
        });
        FindBox->ShowModal();
    }

    using Numbers = std::vector<std::string>;
    testsupport::TempDir dir;
    FileSetHandle file = 0;
    FindBoxScope findBox;
    ScriptedHostGuard host;
};

TEST_F(FindBoxTest, SearchesNumberAccountKeyCodeAndNotesInAnyCase) {
    EXPECT_EQ(Found("1003"), (Numbers{"1003"}));
    EXPECT_EQ(Found("c200"), (Numbers{"1002"}));
    EXPECT_EQ(Found("  north\t"), (Numbers{"1001", "1003", "1004"}));  // key code and notes
    EXPECT_EQ(Found("CHEQUE"), (Numbers{"1001"}));
    EXPECT_EQ(Found("CAF\xc9"), (Numbers{"1004"}));  // accented letters too
    // The short name, date and total are shown but not searched.
    EXPECT_EQ(Found("Westfield"), Numbers{});
    EXPECT_EQ(Found("2024"), Numbers{});
    EXPECT_EQ(Found("   "), Numbers{});
}

TEST_F(FindBoxTest, DeletedRecordsAreNotFoundAndAClosedFileIsAnError) {
    const int32_t ref = Add("2024/05/05", "1005", "C900", "GONE", "1", "Gone", "deleted one");
    EXPECT_EQ(Found("gone"), (Numbers{"1005"}));
    ASSERT_TRUE(DeleteRecordWithKeys(file, DocDesc(), ref));
    EXPECT_EQ(Found("gone"), Numbers{});

    CloseFileSet(file);
    EXPECT_EQ(SearchFindSource(*FindSourceFor("Doc"), "north").errorCode, EngineCode::BadHandle);
}

TEST_F(FindBoxTest, MatchesAreListedAndTheChosenRowGivesItsNumber) {
    ShowAndFind("north", [](TFindBox& box) {
        EXPECT_EQ(box.ListView1->headerItem()->text(4), "Total");
        EXPECT_EQ(Column(0), (QStringList{"2024/03/01", "2024/01/15", "2024/02/10"}));
        EXPECT_EQ(Column(4), (QStringList{"1,500.00", "99.99", "12,000.00"}));
        box.ListView1->Item(1)->setSelected(true);
        PressButton(box, "OKBtn");
    });
    EXPECT_EQ(FindBoxSelectedNumber(), "1003");

    // Enter on a row chooses it.
    ShowAndFind("c100", [](TFindBox& box) {
        EXPECT_EQ(box.ListView1->Count(), 2);  // the list starts empty on each showing
        box.ListView1->setCurrentItem(box.ListView1->Item(1));
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(box.ListView1, &enter);
        EXPECT_EQ(box.ModalResult(), Modal::Ok);
    });
    EXPECT_EQ(FindBoxSelectedNumber(), "1004");

    // So does a double-click.
    ShowAndFind("c100", [](TFindBox& box) {
        QWidget* rows = box.ListView1->viewport();
        box.layout()->activate();  // no event loop runs the pending layout here
        const QPointF at = box.ListView1->visualItemRect(box.ListView1->Item(0)).center();
        for (const auto type :
             {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick}) {
            QMouseEvent click(type, at, rows->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                              Qt::NoModifier);
            QApplication::sendEvent(rows, &click);
        }
        EXPECT_EQ(box.ModalResult(), Modal::Ok);
    });
    EXPECT_EQ(FindBoxSelectedNumber(), "1001");
}

TEST_F(FindBoxTest, NothingIsChosenWithoutASelectedRowOrWithCancel) {
    ShowAndFind("north", [](TFindBox& box) { PressButton(box, "OKBtn"); });
    EXPECT_EQ(FindBoxSelectedNumber(), std::nullopt);

    ShowAndFind("north", [](TFindBox& box) {
        box.ListView1->Item(0)->setSelected(true);
        PressButton(box, "CancelBtn");
    });
    EXPECT_EQ(FindBoxSelectedNumber(), std::nullopt);
}

TEST_F(FindBoxTest, NoMatchAndUnusableTextAreTold) {
    FindBox->setWindowTitle("Find Invoice/Payment");
    host->OnModal("FindBox", [](Form& form) {
        auto& box = static_cast<TFindBox&>(form);
        FillControl(box, "FindText", "zzz");
        PressButton(box, "FindBtn");
        EXPECT_EQ(box.ListView1->Count(), 0);
        FillControl(box, "FindText", "  ");
        PressButton(box, "FindBtn");
        // Typed text the records cannot hold is taken out again.
        FillControl(box, "FindText", QString("caf") + QChar(0x2603));
        EXPECT_EQ(box.FindText->text(), "caf");
        PressButton(box, "CancelBtn");
    });
    host->Answer(MsgResult::Ok, "No matches found.", "Find Invoice/Payment")
        .Answer(MsgResult::Ok, "Please type the text to find.")
        .Answer(MsgResult::Ok, RefusedCharacterMessage(QString(QChar(0x2603))));
    FindBox->ShowModal();
    EXPECT_EQ(host->Messages().size(), 3);
}

TEST_F(FindBoxTest, ColumnClickSortsTextAndAmountsBySize) {
    ShowAndFind("c", [](TFindBox& box) {
        ASSERT_EQ(box.ListView1->Count(), 4);
        box.ListView1->Item(2)->setSelected(true);  // 1003
        box.ListView1->header()->sectionClicked(0);
        EXPECT_EQ(Column(0), (QStringList{"2023/12/24", "2024/01/15", "2024/02/10", "2024/03/01"}));
        box.ListView1->header()->sectionClicked(4);
        EXPECT_EQ(Column(1), (QStringList{"1003", "1002", "1001", "1004"}));
        box.ListView1->header()->sectionClicked(6);
        EXPECT_EQ(Column(1), (QStringList{"1004", "1002", "1001", "1003"}));
        PressButton(box, "OKBtn");
    });
    EXPECT_EQ(FindBoxSelectedNumber(), "1003");  // the selection follows its row
}

}  // namespace
