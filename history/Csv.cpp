#include "history/Csv.h"

#include <QRegularExpression>
#include <QSaveFile>

namespace Csv {
QString field(const QString& cell)
{
    QString value = cell;
    // A leading = + - @ starts a formula in spreadsheet programs; a quote makes
    // it text. Plain numbers ("-3", a change in visits) stay numbers.
    static const QRegularExpression number(QStringLiteral("^[+-]?[0-9]+([.,][0-9]+)*$"));
    if (!value.isEmpty() && QStringLiteral("=+-@").contains(value.front()) &&
        !number.match(value).hasMatch())
        value.prepend(QLatin1Char('\''));
    if (value.contains(QLatin1Char(',')) || value.contains(QLatin1Char('"')) ||
        value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r'))) {
        value.replace(QStringLiteral("\""), QStringLiteral("\"\""));
        value = QLatin1Char('"') + value + QLatin1Char('"');
    }
    return value;
}

QByteArray text(const QList<QStringList>& rows)
{
    QString out;
    for (const QStringList& row : rows) {
        QStringList fields;
        for (const QString& cell : row)
            fields << field(cell);
        out += fields.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    return out.toUtf8();
}

bool save(const QString& path, const QByteArray& text)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit();
}
} // namespace Csv
