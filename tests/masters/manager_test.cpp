// The three managers offscreen through the scripted host: the pick protocol (seeded start,
// Enter, double-click, closing without a pick), finding by typing, key orders, and adding,
// editing and deleting from the list.
#include "masters/master_manager.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

#include "masters/master_files.h"
#include "shell/commands.h"
#include "tests/masters/company_env.h"

namespace {

class ManagerTest : public CompanyEnv {
protected:
    ManagerTest() {
        EXPECT_TRUE(CreateCustomerFiles());
        EXPECT_TRUE(CreateVendorFiles());
        EXPECT_TRUE(CreateProductFiles());
    }
    ~ManagerTest() override { CustomerNumberInUse = nullptr; }

    // Adds a record through the manager's own rules, with the files opened for the step.
    int32_t Add(const MasterKind& kind, const std::function<void(std::span<uint8_t>)>& fill) {
        const DataFile& file = kind.file();
        EXPECT_TRUE(file.Open());
        std::vector<uint8_t> r = BlankRecord(kind);
        fill(r);
        int32_t ref = 0;
        EXPECT_EQ(AddMaster(kind, r, ref).result, SaveOutcome::Result::Saved);
        file.Close();
        return ref;
    }
    int32_t AddCustomer(const char* number, const char* name) {
        return Add(CustomerKind(), [&](std::span<uint8_t> r) {
            fields::WriteText(r, Customer::Number.offset, Customer::Number.width, number);
            fields::WriteText(r, Customer::Name.offset, Customer::Name.width, name);
        });
    }
    int32_t AddProduct(const char* code, const char* description) {
        return Add(ProductKind(), [&](std::span<uint8_t> r) {
            fields::WriteText(r, Product::Code.offset, Product::Code.width, code);
            fields::WriteText(r, Product::Description.offset, Product::Description.width,
                              description);
        });
    }
    static int32_t CurrentRef(TMasterManager& m) { return BrowserCurrentRef(*m.FvcBrowser1); }
    static void PressEnter(TMasterManager& m) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(m.FvcBrowser1, &press);
    }
    static void DoubleClickRow(TMasterManager& m, int row) {
        TFvcBrowser& b = *m.FvcBrowser1;
        const int line = b.fontMetrics().lineSpacing();
        const QPointF at(10, line + 2 + row * line + line / 2);
        QMouseEvent click(QEvent::MouseButtonDblClick, at, b.viewport()->mapToGlobal(at),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(b.viewport(), &click);
    }

    MastersStateScope scope;
    MastersState& m = scope.state();
    MastersWindows windows;
};

TEST_F(ManagerTest, APickStartsOnTheSeededCustomerAndEnterTakesIt) {
    AddCustomer("C1", "Acme");
    AddCustomer("C2", "Bolt");
    const int32_t cedar = AddCustomer("C3", "Cedar Works");
    AddCustomer("C4", "Delta");

    m.CustomerBuf.clear();
    ASSERT_TRUE(m.CustomerBuf.set(Customer::Number, "C3"));
    m.CustomerBuf.set(Customer::Name, "cedar works");
    m.CustSelectMode = 1;
    DemoForm->SetPanelText(1, PickPrompt);
    host->OnModal("DemoForm", [&](Form&) {
        EXPECT_EQ(CurrentRef(*DemoForm), cedar);
        EXPECT_EQ(DemoForm->Panel(0)->text(), "Records: 4");
        EXPECT_EQ(DemoForm->Panel(1)->text(), PickPrompt);
        EXPECT_NE(m.CustomerFile, 0) << "the customer set is open while the manager is shown";
        PressEnter(*DemoForm);
    });
    EXPECT_EQ(DemoForm->ShowModal(), Modal::Ok);
    EXPECT_EQ(m.CustSelectResult, PickedResult);
    EXPECT_EQ(m.CustomerBuf.get(Customer::Name), "Cedar Works");
    EXPECT_EQ(m.CustomerBuf.get(Customer::Balance), "0.00") << "the whole record, not the seed";
    EXPECT_EQ(m.CustomerFile, 0) << "closed with the manager";
}

TEST_F(ManagerTest, ADoubleClickPicksTheRowClicked) {
    AddProduct("P1", "Hammer");
    AddProduct("P2", "Saw");
    AddProduct("P3", "Level");
    AddProduct("P4", "Wrench");
    m.ProductSeed.clear();
    ASSERT_TRUE(m.ProductSeed.set(Product::Code, "p2"));
    m.ProductSelectMode = 1;
    m.ProductSelectResult = 0;
    host->OnModal("EditProd", [&](Form&) {
        const int row = EditProd->FvcBrowser1->currentRow();
        ASSERT_GE(row, 0);
        EXPECT_EQ(EditProd->FvcBrowser1->rows()[row].Key, "P2        ");
        DoubleClickRow(*EditProd, row + 1);
    });
    EXPECT_EQ(EditProd->ShowModal(), Modal::Ok);
    EXPECT_EQ(m.ProductSelectResult, PickedResult);
    EXPECT_EQ(m.ProductBuf.get(Product::Code), "P3");
    EXPECT_EQ(m.ProductBuf.get(Product::Description), "Level");
}

TEST_F(ManagerTest, APickSeededWithADescriptionStartsOnThatProductInCodeOrder) {
    AddProduct("P1", "Wrench");
    const int32_t level = AddProduct("P2", "Level");
    AddProduct("P3", "Hammer");
    m.ProductSeed.clear();
    m.ProductSeed.set(Product::Description, "lev");
    m.ProductSelectMode = 1;
    host->OnModal("EditProd", [&](Form& f) {
        EXPECT_EQ(EditProd->KeyNumber(), ProductCodeKey);
        EXPECT_EQ(CurrentRef(*EditProd), level);
        PressButton(f, "CloseBtn");
    });
    EXPECT_EQ(EditProd->ShowModal(), Modal::Cancel);
    EXPECT_EQ(m.ProductSelectResult, 0);
}

TEST_F(ManagerTest, ClosingWithoutAPickGivesNoPick) {
    AddCustomer("C1", "Acme");
    // A pick left over from an earlier showing must not count now.
    m.CustSelectResult = PickedResult;
    m.VendSelectResult = PickedResult;
    m.CustomerBuf.clear();
    m.CustomerBuf.set(Customer::Name, "Acme");
    m.CustSelectMode = 1;
    host->OnModal("DemoForm", [&](Form& f) { PressButton(f, "CloseBtn"); });
    EXPECT_EQ(DemoForm->ShowModal(), Modal::Cancel);
    EXPECT_EQ(m.CustSelectResult, 0);
    EXPECT_EQ(m.CustomerBuf.get(Customer::Number), "") << "the buffer still holds the seed only";

    host->OnModal("VenList", [&](Form& f) { PressButton(f, "CloseBtn"); });
    VenList->ShowModal();
    EXPECT_EQ(m.VendSelectResult, 0);
}

TEST_F(ManagerTest, TypingFindsInTheOrderShownAndTheOrderKeepsTheRecord) {
    AddCustomer("C9", "Acme");
    const int32_t bolt = AddCustomer("C2", "Bolt");
    const int32_t cedar = AddCustomer("C5", "Cedar");
    host->OnModal("DemoForm", [&](Form& f) {
        // Typing on the list finds too.
        QKeyEvent b(QEvent::KeyPress, Qt::Key_B, Qt::NoModifier, "b");
        QApplication::sendEvent(DemoForm->FvcBrowser1, &b);
        EXPECT_EQ(DemoForm->FindEdit->text(), "b");
        EXPECT_EQ(CurrentRef(*DemoForm), bolt);
        FillControl(f, "FindEdit", "ce");
        EXPECT_EQ(CurrentRef(*DemoForm), cedar);
        CheckButton(f, "NumberRB", true);
        EXPECT_EQ(DemoForm->KeyNumber(), CustomerNumberKey);
        EXPECT_EQ(CurrentRef(*DemoForm), cedar);
        EXPECT_EQ(DemoForm->FindEdit->text(), "");
        FillControl(f, "FindEdit", "c2");
        EXPECT_EQ(CurrentRef(*DemoForm), bolt);
        // Not picking: Enter in the find box goes to the list and closes nothing.
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(DemoForm->FindEdit, &enter);
        EXPECT_EQ(f.ModalResult(), Modal::None);
        f.findChild<QAction*>("HelpItem")->trigger();
        EXPECT_EQ(host->HelpKeywords(), QStringList{"CustomerManager"});
        PressButton(f, "CloseBtn");
    });
    DemoForm->ShowModal();
}

TEST_F(ManagerTest, AddEditAndDeleteFromTheList) {
    const int32_t acme = AddCustomer("C1", "Acme");
    CustomerNumberInUse = [](std::string_view number) { return number == "C1"; };
    host->OnModal("DemoForm", [&](Form& f) {
        PressButton(f, "AddBtn");
        EXPECT_EQ(DemoForm->Panel(0)->text(), "Records: 2");
        EXPECT_EQ(m.CustomerBuf.get(Customer::Name), "Zenith");

        // The new customer is highlighted; edit it: its number cannot change.
        PressButton(f, "EditBtn");
        PressButton(f, "DeleteBtn");
        EXPECT_EQ(DemoForm->Panel(0)->text(), "Records: 1");

        BrowserGotoKey(*DemoForm->FvcBrowser1, "", 0);
        EXPECT_EQ(CurrentRef(*DemoForm), acme);
        PressButton(f, "DeleteBtn");
        EXPECT_EQ(DemoForm->Panel(0)->text(), "Records: 1");
        PressButton(f, "CloseBtn");
    });
    host->OnModal("CustomerEdit", [&](Form& e) {
        EXPECT_EQ(e.windowTitle(), "Add Customer");
        FillControl(e, "NumberEdit", "C1");
        FillControl(e, "NameEdit", "Zenith");
        PressButton(e, "OKBtn");
        EXPECT_EQ(e.ModalResult(), Modal::None);
        FillControl(e, "NumberEdit", "Z1");
        PressButton(e, "OKBtn");
    });
    host->Answer(MsgResult::Ok, "Customer number C1 is already on file.", "Add Customer");
    host->OnModal("CustomerEdit", [&](Form& e) {
        EXPECT_EQ(e.windowTitle(), "Edit Customer");
        EXPECT_TRUE(Control<QLineEdit>(e, "NumberEdit").isReadOnly());
        EXPECT_EQ(Control<QLineEdit>(e, "NumberEdit").text(), "Z1");
        FillControl(e, "Phone1Edit", "555-0100");
        PressButton(e, "OKBtn");
    });
    host->Answer(MsgResult::Yes, "Delete customer Zenith (Z1)?", "Please Confirm");
    host->Answer(MsgResult::Yes, "Delete customer Acme (C1)?", "Please Confirm");
    host->Answer(MsgResult::Ok, "This customer has invoices on file and cannot be deleted.",
                 "Customer Manager");
    DemoForm->ShowModal();
    EXPECT_EQ(m.CustSelectResult, 0) << "adding and editing are no pick";

    ASSERT_TRUE(OpenCustomerFiles());
    EXPECT_EQ(UsedRecordCount(m.CustomerFile), 1);
    CustomerData().Close();
}

TEST_F(ManagerTest, ACallersOpenSetStaysOpenAndTheCommandsShowTheManagers) {
    ASSERT_TRUE(OpenVendorFiles());
    const FileSetHandle held = m.VendorFile;
    host->OnModal("VenList", [&](Form& f) { PressButton(f, "CloseBtn"); });
    ASSERT_TRUE(IsCommandRegistered(CommandId::VendorManager));
    EXPECT_TRUE(RunRegisteredCommand(CommandId::VendorManager));
    EXPECT_EQ(m.VendorFile, held);
    EXPECT_TRUE(IsFileSetOpen(held));
    VendorData().Close();

    host->OnModal("EditProd", [&](Form& f) {
        EXPECT_FALSE(Control<QPushButton>(f, "LabelQueueBtn").isEnabled());
        PressButton(f, "CloseBtn");
    });
    EXPECT_TRUE(RunRegisteredCommand(CommandId::ProductManager));
}

}  // namespace
