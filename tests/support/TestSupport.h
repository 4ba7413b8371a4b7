#pragma once

#include <QObject>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>

// A temporary program folder filled with copies of data/, made the program's
// folder for as long as the object lives.
class TempProgramFolder
{
public:
    explicit TempProgramFolder(bool copyData = true);
    ~TempProgramFolder();
    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};

// Folder of the source tree (for test data committed in the repository).
QString sourceDir();

// Adds the rows of tables under tests/ to the running _data function. A table
// is tab-separated; its first line is "# " and the column names, each with
// ":int", ":bool" (yes or no) or ":bytes" unless a QString, the same in every
// table; other lines starting with # are comments; %HH in a field is the byte
// HH. A row is named by its first field and its "name" field (else its
// second) unless that is the first; column "row" holds all its fields.
void addTableRows(std::initializer_list<const char*> paths);

// Runs `action` once, the first time `signal` of `sender` carries `text`.
template <class Sender>
void onceWhen(Sender* sender, void (Sender::*signal)(const QString&), const QString& text,
              const std::function<void()>& action)
{
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = QObject::connect(sender, signal, sender, [=](const QString& shown) {
        if (shown != text)
            return;
        QObject::disconnect(*connection);
        action();
    });
}
