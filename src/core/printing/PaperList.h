#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace zel {

// A paper form's sheet, upright, in tenths of a millimetre.
struct PaperSize {
    qint32 width = 0;
    qint32 length = 0;

    friend bool operator==(const PaperSize &, const PaperSize &) = default;
};

// The current printer's paper forms as its driver reports them. Entry i of
// the three lists describes one paper; the paper combo box lists the names
// in the same order, so a combo index is an index into this list.
struct PaperList {
    // -1 after the driver reported an error, 0 when it reported no forms.
    // After an error the lists keep the entries of the last good read.
    qint32 count = 0;
    QStringList names;
    std::vector<PaperSize> sizes;
    std::vector<quint16> ids;

    // Number of entries the lists hold (they always hold the same number).
    int size() const { return int(ids.size()); }
};

// The paper combo box as LoadPaperList fills it, so that the core does not
// need a widget.
class PaperComboPort
{
public:
    virtual ~PaperComboPort() = default;
    virtual void clear() = 0;
    virtual void addItem(const QString &name) = 0;
    // -1 leaves nothing selected.
    virtual void setCurrentIndex(int index) = 0;
    virtual int currentIndex() const = 0;
};

} // namespace zel
