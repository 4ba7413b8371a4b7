#include "DemoSite.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

namespace {

bool readNumber(const QCommandLineParser& parser, const QString& name, int max, int* value)
{
    bool ok = false;
    *value = parser.value(name).toInt(&ok);
    return ok && *value >= 0 && *value <= max;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillmere-demo-site"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Demo auction site for trying out Quillmere, on 127.0.0.1 only."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("port"),
                      QStringLiteral("Port to listen on (0: any free one)."), QStringLiteral("N"),
                      QStringLiteral("8765")});
    parser.addOption({QStringLiteral("delay-ms"),
                      QStringLiteral("Hold every answer back this many milliseconds."),
                      QStringLiteral("N"), QStringLiteral("0")});
    parser.addOption({QStringLiteral("log"),
                      QStringLiteral("Write one line per connection and per request to FILE."),
                      QStringLiteral("FILE")});
    parser.process(app);

    QTextStream err(stderr);
    int port = 0;
    int delayMs = 0;
    if (!readNumber(parser, QStringLiteral("port"), 65535, &port)) {
        err << "quillmere-demo-site: --port wants a number from 0 to 65535\n";
        return 2;
    }
    if (!readNumber(parser, QStringLiteral("delay-ms"), 600000, &delayMs)) {
        err << "quillmere-demo-site: --delay-ms wants a number from 0 to 600000\n";
        return 2;
    }

    DemoSite site;
    site.setDelayMs(delayMs);
    if (parser.isSet(QStringLiteral("log")) && !site.openLog(parser.value(QStringLiteral("log")))) {
        err << "quillmere-demo-site: cannot write the log: " << site.errorString() << '\n';
        return 1;
    }
    const quint16 listening = site.start(quint16(port));
    if (listening == 0) {
        err << "quillmere-demo-site: cannot listen on 127.0.0.1:" << port << ": "
            << site.errorString() << '\n';
        return 1;
    }
    // Whoever started the site reads the address from this line.
    QTextStream(stdout) << "Demo auction site listening on http://127.0.0.1:" << listening << "/"
                        << Qt::endl;
    return app.exec();
}
