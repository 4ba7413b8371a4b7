#include "options/OptionsStore.h"

#include "base/ProgramFolder.h"
#include "base/Windows.h"
#include "options/Form4.h"
#include "options/NumberText.h"
#include "options/RichTextHolder.h"

#include <QPointer>

namespace {

QPointer<Form4>& loadedForm()
{
    static QPointer<Form4> form;
    return form;
}

qint16& tryLimit()
{
    static qint16 limit = 2;
    return limit;
}

const std::array<RichTextHolder*, Form4::rows>& beforeHolders(Form4* f, MarkerTable table)
{
    return table == MarkerTable::Active ? f->RichTextBox1 : f->RichTextBox2;
}

const std::array<RichTextHolder*, Form4::rows>& afterHolders(Form4* f, MarkerTable table)
{
    return table == MarkerTable::Active ? f->RichTextBox5 : f->RichTextBox6;
}

bool validRow(int row)
{
    return row >= 0 && row < Form4::rows;
}

} // namespace

QString OptionsStore::before(MarkerTable table, int row)
{
    if (!validRow(row))
        return QString();
    return beforeHolders(form(), table)[row]->Text();
}

QString OptionsStore::after(MarkerTable table, int row)
{
    if (!validRow(row))
        return QString();
    return afterHolders(form(), table)[row]->Text();
}

QString OptionsStore::listingAddress(const QString& userId)
{
    return before(MarkerTable::Active, 8) + userId + after(MarkerTable::Active, 8);
}

QString OptionsStore::itemAddress(const QString& itemNumber)
{
    return before(MarkerTable::Sold, 8) + itemNumber + after(MarkerTable::Sold, 8);
}

QString OptionsStore::tryCountText()
{
    return form()->RTBtry->Text();
}

QString OptionsStore::counterStartText()
{
    return form()->RTB3->Text();
}

Form4* OptionsStore::form()
{
    if (!loadedForm()) {
        auto* f = new Form4;
        loadedForm() = f;
        f->Form_Load();
    }
    return loadedForm();
}

bool OptionsStore::isLoaded()
{
    return !loadedForm().isNull();
}

void OptionsStore::showWindow()
{
    Form4* f = form();
    bringToFront(f);
}

void OptionsStore::discard()
{
    if (Form4* f = loadedForm())
        f->close();
}

void OptionsStore::forget(Form4* f)
{
    if (loadedForm() == f)
        loadedForm() = nullptr;
}

qint16 OptionsStore::counterTryLimit()
{
    return tryLimit();
}

void OptionsStore::setCounterTryLimit(qint16 limit)
{
    tryLimit() = limit;
}

std::optional<qint16> OptionsStore::counterTryLimitFromText(const QString& text)
{
    return roundToInt16(leadingNumberValue(text));
}

void OptionsStore::loadCounterTryLimit(RichTextHolder* holder)
{
    std::optional<RichTextHolder> own;
    if (!holder)
        holder = &own.emplace();
    if (!holder->LoadFile(programFile(QStringLiteral("Options.rtf"))))
        return;
    if (const auto limit = counterTryLimitFromText(holder->Text()))
        tryLimit() = *limit;
}
