#include "DocumentFile.h"

#include <QFile>
#include <QSaveFile>

namespace zel {

SaveError saveDocumentFile(const QString &path, const Scene &scene, QString *detail)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (detail)
            *detail = file.errorString();
        return SaveError::Create;
    }
    QString why;
    if (!WriteDocument(file, scene, &why)) {
        file.cancelWriting();
        if (detail)
            *detail = why;
        return SaveError::Write;
    }
    if (!file.commit()) {
        if (detail)
            *detail = file.errorString();
        return SaveError::Write;
    }
    return SaveError::None;
}

OpenError openDocumentFile(const QString &path, Scene &scene, QString *detail)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (detail)
            *detail = file.errorString();
        return OpenError::Open;
    }
    QString why;
    if (!ReadDocument(file, scene, &why)) {
        if (detail)
            *detail = why;
        return OpenError::Read;
    }
    return OpenError::None;
}

} // namespace zel
