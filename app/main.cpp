#include "app/Shell.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillmere"));
    QApplication::setOrganizationName(QStringLiteral("Quillmere"));
    QApplication::setDesktopFileName(QStringLiteral("net.quillmere.Quillmere"));
    Shell shell;
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/quillmere/logo.svg")));
    shell.start();
    return app.exec();
}
