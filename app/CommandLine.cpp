#include "app/CommandLine.h"

#include "base/Messages.h"
#include "base/ProgramFolder.h"
#include "main_window/Form1.h"
#include "options/Form4.h"
#include "options/OptionsStore.h"
#include "options/RichTextHolder.h"

#include <QComboBox>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTextStream>

#include <cstring>

bool CommandLine::asksForText(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        for (const char* option : {"-h", "--help", "--help-all", "-v", "--version"}) {
            if (std::strcmp(argv[i], option) == 0)
                return true;
        }
    }
    return false;
}

void CommandLine::describe(QCommandLineParser& parser)
{
    const QString own = QDir::toNativeSeparators(programFolder());
    const QString user = QDir::toNativeSeparators(
        QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
    parser.setApplicationDescription(
        QStringLiteral(
            "Counts the visits of a seller's auction listings.\n\n"
            "Settings (the option files and User.rtf with the saved User IDs) live in the\n"
            "program's folder, %1, when it is writable and not\n"
            "where the program was installed. Otherwise they live in %2:\n"
            "the first start copies the installed files there, and a file missing there\n"
            "is copied again; the installed files are never written.\n"
            "Visit history: %3.\n\n"
            "Try it with the demo auction site: run quillmere-demo-site, then scan the User\n"
            "ID demoseller.")
            .arg(own, user, QDir::toNativeSeparators(userDataFolder())));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("scan"),
                      QStringLiteral("Without windows: save USERID as a User ID, run an Active "
                                     "scan for it, print the table and exit (for checking an "
                                     "installation)."),
                      QStringLiteral("USERID")});
    parser.addOption({QStringLiteral("counter-searches"),
                      QStringLiteral("With --scan: first save N as the number of times to search "
                                     "for the counter, as the Options window does."),
                      QStringLiteral("N")});
}

int CommandLine::runScan(const QString& userId, const QString& counterSearches)
{
    QTextStream out(stdout);
    // Nobody is there to press OK: messages go to the standard error.
    Messages::setRecorder(
        [](const QString& text) { QTextStream(stderr) << "quillmere: " << text << Qt::endl; });
    Form1 form;
    form.Form_Load();
    if (!counterSearches.isEmpty()) {
        Form4* options = OptionsStore::form();
        options->RTBtry->setText(counterSearches);
        options->Command1_Click();
    }
    form.Combo1->setEditText(userId);
    form.Command4_Click(); // Save User
    form.Combo1->setEditText(userId);
    form.ActiveSearch();
    for (int r = 0; r < Form1::Rows; ++r) {
        if (form.Text1[r]->text().isEmpty())
            continue;
        out << form.Text1[r]->text() << '\t' << form.Text7[r]->text() << '\t'
            << form.Text2[r]->text() << '\t' << form.Text16[r]->text() << '\n';
    }
    out << "auctions " << form.Text13->text() << ", visits " << form.Text14->text() << ", average "
        << form.Text15->text() << '\n'
        << form.Text11->text() << Qt::endl;
    return form.Text11->text() == Form1::taskComplete() ? 0 : 1;
}
