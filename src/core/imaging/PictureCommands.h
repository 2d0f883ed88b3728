#pragma once

#include "imaging/JpegCodec.h"
#include "scene/Ports.h"

namespace zel {

class EditCommands;

// The dialogs' filters, as the commands define them.
extern const char *const kOpenPictureFilter;
extern const char *const kSavePictureFilter;

// Pictures in and out of files: pasting a picture file as a new part and
// saving the whole picture, to a file or to the clipboard.
class PictureCommands
{
public:
    PictureCommands(EditCommands &edit, const JpegDecodeOptions &jpeg);

    void PasteFromFileItemClick(Dialogs &dialogs);
    // Reads one picture file and inserts it, its top-left at a background
    // point; false (after reporting) when it cannot.
    bool PastePictureFile(Dialogs &dialogs, const QString &path, const QPoint &at = QPoint(0, 0));

    void SaveBitmapItemClick(Dialogs &dialogs);
    void SaveClipboardItemClick(ClipboardPort &clipboard);

private:
    EditCommands &m_edit;
    const JpegDecodeOptions &m_jpeg;
};

} // namespace zel
