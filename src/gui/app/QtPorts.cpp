#include "QtPorts.h"

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QMimeData>
#include <QStringList>

namespace zel {

QString QtDialogs::qtFilter(const QString &filter)
{
    const QStringList pieces = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (int i = 0; i + 1 < pieces.size(); i += 2) {
        const QString description = pieces[i];
        QString patterns = pieces[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        if (description.endsWith(QLatin1Char(')')) && description.contains(QLatin1Char('(')))
            entries << description.left(description.lastIndexOf(QLatin1Char('('))) + QLatin1Char('(')
                           + patterns + QLatin1Char(')');
        else
            entries << description + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return entries.join(QStringLiteral(";;"));
}

QString QtDialogs::chooseFile(const FileRequest &request)
{
    QFileDialog dialog(m_owner);
    dialog.setNameFilter(qtFilter(request.filter));
    dialog.setDefaultSuffix(request.defaultSuffix);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (request.mode == FileRequest::Open) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    }
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

Answer QtDialogs::askYesNoCancel(const QString &caption, const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, caption, text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, m_owner);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return Answer::Cancel;
    }
}

void QtDialogs::showMessage(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, m_owner ? m_owner->windowTitle() : QString(), text,
                    QMessageBox::Ok, m_owner);
    box.exec();
}

void QtDialogs::showError(const QString &text)
{
    QMessageBox box(QMessageBox::Critical, m_owner ? m_owner->windowTitle() : QString(), text,
                    QMessageBox::Ok, m_owner);
    box.exec();
}

std::optional<Colour> QtDialogs::chooseColour(Colour initial)
{
    const QColor chosen = QColorDialog::getColor(QColor::fromRgb(toQRgb(initial)), m_owner);
    if (!chosen.isValid())
        return std::nullopt;
    return fromQRgb(chosen.rgb());
}

bool QtClipboard::hasBitmap() const
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasImage();
}

QImage QtClipboard::bitmap() const
{
    return QGuiApplication::clipboard()->image();
}

void QtClipboard::setBitmap(const QImage &image)
{
    QGuiApplication::clipboard()->setImage(image);
}

} // namespace zel
