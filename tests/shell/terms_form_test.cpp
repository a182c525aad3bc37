// The payment-terms editor: one term a line, blank lines dropped, terms too long refused.
#include "shell/company/terms_form.h"

#include <QPlainTextEdit>

#include "shell/small_files.h"
#include "tests/shell/window_fixture.h"

namespace {

class TermsFormTest : public ShellWindowTest {
protected:
    TTermsForm form;
};

TEST_F(TermsFormTest, SavesOneTermALineAndShowsThemNextTime) {
    ASSERT_TRUE(SaveTerms(folder(), {"Net 30"}));
    host->OnModal("TermsForm", [](Form& f) {
        EXPECT_EQ(Control<QPlainTextEdit>(f, "TermsMemo").toPlainText(), "Net 30");
        FillControl(f, "TermsMemo", "Net 30\n\n  Due on receipt  \n2% 10, Net 30\n");
        PressButton(f, "OKBtn");
    });
    EXPECT_EQ(form.ShowModal(), Modal::Ok);
    EXPECT_EQ(LoadTerms(folder()),
              (std::vector<std::string>{"Net 30", "Due on receipt", "2% 10, Net 30"}));
}

TEST_F(TermsFormTest, ATermLongerThanItsFieldsIsRefusedAndNothingSaved) {
    ASSERT_TRUE(SaveTerms(folder(), {"Net 30"}));
    host->OnModal("TermsForm", [&](Form& f) {
        FillControl(f, "TermsMemo", "Net 15\n" + QString(36, 'x'));
        host->Answer(MsgResult::Ok, {}, "Payment Terms");
        PressButton(f, "OKBtn");
        EXPECT_EQ(f.ModalResult(), Modal::None);
        PressButton(f, "CancelBtn");
    });
    EXPECT_EQ(form.ShowModal(), Modal::Cancel);
    EXPECT_EQ(LoadTerms(folder()), std::vector<std::string>{"Net 30"});
}

}  // namespace
