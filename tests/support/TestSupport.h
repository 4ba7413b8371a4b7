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
