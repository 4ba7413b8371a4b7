#include "options/OptionsStore.h"

#include "base/Windows.h"
#include "options/Form4.h"

#include <QPointer>

namespace {

QPointer<Form4>& loadedForm()
{
    static QPointer<Form4> form;
    return form;
}

} // namespace

OptionTexts OptionsStore::texts()
{
    return form()->texts();
}

ScanMarkers OptionsStore::markers(MarkerTable table)
{
    return scanMarkers(table, texts(), OptionFiles::counterTryLimit());
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
