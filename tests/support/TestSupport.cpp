#include "TestSupport.h"

#include "base/ProgramFolder.h"

#include <QDir>

QString sourceDir()
{
    const QString fromEnv = qEnvironmentVariable("QUILLMERE_SOURCE_DIR");
    return fromEnv.isEmpty() ? QStringLiteral(QUILLMERE_SOURCE_DIR_FALLBACK) : fromEnv;
}

TempProgramFolder::TempProgramFolder(bool copyData)
{
    const QDir data(sourceDir() + QStringLiteral("/data"));
    for (const QString& name :
         copyData ? data.entryList({QStringLiteral("*.rtf")}, QDir::Files) : QStringList())
        QFile::copy(data.filePath(name), file(name));
    setProgramFolder(m_dir.path());
}

TempProgramFolder::~TempProgramFolder()
{
    setProgramFolder(QString());
}
