// Editing master records: field conversion and refusals, the edit dialog's OK, and the add,
// change and delete rules over real files.
#include "masters/master_edit.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QTabWidget>
#include <QTimer>
#include <set>

#include "masters/master_files.h"
#include "masters/record_edit.h"
#include "tests/masters/company_env.h"

namespace {

const EditField& FieldNamed(const EditTable& table, const char* name) {
    for (const EditField& f : table.fields)
        if (QString(f.name) == name) return f;
    throw std::logic_error(std::string("no field ") + name);
}

TEST(EditFields, EveryTableCoversItsRecordWithoutOverlap) {
    for (const EditTable* table : {&CustomerEditTable(), &VendorEditTable(), &ProductEditTable()}) {
        std::vector<std::pair<int, int>> spans;
        for (const EditField& f : table->fields) {
            const bool oneByte = f.kind == FieldKind::Flag;
            spans.emplace_back(f.offset, f.offset + (oneByte ? 1 : f.width + 1));
            EXPECT_LT(f.page, static_cast<int>(table->pages.size())) << f.name;
        }
        std::sort(spans.begin(), spans.end());
        for (std::size_t i = 1; i < spans.size(); ++i)
            EXPECT_LE(spans[i - 1].second, spans[i].first) << "at offset " << spans[i].first;
    }
    EXPECT_EQ(CustomerEditTable().fields.size(), 30u);
    EXPECT_EQ(VendorEditTable().fields.size(), 27u);
    EXPECT_EQ(ProductEditTable().fields.size(), 28u);
}

TEST(EditFields, NoTwoControlsOfAPageShareAnAccelerator) {
    for (const EditTable* table : {&CustomerEditTable(), &VendorEditTable(), &ProductEditTable()}) {
        for (int page = 0; page < static_cast<int>(table->pages.size()); ++page) {
            std::set<QChar> taken{'o', 'c'};  // &OK and &Cancel
            for (const EditField& f : table->fields) {
                const QString label = f.label;
                const auto amp = label.indexOf('&');
                if (f.page != page || amp < 0) continue;
                EXPECT_TRUE(taken.insert(label.at(amp + 1).toLower()).second) << f.name;
            }
        }
    }
}

TEST(EditFields, NumbersAreExactAndRefusedWhenBad) {
    const DateFormat dates;
    CustomerRec r;
    const EditTable& t = CustomerEditTable();
    EXPECT_FALSE(StoreField(FieldNamed(t, "BalanceEdit"), " 1,234.565 ", r.bytes(), dates));
    EXPECT_EQ(r.get(Customer::Balance), "1234.57");
    EXPECT_FALSE(StoreField(FieldNamed(t, "BalanceEdit"), "", r.bytes(), dates));
    EXPECT_EQ(r.get(Customer::Balance), "0.00");
    for (const char* bad : {"12x", "1.2.3", "--5", "1e3"}) {
        ASSERT_TRUE(r.set(Customer::CreditLimit, "9.99"));
        EXPECT_EQ(StoreField(FieldNamed(t, "CreditLimitEdit"), bad, r.bytes(), dates),
                  "Please enter a valid number for Credit limit.")
            << bad;
        EXPECT_EQ(r.get(Customer::CreditLimit), "9.99") << "nothing written for " << bad;
    }
    // Too long for s10: refused, never cut.
    EXPECT_EQ(StoreField(FieldNamed(t, "CreditLimitEdit"), "12345678901", r.bytes(), dates),
              "Credit limit can hold at most 10 characters.");
    EXPECT_EQ(r.get(Customer::CreditLimit), "9.99");

    ProductRec p;
    const EditTable& pt = ProductEditTable();
    EXPECT_FALSE(StoreField(FieldNamed(pt, "PriceEdit"), "0.125", p.bytes(), dates));
    EXPECT_EQ(p.get(Product::SalesPrice), "0.125");
    EXPECT_FALSE(StoreField(FieldNamed(pt, "PriceEdit"), "3.5", p.bytes(), dates));
    EXPECT_EQ(p.get(Product::SalesPrice), "3.50");
    EXPECT_FALSE(StoreField(FieldNamed(pt, "StockEdit"), "-2.500", p.bytes(), dates));
    EXPECT_EQ(p.get(Product::StockOnHand), "-2.5");
}

TEST(EditFields, DatesFollowTheCompanyOrderAndMayBeBlank) {
    ProductRec p;
    const EditField& setup = FieldNamed(ProductEditTable(), "SetupDateEdit");
    EXPECT_FALSE(StoreField(setup, "31/12/2024", p.bytes(), DateFormat(DateOrder::DayFirst)));
    EXPECT_EQ(p.get(Product::SetupDate), "31/12/2024");
    EXPECT_EQ(StoreField(setup, "31/12/2024", p.bytes(), DateFormat(DateOrder::MonthFirst)),
              "Please enter a valid date for Setup date.");
    EXPECT_EQ(p.get(Product::SetupDate), "31/12/2024");
    EXPECT_FALSE(StoreField(setup, "  /  /    ", p.bytes(), DateFormat()));
    EXPECT_EQ(p.get(Product::SetupDate), "");
}

TEST(EditFields, TextsKeepTheirLinesAndChoicesTheirLetters) {
    const DateFormat dates;
    CustomerRec r;
    const EditTable& t = CustomerEditTable();
    const EditField& notes = FieldNamed(t, "NotesMemo");
    EXPECT_FALSE(StoreField(notes, "one\ntwo", r.bytes(), dates));
    EXPECT_EQ(r.get(Customer::Notes), "one\r\ntwo");
    EXPECT_EQ(FieldText(notes, r.bytes()), "one\ntwo");
    EXPECT_TRUE(StoreField(notes, QString(199, 'x') + "\n", r.bytes(), dates).has_value())
        << "a line break takes two characters";
    EXPECT_EQ(StoreField(FieldNamed(t, "NameEdit"), "   ", r.bytes(), dates),
              "Please enter the Name.");
    EXPECT_EQ(StoreField(FieldNamed(t, "NumberEdit"), "", r.bytes(), dates),
              "Please enter the Customer number.");
    EXPECT_TRUE(
        StoreField(FieldNamed(t, "NameEdit"), QString::fromUtf8("\u4e2d"), r.bytes(), dates));

    ProductRec p;
    const EditField& type = FieldNamed(ProductEditTable(), "PriceTypeCombo");
    EXPECT_FALSE(StoreField(type, "G", p.bytes(), dates));
    EXPECT_EQ(p.get(Product::PriceType), "G");
    EXPECT_EQ(StoreField(type, "", p.bytes(), dates), "Please choose the Price type.");
}

// A scripted host whose message boxes, as real ones do, let pending events run while up.
class LoopingHost : public ScriptedHost {
public:
    LoopingHost()
        : ScriptedHost([](const QString& failure) { ADD_FAILURE() << failure.toStdString(); }),
          previous_(InstallHost(this)) {}
    ~LoopingHost() override {
        VerifyAllUsed();
        InstallHost(previous_);
    }
    MsgResult ShowMessage(const QString& text, const QString& caption, MsgIcon icon,
                          MsgButtons buttons) override {
        QCoreApplication::processEvents();
        return ScriptedHost::ShowMessage(text, caption, icon, buttons);
    }

private:
    MessageHost* previous_;
};

class MasterEditTest : public CompanyEnv {
protected:
    MasterEditTest() {
        host->Answer(MsgResult::Ok, {}, "New Company");
        EXPECT_TRUE(OpenCustomerFiles());
    }
    ~MasterEditTest() override {
        CustomerData().Close();
        CustomerNumberInUse = nullptr;
    }
    CustomerRec Customer(const std::string& number, const std::string& name) {
        std::vector<uint8_t> blank = BlankRecord(CustomerKind());
        CustomerRec r;
        std::copy(blank.begin(), blank.end(), r.bytes().begin());
        EXPECT_TRUE(r.set(Customer::Number, number));
        r.set(Customer::Name, name);
        return r;
    }
    int32_t Add(const CustomerRec& r) {
        int32_t ref = 0;
        EXPECT_EQ(AddMaster(CustomerKind(), r.bytes(), ref).result, SaveOutcome::Result::Saved);
        return ref;
    }
    CustomerRec Stored(int32_t ref) {
        CustomerRec r;
        ReadRecord(masters.state().CustomerFile, ref, r.bytes());
        return r;
    }

    MastersStateScope masters;
};

TEST_F(MasterEditTest, ADuplicateNumberIsRefusedBeforeAnythingIsWritten) {
    const int32_t a = Add(Customer("C1", "Acme"));
    const int32_t b = Add(Customer("C2", "Bolt"));
    int32_t ref = 0;
    const SaveOutcome dup = AddMaster(CustomerKind(), Customer(" c1", "Other").bytes(), ref);
    EXPECT_EQ(dup.result, SaveOutcome::Result::Refused);
    EXPECT_EQ(dup.message, "Customer number C1 is already on file.");
    EXPECT_STREQ(dup.field, "NumberEdit");
    EXPECT_EQ(UsedRecordCount(masters.state().CustomerFile), 2);

    // A number on file never changes, to Acme's or to a free one; Bolt stays as it was.
    const CustomerRec before = Stored(b);
    for (const char* number : {"C1", "C3"}) {
        CustomerRec changed = before;
        ASSERT_TRUE(changed.set(Customer::Number, number));
        const SaveOutcome kept = UpdateMaster(CustomerKind(), b, before.bytes(), changed.bytes());
        EXPECT_EQ(kept.result, SaveOutcome::Result::Refused) << number;
        EXPECT_EQ(kept.message, "The customer number cannot be changed once it is on file.");
    }
    EXPECT_EQ(Stored(b), before);
    EXPECT_EQ(Stored(a).get(Customer::Name), "Acme");
}

TEST_F(MasterEditTest, DeleteKeepsACustomerThatDocumentsReferTo) {
    const int32_t a = Add(Customer("C1", "Acme"));
    std::string asked;
    CustomerNumberInUse = [&](std::string_view number) {
        asked = number;
        return true;
    };
    const SaveOutcome kept = DeleteMaster(CustomerKind(), a);
    EXPECT_EQ(kept.result, SaveOutcome::Result::Refused);
    EXPECT_EQ(kept.message, "This customer has invoices on file and cannot be deleted.");
    EXPECT_EQ(asked, "C1");
    EXPECT_EQ(UsedRecordCount(masters.state().CustomerFile), 1);

    CustomerNumberInUse = [](std::string_view) { return false; };
    EXPECT_EQ(DeleteMaster(CustomerKind(), a).result, SaveOutcome::Result::Saved);
    EXPECT_EQ(UsedRecordCount(masters.state().CustomerFile), 0);
}

TEST_F(MasterEditTest, TheDialogRefusesABadAmountWithFocusAndKeepsWhatWasTyped) {
    const int32_t a = Add(Customer("C1", "Acme"));
    const CustomerRec before = Stored(a);
    TRecordEdit edit("CustomerEdit", CustomerEditTable(), CustomerRec::Size);
    edit.Load(before.bytes(), true, "Edit Customer");
    int saves = 0;
    edit.OnSave = [&](std::span<const uint8_t> r) {
        ++saves;
        return UpdateMaster(CustomerKind(), a, before.bytes(), r);
    };
    host->OnModal("CustomerEdit", [&](Form& f) {
        EXPECT_TRUE(Control<QLineEdit>(f, "NumberEdit").isReadOnly());
        FillControl(f, "NameEdit", "Acme Renamed");
        FillControl(f, "Amount2Edit", "12.3.4");
        PressButton(f, "OKBtn");
        EXPECT_EQ(f.ModalResult(), Modal::None);
        EXPECT_EQ(Control<QLineEdit>(f, "NameEdit").text(), "Acme Renamed");
        EXPECT_EQ(edit.Pages->currentIndex(), 2) << "the page of the refused field";
        FillControl(f, "Amount2Edit", "12.34");
        PressButton(f, "OKBtn");
    });
    host->Answer(MsgResult::Ok, "Please enter a valid number for Period 1.", "Edit Customer");
    EXPECT_EQ(edit.ShowModal(), Modal::Ok);
    EXPECT_EQ(saves, 1) << "nothing handed on while a field is refused";
    EXPECT_EQ(Stored(a).get(Customer::Name), "Acme Renamed");
    EXPECT_EQ(Stored(a).get(Customer::Amounts[1]), "12.34");
    EXPECT_EQ(Stored(a).get(Customer::Number), "C1");

    // A new record: the number can be typed.
    edit.Load(BlankRecord(CustomerKind()), false, "Add Customer");
    EXPECT_FALSE(Control<QLineEdit>(edit, "NumberEdit").isReadOnly());
}

// The edit dialog in the modal loop the program runs (so without the scripted host's
// watchdog against modal windows), its message boxes letting events run as real ones do.
class RealLoopTest : public ::testing::Test {
protected:
    RealLoopTest() {
        EngineStart();
        EXPECT_TRUE(shell.context().companies.CurrentCompany.set(Company::CompanyNumber, "7"));
        EXPECT_TRUE(CreateCustomerFiles());
        EXPECT_TRUE(OpenCustomerFiles());
    }
    ~RealLoopTest() override {
        CustomerData().Close();
        EngineStop();
    }

    testsupport::TempDir dir;
    ShellContextScope shell{dir.path()};
    MastersStateScope masters;
    LoopingHost host;
};

TEST_F(RealLoopTest, TheDialogStaysOpenThroughEveryRefusal) {
    int32_t ref = 0;
    CustomerRec acme;
    ASSERT_TRUE(acme.set(Customer::Number, "C1"));
    acme.set(Customer::Name, "Acme");
    ASSERT_EQ(AddMaster(CustomerKind(), acme.bytes(), ref).result, SaveOutcome::Result::Saved);

    TRecordEdit edit("CustomerEdit", CustomerEditTable(), CustomerRec::Size);
    edit.Load(BlankRecord(CustomerKind()), false, "Add Customer");
    edit.OnSave = [&](std::span<const uint8_t> r) { return AddMaster(CustomerKind(), r, ref); };
    host.Answer(MsgResult::Ok, "Please enter a valid number for Credit limit.")
        .Answer(MsgResult::Ok, "Customer number C1 is already on file.");
    const auto step = [&](const std::function<void()>& action) {
        QTimer::singleShot(0, &edit, action);
    };
    step([&] {
        FillControl(edit, "NumberEdit", "C1");
        FillControl(edit, "NameEdit", "Bolt");
        FillControl(edit, "CreditLimitEdit", "12x");
        PressButton(edit, "OKBtn");
        step([&] {
            FillControl(edit, "CreditLimitEdit", "100");
            PressButton(edit, "OKBtn");
            step([&] {
                FillControl(edit, "NumberEdit", "C2");
                PressButton(edit, "OKBtn");
            });
        });
    });
    // A loop that never ends is a failure, not a hang.
    QTimer::singleShot(5000, &edit, [&] { edit.SetModalResult(Modal::Abort); });
    EXPECT_EQ(edit.RunModalLoop(), Modal::Ok);
    CustomerRec stored;
    ReadRecord(masters.state().CustomerFile, ref, stored.bytes());
    EXPECT_EQ(stored.get(Customer::Name), "Bolt") << "saved once the refusals were answered";
    EXPECT_EQ(stored.get(Customer::CreditLimit), "100.00");
    EXPECT_EQ(UsedRecordCount(masters.state().CustomerFile), 2);
}

}  // namespace
