#pragma once

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

// Reads a document file into an empty scene; false and *error on failure.
bool loadDocument(const QString &path, Scene &scene, QString *error);

} // namespace zel::cli
