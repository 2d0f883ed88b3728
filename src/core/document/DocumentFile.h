#pragma once

#include "BmhDocument.h"

#include <QString>

namespace zel {

class Scene;

enum class SaveError { None, Create, Write };

// Saves the scene as a document file. The new document goes to a temporary
// file in the same folder that replaces the old file only once it is
// complete: a failed save leaves any previous file as it was. *detail, when
// given, receives the reason of a failure.
SaveError saveDocumentFile(const QString &path, const Scene &scene, QString *detail = nullptr);

enum class OpenError { None, Open, Read };

// Reads a whole document file into memory without touching any scene.
OpenError readDocumentFile(const QString &path, DocumentContents &contents,
                           QString *detail = nullptr);

// Reads a document file into an empty scene. On failure the scene keeps
// nothing of the file.
OpenError openDocumentFile(const QString &path, Scene &scene, QString *detail = nullptr);

} // namespace zel
