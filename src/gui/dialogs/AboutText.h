#pragma once

#include <QLocale>
#include <QString>

namespace zel {

struct OsVersion;

// "<name> <major>.<minor, two digits>.<build, low 16 bits>":
// "Windows NT 4.00.1381", "Linux 6.01.0".
QString osLine(const OsVersion &version);

// "使用可能物理ﾒﾓﾘ:" and the memory in KB (bytes / 1024, truncated) with
// the locale's thousands separator, right-aligned in nine characters (wider
// numbers widen the field), then " KB". 32 MB give "   32,768 KB".
QString memoryLine(quint64 bytes, const QLocale &locale = QLocale());

} // namespace zel
