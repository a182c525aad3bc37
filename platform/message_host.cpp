#include "platform/message_host.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>

std::vector<MsgResult> OfferedButtons(MsgButtons buttons) {
    switch (buttons) {
        case MsgButtons::Ok:
            return {MsgResult::Ok};
        case MsgButtons::OkCancel:
            return {MsgResult::Ok, MsgResult::Cancel};
        case MsgButtons::AbortRetryIgnore:
            return {MsgResult::Abort, MsgResult::Retry, MsgResult::Ignore};
        case MsgButtons::YesNoCancel:
            return {MsgResult::Yes, MsgResult::No, MsgResult::Cancel};
        case MsgButtons::YesNo:
            return {MsgResult::Yes, MsgResult::No};
        case MsgButtons::RetryCancel:
            return {MsgResult::Retry, MsgResult::Cancel};
    }
    return {MsgResult::Ok};
}

MsgResult DismissResult(MsgButtons buttons) {
    const auto offered = OfferedButtons(buttons);
    for (const MsgResult r : {MsgResult::Cancel, MsgResult::No, MsgResult::Abort}) {
        if (std::find(offered.begin(), offered.end(), r) != offered.end()) return r;
    }
    return MsgResult::Ok;
}

// --- the calls windows make ------------------------------------------------------------

MsgResult MessageBox(const QString& text, const QString& caption, MsgIcon icon,
                     MsgButtons buttons) {
    return Host().ShowMessage(text, caption, icon, buttons);
}

int ShowModal(Form& form) {
    return Host().ShowModal(form);
}

QString AskSaveFileName(const QString& title, const QString& filter, const QString& defaultExt,
                        const QString& fileName) {
    FileRequest request;
    request.save = true;
    request.title = title;
    request.filter = filter;
    request.defaultExt = defaultExt;
    request.fileName = fileName;
    const QString path = Host().AskFileName(request);
    return path.isEmpty() ? path : WithDefaultExtension(path, defaultExt);
}

QString AskOpenFileName(const QString& title, const QString& filter, const QString& fileName) {
    FileRequest request;
    request.title = title;
    request.filter = filter;
    request.fileName = fileName;
    return Host().AskFileName(request);
}

namespace {

// What the file that keeps a folder holds.
QByteArray KeptLine(const QString& folder) {
    return folder.toUtf8() + '\n';
}

}  // namespace

QString SaveFolder::Proposal(const QString& fileName, const QString& otherwise) const {
    QString folder;
    const auto there = [](const QString& dir) { return !dir.isEmpty() && QDir(dir).exists(); };
    if (there(last_)) {
        folder = last_;
    } else if (const QString documents =
                   QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
               there(documents)) {
        folder = documents;
    } else {
        folder = there(otherwise) ? otherwise : QDir::homePath();
    }
    return QDir(folder).filePath(fileName);
}

void SaveFolder::Used(const QString& path) {
    if (path.isEmpty()) return;
    last_ = QFileInfo(path).absolutePath();
    if (keep_.isEmpty() || last_ == kept_) return;
    // Only a convenience: a folder that cannot be kept is proposed for this run alone.
    QSaveFile file(keep_);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(KeptLine(last_));
        if (file.commit()) kept_ = last_;
    }
}

void SaveFolder::KeepIn(const QString& file) {
    keep_ = file;
    kept_.clear();
    if (file.isEmpty()) return;
    QFile kept(file);
    if (!kept.open(QIODevice::ReadOnly)) return;
    const QByteArray line = kept.readLine(4096);
    const QString folder = QString::fromUtf8(line).trimmed();
    if (!folder.isEmpty()) last_ = folder;
    if (kept.atEnd() && line == KeptLine(folder)) kept_ = folder;
}

bool PrinterSetup() {
    return Host().RunPrinterDialog(PrinterDialogKind::Setup);
}

bool PrintDialog() {
    return Host().RunPrinterDialog(PrinterDialogKind::Print);
}

void Beep() {
    Host().Beep();
}

void ShowHelp(const QString& keyword) {
    Host().ShowHelp(keyword);
}

void RunCalculator() {
    Host().RunCalculator();
}

QString QtFileFilter(const QString& filter) {
    const QStringList parts = filter.split('|');
    QStringList filters;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        QString description = parts[i];
        if (const qsizetype paren = description.indexOf('('); paren >= 0)
            description = description.left(paren);
        description = description.trimmed();
        QStringList patterns;
        const QString given = i + 1 < parts.size() ? parts[i + 1] : QString("*");
        for (const QString& p : given.split(';', Qt::SkipEmptyParts)) {
            for (const QString& variant :
                 {p.trimmed(), p.trimmed().toUpper(), p.trimmed().toLower()})
                if (!patterns.contains(variant)) patterns << variant;
        }
        filters << QString("%1 (%2)").arg(description, patterns.join(' '));
    }
    return filters.join(";;");
}

QString WithDefaultExtension(const QString& path, const QString& defaultExt) {
    if (defaultExt.isEmpty() || !QFileInfo(path).suffix().isEmpty()) return path;
    return path + "." + defaultExt;
}
