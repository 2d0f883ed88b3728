#include "SystemInfo.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QSysInfo>

#if defined(Q_OS_UNIX)
#include <sys/utsname.h>
#include <unistd.h>
#endif

namespace zel {

QString HostSystemInfo::executablePath() const
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
#if defined(Q_OS_LINUX)
    return QStringLiteral("/proc/self/exe");
#else
    return {};
#endif
}

OsVersion HostSystemInfo::osVersion() const
{
#if defined(Q_OS_UNIX)
    utsname names{};
    if (uname(&names) == 0)
        return parseKernelRelease(QString::fromLocal8Bit(names.sysname),
                                  QString::fromLocal8Bit(names.release));
#endif
    return parseKernelRelease(QSysInfo::kernelType(), QSysInfo::kernelVersion());
}

quint64 HostSystemInfo::totalPhysicalMemory() const
{
#if defined(Q_OS_UNIX) && defined(_SC_PHYS_PAGES)
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0)
        return quint64(pages) * quint64(pageSize);
#endif
    return 0;
}

const SystemInfo &hostSystemInfo()
{
    static const HostSystemInfo info;
    return info;
}

OsVersion parseKernelRelease(const QString &name, const QString &release)
{
    OsVersion version;
    version.name = name;
    static const QRegularExpression leadingNumbers(QStringLiteral("^(\\d+)(?:\\.(\\d+))?(?:\\.(\\d+))?"));
    const QRegularExpressionMatch match = leadingNumbers.match(release);
    if (!match.hasMatch())
        return version;
    // Numbers beyond what an int holds read as 0, like a missing one.
    version.major = match.captured(1).toInt();
    version.minor = match.captured(2).toInt();
    version.build = match.captured(3).toInt();
    return version;
}

} // namespace zel
