#pragma once

#include <QByteArray>
#include <QString>

class QFile;

namespace zel {

// File names are bytes to the system, and not every name is valid UTF-8.
// A name is carried in a QString the way Python's surrogateescape carries
// it: valid UTF-8 decodes as usual, and each byte that is not part of valid
// UTF-8 becomes the lone surrogate U+DC80 + (byte - 0x80). Encoding undoes
// exactly that, so any name the system hands over comes back byte for byte.
// A name that is valid UTF-8 encodes as Qt's own QFile::encodeName does.
QString decodePath(const QByteArray &native);
QByteArray encodePath(const QString &path);

enum class InputError {
    None,
    System,        // the system's reason in *error; a folder is one ("Is a directory")
    NotRegularFile // a FIFO, a device or a socket: *error is "not a regular file"
};

// Opens path (as encodePath gives it) for reading, links followed. Only a
// regular file is opened to be read: a FIFO without a writer would block
// for ever, a device would be read without end, so neither is waited on.
InputError openForReading(QFile &file, const QString &path, QString *error);

// The system's text for an errno value.
QString systemError(int error);

} // namespace zel
