// The address export: its lines, and the command over real master files writing a real file.
#include "reports/labels/address_export.h"

#include <QMenu>
#include <QToolButton>
#include <fstream>

#include "platform/list_view.h"
#include "tests/reports/label_print_fixture.h"

namespace {

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

const QString kQuestion =
    "This will create a text file of addresses for all vendors and/or customers in the print "
    "queue. Continue?";

}  // namespace

TEST(AddressExportLine, JoinsTheNameAndTheLinesThatHoldMoreThanOneCharacter) {
    EXPECT_EQ(AddressExportLine("Acme Ltd", {"12 High St", "", "Springfield", ""}),
              "Acme Ltd,12 High St,Springfield");
    EXPECT_EQ(AddressExportLine("  Acme  ", {" A ", "   ", "  Elm Rd "}), "Acme,Elm Rd");
    EXPECT_FALSE(AddressExportLine("X", {"", "Y", "", ""}));
    EXPECT_EQ(AddressExportLine("", {"12 High St", "", "", ""}), ",12 High St");
    const auto longest = AddressExportLine(std::string(150, 'n'), {std::string(100, 'a')});
    ASSERT_TRUE(longest);
    EXPECT_EQ(longest->size(), MaxAddressLineLength);
}

TEST_F(LabelPrintTest, ExportWritesOneLinePerCustomerOrVendorFound) {
    StoreCustomer("C1", "Acme Ltd", {"12 High St", "", "Springfield", ""}, {"Dock 4", "", "", ""});
    StoreVendor("V1", "Dock & Rope Co.", {"Pier 3", "Seatown", "", ""});
    StoreCustomer("C2", "", {"", "", "", ""});
    StoreProduct("ROPE-12", "Rope 12 mm", "4.50", "Yard");
    Tlblwiz& w = Create();  // no layout needed
    AddToLabelQueue(LabelKind::Vendor, "V1", "Dock & Rope Co.", "", "");
    AddToLabelQueue(LabelKind::Product, "ROPE-12", "Rope 12 mm", "4.50", "Yard");
    AddToLabelQueue(LabelKind::Customer, "C1", "Acme Ltd", "", "");
    AddToLabelQueue(LabelKind::Customer, "C2", "", "", "");

    // No, or a cancelled dialog, writes nothing.
    host->Answer(MsgResult::No, kQuestion, "Export Addresses");
    PressButton(w, "ExportText");
    host->Answer(MsgResult::Yes, kQuestion).AnswerFile({});
    PressButton(w, "ExportText");
    EXPECT_TRUE(LabelQueueChanged);

    host->Answer(MsgResult::Yes, kQuestion, "Export Addresses").AnswerFile(QPath("addresses"));
    host->Answer(MsgResult::Ok, "All addresses have been exported to text file.",
                 "Export Complete");
    PressButton(w, "ExportText");
    EXPECT_EQ(FileBytes(Path("addresses.TXT")),
              "Dock & Rope Co.,Pier 3,Seatown\r\nAcme Ltd,12 High St,Springfield\r\n");
    EXPECT_FALSE(LabelQueueChanged);
    EXPECT_EQ(w.StatusText(), "Address text saved to file: " + QPath("addresses.TXT") + ".");
    EXPECT_EQ(w.LabelList->Count(), 4);

    // The menu item runs the same command; the file is replaced, and a row whose record is
    // gone is named instead of claiming every address went out.
    AddToLabelQueue(LabelKind::Vendor, "V404", "Gone", "", "");
    w.Records1->menuAction()->setEnabled(true);
    host->Answer(MsgResult::Yes, kQuestion).AnswerFile(QPath("addresses.TXT"));
    host->Answer(MsgResult::Ok,
                 "These records of the print queue are no longer on file: vendor V404. The other "
                 "addresses have been exported to text file.",
                 "Export Complete");
    Trigger(w.AddressExporttoTextFile1);
    EXPECT_EQ(FileBytes(Path("addresses.TXT")),
              "Dock & Rope Co.,Pier 3,Seatown\r\nAcme Ltd,12 High St,Springfield\r\n");
}

TEST_F(LabelPrintTest, ExportRefusesAnEmptyQueueAndKeepsTheFlagWhenTheFileFails) {
    Tlblwiz& w = Create();
    host->Answer(MsgResult::Ok, "You do not have any records listed to export addresses for.",
                 "Export Address");
    PressButton(w, "ExportText");
    EXPECT_EQ(host->LastMessage()->icon, MsgIcon::Information);

    StoreCustomer("C1", "Acme Ltd", {"12 High St", "", "", ""});
    AddToLabelQueue(LabelKind::Customer, "C1", "Acme Ltd", "", "");
    host->Answer(MsgResult::Yes, kQuestion).AnswerFile(QPath("no/such/folder/out.TXT"));
    host->Answer(MsgResult::Ok);
    PressButton(w, "ExportText");
    EXPECT_EQ(host->LastMessage()->icon, MsgIcon::Error);
    EXPECT_TRUE(LabelQueueChanged);
    EXPECT_FALSE(w.StatusText().startsWith("Address text saved"));
}
