#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// The list from which the installed option files are made: one line per
// file, "name<TAB>text", where the text may hold \t, \n and \\. Empty lines
// and lines starting with # are skipped.
struct OptionFileEntry
{
    QString name;
    QString text;
};

// Nothing when a line is malformed; `error` then says which and why.
std::optional<QList<OptionFileEntry>> parseOptionList(const QByteArray& utf8, QString* error);
