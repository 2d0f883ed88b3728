#include "FakePrinter.h"

#include <utility>

namespace zel::test {

FakePrinter::FakePrinter()
{
    // A 600 dpi printer with A4 paper and 4.23 mm unprintable edges.
    // A4 at 192 dpi, twice the screen's 96.
    portraitSheet.logPixelsX = 192;
    portraitSheet.logPixelsY = 192;
    portraitSheet.physicalWidth = 1587;
    portraitSheet.physicalHeight = 2245;
    portraitSheet.physicalOffsetX = 32;
    portraitSheet.physicalOffsetY = 38;
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
    m_sheetOpen = false;
    m_aborted = false;
    return beginSucceeds;
}

bool FakePrinter::newPage()
{
    events.append(QStringLiteral("newPage"));
    m_sheetOpen = false;
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

void FakePrinter::drawImage(const QImage &image, const QPoint &at)
{
    if (!m_sheetOpen) {
        events.append(QStringLiteral("sheet"));
        sheets.push_back({{}, output});
        m_sheetOpen = true;
    }
    const PrinterMetrics m = metrics();
    // A copy: the job draws its next band into the same buffer.
    sheets.back().bands.push_back({at + QPoint(m.physicalOffsetX, m.physicalOffsetY), image.copy()});
}

QRgb FakePrinter::Sheet::pixel(int x, int y) const
{
    for (auto it = bands.rbegin(); it != bands.rend(); ++it)
        if (QRect(it->at, it->image.size()).contains(x, y))
            return it->image.pixel(x - it->at.x(), y - it->at.y());
    return qRgb(255, 255, 255);
}

QRect FakePrinter::Sheet::drawn() const
{
    QRect all;
    for (const Band &band : bands)
        all |= QRect(band.at, band.image.size());
    return all;
}

} // namespace zel::test
