#pragma once

#include <QString>

// The running executable's file, links resolved; empty where /proc cannot tell.
QString programPath();

// The folder of the running executable, without a trailing slash.
QString programFolder();

// Where the program keeps its files: beside the executable when that folder is
// writable (a build folder, a portable copy); for a program installed under
// /usr, or in any folder it cannot write, "<dataHome>/kelvane", made 0700.
struct ProgramFolderChoice
{
    QString folder;
    bool installed = false; // the data-home folder was chosen
    QString error;          // why that folder could not be made; then `folder` is unusable
};
ProgramFolderChoice chooseProgramFolder(const QString& executableFolder, const QString& dataHome);
// The same choice, making nothing: for a look that leaves no trace. A data
// folder that does not exist yet is no error; one that cannot be entered is.
ProgramFolderChoice findProgramFolder(const QString& executableFolder, const QString& dataHome);

// $XDG_DATA_HOME, else ~/.local/share.
QString dataHome();
