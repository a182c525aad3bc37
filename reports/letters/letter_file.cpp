#include "reports/letters/letter_file.h"

#include <QFile>
#include <QStringDecoder>
#include <QTextDocument>
#include <cerrno>
#include <cstring>

#include "platform/cp1252.h"
#include "platform/rich_text/rtf_reader.h"
#include "platform/rich_text/rtf_writer.h"
#include "shell/data_folder.h"

namespace {

QString Shown(const std::filesystem::path& path) {
    return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

// Plain text as it comes: UTF-8 when it is valid UTF-8, else Windows-1252.
QString PlainText(const std::string& bytes) {
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8(QByteArrayView(bytes));
    if (utf8.hasError()) text = FromCp1252(bytes);
    if (text.startsWith(QChar::ByteOrderMark)) text.remove(0, 1);
    text.replace("\r\n", "\n");
    text.replace(u'\r', u'\n');
    return text;
}

}  // namespace

LetterLoad LoadLetter(const std::filesystem::path& path, const QFont& defaultFont) {
    LetterLoad load;
    const std::optional<std::string> bytes = ReadWholeFile(path);
    if (!bytes) {
        load.error = QString("The letter %1 cannot be opened: %2.")
                         .arg(Shown(path), QString::fromLocal8Bit(std::strerror(errno)));
        return load;
    }
    auto document = std::make_unique<QTextDocument>();
    document->setDefaultFont(defaultFont);
    if (LooksLikeRtf(QByteArrayView(*bytes))) {
        if (const QString problem = ReadRtf(QByteArrayView(*bytes), *document);
            !problem.isEmpty()) {
            load.error =
                QString("The letter %1 cannot be read as rich text: %2").arg(Shown(path), problem);
            return load;
        }
    } else {
        document->setPlainText(PlainText(*bytes));
    }
    load.document = std::move(document);
    return load;
}

QString SaveLetter(const std::filesystem::path& path, const QTextDocument& letter) {
    const QByteArray rtf = WriteRtf(letter);
    if (ReplaceFile(path, std::string_view(rtf.constData(), static_cast<std::size_t>(rtf.size()))))
        return {};
    return QString("The letter cannot be saved to %1: %2.")
        .arg(Shown(path), QString::fromLocal8Bit(std::strerror(errno)));
}
