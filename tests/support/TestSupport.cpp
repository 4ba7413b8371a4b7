#include "TestSupport.h"

#include "base/ProgramFolder.h"

#include <QDir>
#include <QTest>

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

void addTableRows(std::initializer_list<const char*> paths)
{
    QList<QByteArray> columns, types;
    for (const char* path : paths) {
        QFile file(sourceDir() + QStringLiteral("/tests/") + QLatin1String(path));
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
        const QList<QByteArray> lines = file.readAll().split('\n');
        if (columns.isEmpty()) {
            columns = lines[0].mid(2).split('\t');
            for (const QByteArray& column : columns) {
                types << column.split(':').value(1);
                const char* name = qstrdup(column.split(':')[0].constData()); // kept by QTest
                types.last() == "int"     ? QTest::addColumn<int>(name)
                : types.last() == "bool"  ? QTest::addColumn<bool>(name)
                : types.last() == "bytes" ? QTest::addColumn<QByteArray>(name)
                                          : QTest::addColumn<QString>(name);
            }
            QTest::addColumn<QStringList>("row");
        }
        QCOMPARE(lines[0].mid(2).split('\t'), columns);
        const qsizetype nameAt = columns.indexOf("name");
        for (const QByteArray& line : lines.mid(1)) {
            const QList<QByteArray> raw = line.split('\t');
            if (line.isEmpty() || line.startsWith('#'))
                continue;
            const QByteArray name = raw.value(nameAt).isEmpty() ? raw.value(1) : raw[nameAt];
            QTestData& row = nameAt == 0
                                 ? QTest::newRow(raw[0].constData())
                                 : QTest::addRow("%s %s", raw[0].constData(), name.constData());
            QStringList all;
            for (qsizetype i = 0; i < columns.size(); ++i) {
                const QByteArray field = QByteArray::fromPercentEncoding(raw.value(i));
                all << QString::fromUtf8(field);
                bool ok = types[i] != "bool" || field == "yes" || field == "no";
                types[i] == "int"     ? void(row << field.toInt(&ok))
                : types[i] == "bool"  ? void(row << (field == "yes"))
                : types[i] == "bytes" ? void(row << field)
                                      : void(row << all.last());
                QVERIFY2(ok, QByteArray(path + QByteArray(": ") + line).constData());
            }
            row << all;
        }
    }
}
