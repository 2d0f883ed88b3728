#include "FakePrinter.h"

#include <utility>

namespace zel::test {

FakePrinter::FakePrinter()
{
    // A 600 dpi printer with A4 paper and 4.23 mm unprintable edges.
    portraitSheet.logPixelsX = 600;
    portraitSheet.logPixelsY = 600;
    portraitSheet.physicalWidth = 4960;
    portraitSheet.physicalHeight = 7016;
    portraitSheet.physicalOffsetX = 100;
    portraitSheet.physicalOffsetY = 120;
    portraitSheet.canStretchImages = true;
    devMode.dmOrientation = kDmPortrait;
    devMode.dmPaperSize = 9;
    devMode.dmPaperWidth = 2100;
    devMode.dmPaperLength = 2970;
    devMode.rest = QByteArrayLiteral("driver-private bytes");
}

PaperList FakePrinter::paperList(const QList<std::tuple<QString, PaperSize, quint16>> &entries)
{
    PaperList list;
    list.count = qint32(entries.size());
    for (const auto &[name, size, id] : entries) {
        list.names.append(name);
        list.sizes.push_back(size);
        list.ids.push_back(id);
    }
    return list;
}

bool FakePrinter::readDevMode(DevMode &out) const
{
    if (!devModeReachable)
        return false;
    out = devMode;
    return true;
}

bool FakePrinter::writeDevMode(const DevMode &in)
{
    if (!devModeReachable)
        return false;
    devMode = in;
    ++devModeWrites;
    return true;
}

PaperList FakePrinter::paperForms(const QString &dev, const QString &p) const
{
    ++formQueries;
    return forms.value(formsKey(dev, p));
}

PrinterMetrics FakePrinter::metrics() const
{
    PrinterMetrics m = portraitSheet;
    if (!portrait) {
        std::swap(m.logPixelsX, m.logPixelsY);
        std::swap(m.physicalWidth, m.physicalHeight);
        std::swap(m.physicalOffsetX, m.physicalOffsetY);
    }
    return m;
}

void FakePrinter::setOutputFile(const QString &path)
{
    output = path;
    events.append(QStringLiteral("file:") + path);
}

void FakePrinter::setPortrait(bool value)
{
    portrait = value;
    events.append(value ? QStringLiteral("portrait") : QStringLiteral("landscape"));
}

void FakePrinter::setJobTitle(const QString &title)
{
    events.append(QStringLiteral("title:") + title);
}

bool FakePrinter::beginDoc()
{
    events.append(QStringLiteral("begin"));
    m_aborted = false;
    return beginSucceeds;
}

bool FakePrinter::newPage()
{
    events.append(QStringLiteral("newPage"));
    return true;
}

bool FakePrinter::endDoc()
{
    events.append(QStringLiteral("end"));
    return endSucceeds;
}

void FakePrinter::abortDoc()
{
    events.append(QStringLiteral("abort"));
    m_aborted = true;
}

bool FakePrinter::aborted() const
{
    return m_aborted
        || (abortedAfterSheets >= 0 && int(sheets.size()) >= abortedAfterSheets);
}

void FakePrinter::drawPage(const QImage &image, const QRect &dest)
{
    events.append(QStringLiteral("sheet"));
    sheets.push_back({image, dest, output});
}

} // namespace zel::test
