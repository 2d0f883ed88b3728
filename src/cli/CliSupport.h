#pragma once

#include "document/DocumentFile.h"

#include <QString>
#include <QStringList>

namespace zel {
class Scene;
}

namespace zel::cli {

// Output on stdout and stderr, UTF-8.
void printOut(const QString &text);
void printErr(const QString &text);

// Prints "zelvane-cli COMMAND: message" on stderr and returns the failure
// exit code.
int fail(const QString &command, const QString &message);

// True when the arguments ask for help.
bool wantsHelp(const QStringList &args);

// What "zelvane-cli --version" prints: the program, its version and the
// copyright line, as the window program's About box shows it.
QString versionText();

// The command line's words for a document that could not be opened (Open)
// or read (Read), with the reason.
QString documentError(OpenError kind, const QString &path, const QString &detail);

// Reads a document file into an empty scene; false and *error on failure.
bool loadDocument(const QString &path, Scene &scene, QString *error);

} // namespace zel::cli
