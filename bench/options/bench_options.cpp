// Figures for the options subsystem: loading the 38 option files (as the
// store does at start-up and after every close) and reading a 1 MiB RTF
// document. Prints figures only; nothing here passes or fails.
#include "base/ProgramFolder.h"
#include "options/Form4.h"
#include "options/OptionsStore.h"
#include "options/RichTextHolder.h"
#include "options/RtfCodec.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

QTextStream out(stdout);

struct Figures
{
    double medianMs;
    double minMs;
};

// Times `work` alone; `after` (cleanup) runs outside the clock.
Figures measure(int runs, const std::function<void()>& work,
                const std::function<void()>& after = {})
{
    std::vector<double> ms;
    ms.reserve(size_t(runs));
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
        if (after)
            after();
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.front()};
}

void print(const char* what, const Figures& f, const QString& extra = QString())
{
    out << qSetFieldWidth(46) << Qt::left << what << qSetFieldWidth(0) << " median "
        << QString::number(f.medianMs, 'f', 3) << " ms, best " << QString::number(f.minMs, 'f', 3)
        << " ms" << extra << '\n';
    out.flush();
}

QStringList optionFileNames()
{
    QStringList names{QStringLiteral("Options.rtf"), QStringLiteral("Options1.rtf")};
    for (const char* stem : {"Config1", "Config2", "Config5", "Config6"}) {
        for (int r = 0; r < Form4::rows; ++r)
            names << QLatin1String(stem) + QString::number(r) + QLatin1String(".rtf");
    }
    return names;
}

// About 1 MiB of text shaped like page markers and user lists, with the
// characters that need escaping mixed in.
QString bigText()
{
    const QString piece = QStringLiteral(
        "<td class=\"vi-price\">\tUS $12.50</td>\nalice,bob,{x}\\y caf\u00e9 \u20ac \u0416\u4e2d ");
    QString text;
    while (text.size() < 1024 * 1024)
        text += piece;
    return text;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QTemporaryDir dir;
    setProgramFolder(dir.path());
    const QStringList names = optionFileNames();
    for (const QString& name : names) {
        QFile f(programFile(name));
        f.open(QIODevice::WriteOnly);
        f.write(RtfCodec::write(
            QString(QStringLiteral("<span id=\"") + name + QStringLiteral("\">  "))));
    }

    out << "Options subsystem figures (" << names.size() << " option files)\n";
    std::vector<RichTextHolder*> holders;
    for (int i = 0; i < names.size(); ++i)
        holders.push_back(new RichTextHolder);
    print("LoadFile of the 38 files into holders", measure(500, [&] {
              for (int i = 0; i < names.size(); ++i)
                  holders[size_t(i)]->LoadFile(programFile(names[i]));
          }));
    qDeleteAll(holders);

    print("store load: create Form4 and read 38 files",
          measure(
              200, [] { OptionsStore::form(); },
              [] {
                  OptionsStore::discard();
                  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
              }));
    OptionsStore::form();
    print("10000 reads of all 38 option texts (loaded)", measure(100, [] {
              for (int i = 0; i < 10000; ++i)
                  OptionsStore::texts();
          }));
    OptionsStore::discard();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    const QString text = bigText();
    const QByteArray rtf = RtfCodec::write(text);
    const double mib = double(rtf.size()) / (1024 * 1024);
    const auto rate = [mib](const Figures& f) {
        return QStringLiteral(" (%1 MiB/s)").arg(mib / (f.medianMs / 1000), 0, 'f', 1);
    };
    out << "1 MiB document: " << text.size() << " characters, " << rtf.size() << " bytes of RTF\n";
    const Figures read = measure(30, [&] { RtfCodec::read(rtf); });
    print("RtfCodec::read of the document", read, rate(read));
    const Figures write = measure(30, [&] { RtfCodec::write(text); });
    print("RtfCodec::write of the document", write, rate(write));

    QFile big(programFile(QStringLiteral("big.rtf")));
    big.open(QIODevice::WriteOnly);
    big.write(rtf);
    big.close();
    RichTextHolder holder;
    const Figures load = measure(30, [&] { holder.LoadFile(big.fileName()); });
    print("RichTextHolder::LoadFile of the document", load, rate(load));

    const QByteArray deep = "{\\rtf1 " + QByteArray(1024 * 1024, '{') + "x";
    print("RtfCodec::read of 1 MiB of nested groups", measure(30, [&] { RtfCodec::read(deep); }));
    return 0;
}
