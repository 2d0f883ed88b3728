#pragma once

#include "pixels/Bitmap.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <optional>

namespace zel {

// A file dialog as the commands configure it. The filter is written in the
// "Description|*.a;*.b|Description|*.c" form the commands are defined with;
// the Qt side turns it into its own.
struct FileRequest {
    enum Mode { Open, Save };
    Mode mode = Open;
    QString title;
    QString filter;
    QString defaultSuffix;   // added to a typed name without one
    QString fileName;        // preset name
    bool confirmOverwrite = false;
    // A typed name without an extension gets the first one of the filter
    // chosen, and the overwrite question is asked for that name.
    bool suffixFromFilter = false;
    // Shows a preview of the picture file chosen.
    bool preview = false;

    // Set by the dialog: the index of the filter chosen (0 for the first).
    int selectedFilter = 0;
};

// The first extension the index-th filter of a request's filter names,
// without its dot ("ﾋﾞｯﾄﾏｯﾌﾟ|*.bmp|JPEG|*.jpg;*.jpeg", 1 -> "jpg"); empty
// when there is none.
inline QString filterSuffix(const QString &filter, int index)
{
    const QStringList pieces = filter.split(QLatin1Char('|'));
    const QString patterns = pieces.value(2 * index + 1);
    const QString first = patterns.section(QLatin1Char(';'), 0, 0);
    return first.startsWith(QStringLiteral("*.")) ? first.mid(2) : QString();
}

enum class Answer { Ok, Yes, No, Cancel };

// Every modal choice the commands ask for. The window's implementation shows
// real dialogs; tests answer from a script without blocking.
class Dialogs
{
public:
    virtual ~Dialogs() = default;
    // The chosen full path, or an empty string when cancelled; the request
    // receives the filter chosen.
    virtual QString chooseFile(FileRequest &request) = 0;
    // Yes/No/Cancel question without an icon, Yes the default.
    virtual Answer askYesNoCancel(const QString &caption, const QString &text) = 0;
    // Yes/No question without Cancel and without an icon, Yes the default.
    virtual Answer askYesNo(const QString &caption, const QString &text) = 0;
    // A plain message with an OK button.
    virtual void showMessage(const QString &text) = 0;
    // The program's general error display, for errors a command does not handle.
    virtual void showError(const QString &text) = 0;
    // The colour dialog preset to initial; nothing when cancelled.
    virtual std::optional<Colour> chooseColour(Colour initial) = 0;
};

// The clipboard's bitmap format.
class ClipboardPort
{
public:
    virtual ~ClipboardPort() = default;
    virtual bool hasBitmap() const = 0;
    virtual QImage bitmap() const = 0;
    virtual void setBitmap(const QImage &image) = 0;
};

} // namespace zel
