#include "PdfTools.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace zel::test {

namespace {

constexpr int kToolTimeoutMs = 60000;

bool run(const QString &program, const QStringList &arguments, QString *output,
         QString *error)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(kToolTimeoutMs)) {
        *error = program + QStringLiteral(" did not start");
        return false;
    }
    if (!process.waitForFinished(kToolTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        *error = program + QStringLiteral(" did not finish");
        return false;
    }
    if (output)
        *output = QString::fromLocal8Bit(process.readAllStandardOutput());
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        *error = program + QStringLiteral(" failed: ")
            + QString::fromLocal8Bit(process.readAllStandardError());
        return false;
    }
    return true;
}

} // namespace

bool HavePopplerTools()
{
    return !QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty()
        && !QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty();
}

PdfInfo ReadPdfInfo(const QString &path)
{
    PdfInfo info;
    QString text;
    if (!run(QStringLiteral("pdfinfo"), {path}, &text, &info.error))
        return info;
    const auto pages = QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)"),
                                          QRegularExpression::MultilineOption)
                           .match(text);
    const auto size =
        QRegularExpression(QStringLiteral("^Page size:\\s+([\\d.]+) x ([\\d.]+) pts"),
                           QRegularExpression::MultilineOption)
            .match(text);
    if (!pages.hasMatch() || !size.hasMatch()) {
        info.error = QStringLiteral("unexpected pdfinfo output: ") + text;
        return info;
    }
    info.pages = pages.captured(1).toInt();
    info.pageSize = QSizeF(size.captured(1).toDouble(), size.captured(2).toDouble());
    info.ok = true;
    return info;
}

QImage RenderPdfPage(const QString &path, int page, int dpi)
{
    QTemporaryDir dir;
    if (!dir.isValid())
        return {};
    const QString prefix = dir.filePath(QStringLiteral("page"));
    QString error;
    if (!run(QStringLiteral("pdftoppm"),
             {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"),
              QString::number(page), QStringLiteral("-l"), QString::number(page),
              QStringLiteral("-singlefile"), QStringLiteral("-png"), path, prefix},
             nullptr, &error))
        return {};
    return QImage(prefix + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
}

} // namespace zel::test
