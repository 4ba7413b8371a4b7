#pragma once

#include <QString>
#include <QStringList>

// The folder that holds the program and its option files. It is the
// executable's folder unless a test points it at a temporary copy.
QString programFolder();
void setProgramFolder(const QString& folder);

// Path of a file in the program's folder.
QString programFile(const QString& name);

// When the settings are the installed, read-only set: why, and every save
// of an option file or of User.rtf refuses with it. Empty when they may be
// written.
QString settingsReadOnly();
void setSettingsReadOnly(const QString& why);

// The user's own data the option files do not hold (visit history,
// preferences): QUILLMERE_DATA_DIR, else the application data location.
QString userDataFolder();

// Where the option files and User.rtf are read and written.
struct SettingsFolder
{
    QString folder;
    QString message;       // why the user's own copy cannot be used; empty when it is
    bool readOnly = false; // the installed set, never written, also not by root
    // Shipped option files that changed since the user's copy was made and
    // differ from it. The user keeps theirs; each change is told once.
    QStringList changedShipped;
};

// The folder the option files ship in when it can be written and is not
// an installed copy's (a build folder, a portable copy). Otherwise
// userFolder, after copying into it every option file (*.rtf) of the
// shipped folder it lacks, so the installed set is never written, even by
// root. When that fails: the shipped folder, read-only, and a message
// saying so.
SettingsFolder chooseSettingsFolder(const QString& shippedFolder, const QString& userFolder,
                                    bool installed);

// What to tell the user about SettingsFolder::changedShipped.
QString shippedChangesMessage(const SettingsFolder& settings, const QString& shippedFolder);
