#include "options/OptionTexts.h"

#include "base/ProgramFolder.h"
#include "options/NumberText.h"
#include "options/RtfFile.h"

#include <QFileInfo>

namespace {

qint16& tryLimit()
{
    static qint16 limit = 2;
    return limit;
}

const QString TryCountFile = QStringLiteral("Options.rtf");
const QString CounterStartFile = QStringLiteral("Options1.rtf");

} // namespace

OptionTexts OptionTexts::builtIn()
{
    OptionTexts texts;
    texts.tryCount = QStringLiteral("2");
    texts.counterStart = QStringLiteral("800");
    texts.activeBefore.fill(QStringLiteral(" "));
    texts.soldBefore.fill(QStringLiteral(" "));
    return texts;
}

QStringList OptionTexts::rowLabels(MarkerTable table)
{
    const QStringList common{QStringLiteral("Auction Number"), QStringLiteral("Title"),
                             QStringLiteral("Visits    Basic"), QStringLiteral("Visits    Retro")};
    if (table == MarkerTable::Active)
        return common + QStringList{QStringLiteral("Time Left"), QStringLiteral("Start Price"),
                                    QStringLiteral("Bids"), QStringLiteral("Price"),
                                    QStringLiteral("User Search")};
    return common + QStringList{QStringLiteral("Sale Date"), QStringLiteral("Sale Pric"),
                                QStringLiteral("Qty"), QStringLiteral("User Search"),
                                QStringLiteral("Item Search")};
}

const OptionTexts::Column& OptionTexts::before(MarkerTable table) const
{
    return table == MarkerTable::Active ? activeBefore : soldBefore;
}

const OptionTexts::Column& OptionTexts::after(MarkerTable table) const
{
    return table == MarkerTable::Active ? activeAfter : soldAfter;
}

OptionTexts::Column& OptionTexts::before(MarkerTable table)
{
    return table == MarkerTable::Active ? activeBefore : soldBefore;
}

OptionTexts::Column& OptionTexts::after(MarkerTable table)
{
    return table == MarkerTable::Active ? activeAfter : soldAfter;
}

QString OptionFiles::fileName(MarkerTable table, bool after, int row)
{
    const int stem = (table == MarkerTable::Active ? 1 : 2) + (after ? 4 : 0);
    return QStringLiteral("Config%1%2.rtf").arg(stem).arg(row);
}

OptionFiles::Loaded OptionFiles::load()
{
    Loaded loaded{OptionTexts::builtIn(), {}, {}};
    const auto read = [&loaded](QString& text, const QString& name) {
        const Result<QString> file = RtfFile::read(programFile(name));
        if (file) {
            text = *file;
        } else if (QFileInfo::exists(programFile(name))) {
            loaded.failures << name + QStringLiteral(": ") + file.message();
            loaded.unreadable << name;
        }
    };
    OptionTexts& t = loaded.texts;
    read(t.tryCount, TryCountFile);
    read(t.counterStart, CounterStartFile);
    for (int r = 0; r < OptionTexts::Rows; ++r) {
        read(t.activeBefore[r], fileName(MarkerTable::Active, false, r));
        read(t.soldBefore[r], fileName(MarkerTable::Sold, false, r));
        read(t.soldAfter[r], fileName(MarkerTable::Sold, true, r));
        read(t.activeAfter[r], fileName(MarkerTable::Active, true, r));
    }
    return loaded;
}

QString OptionFiles::unreadableMessage(const QStringList& failures)
{
    return QStringLiteral("These option files could not be read, so the built-in text is used "
                          "in their place; Save leaves the files as they are:\n\n") +
           failures.join(u'\n');
}

OptionFiles::Saved OptionFiles::save(const OptionTexts& texts, const QStringList& unreadable)
{
    Saved saved;
    if (const QString why = settingsReadOnly(); !why.isEmpty()) {
        saved.refused = why;
        return saved;
    }
    const auto write = [&saved, &unreadable](const QString& text, const QString& name) {
        if (unreadable.contains(name)) {
            saved.leftAlone << name;
            return false;
        }
        const Outcome written = RtfFile::write(programFile(name), text);
        if (!written)
            saved.failures << name + QStringLiteral(": ") + written.message();
        return written.isOk();
    };
    for (int r = 0; r < OptionTexts::Rows; ++r) {
        write(texts.activeBefore[r], fileName(MarkerTable::Active, false, r));
        write(texts.soldBefore[r], fileName(MarkerTable::Sold, false, r));
        write(texts.activeAfter[r], fileName(MarkerTable::Active, true, r));
        write(texts.soldAfter[r], fileName(MarkerTable::Sold, true, r));
    }
    write(texts.counterStart, CounterStartFile);
    const double count = leadingNumberValue(texts.tryCount);
    if (count > 0 && count < 11) {
        // A saved count governs the next search, not only the next start.
        if (write(texts.tryCount, TryCountFile)) {
            if (const auto limit = counterTryLimitFromText(texts.tryCount))
                setCounterTryLimit(*limit);
        }
    } else {
        saved.countRejected = true;
    }
    return saved;
}

QString OptionFiles::savedMessage(const Saved& saved)
{
    if (!saved.refused.isEmpty())
        return saved.refused;
    QStringList parts;
    if (!saved.leftAlone.isEmpty())
        parts << QStringLiteral("These files could not be read when the options were loaded and "
                                "were left as they are:\n\n") +
                     saved.leftAlone.join(u'\n');
    if (!saved.failures.isEmpty())
        parts << QStringLiteral("The options could not be saved to these files:\n\n") +
                     saved.failures.join(u'\n') + QStringLiteral("\n\nThe other files were saved.");
    return parts.join(QStringLiteral("\n\n"));
}

qint16 OptionFiles::counterTryLimit()
{
    return tryLimit();
}

void OptionFiles::setCounterTryLimit(qint16 limit)
{
    tryLimit() = limit;
}

std::optional<qint16> OptionFiles::counterTryLimitFromText(const QString& text)
{
    return roundToInt16(leadingNumberValue(text));
}

QString OptionFiles::countOutOfRange(const QString& text)
{
    if (counterTryLimitFromText(text))
        return QString();
    return QStringLiteral("The number of counter searches in Options.rtf, %1, is out of range: "
                          "%2 is used until a number from 1 to 10 is saved.")
        .arg(text.trimmed())
        .arg(counterTryLimit());
}

Result<QString> OptionFiles::loadCounterTryLimit()
{
    Result<QString> text = RtfFile::read(programFile(TryCountFile));
    if (text) {
        if (const auto limit = counterTryLimitFromText(*text))
            tryLimit() = *limit;
    }
    return text;
}
