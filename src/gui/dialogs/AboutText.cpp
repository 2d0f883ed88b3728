#include "AboutText.h"

#include "SystemInfo.h"

namespace zel {

QString osLine(const OsVersion &version)
{
    return version.name
           + QString::asprintf(" %d.%2.2d.%d", version.major, version.minor,
                               version.build & 0xFFFF);
}

QString memoryLine(quint64 bytes, const QLocale &locale)
{
    QLocale grouping = locale;
    // The C locale leaves the separators out unless asked.
    grouping.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    const QString kilobytes = grouping.toString(bytes / 1024);
    return QStringLiteral("使用可能物理ﾒﾓﾘ:") + QStringLiteral("%1 KB").arg(kilobytes, 9);
}

} // namespace zel
