#pragma once

#include "PrintCommand.h"
#include "PrinterPort.h"

#include <QHash>
#include <QImage>
#include <QStringList>

#include <vector>

namespace zel::test {

// A printer for tests: everything it reports is scripted, everything sent to
// it is recorded.
class FakePrinter : public PrinterPort
{
public:
    FakePrinter();

    // Scripted state.
    bool devModeAvailable = true; // false: no printer to report on
    bool devModeReachable = true; // false: the record cannot be reached
    bool filesOnly = false;       // true: prints to files and nothing else
    QString device = QStringLiteral("Fake Printer");
    QString port = QStringLiteral("LPT1:");
    DevMode devMode;
    // Paper forms by "device|port"; a printer not listed has none.
    QHash<QString, PaperList> forms;
    // The sheet in portrait; landscape turns sizes, offsets and resolution.
    PrinterMetrics portraitSheet;
    bool beginSucceeds = true;
    bool endSucceeds = true;
    // The job counts as aborted from outside after this many sheets.
    int abortedAfterSheets = -1;

    // Recorded: each sheet as the bands drawn on it, in printer pixels from
    // the sheet's physical corner.
    struct Sheet {
        struct Band {
            QPoint at;
            QImage image;
        };
        std::vector<Band> bands;
        QString output; // the output file at the time, empty for the printer

        // The sheet's pixel there: a band's, or white paper.
        QRgb pixel(int x, int y) const;
        // Where anything was drawn.
        QRect drawn() const;
    };
    std::vector<Sheet> sheets;
    QStringList events; // begin, sheet, newPage, end, abort, title:, portrait, landscape, file:
    mutable int formQueries = 0;
    int devModeWrites = 0;
    bool portrait = true;
    QString output;

    static QString formsKey(const QString &device, const QString &port)
    {
        return device + QLatin1Char('|') + port;
    }
    // Convenience: a list of the given entries.
    static PaperList paperList(const QList<std::tuple<QString, PaperSize, quint16>> &entries);

    bool hasDevMode() const override { return devModeAvailable; }
    QString deviceName() const override { return device; }
    QString portName() const override { return port; }
    bool readDevMode(DevMode &out) const override;
    bool writeDevMode(const DevMode &in) override;
    PaperList paperForms(const QString &device, const QString &port) const override;
    PrinterMetrics metrics() const override;
    bool printsToFileOnly() const override { return filesOnly; }
    QString outputFile() const override { return output; }
    void setOutputFile(const QString &path) override;
    void setPortrait(bool value) override;
    void setJobTitle(const QString &title) override;
    bool beginDoc() override;
    bool newPage() override;
    bool endDoc() override;
    void abortDoc() override;
    bool aborted() const override;
    void drawImage(const QImage &image, const QPoint &at) override;

private:
    bool m_aborted = false;
    bool m_sheetOpen = false; // bands go on the current sheet until newPage
};

// A print dialog that answers from a script and remembers what it was shown.
class ScriptedPrintDialog : public PrintDialogPort
{
public:
    bool accept = true;
    // Applied to the options when the dialog is accepted.
    std::function<void(PrintDialogOptions &)> choose;
    int shown = 0;
    PrintDialogOptions offered; // the options as the dialog was opened with

    bool exec(PrintDialogOptions &options) override
    {
        ++shown;
        offered = options;
        if (!accept)
            return false;
        if (choose)
            choose(options);
        return true;
    }
};

// A printer setup that answers from a script: choose may make another
// printer current and returns whether the user confirmed. On a fake
// printer, each printer left by a choice can be selected again by name: it
// comes back with the port and device mode it was left with.
class ScriptedPrinterChooser : public PrinterChooserPort
{
public:
    std::function<bool()> choose;
    FakePrinter *printer = nullptr;
    bool selectSucceeds = true; // false: the printer has gone meanwhile
    int shown = 0;
    QStringList selected; // names asked for by selectPrinter

    bool choosePrinter() override
    {
        ++shown;
        if (printer)
            m_left.insert(printer->device, {printer->port, printer->devMode});
        return choose && choose();
    }
    QString currentPrinter() const override { return printer ? printer->device : QString(); }
    bool selectPrinter(const QString &name) override
    {
        selected.append(name);
        const auto left = m_left.constFind(name);
        if (!printer || !selectSucceeds || left == m_left.cend())
            return false;
        printer->device = name;
        printer->port = left->port;
        printer->devMode = left->devMode;
        return true;
    }

private:
    struct Left {
        QString port;
        DevMode devMode;
    };
    QHash<QString, Left> m_left;
};

// A paper combo box without a widget.
class FakeCombo : public PaperComboPort
{
public:
    QStringList items;
    int current = -1;

    void clear() override
    {
        items.clear();
        current = -1;
    }
    void addItem(const QString &name) override { items.append(name); }
    void setCurrentIndex(int index) override { current = index; }
    int currentIndex() const override { return current; }
};

// Records the messages a command shows.
struct MessageLog {
    QStringList shown;
    MessageFn fn()
    {
        return [this](const QString &text) { shown.append(text); };
    }
};

// A picture whose every pixel tells where it came from: red = x & 0xFF,
// green = y & 0xFF, blue = (x >> 8) | (y >> 8) << 4.
inline QRgb coordinateColour(int x, int y)
{
    return qRgb(x & 0xFF, y & 0xFF, ((x >> 8) & 0xF) | (((y >> 8) & 0xF) << 4));
}

inline QImage coordinatePicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, coordinateColour(x, y));
    return image;
}

} // namespace zel::test
