// The company settings dialog: each control writes its own field and nothing else, a save
// keeps what was not changed, and bad entries are refused before anything is written.
#include "shell/company/company_settings.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>
#include <functional>
#include <variant>

#include "platform/cp1252.h"
#include "shell/company/company_defaults.h"
#include "shell/sample_company.h"
#include "shell/small_files.h"
#include "tests/shell/window_fixture.h"

namespace {

struct Place {
    int offset;
    int size;
};
template <class F>
Place PlaceOf(F field) {
    return {field.offset, field.end() - field.offset};
}

// The offset of the first byte that differs outside the places; -1 when there is none.
int DiffOutside(const CompanyRec& a, const CompanyRec& b, const std::vector<Place>& places) {
    for (int i = 0; i < CompanyRec::Size; ++i) {
        if (a.bytes()[i] == b.bytes()[i]) continue;
        const bool inside = std::any_of(places.begin(), places.end(), [&](const Place& p) {
            return i >= p.offset && i < p.offset + p.size;
        });
        if (!inside) return i;
    }
    return -1;
}

using AnyText = std::variant<Company::Text, Company::Number>;
std::string Get(const CompanyRec& rec, const AnyText& field) {
    return std::visit([&](auto f) { return rec.get(f); }, field);
}
Place PlaceOfAny(const AnyText& field) {
    return std::visit([](auto f) { return PlaceOf(f); }, field);
}

class CompanySettingsTest : public ShellWindowTest {
protected:
    void SetUp() override { CreateSampleCompany(folder(), 1, "Harbour Lane"); }

    // Opens the settings of company 1, lets `change` work on the dialog and presses OK; the
    // record before and after.
    std::pair<CompanyRec, CompanyRec> EditOnce(const std::function<void(Form&)>& change) {
        const CompanyRec before = OnFile("1");
        EXPECT_TRUE(dialog.PrepareEdit("1"));
        host->OnModal("CoSetForm", [&](Form& f) {
            change(f);
            PressButton(f, "OKBtn");
        });
        EXPECT_EQ(dialog.ShowModal(), Modal::Ok);
        return {before, OnFile("1")};
    }

    TCoSetForm dialog;
};

struct TextCase {
    const char* control;
    QString typed;
    AnyText field;
    std::string stored;
};

TEST_F(CompanySettingsTest, EachTextControlWritesItsOwnFieldAndNothingElse) {
    using namespace Company;
    const std::vector<TextCase> cases{
        {"CName", "Quayside Chandlery", Name, "Quayside Chandlery"},
        {"CAdd1", "1 Pier Head", Address[0], "1 Pier Head"},
        {"CAdd2", "Lower Deck", Address[1], "Lower Deck"},
        {"CAdd3", "Port Town", Address[2], "Port Town"},
        {"CAdd4", "Country", Address[3], "Country"},
        {"ExtraAdd1", "VAT 123", ExtraAddress, "VAT 123"},
        {"CRecTotal", "1,234.5", ReceivablesTotal, "1234.50"},
        {"NxtInvNum", "20,500", NextInvoiceNumber, "20500"},
        {"LastInvNum", "0326-2049", LastInvoiceNumber, "0326-2049"},
        {"DefQty", "2.5", DefaultQuantity, "2.5"},
        {"TaxRate", " 8.250 ", TaxRate, "8.25"},
        {"TaxName", "VAT", TaxHeading, "VAT"},
        {"InvShipHead", "Deliver To:", InvoiceShipToCaption, "Deliver To:"},
        {"InvCopies", "3", InvoiceFileCopies, "3"},
        {"LineWidthVal", "4", LineWidth, "4"},
        {"ShadeSpacing", "12", ShadingSpacing, "12"},
        {"BigBxTop", "42", BoxTop, "42"},
        {"TopFormMar", "11", TopFormMargin, "11"},
        {"LeftFormMar", "13", LeftFormMargin, "13"},
        {"PushAddr", "-15", PushAddress, "-15"},
        {"LogoFile", "/srv/logos/quay.bmp", LogoFile, "/srv/logos/quay.bmp"},
        {"PrCdhead", "Item", CodeHeading, "Item"},
        {"QuanHead", "Qty", QuantityHeading, "Qty"},
        {"DescHead", "Goods", DescriptionHeading, "Goods"},
        {"Edit8", "Each", UnitCostHeading, "Each"},
        {"ExtHead", "Total", ExtensionHeading, "Total"},
        {"MaxLines", "40", MaxLines, "40"},
        {"NxtPONum", "5000", NextPONumber, "5000"},
        {"LastPONum", "4999", LastPONumber, "4999"},
        {"NxtRecvr", "123456789012", NextReceiverNumber, "123456789012"},
        {"PoHeadTxt", "ORDER", POCaption, "ORDER"},
        {"POShipHead", "Send To:", POShipToCaption, "Send To:"},
        {"POSA1", "Dock 1", POShipTo[0], "Dock 1"},
        {"POSA2", "Dock 2", POShipTo[1], "Dock 2"},
        {"POSA3", "Dock 3", POShipTo[2], "Dock 3"},
        {"POSA4", "Dock 4", POShipTo[3], "Dock 4"},
        {"POTerms", "Net 45", DefaultPOTerms, "Net 45"},
        {"POSign1", "Signed A", POSignature[0], "Signed A"},
        {"POSign2", "Signed B", POSignature[1], "Signed B"},
        {"POMemoHdr", "Memo", POMemoHeader, "Memo"},
        {"POM1", "Message 1", POMessage[0], "Message 1"},
        {"POM2", "Message 2", POMessage[1], "Message 2"},
        {"POM3", "Message 3", POMessage[2], "Message 3"},
        {"POM4", "Message 4", POMessage[3], "Message 4"},
        {"POCopies", "2", POFileCopies, "2"},
        {"POCopyHeadr", "OFFICE COPY", POFileCopyCaption, "OFFICE COPY"},
        {"CEMailAdd", "sales@quay.example", EmailAddress, "sales@quay.example"},
        {"SMTPHost", "mail.quay.example", SmtpHost, "mail.quay.example"},
        {"CAVal1", "29", AgingPeriod[0], "29"},
        {"CAVal2", "61", AgingPeriod[1], "61"},
        {"CAVal3", "120", AgingPeriod[2], "120"},
        {"CACap1", "1 month", AgingCaption[0], "1 month"},
        {"CACap2", "2 months", AgingCaption[1], "2 months"},
        {"CACap3", "Long", AgingCaption[2], "Long"},
        {"LastIntRun", "2/3/2026", LastInterestRun, "02/03/2026"},
        {"LastStmtRun", "12/31/2025", LastStatementRun, "12/31/2025"},
        {"IntTerms", "Due now", InterestTerms, "Due now"},
        {"IntMinChg", "2.5", InterestMinimumCharge, "2.50"},
        {"IntRate", "1.25", InterestMonthlyRate, "1.25"},
        {"CName", "Caf\u00e9 \u20ac", Name, "Caf\xe9 \x80"},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.control);
        const auto [before, after] = EditOnce([&](Form& f) { FillControl(f, c.control, c.typed); });
        EXPECT_EQ(Get(after, c.field), c.stored);
        EXPECT_EQ(DiffOutside(before, after, {PlaceOfAny(c.field)}), -1);
        // Opened again, the control shows what was stored.
        ASSERT_TRUE(dialog.PrepareEdit("1"));
        QWidget& control = FindControl(dialog, c.control);
        auto* combo = qobject_cast<QComboBox*>(&control);
        const QString shown =
            combo ? combo->currentText() : Control<QLineEdit>(dialog, c.control).text();
        EXPECT_EQ(shown, FromCp1252(c.stored));
    }
}

TEST_F(CompanySettingsTest, EachCheckBoxWritesItsOwnFlag) {
    using namespace Company;
    using Flag = std::variant<Company::Bool, Company::Text>;
    const std::vector<std::pair<const char*, Flag>> cases{
        {"AuditCB", RequireAuditTrail},
        {"CBPrefixInv", InvoiceNumberPrefix},
        {"DupInvCB", PrintDuplicate},
        {"PackSlipCB", PrintPackingSlip},
        {"InvFileCopyCB", PrintInvoiceFileCopies},
        {"CpyToLQue", QueueInvoiceCustomer},
        {"BatchLabels", QueueBatchCustomers},
        {"HorLCB", VerticalLines},
        {"VLineCB", HorizontalLines},
        {"IBoxCB", InvoiceBox},
        {"ShadeCB", UseShading},
        {"CheckBox5", LetterheadStyle},
        {"SMsgCB", PrintSalesMessages},
        {"MoveDwnCB", MoveTotalsDown},
        {"CNameOnForm", OmitCompanyName},
        {"UseBmpCB", PrintLogo},
        {"CBPrefixPO", POPrefix},
        {"POReceivedCB", NewPOsReceived},
        {"POPrintNowCB", PrintNewPOAtOnce},
        {"CBPConPO", ProductCodesOnPOs},
        {"POTaxCB", TaxOnPOs},
        {"CBDupPOs", PrintDuplicatePO},
        {"POFileCopyCB", PrintPOFileCopies},
        {"POCpytoVen", QueuePOVendor},
        {"CPOBatVen", QueueBatchVendors},
        {"EMInclCust", EmailIncludeWithoutAddress},
        {"EMRulesCB", EmailRules},
        {"IntMarkPrtCB", InterestMarkPrinted},
    };
    for (const auto& [control, flag] : cases) {
        SCOPED_TRACE(control);
        const auto [before, after] =
            EditOnce([&](Form& f) { Control<QAbstractButton>(f, control).click(); });
        const Place place = std::visit([](auto field) { return PlaceOf(field); }, flag);
        EXPECT_EQ(DiffOutside(before, after, {place}), -1);
        if (const auto* b = std::get_if<Company::Bool>(&flag)) {
            EXPECT_NE(before.get(*b), after.get(*b));
        } else {
            const auto text = std::get<Company::Text>(flag);
            EXPECT_EQ(after.get(text), before.get(text) == "Y" ? "N" : "Y");
        }
    }
}

TEST_F(CompanySettingsTest, ChoicesAndFontsWriteTheirOwnFields) {
    using namespace Company;
    const std::vector<std::tuple<const char*, QString, Company::Text, std::string>> choices{
        {"DDMMYY", "Day first (dd/mm/yyyy)", DateOrderSetting, "D"},
        {"IProd", "Memo", NewInvoiceType, "M"},
        {"ShadeStyle", "Solid lines", ShadingStyle, "L"},
        {"PProd", "Memo", NewPOType, "M"},
        {"IntOverdue", "The over period (over 90 days)", InterestOverdueClass, "9"},
    };
    for (const auto& [control, item, field, stored] : choices) {
        SCOPED_TRACE(control);
        const auto [before, after] = EditOnce([&](Form& f) { FillControl(f, control, item); });
        EXPECT_EQ(after.get(field), stored);
        EXPECT_EQ(DiffOutside(before, after, {PlaceOf(field)}), -1);
    }

    const std::vector<std::pair<const char*, Company::Font>> fonts{
        {"EditorFontBtn", EditorFont},
        {"ManagersFontBtn", ManagersFont},
        {"BodyFontBtn", BodyFont},
        {"CaptionFontBtn", CaptionFont},
        {"CoAddrFontBtn", CompanyAddressFont},
        {"CustAddrFontBtn", CustomerAddressFont},
        {"AgingFontBtn", AgingFont},
        {"SalesMsgFontBtn", SalesMessageFont},
    };
    const FontSpec chosen{"Liberation Serif", 14, 0x0000C0, FontStyle::Bold | FontStyle::Italic};
    for (const auto& [control, font] : fonts) {
        SCOPED_TRACE(control);
        const auto [before, after] = EditOnce([&](Form& f) {
            host->AnswerFont(chosen);
            PressButton(f, control);
        });
        EXPECT_EQ(after.get(font.name), "Liberation Serif");
        EXPECT_EQ(after.get(font.size), 14);
        EXPECT_EQ(after.get(font.colour), 0x0000C0);
        EXPECT_EQ(after.get(font.style), FontStyle::Bold | FontStyle::Italic);
        EXPECT_EQ(DiffOutside(before, after,
                              {PlaceOf(font.name), PlaceOf(font.size), PlaceOf(font.colour),
                               PlaceOf(font.style)}),
                  -1);
    }
}

TEST_F(CompanySettingsTest, SavingWithoutChangesKeepsEveryByteEvenValuesTheDialogWouldNotWrite) {
    // Values the dialog itself never writes: a year-first date order, an odd flag, a
    // blank amount and bytes in no field at all.
    CompanyState state;
    state.CurrentCompany = OnFile("1");
    ASSERT_EQ(UpdateCurrentCompany(state, folder(),
                                   [](CompanyRec& rec) {
                                       rec.set(Company::DateOrderSetting, "Y");
                                       rec.set(Company::RequireAuditTrail, "?");
                                       EXPECT_TRUE(rec.set(Company::ReceivablesTotal, ""));
                                       rec.bytes()[3400] = 0x5A;
                                       return true;
                                   }),
              CompanyResult::Ok);
    const auto [before, after] = EditOnce([](Form&) {});
    EXPECT_EQ(before, after);
    EXPECT_EQ(Control<QComboBox>(dialog, "DDMMYY").currentText(), "\"Y\" (as stored)");
}

TEST_F(CompanySettingsTest, ANewCompanyGetsExactlyTheDefaultSettings) {
    TCoSetForm& d = dialog;
    d.PrepareNew("5");
    host->OnModal("CoSetForm", [](Form& f) {
        FillControl(f, "CName", "Fresh Start");
        PressButton(f, "OKBtn");
    });
    ASSERT_EQ(d.ShowModal(), Modal::Ok);
    CompanyRec expected = NewCompanyRecord();
    expected.set(Company::Name, "Fresh Start");
    ASSERT_TRUE(expected.set(Company::CompanyNumber, "5"));
    EXPECT_EQ(OnFile("5"), expected);
    EXPECT_EQ(d.Saved(), expected);
}

TEST_F(CompanySettingsTest, BadEntriesAreRefusedOnTheirPageWithNothingWritten) {
    struct Bad {
        const char* control;
        QString typed;
        int page;
    };
    const std::vector<Bad> cases{
        {"TaxRate", "12,3x", 1},    {"TaxRate", "101", 1},
        {"DefQty", "-1", 1},        {"NxtInvNum", "0", 1},
        {"NxtInvNum", "12a", 1},    {"InvCopies", "x", 1},
        {"MaxLines", "", 2},        {"LineWidthVal", "0", 2},
        {"NxtRecvr", "1.5", 3},     {"CEMailAdd", "a b@c.d", 4},
        {"CEMailAdd", "nobody", 4}, {"SMTPHost", "mail host", 4},
        {"CAVal1", "x", 5},         {"CAVal1", "100", 5},
        {"CAVal2", "20", 5},        {"LastIntRun", "13/13/2026", 7},
        {"IntRate", "1e3", 7},      {"CRecTotal", "99999999999", 0},
    };
    const std::string fileBefore = FileBytes("cvcomp.DAT");
    for (const Bad& c : cases) {
        SCOPED_TRACE((QString(c.control) + " = " + c.typed).toStdString());
        ASSERT_TRUE(dialog.PrepareEdit("1"));
        host->OnModal("CoSetForm", [&](Form& f) {
            FillControl(f, c.control, c.typed);
            Control<QTabWidget>(f, "SettingsTabs").setCurrentIndex(6);
            host->Answer(MsgResult::Ok, {}, CompanySettingsCaption);
            PressButton(f, "OKBtn");
            EXPECT_EQ(f.ModalResult(), Modal::None);
            EXPECT_EQ(f.focusWidget(), &FindControl(f, c.control));
            EXPECT_EQ(Control<QTabWidget>(f, "SettingsTabs").currentIndex(), c.page);
            PressButton(f, "CancelBtn");
        });
        EXPECT_EQ(dialog.ShowModal(), Modal::Cancel);
        EXPECT_TRUE(FileBytes("cvcomp.DAT") == fileBefore) << "the company file changed";
    }
}

TEST_F(CompanySettingsTest, AgingPeriodsMustGrowAndTheNameMayNotBeBlank) {
    const std::string fileBefore = FileBytes("cvcomp.DAT");
    ASSERT_TRUE(dialog.PrepareEdit("1"));
    host->OnModal("CoSetForm", [&](Form& f) {
        FillControl(f, "CAVal3", "60");
        host->Answer(MsgResult::Ok, {}, CompanySettingsCaption);
        PressButton(f, "OKBtn");
        EXPECT_EQ(f.focusWidget(), &FindControl(f, "CAVal3"));
        FillControl(f, "CAVal3", "90");
        FillControl(f, "CName", "  ");
        host->Answer(MsgResult::Ok, "Please enter the company name.");
        PressButton(f, "OKBtn");
        EXPECT_EQ(f.focusWidget(), &FindControl(f, "CName"));
        PressButton(f, "CancelBtn");
    });
    dialog.ShowModal();
    EXPECT_TRUE(FileBytes("cvcomp.DAT") == fileBefore) << "the company file changed";
}

TEST_F(CompanySettingsTest, TextThatCannotBeStoredIsRefused) {
    const std::string fileBefore = FileBytes("cvcomp.DAT");
    ASSERT_TRUE(dialog.PrepareEdit("1"));
    host->OnModal("CoSetForm", [&](Form& f) {
        // Set as a program would (a pasted or chosen value), past the typing guard.
        Control<QLineEdit>(f, "CAdd1").setText("Stra\u00dfe \u4e2d");
        host->Answer(MsgResult::Ok, {}, CompanySettingsCaption);
        PressButton(f, "OKBtn");
        EXPECT_TRUE(host->LastMessage()->text.contains("\u4e2d"));
        PressButton(f, "CancelBtn");
    });
    dialog.ShowModal();
    EXPECT_TRUE(FileBytes("cvcomp.DAT") == fileBefore) << "the company file changed";
}

TEST_F(CompanySettingsTest, ANewCompanyNeedsAFreeNumberFrom1To32000) {
    dialog.PrepareNew("2");
    host->OnModal("CoSetForm", [&](Form& f) {
        FillControl(f, "CName", "Clash");
        FillControl(f, "CNumber", "1");
        host->Answer(MsgResult::Ok,
                     "Company number 1 is already in use. Please choose another number.");
        PressButton(f, "OKBtn");
        EXPECT_EQ(f.focusWidget(), &FindControl(f, "CNumber"));
        FillControl(f, "CNumber", "32001");
        host->Answer(MsgResult::Ok);
        PressButton(f, "OKBtn");
        EXPECT_EQ(f.ModalResult(), Modal::None);
        FillControl(f, "CNumber", "0002");
        PressButton(f, "OKBtn");
    });
    EXPECT_EQ(dialog.ShowModal(), Modal::Ok);
    EXPECT_EQ(OnFile("2").get(Company::Name), "Clash");
    EXPECT_EQ(OnFile("1").get(Company::Name), "Harbour Lane");
    // An existing company keeps its number: its files are named by it.
    ASSERT_TRUE(dialog.PrepareEdit("2"));
    EXPECT_FALSE(FindControl(dialog, "CNumber").isEnabled());
}

TEST_F(CompanySettingsTest, AChangeMadeElsewhereMeanwhileIsNotOverwritten) {
    ASSERT_TRUE(dialog.PrepareEdit("1"));
    CompanyState other;
    other.CurrentCompany = OnFile("1");
    ASSERT_EQ(UpdateCurrentCompany(
                  other, folder(),
                  [](CompanyRec& rec) { return rec.set(Company::NextInvoiceNumber, "1002"); }),
              CompanyResult::Ok);
    host->OnModal("CoSetForm", [&](Form& f) {
        FillControl(f, "TaxName", "GST");
        host->Answer(MsgResult::Ok, "The record has changed in the meantime.");
        PressButton(f, "OKBtn");
        PressButton(f, "CancelBtn");
    });
    dialog.ShowModal();
    EXPECT_EQ(OnFile("1").get(Company::NextInvoiceNumber), "1002");
    EXPECT_EQ(OnFile("1").get(Company::TaxHeading), "Tax");
}

TEST(ProposedCompanyNumber, NextAboveTheHighestElseTheFirstGap) {
    const auto companies = [](std::initializer_list<const char*> numbers) {
        std::vector<CompanyRec> list;
        for (const char* n : numbers)
            EXPECT_TRUE(list.emplace_back().set(Company::CompanyNumber, n));
        return list;
    };
    EXPECT_EQ(ProposedCompanyNumber({}), "1");
    EXPECT_EQ(ProposedCompanyNumber(companies({"1", "9", "3"})), "10");
    EXPECT_EQ(ProposedCompanyNumber(companies({"32000", "1"})), "2");
}

}  // namespace
