#pragma once

#include "Ports.h"

namespace zel {

class EditHistory;
class Scene;
struct JpegDecodeOptions;

// The dialogs' filters, as the commands define them.
extern const char *const kOpenPictureFilter;
extern const char *const kSavePictureFilter;

// The selected part's source pixels at its displayed size, flags not applied.
void CopyItemClick(Scene &scene, ClipboardPort &clipboard);

// Inserts a bitmap as a new top part at (0, 0), transparent, and records it.
void InsertPastedBitmap(Scene &scene, EditHistory &history, const Bitmap &bitmap);

void PasteItemClick(Scene &scene, EditHistory &history, const ClipboardPort &clipboard);
void PasteFromFileItemClick(Scene &scene, EditHistory &history, Dialogs &dialogs,
                            const JpegDecodeOptions &jpeg);
// Reads one picture file and inserts it; false (after reporting) when it cannot.
bool PastePictureFile(Scene &scene, EditHistory &history, Dialogs &dialogs,
                      const QString &path, const JpegDecodeOptions &jpeg);

void SaveBitmapItemClick(Scene &scene, Dialogs &dialogs);
void SaveClipboardItemClick(Scene &scene, ClipboardPort &clipboard);

} // namespace zel
