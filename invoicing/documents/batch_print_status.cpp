#include "invoicing/documents/batch_print_status.h"

QString BatchPrintStatus(BatchPrintEnd end, int printed, const QString& documents) {
    switch (end) {
        case BatchPrintEnd::Cancelled:
            return QString("Batch Print cancelled. %1 %2 printed.").arg(printed).arg(documents);
        case BatchPrintEnd::Failed:
            if (printed > 0)
                return QString("Batch Print failed: the printer did not finish the job. %1 %2 "
                               "were printed before it.")
                    .arg(printed)
                    .arg(documents);
            return QString(
                       "Batch Print failed: the printer did not finish the job. No %1 were "
                       "printed or marked printed.")
                .arg(documents);
        case BatchPrintEnd::Complete:
            break;
    }
    return QString("Batch Print complete. %1 %2 sent to spooler.").arg(printed).arg(documents);
}
