#pragma once

#include <QString>

namespace fangji::platform {

// The data folder (c:\qxdata\ on Windows, $XDG_DATA_HOME/qxdata/ elsewhere), with a final separator.
QString dataDir();
// Points the data folder elsewhere for this process (the command-line companion's
// --data-dir); an empty path restores the usual one.
void setDataDir(const QString& dir);
// The database file in the data folder.
QString databasePath();
// The program's own folder.
QString programDir();
// Tests point the program's folder elsewhere (an empty path restores the real one).
void setProgramDir(const QString& dir);
// A file shipped with the program: beside the executable, else in the installed share folder.
QString shippedFile(const QString& name);
// The template database shipped with the program.
QString templatePath();

} // namespace fangji::platform
