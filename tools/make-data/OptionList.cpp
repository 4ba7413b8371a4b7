#include "OptionList.h"

std::optional<QList<OptionFileEntry>> parseOptionList(const QByteArray& utf8, QString* error)
{
    QList<OptionFileEntry> entries;
    const QStringList lines = QString::fromUtf8(utf8).split(u'\n');
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QString line = lines[n];
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const auto fail = [&](const QString& why) {
            if (error)
                *error = QStringLiteral("line %1: %2").arg(n + 1).arg(why);
            return std::nullopt;
        };
        const qsizetype tab = line.indexOf(u'\t');
        if (tab <= 0)
            return fail(QStringLiteral("no file name and tab"));
        OptionFileEntry entry{line.left(tab), QString()};
        if (entry.name.contains(u'/') || entry.name.contains(u'\\'))
            return fail(QStringLiteral("file name with a folder"));
        for (qsizetype i = tab + 1; i < line.size(); ++i) {
            if (line[i] != u'\\') {
                entry.text += line[i];
                continue;
            }
            const QChar next = i + 1 < line.size() ? line[i + 1] : QChar();
            if (next == u't')
                entry.text += u'\t';
            else if (next == u'n')
                entry.text += u'\n';
            else if (next == u'\\')
                entry.text += u'\\';
            else
                return fail(QStringLiteral("unknown escape"));
            ++i;
        }
        entries.append(entry);
    }
    return entries;
}
