// Label runs without a window: the sheet read from the layout fields, where labels land,
// what a label prints and where, and the calibration ruler page.
#include "reports/labels/label_print.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/application.h"
#include "platform/printer.h"
#include "tests/reports/label_print_fixture.h"

namespace {

// 2 across, 3 down: 825 x 300 pixels each, from (50, 125).
const LabelSheet kSheet{125, 50, 2, 3, 825, 300};

std::vector<std::vector<std::string>> Labels(std::initializer_list<std::string> names) {
    std::vector<std::vector<std::string>> labels;
    for (const std::string& name : names) labels.push_back({name, name + " street", "", "Town"});
    return labels;
}

std::vector<const RecordingCanvas::Call*> Lines(const RecordingCanvas& canvas) {
    std::vector<const RecordingCanvas::Call*> lines;
    for (const auto& call : canvas.Calls())
        if (call.op == RecordingCanvas::Op::Line) lines.push_back(&call);
    return lines;
}

}  // namespace

TEST(LabelSheetFields, AreWholeNumbersWithAtLeastOneColumnAndRow) {
    const SheetRead read = ReadLabelSheet({"125", "50 ", "2", "3 ", " 825", "300 "});
    ASSERT_TRUE(read.sheet);
    EXPECT_EQ(read.sheet->left, 50);
    EXPECT_EQ(read.sheet->height, 300);
    EXPECT_EQ(read.sheet->columns, 2);

    EXPECT_TRUE(AnyLayoutFieldBlank({"125", "50", "2", "   ", "825", "300"}));
    EXPECT_FALSE(AnyLayoutFieldBlank({"1", "0", "1", "1", "0", "0"}));

    // A blank inside a masked number, and a column count of 0, are refused by name.
    const SheetRead gap = ReadLabelSheet({"125", "50", "2", "3", "8 5", "300"});
    EXPECT_FALSE(gap.sheet);
    EXPECT_EQ(gap.field, SheetField::Width);
    EXPECT_EQ(gap.problem, "The label width '8 5' is not a whole number. Unable to print.");
    const SheetRead none = ReadLabelSheet({"125", "50", "0", "3", "825", "300"});
    EXPECT_FALSE(none.sheet);
    EXPECT_EQ(none.field, SheetField::Columns);
    EXPECT_FALSE(ReadLabelSheet({"125", "50", "2", "0", "825", "300"}).sheet);
    EXPECT_FALSE(ReadLabelSheet({"99999999999", "50", "2", "3", "825", "300"}).sheet);
}

TEST(PlaceLabels, FillsRowsAcrossThenDownAndPagesOnlyWhenLabelsRemain) {
    // Three rows, two copies each: the six positions of the sheet, no page after them.
    const auto six = PlaceLabels(kSheet, 1, 6);
    EXPECT_EQ(six, (std::vector<LabelSpot>{{1, 50, 125},
                                           {1, 875, 125},
                                           {1, 50, 425},
                                           {1, 875, 425},
                                           {1, 50, 725},
                                           {1, 875, 725}}));
    const auto seven = PlaceLabels(kSheet, 1, 7);
    EXPECT_EQ(seven.back(), (LabelSpot{2, 50, 125}));

    // Start label 4 with 3 across begins row 2, column 1; 0 counts as 1.
    const LabelSheet threeAcross{125, 50, 3, 3, 825, 300};
    EXPECT_EQ(PlaceLabels(threeAcross, 4, 1).front(), (LabelSpot{1, 50, 425}));
    EXPECT_EQ(PlaceLabels(kSheet, 0, 2), PlaceLabels(kSheet, 1, 2));

    // Started on the last label, the next one opens a new page.
    const auto last = PlaceLabels(kSheet, 6, 2);
    EXPECT_EQ(last, (std::vector<LabelSpot>{{1, 875, 725}, {2, 50, 125}}));
}

TEST(PlaceLabels, AStartBeyondTheSheetIsRefused) {
    const LabelSheet twoByTwo{0, 0, 2, 2, 100, 100};
    EXPECT_FALSE(StartLabelRefusal(twoByTwo, 4));
    const auto refusal = StartLabelRefusal(twoByTwo, 5);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(*refusal,
              "A sheet holds 4 labels (2 across, 2 down): printing cannot start at label 5. "
              "Unable to print.");
}

TEST(LayoutDiffers, ComparesTheTrimmedFieldsThatAreSaved) {
    LabelLayoutRec saved = SheetLayout();
    saved.set(LabelLayout::Caption, "To:");
    LayoutShown shown{{"125", "50", "2", "3", "825", "300"}, "", " ", "To: ", false};
    EXPECT_FALSE(LayoutDiffers(saved, shown));
    shown.caption = "Ship to:";
    EXPECT_TRUE(LayoutDiffers(saved, shown));
    shown.caption = "To:";
    shown.returnAddress = true;
    EXPECT_TRUE(LayoutDiffers(saved, shown));
    shown.returnAddress = false;
    shown.sheet.rows = "9";
    EXPECT_TRUE(LayoutDiffers(saved, shown));
}

TEST(LabelLineWidth, BlankAndZeroAreOne) {
    EXPECT_EQ(LabelLineWidth(" "), 1);
    EXPECT_EQ(LabelLineWidth("0"), 1);
    EXPECT_EQ(LabelLineWidth("4"), 4);
    EXPECT_FALSE(LabelLineWidth("x"));
}

TEST(LabelLines, NameAndAddressOrProductFields) {
    CustomerRec customer;
    customer.set(Customer::Name, "Acme Ltd");
    customer.set(Customer::Address[0], "12 High St");
    customer.set(Customer::Address[2], "Springfield");
    customer.set(Customer::Address2[0], "Dock 4");
    EXPECT_EQ(LabelLines(customer, false),
              (std::vector<std::string>{"Acme Ltd", "12 High St", "", "Springfield", ""}));
    EXPECT_EQ(LabelLines(customer, true),
              (std::vector<std::string>{"Acme Ltd", "Dock 4", "", "", ""}));
    ProductRec product;
    ASSERT_TRUE(product.set(Product::Code, "ROPE-12"));
    product.set(Product::Description, "Rope 12 mm");
    ASSERT_TRUE(product.set(Product::SalesPrice, "4.50"));
    product.set(Product::Location, "Yard");
    EXPECT_EQ(LabelLines(product, false),
              (std::vector<std::string>{"ROPE-12", "Rope 12 mm", "4.50", "Yard"}));
    EXPECT_TRUE(LabelLines(std::monostate{}, false).empty());
}

TEST(NotOnFileText, ListsTheFirstTenAndCountsTheRest) {
    EXPECT_EQ(NotOnFileText({"customer C1", "vendor V2"}, "Done."),
              "These records of the print queue are no longer on file: customer C1, vendor V2. "
              "Done.");
    std::vector<std::string> many(12, "product P");
    EXPECT_NE(NotOnFileText(many, "").find("product P and 2 more."), std::string::npos);
}

TEST(PrintLabels, WithoutReturnAddressTheNameIsAtTheTopLeftCorner) {
    RecordingCanvas canvas;
    LabelRun run{kSheet, FontSpec{"Liberation Sans", 10, 0, 0}, 1, 2, std::nullopt};
    const auto outcome = PrintLabels(canvas, run, Labels({"Alder", "Birch", "Cedar"}));
    EXPECT_TRUE(outcome.endedWell);
    EXPECT_EQ(outcome.printed, 6);
    EXPECT_EQ(canvas.Pages(), 1);
    EXPECT_EQ(canvas.Calls().front().text, "Mailing Labels");

    const int lh = canvas.TextHeight("MXjpy");
    const auto texts = canvas.Texts();
    // Empty lines print nothing but keep their place.
    ASSERT_EQ(texts.size(), 18u);
    const auto at = [&texts](std::size_t i) { return std::pair(texts[i].text, texts[i].p1); };
    EXPECT_EQ(at(0), std::pair(QString("Alder"), QPoint(50, 125)));
    EXPECT_EQ(at(2), std::pair(QString("Town"), QPoint(50, 125 + 3 * lh)));
    EXPECT_EQ(at(3), std::pair(QString("Alder"), QPoint(875, 125)));  // its copy
    EXPECT_EQ(at(6), std::pair(QString("Birch"), QPoint(50, 425)));
    EXPECT_EQ(at(15), std::pair(QString("Cedar"), QPoint(875, 725)));
    EXPECT_TRUE(std::all_of(texts.begin(), texts.end(),
                            [](const auto& t) { return t.brush == BrushStyle::Clear; }));
    EXPECT_TRUE(Lines(canvas).empty());

    // Seven labels need a second page; the seventh starts it.
    canvas.Clear();
    run.copies = 0;  // counts as one
    const auto seven = PrintLabels(canvas, run, Labels({"A", "B", "C", "D", "E", "F", "G"}));
    EXPECT_EQ(seven.printed, 7);
    EXPECT_EQ(canvas.Pages(), 2);
    EXPECT_EQ(canvas.FindText("G")->page, 2);
    EXPECT_EQ(canvas.FindText("G")->p1, QPoint(50, 125));
}

TEST(PrintLabels, ReturnAddressBlockBitmapLineAndCaption) {
    RecordingCanvas canvas;
    ReturnAddress from{
        "Harbour Supplies", {"1 Quay Rd", "Portsmouth", "", ""}, QImage(), true, 3, ""};
    LabelRun run{kSheet, FontSpec{"Liberation Sans", 10, 0, 0}, 1, 1, from};
    ASSERT_TRUE(PrintLabels(canvas, run, Labels({"Alder"})).endedWell);
    const int lh = canvas.TextHeight("MXjpy");
    EXPECT_EQ(canvas.FindText("Harbour Supplies")->p1, QPoint(50, 125));
    EXPECT_EQ(canvas.FindText("Portsmouth")->p1, QPoint(50, 125 + 2 * lh));
    // Without a caption the addressee is still indented by one "X", six lines down.
    EXPECT_EQ(canvas.FindText("Alder")->p1, QPoint(50 + canvas.TextWidth("X"), 125 + 6 * lh));
    const auto lines = Lines(canvas);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0]->p1, QPoint(25, 125 + 5 * lh + 20));
    EXPECT_EQ(lines[0]->p2, QPoint(50 + 82 * 8, 125 + 5 * lh + 20));
    EXPECT_EQ(lines[0]->penWidth, 3);

    // A bitmap pushes the company block right by its width and 25; a caption indents.
    canvas.Clear();
    QImage logo(120, 60, QImage::Format_RGB32);
    logo.fill(Qt::darkBlue);
    run.returnAddress->bitmap = logo;
    run.returnAddress->caption = "To:";
    run.returnAddress->printLine = false;
    ASSERT_TRUE(PrintLabels(canvas, run, Labels({"Alder", "Birch"})).endedWell);
    const auto image = std::find_if(canvas.Calls().begin(), canvas.Calls().end(),
                                    [](auto& c) { return c.op == RecordingCanvas::Op::Image; });
    ASSERT_NE(image, canvas.Calls().end());
    EXPECT_EQ(image->p1, QPoint(50, 125));
    EXPECT_EQ(image->imageSize, QSize(120, 60));
    EXPECT_EQ(canvas.FindText("Harbour Supplies")->p1, QPoint(50 + 145, 125));
    EXPECT_EQ(canvas.FindText("To:")->p1, QPoint(50, 125 + 6 * lh));
    EXPECT_EQ(canvas.FindText("Birch")->p1, QPoint(875 + canvas.TextWidth("To:X"), 125 + 6 * lh));
    EXPECT_TRUE(Lines(canvas).empty());
}

TEST(PrintLabels, AFailedStartIsRaisedAndLeavesNoJob) {
    RecordingCanvas canvas;
    canvas.FailNextBegin();
    const LabelRun run{kSheet, FontSpec{}, 1, 1, std::nullopt};
    EXPECT_THROW(PrintLabels(canvas, run, Labels({"Alder"})), AppError);
    EXPECT_FALSE(canvas.Printing());
    EXPECT_TRUE(canvas.Calls().empty());
}

TEST(CalibrationRuler, MarksEvery25PixelsWithNumbersEvery100) {
    RecordingCanvas canvas;
    ASSERT_TRUE(PrintCalibrationRuler(canvas));
    const auto lines = Lines(canvas);
    ASSERT_EQ(lines.size(), 122u);
    const auto count = [&lines](int width) {
        return std::count_if(lines.begin(), lines.end(),
                             [width](const auto* l) { return l->penWidth == width; });
    };
    EXPECT_EQ(count(3), 32);
    EXPECT_EQ(count(1), 90);
    // Vertical ruler first: major at y = 100, minor at y = 125.
    EXPECT_EQ(lines[4]->p1, QPoint(50, 100));
    EXPECT_EQ(lines[4]->p2, QPoint(300, 100));
    EXPECT_EQ(lines[5]->p1, QPoint(100, 125));
    EXPECT_EQ(lines[5]->p2, QPoint(250, 125));
    // Horizontal ruler: major at x = 1500, minor at x = 1475.
    EXPECT_EQ(lines[121]->p1, QPoint(1500, 1750));
    EXPECT_EQ(lines[121]->p2, QPoint(1500, 2000));
    EXPECT_EQ(lines[120]->p1, QPoint(1475, 1800));
    EXPECT_EQ(lines[120]->p2, QPoint(1475, 1950));

    const int th = canvas.TextHeight("20");
    const auto texts = canvas.Texts();
    ASSERT_EQ(texts.size(), 34u);
    EXPECT_EQ(texts[1].text, "100");
    EXPECT_EQ(texts[1].p1, QPoint(325, 100 - th / 2));
    EXPECT_EQ(texts[16 + 15].text, "1500");
    EXPECT_EQ(texts[16 + 15].p1, QPoint(1500 - th, 2025));
    EXPECT_EQ(texts[33].p1, QPoint(300, 2535 + th));
    EXPECT_TRUE(texts[33].text.startsWith("Be sure to include any spacing"));
    EXPECT_EQ(canvas.PenWidth(), 1);
}
