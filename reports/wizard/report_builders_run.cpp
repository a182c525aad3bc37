#include "reports/wizard/report_builders_run.h"

#include <QComboBox>
#include <QLabel>

#include "platform/application.h"
#include "platform/cp1252.h"
#include "platform/long_run.h"
#include "platform/mask_edit.h"
#include "platform/message_host.h"
#include "reports/viewer/report_table.h"
#include "reports/viewer/report_text.h"
#include "reports/viewer/report_viewer.h"
#include "reports/wizard/report_dates.h"
#include "shell/app_context.h"
#include "shell/text.h"

namespace {

QString Q(std::string_view text) {
    return FromCp1252(text);
}

// What the viewer is handed: the grid, the three heading lines and the report parameters.
void FillViewer(Trtreport& viewer, const ReportDefinition& report, ReportGrid grid,
                const std::string& head3) {
    viewer.RptGrid->SetReport(std::move(grid));
    viewer.Head1->setText(Q(TrimBlanks(Shell().companies.CurrentCompany.get(Company::Name))));
    viewer.Head2->setText(Q("Date: " + RunDateTimeNow()));
    viewer.Head3->setText(Q(head3));
    viewer.SortColumnLimit = report.sortColumnLimit;
    viewer.LastAmountColumn = report.lastAmountColumn;
    viewer.SortCol->clear();
    for (int n = 2; n <= report.sortColumnLimit + 1; ++n)
        viewer.SortCol->addItem(QString::number(n));
}

}  // namespace

ReportRun RunReport(const ReportDefinition& report, const std::string& fromTyped,
                    const std::string& toTyped) {
    const QString caption = Q(report.emptyCaption);
    ReportPeriod period;
    if (report.dated) {
        const CheckedDates dates =
            CheckReportDates(fromTyped, toTyped, Shell().companies.dateFormat());
        if (dates.problem != DateRangeProblem::None) {
            const DateRangeMessage message = MessageOf(dates.problem);
            MessageBox(message.text, message.caption, MsgIcon::Warning);
            return ReportRun::Refused;
        }
        period = dates.period;
    }

    // The report shown last is let go first: two large reports never share the memory.
    if (rtreport) rtreport->RptGrid->SetReport(ReportGrid{});
    BuiltReport built;
    try {
        const WaitCursor wait;
        built = BuildReport(report, period);
    } catch (const ReportDataError& error) {
        MessageBox(Q(error.what()), caption, MsgIcon::Warning);
        return ReportRun::Refused;
    }
    if (built.zeroReceivables) {
        MessageBox(
            "Your Accounts Receivable balance is zero for this company. There are no "
            "outstanding items.",
            "Account Receivable Report", MsgIcon::Information);
        return ReportRun::Refused;
    }
    // Rows missing for an engine error must not pass for a complete (or empty) report.
    if (built.engineError) {
        const QString file = Q(report.fileName);
        const QString code = QString::number(built.engineError);
        if (!HasRecords(built)) {
            MessageBox(QString("The %1 file of this company could not be read (engine error %2).")
                           .arg(file, code),
                       caption, MsgIcon::Warning);
            return ReportRun::Refused;
        }
        MessageBox(QString("The %1 file of this company could not be read to the end (engine "
                           "error %2). The report shows only the records read before the error.")
                       .arg(file, code),
                   caption, MsgIcon::Warning);
    }
    if (!HasRecords(built)) {
        MessageBox(Q(report.emptyMessage), caption, MsgIcon::Information);
        return ReportRun::Empty;
    }
    if (!rtreport) RaiseError("The report viewer is not available.");
    FillViewer(*rtreport, report, std::move(built.grid), ReportHead3(report, fromTyped, toTyped));
    ProcessPendingMessages();
    ShowModal(*rtreport);
    return ReportRun::Shown;
}
