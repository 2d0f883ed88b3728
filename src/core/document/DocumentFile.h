#pragma once

#include "BmhDocument.h"

#include <QString>

class QFile;

namespace zel {

class Scene;

enum class SaveError { None, Create, Write };

// Saves the scene as a document file. The new document goes to a temporary
// file in the same folder that replaces the old file only once it is
// complete: a failed save leaves any previous file as it was. *detail, when
// given, receives the reason of a failure.
SaveError saveDocumentFile(const QString &path, const Scene &scene, QString *detail = nullptr);

enum class OpenError { None, Open, Read };

// Opens a document file to be read. What cannot be opened (a folder among
// them) is OpenError::Open; a FIFO, a device or a socket is OpenError::Read
// with "not a regular file": no document can be read from it.
OpenError openDocumentForReading(QFile &file, const QString &path, QString *detail);

// Reads a whole document file into memory without touching any scene.
OpenError readDocumentFile(const QString &path, DocumentContents &contents,
                           QString *detail = nullptr);

// Reads a document file into an empty scene. On failure the scene keeps
// nothing of the file.
OpenError openDocumentFile(const QString &path, Scene &scene, QString *detail = nullptr);

} // namespace zel
