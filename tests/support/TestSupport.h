#pragma once

#include <QStringList>
#include <QTemporaryDir>
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

