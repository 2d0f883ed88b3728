#pragma once

// Runs the built zelvane-cli as a script would (ZELVANE_CLI_PATH is set by
// the suite's CMake target).

#include <QProcess>
#include <QString>
#include <QStringList>

#include <csignal>
#include <sys/resource.h>

namespace zel::test {

struct Run {
    int exitCode = -1; // -1: did not finish in time; -2: crashed
    QByteArray out;
    QByteArray err;
};

// Runs zelvane-cli in dir; fileSizeLimit > 0 makes every write beyond that
// many bytes of a file fail, as on a full disk.
inline Run runCli(const QString &dir, const QStringList &args, qint64 fileSizeLimit = 0,
                  const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setWorkingDirectory(dir);
    p.setProcessEnvironment(env);
    if (fileSizeLimit > 0) {
        p.setChildProcessModifier([fileSizeLimit] {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{rlim_t(fileSizeLimit), rlim_t(fileSizeLimit)};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        });
    }
    p.start(QStringLiteral(ZELVANE_CLI_PATH), args);
    Run r;
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

} // namespace zel::test
