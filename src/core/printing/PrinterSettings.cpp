#include "PrinterSettings.h"

#include <algorithm>

namespace zel {

namespace {

constexpr int kPaperNameLength = 64;

// A driver's paper name ends at its first NUL or after 64 characters.
QString paperName(const QString &name)
{
    const qsizetype nul = name.indexOf(QChar(u'\0'));
    return name.left(nul < 0 ? kPaperNameLength : qMin<qsizetype>(nul, kPaperNameLength));
}

} // namespace

qint16 ToDevModeTenths(double tenths)
{
    if (!(tenths > -32768.0)) // also NaN
        return -32768;
    if (tenths >= 32767.0)
        return 32767;
    return qint16(tenths); // truncates toward zero
}

bool RefreshPrinter(PageSettings &settings, const PrinterPort &printer)
{
    if (!printer.hasDevMode())
        return false;
    settings.previousDeviceName = settings.deviceName;
    settings.previousPort = settings.port;
    settings.deviceName = printer.deviceName();
    settings.port = printer.portName();
    DevMode current;
    if (printer.readDevMode(current))
        settings.devMode = current;
    return settings.deviceName != settings.previousDeviceName
        || settings.port != settings.previousPort;
}

void LoadPaperList(PageSettings &settings, PaperList &papers, const PrinterPort &printer,
                   const QString &device, const QString &port, PaperComboPort &combo,
                   const MessageFn &showMessage)
{
    const PaperList forms = printer.paperForms(device, port);
    if (forms.count < 0) {
        papers.count = -1;
        if (showMessage)
            showMessage(kFormListErrorText);
        return;
    }
    if (forms.count == 0) {
        papers.count = 0;
        return;
    }

    // The lists always get count entries, whatever the driver filled in.
    const int n = forms.count;
    PaperList loaded;
    loaded.count = n;
    loaded.names.reserve(n);
    for (int i = 0; i < n; ++i)
        loaded.names.append(i < forms.names.size() ? paperName(forms.names[i]) : QString());
    loaded.sizes.assign(forms.sizes.begin(),
                        forms.sizes.begin() + std::min<size_t>(forms.sizes.size(), size_t(n)));
    loaded.sizes.resize(size_t(n));
    loaded.ids.assign(forms.ids.begin(),
                      forms.ids.begin() + std::min<size_t>(forms.ids.size(), size_t(n)));
    loaded.ids.resize(size_t(n));
    papers = std::move(loaded);

    combo.clear();
    for (const QString &name : papers.names)
        combo.addItem(name);

    int selected = -1;
    const quint16 current = quint16(settings.devMode.dmPaperSize);
    for (int i = 0; i < n; ++i) {
        if (papers.ids[size_t(i)] != current)
            continue;
        selected = i;
        const PaperSize &size = papers.sizes[size_t(i)];
        const float width = float(size.width) / 10.0f;
        const float length = float(size.length) / 10.0f;
        settings.paperWidth = settings.portrait ? width : length;
        settings.paperHeight = settings.portrait ? length : width;
    }
    combo.setCurrentIndex(selected);
}

bool FollowCurrentPrinter(PageSettings &settings, PaperList &papers, const PrinterPort &printer,
                          PaperComboPort &combo, const MessageFn &showMessage)
{
    if (!RefreshPrinter(settings, printer))
        return false;
    LoadPaperList(settings, papers, printer, settings.deviceName, settings.port, combo,
                  showMessage);
    return true;
}

void ReadPrinterDevMode(const PrinterPort &printer, DevMode &devMode)
{
    if (!printer.hasDevMode())
        return;
    DevMode current;
    if (printer.readDevMode(current))
        devMode = current;
}

void WritePrinterDevMode(PrinterPort &printer, const DevMode &devMode)
{
    if (!printer.hasDevMode())
        return;
    printer.writeDevMode(devMode);
}

} // namespace zel
