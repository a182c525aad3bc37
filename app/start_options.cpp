// The command line's data folder and switches.
#include "app/start_options.h"

StartOptions ParseArguments(const QStringList& args) {
    StartOptions options;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == "--data") {
            if (i + 1 >= args.size()) {
                options.valid = false;
                break;
            }
            options.dataDir = args[++i].toStdString();
        } else if (arg.compare("/C", Qt::CaseInsensitive) == 0) {
            options.externalTransaction = true;
        } else if (arg.compare("/V", Qt::CaseInsensitive) == 0) {
            options.customerInvoices = true;
        } else if (arg.startsWith("--data=")) {
            options.dataDir = arg.mid(7).toStdString();
            if (options.dataDir.empty()) options.valid = false;
        }
    }
    return options;
}
