#pragma once

#include <QString>
#include <QtGlobal>

namespace zel {

// The operating system's name and version, numbered the way the About box
// shows them: major, minor and build.
struct OsVersion {
    QString name;
    int major = 0;
    int minor = 0;
    int build = 0;
};

// What the About box asks of the system: the program's own file, the
// operating system and the physical memory. The host answers in the
// program; tests give fixed answers.
class SystemInfo
{
public:
    virtual ~SystemInfo() = default;
    virtual QString executablePath() const = 0;
    virtual OsVersion osVersion() const = 0;
    // Total physical memory in bytes; 0 when it cannot be told.
    virtual quint64 totalPhysicalMemory() const = 0;
};

class HostSystemInfo final : public SystemInfo
{
public:
    QString executablePath() const override;
    OsVersion osVersion() const override;
    quint64 totalPhysicalMemory() const override;
};

const SystemInfo &hostSystemInfo();

// A kernel release such as "6.1.0-18-amd64" read as major 6, minor 1,
// build 0: the first three numbers, missing ones 0.
OsVersion parseKernelRelease(const QString &name, const QString &release);

} // namespace zel
