// The printed customer statement: the loaded statement drawn as one print job on the company's
// document page (PrintStatement in invoicing/receivables/statement.h).
#include "invoicing/posting/aging.h"
#include "invoicing/documents/document_page.h"
#include "invoicing/receivables/statement.h"
#include "platform/application.h"
#include "platform/cp1252.h"
#include "platform/printer.h"
#include "shell/app_context.h"
#include "shell/text.h"

namespace {

QString Q(std::string_view text) {
    return FromCp1252(TrimBlanks(text));
}

// Draws the statement as one job; true when the job ended well.
bool PrintStatementPages(PrintCanvas& canvas, const StatementData& s, const CompanyRec& company) {
    DocumentPage page(canvas, DocumentLayout::Of(company));
    const DocumentLayout& l = page.layout();
    PrintJob job(canvas, "Statement - " + Q(s.number));
    const ShellContext& shell = Shell();
    // Column starts across the page: date, number, reference, then three amounts ending at
    // their right edges, and the type letter.
    const int W = page.W();
    const std::array<int, 3> left{l.left + 40, l.left + 340, l.left + 640};
    const std::array<int, 3> rightEdge{W - 760, W - 470, W - 180};
    const int typeX = W - 120;
    int y = 0;

    const auto head = [&] {
        page.RestorePen();
        page.PageBox();
        page.UseFont(CompanyFont(company, Company::CaptionFont));
        y = l.top + 2 * page.L();
        page.RightHalfCentred(y, "STATEMENT");
        page.UseFont(CompanyFont(company, Company::CompanyAddressFont));
        if (!l.omitCompany && !l.letterhead) {
            int cy = y;
            page.Text(l.left + l.push, cy, Q(company.get(Company::Name)));
            for (const auto& line : Company::Address)
                if (!TrimBlanks(company.get(line)).empty())
                    page.Text(l.left + l.push, cy += page.L(), Q(company.get(line)));
        }
        page.RightHalfCentred(y + 2 * page.L(),
                              Q(shell.companies.dateFormat().format(shell.clock.today())));
        if (canvas.PageNumber() > 1)
            page.RightHalfCentred(y + 3 * page.L(),
                                  "page number " + QString::number(canvas.PageNumber()));
        y += 7 * page.L();
        page.UseFont(CompanyFont(company, Company::BodyFont));
        page.Text(l.left + l.push, y, Q(s.name));
        page.Text(W / 2, y, "Account Number: " + Q(s.number));
        for (const std::string& line : s.address)
            if (!TrimBlanks(line).empty()) page.Text(l.left + l.push, y += page.L(), Q(line));
        y += 2 * page.L();
        page.Across(y - page.h());
    };
    const auto row = [&](const StatementRow& r) {
        for (int k = 0; k < 3; ++k) page.Text(left[k], y, FromCp1252(r[k]));
        for (int k = 0; k < 3; ++k) page.RightAligned(rightEdge[k], y, FromCp1252(r[3 + k]));
        page.Text(typeX, y, FromCp1252(r[6]));
        y += page.L();
    };

    head();
    StatementRow heads;
    std::copy(StatementHeadings.begin(), StatementHeadings.end(), heads.begin());
    row(heads);
    page.Across(y);
    y += page.h();
    // Room kept at the foot of a page for the totals, aging and notes.
    const auto bottom = [&] { return page.H() - 10 * page.L(); };
    for (const StatementRow& r : s.rows) {
        if (y > bottom()) {
            canvas.NewPage();
            head();
            row(heads);
            page.Across(y);
            y += page.h();
        }
        row(r);
    }
    page.Across(y);
    y += page.h();
    row(s.totals);
    y += page.L();
    const std::array<std::string, 4> captions = AgingBucketCaptions(company);
    for (std::size_t k = 0; k < captions.size(); ++k) {
        const int right = l.left + 400 + static_cast<int>(k) * 450;
        page.RightAligned(right, y, Q(captions[k]));
        page.RightAligned(right, y + page.L(), Q(s.aging[k]));
    }
    y += 3 * page.L();
    if (s.printNotes == "Y" && TrimBlanks(s.notes).size() >= 2)
        for (const QString& line : page.WrapText(Q(s.notes), W - 2 * (l.left + 40)))
            page.Text(l.left + 40, y += page.L(), line);
    return job.End();
}

}  // namespace

void PrintStatement() {
    const StatementData& s = Statements().Loaded;
    if (!PrintStatementPages(Printer(), s, Shell().companies.CurrentCompany))
        RaiseError(QString("The statement of customer %1 could not be printed.").arg(Q(s.number)));
}
