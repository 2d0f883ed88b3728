#include "QtPorts.h"

#include "imaging/JpegCodec.h"
#include "imaging/PictureFiles.h"

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
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

namespace {

// The picture file under the cursor, scaled to fit, read by our own readers.
void showPreview(QLabel *label, const QString &path)
{
    // A pick and the name it puts in the field both arrive here.
    if (label->property("previewOf").toString() == path)
        return;
    label->setProperty("previewOf", path);
    QString error;
    JpegDecodeOptions options;
    options.maxPixels = qint64(1) << 24; // a preview need not hold huge pictures
    const Bitmap bitmap = QFileInfo(path).isFile() ? readPictureFile(path, options, &error)
                                                   : Bitmap();
    if (bitmap.isNull()) {
        label->setPixmap(QPixmap());
        return;
    }
    const QSize box = label->size();
    QImage image = bitmap.image;
    if (image.width() > box.width() || image.height() > box.height())
        image = image.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    label->setPixmap(QPixmap::fromImage(image));
}

} // namespace

QString QtDialogs::chooseFile(FileRequest &request)
{
    QFileDialog dialog(m_owner, request.title);
    // Qt's own dialog, so that the preview fits in and the texts follow
    // the program's translation.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    const QString filter = qtFilter(request.filter);
    const QStringList filters = filter.split(QStringLiteral(";;"));
    dialog.setNameFilter(filter);
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
    if (request.suffixFromFilter) {
        // The dialog adds the suffix before it asks about overwriting, so
        // the question is about the name that will be written.
        dialog.setDefaultSuffix(filterSuffix(request.filter, 0));
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                         [&dialog, &request, filters](const QString &entry) {
                             dialog.setDefaultSuffix(filterSuffix(request.filter, int(filters.indexOf(entry))));
                         });
    }
    if (request.preview) {
        auto *preview = new QLabel(&dialog);
        preview->setObjectName(QStringLiteral("preview"));
        preview->setFixedSize(160, 160);
        preview->setAlignment(Qt::AlignCenter);
        preview->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        if (auto *grid = qobject_cast<QGridLayout *>(dialog.layout()))
            grid->addWidget(preview, 1, grid->columnCount(), 1, 1);
        QObject::connect(&dialog, &QFileDialog::currentChanged, preview,
                         [preview](const QString &path) { showPreview(preview, path); });
        // A name typed (or completed) shows too, not only one picked.
        if (auto *name = dialog.findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
            QObject::connect(name, &QLineEdit::textChanged, preview, [&dialog, preview](const QString &text) {
                showPreview(preview, dialog.directory().absoluteFilePath(text));
            });
    }
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    request.selectedFilter = qMax(0, int(filters.indexOf(dialog.selectedNameFilter())));
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

Answer QtDialogs::askYesNo(const QString &caption, const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Yes | QMessageBox::No, m_owner);
    box.setDefaultButton(QMessageBox::Yes);
    // Escape and the close button are No, the box's only other answer.
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
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

namespace {

const QString kJpegType = QStringLiteral("image/jpeg");

// A JPEG that Qt would decode ignoring its EXIF Orientation (one offered
// without a PNG, which Qt takes first) is decoded by our own decoder,
// upright. A PNG offered beside it is the source's own lossless copy.
QImage uprightJpeg(const QMimeData &data)
{
    if (!data.hasFormat(kJpegType) || data.hasFormat(QStringLiteral("image/png")))
        return QImage();
    return decodeJpeg(data.data(kJpegType), JpegDecodeOptions(), nullptr).image;
}

} // namespace

bool QtClipboard::hasBitmap() const
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    return data && (data->hasImage() || data->hasFormat(kJpegType));
}

QImage QtClipboard::bitmap() const
{
    if (const QMimeData *data = QGuiApplication::clipboard()->mimeData()) {
        const QImage jpeg = uprightJpeg(*data);
        if (!jpeg.isNull())
            return jpeg;
    }
    return QGuiApplication::clipboard()->image();
}

void QtClipboard::setBitmap(const QImage &image)
{
    QGuiApplication::clipboard()->setImage(image);
}

} // namespace zel
