#pragma once

#include <QByteArray>
#include <QString>

#include <array>

namespace zel {

// The fields of a printer's device mode that printing reads or writes. The
// rest of the printer's record travels unchanged in `rest`, whose contents
// only the printer implementation understands.
struct DevMode {
    qint16 dmOrientation = 0;  // 1 portrait, 2 landscape
    qint16 dmPaperSize = 0;    // paper id, as in the paper list's ids
    qint16 dmPaperWidth = 0;   // tenths of a millimetre, as laid out
    qint16 dmPaperLength = 0;  // tenths of a millimetre, as laid out
    QByteArray rest;

    friend bool operator==(const DevMode &, const DevMode &) = default;
};

constexpr qint16 kDmPortrait = 1;
constexpr qint16 kDmLandscape = 2;

// Index order of the four margins, shared with the page setup dialog.
enum MarginIndex { LeftMargin = 0, RightMargin = 1, TopMargin = 2, BottomMargin = 3 };

// How the picture goes on paper, for the whole run. Paper width and height
// are as laid out, i.e. already turned by the orientation.
struct PageSettings {
    float paperWidth = 210.0f;
    float paperHeight = 297.0f;
    bool portrait = true;
    std::array<float, 4> margins{20.0f, 20.0f, 20.0f, 20.0f};

    // The current printer as last read, and as read the time before: a
    // change of either tells that another printer has become current.
    QString deviceName;
    QString port;
    QString previousDeviceName;
    QString previousPort;
    // The printer's device mode as last read; only dmPaperSize is used.
    DevMode devMode;
};

// 16-bit device-mode fields hold at most this many tenths of a millimetre;
// larger values are kept at the limit rather than wrapped to negative ones.
qint16 ToDevModeTenths(double tenths);

} // namespace zel
