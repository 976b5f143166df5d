#pragma once
// The workstation's command line, read before Qt starts (so that --help and
// --version answer without a display), and the counting folder it chooses:
// the workstation keeps its three files in the folder that is current when
// the main window is created, the current folder at start unless an option
// names another one.

#include <QString>
#include <QStringList>
#include <vector>

namespace tallivo {

struct TStartOptions {
    bool Help = false;
    bool Version = false;
    QString DataDir; // the counting folder; empty: the current folder
    bool Demo = false;
    bool FullScreen = false;
    // The arguments left to Qt (indices into the list parsed).
    std::vector<int> QtArguments;
    // Not empty when the command line is wrong: what is wrong.
    QString Error;
};

// Reads the arguments that follow the program name. An argument starting
// with "--" must be one of the workstation's options; any other argument is
// left to Qt (-platform, -display ...). home is the user's home folder.
TStartOptions ParseStartOptions(const QStringList& args, const QString& home);

// The text of --help.
QString StartHelp();

// The counting folder under the home folder used by the desktop entry.
inline QString HomeCountingFolder(const QString& home) {
    return home + QStringLiteral("/Tallivo");
}

// Makes the counting folder current, creating it when missing, and with
// Demo copies demoCatalogue into it as ARTICLE.XML when it has none (a
// catalogue already there is never replaced). Raises Exception with the
// message to show when the folder cannot be made or the copy fails.
void PrepareCountingFolder(const TStartOptions& options, const QString& demoCatalogue);

// Why a workstation does not start on folder: another one counts there.
QString FolderBusyMessage(const QString& folder);

} // namespace tallivo
