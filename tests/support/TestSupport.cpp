#include "TestSupport.h"

#include "base/Messages.h"
#include "base/ProgramFolder.h"

#include <QDir>
#include <QFile>

QString sourceDir()
{
    const QByteArray fromEnv = qgetenv("QUILLMERE_SOURCE_DIR");
    if (!fromEnv.isEmpty())
        return QString::fromLocal8Bit(fromEnv);
    return QStringLiteral(QUILLMERE_SOURCE_DIR_FALLBACK);
}

TempProgramFolder::TempProgramFolder(bool copyData)
{
    if (copyData) {
        QDir data(sourceDir() + QStringLiteral("/data"));
        const QStringList files = data.entryList({QStringLiteral("*.rtf")}, QDir::Files);
        for (const QString& name : files)
            QFile::copy(data.filePath(name), m_dir.filePath(name));
    }
    setProgramFolder(m_dir.path());
}

TempProgramFolder::~TempProgramFolder()
{
    setProgramFolder(QString());
}

QString TempProgramFolder::file(const QString& name) const
{
    return m_dir.filePath(name);
}

MessageRecorder::MessageRecorder()
{
    Messages::setRecorder([this](const QString& text) { texts.append(text); });
}

MessageRecorder::~MessageRecorder()
{
    Messages::setRecorder({});
}
