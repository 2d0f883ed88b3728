#include "CliSupport.h"

#include "ZelvaneVersionValues.h"

#include <cstdio>

namespace zel::cli {

void printOut(const QString &text)
{
    std::fputs(text.toUtf8().constData(), stdout);
    std::fflush(stdout);
}

void printErr(const QString &text)
{
    std::fputs(text.toUtf8().constData(), stderr);
    std::fflush(stderr);
}

int fail(const QString &command, const QString &message)
{
    QString line = message;
    line.replace(u'\n', u' ');
    printErr(QStringLiteral("zelvane-cli %1: %2\n").arg(command, line));
    return 1;
}

bool wantsHelp(const QStringList &args)
{
    return args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"));
}

QString versionText()
{
    return QStringLiteral("zelvane-cli " ZELVANE_VERSION "\nCopyright " ZELVANE_LEGAL_COPYRIGHT "\n");
}

QString documentError(OpenError kind, const QString &path, const QString &detail)
{
    return kind == OpenError::Open ? QStringLiteral("%1: cannot open: %2").arg(path, detail)
                                   : QStringLiteral("%1: not a valid BMH document: %2").arg(path, detail);
}

bool loadDocument(const QString &path, Scene &scene, QString *error)
{
    QString detail;
    const OpenError result = openDocumentFile(path, scene, &detail);
    if (result == OpenError::None)
        return true;
    *error = documentError(result, path, detail);
    return false;
}

} // namespace zel::cli
