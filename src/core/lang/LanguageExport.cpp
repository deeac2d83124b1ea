#include "core/lang/LanguageExport.h"

#include "core/lang/LangFile.h"

namespace LanguageExport {

namespace {

const QString Filler = QStringLiteral(" ");

bool needsPilcrows(const QString& text) {
    return text.isEmpty() || LangFile::isBlank(text.front()) || LangFile::isBlank(text.back());
}

} // namespace

std::optional<QString> entryValue(const QString& text) {
    if (text.contains(QChar(LangFile::Pilcrow)) || text.contains(LangFile::Comment_Marker) ||
        text.contains(u'\r') || text.contains(u'\n'))
        return std::nullopt;
    if (!needsPilcrows(text))
        return text;
    const QChar pilcrow(LangFile::Pilcrow);
    // An empty text is a single pilcrow: the loader ignores an empty value.
    return text.isEmpty() ? QString(pilcrow) : pilcrow + text + pilcrow;
}

Result exportTable(const LanguageTable& table, const QString& source) {
    QStringList entries;
    Result result;
    for (int index = 0; index < table.size(); ++index) {
        const QString text = table.text(index);
        if (text == Filler && defaultLangText(index) == Filler)
            continue;
        const auto value = entryValue(text);
        if (!value) {
            result.skipped.append(index);
            continue;
        }
        entries.append(QStringLiteral("STR%1 = %2").arg(index).arg(*value));
    }

    QStringList lines = {
        QStringLiteral("; Ordano language file"),
        QStringLiteral("; Texts from: %1").arg(source),
        QStringLiteral(";"),
        QStringLiteral("; Save as <Language>.lng in the LANGUAGE folder, in UTF-8 or UTF-16."),
        QStringLiteral("; One text per line: STR<index> = <text>"),
        QStringLiteral(";   Keep the blank before \"=\": STR12=text is read as index 1."),
        QStringLiteral(";   Put a text between \u00B6 signs to keep blanks at its ends;"),
        QStringLiteral(";   a single \u00B6 gives an empty text."),
        QStringLiteral(";   Anything after /#/ is a comment. Lines not starting with STR are "
                       "ignored."),
        QStringLiteral(";   A missing line, or an empty text, keeps the English text."),
    };
    for (int index : result.skipped)
        lines.append(QStringLiteral("; STR%1 is left out: its text holds a \u00B6, /#/ or a line "
                                    "break, which no entry line can carry.")
                         .arg(index));
    lines.append(QString());
    lines += entries;

    result.bytes = QByteArray("\xEF\xBB\xBF") + lines.join(QStringLiteral("\r\n")).toUtf8() +
                   QByteArray("\r\n");
    return result;
}

} // namespace LanguageExport
