// Feeds every file of the given corpus folder to the fuzz target once, so
// the corpus is checked by the normal compiler without libFuzzer.
#include <QDir>
#include <QFile>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char* argv[])
{
    const QDir dir(QString::fromLocal8Bit(argc > 1 ? argv[1] : "."));
    int count = 0;
    for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::ReadOnly))
            return std::printf("cannot read %s\n", qPrintable(f.fileName())), 1;
        const QByteArray bytes = f.readAll();
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        ++count;
    }
    std::printf("replayed %d inputs\n", count);
    return count > 0 ? 0 : 1; // an empty corpus means a wrong path, not a pass
}
