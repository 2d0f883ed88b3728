#include "DocumentFile.h"

#include "fileio/FileReplacement.h"
#include "fileio/NativePath.h"

#include <QFile>

namespace zel {

SaveError saveDocumentFile(const QString &path, const Scene &scene, QString *detail)
{
    FileReplacement file(path);
    if (!file.open()) {
        if (detail)
            *detail = file.reason();
        return SaveError::Create;
    }
    QString why;
    if (!WriteDocument(file, scene, &why)) {
        file.cancel();
        if (detail)
            *detail = file.hasFailed() ? file.reason() : why;
        return SaveError::Write;
    }
    if (!file.commit()) {
        if (detail)
            *detail = file.reason();
        return SaveError::Write;
    }
    return SaveError::None;
}

OpenError openDocumentForReading(QFile &file, const QString &path, QString *detail)
{
    switch (openForReading(file, path, detail)) {
    case InputError::None:
        return OpenError::None;
    case InputError::System:
        return OpenError::Open;
    case InputError::NotRegularFile:
        return OpenError::Read;
    }
    return OpenError::Open;
}

OpenError readDocumentFile(const QString &path, DocumentContents &contents, QString *detail)
{
    QFile file;
    if (const OpenError opened = openDocumentForReading(file, path, detail); opened != OpenError::None)
        return opened;
    QString why;
    if (!readDocumentContents(file, contents, &why)) {
        if (detail)
            *detail = why;
        return OpenError::Read;
    }
    return OpenError::None;
}

OpenError openDocumentFile(const QString &path, Scene &scene, QString *detail)
{
    DocumentContents contents;
    const OpenError result = readDocumentFile(path, contents, detail);
    if (result == OpenError::None)
        loadDocumentContents(scene, contents);
    return result;
}

} // namespace zel
