#include "CupsServer.h"

#include "PdfTools.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace zel::test {

namespace {

constexpr int kClientTimeoutMs = 30000;
constexpr int kStartTimeoutMs = 15000;
const QString kCupsd = QStringLiteral("/usr/sbin/cupsd");
const QString kPpd = QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd");

bool writeFile(const QString &path, const QString &text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(text.toUtf8()) >= 0;
}

} // namespace

CupsServer::CupsServer()
{
    m_dir.setAutoRemove(true);
}

CupsServer::~CupsServer()
{
    stop();
}

bool CupsServer::writeConfiguration(QString *reason)
{
    const QString root = m_dir.path();
    // The filters run as the scheduler's own user and must reach the spool.
    QFile::setPermissions(root, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                    | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther
                                    | QFile::ExeOther);
    for (const char *sub : {"spool", "spool/tmp", "cache", "state", "log", "ppd"})
        QDir(root).mkpath(QString::fromLatin1(sub));

    const QString cupsd = QStringLiteral(
        "Listen %1\n"
        "Browsing Off\n"
        "WebInterface No\n"
        "LogLevel info\n"
        "DefaultAuthType None\n"
        "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
        "<Policy default>\n  <Limit All>\n    Order deny,allow\n    Allow all\n"
        "  </Limit>\n</Policy>\n")
                              .arg(socketPath());
    const QString files = QStringLiteral(
        "ServerRoot %1\n"
        "RequestRoot %1/spool\n"
        "TempDir %1/spool/tmp\n"
        "CacheDir %1/cache\n"
        "StateDir %1/state\n"
        "ErrorLog %1/log/error_log\n"
        "AccessLog %1/log/access_log\n"
        "PageLog %1/log/page_log\n"
        "Printcap %1/printcap\n"
        "ServerBin /usr/lib/cups\n"
        "DataDir /usr/share/cups\n"
        "FileDevice No\n"
        "Sandboxing Relaxed\n")
                              .arg(root);
    if (!writeFile(m_dir.filePath(QStringLiteral("cupsd.conf")), cupsd)
        || !writeFile(m_dir.filePath(QStringLiteral("cups-files.conf")), files)) {
        *reason = QStringLiteral("cannot write the scheduler's configuration");
        return false;
    }
    return true;
}

QString CupsServer::schedulerStatus()
{
    QString output;
    client(QStringLiteral("lpstat"), {QStringLiteral("-r")}, &output);
    return output.trimmed();
}

bool CupsServer::start(QString *reason)
{
    if (geteuid() != 0) {
        *reason = QStringLiteral("starting a CUPS scheduler needs root");
        return false;
    }
    if (!QFile::exists(kCupsd)) {
        *reason = QStringLiteral("CUPS is not installed (no /usr/sbin/cupsd)");
        return false;
    }
    if (!m_dir.isValid()) {
        *reason = QStringLiteral("no temporary directory");
        return false;
    }
    if (!writeConfiguration(reason))
        return false;

    QStringList arguments{QStringLiteral("-f"), QStringLiteral("-c"),
                          m_dir.filePath(QStringLiteral("cupsd.conf")), QStringLiteral("-s"),
                          m_dir.filePath(QStringLiteral("cups-files.conf"))};
    QString program = kCupsd;
    // However this test ends, the scheduler does not outlive it for long.
    const QString timeout = QStandardPaths::findExecutable(QStringLiteral("timeout"));
    if (!timeout.isEmpty()) {
        arguments.prepend(kCupsd);
        arguments = QStringList{QStringLiteral("--kill-after=5"), QStringLiteral("240")}
            + arguments;
        program = timeout;
    }
    m_scheduler.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_scheduler.setProcessChannelMode(QProcess::MergedChannels);
    m_scheduler.start(program, arguments);
    if (!m_scheduler.waitForStarted(kStartTimeoutMs)) {
        *reason = QStringLiteral("cupsd did not start: ") + m_scheduler.errorString();
        return false;
    }

    // lpstat -r exits 0 whether or not the scheduler runs: read its words.
    const QDeadlineTimer deadline(kStartTimeoutMs);
    while (!deadline.hasExpired()) {
        if (m_scheduler.state() != QProcess::Running) {
            *reason = QStringLiteral("cupsd stopped at once: ")
                + QString::fromLocal8Bit(m_scheduler.readAll());
            return false;
        }
        if (schedulerStatus() == QLatin1String("scheduler is running"))
            return true;
        QThread::msleep(100);
    }
    *reason = QStringLiteral("cupsd did not answer within %1 s").arg(kStartTimeoutMs / 1000);
    stop();
    return false;
}

void CupsServer::stop()
{
    for (const QString &settings : std::as_const(m_queueSettings))
        QFile::remove(settings);
    m_queueSettings.clear();
    if (m_scheduler.state() == QProcess::NotRunning)
        return;
    m_scheduler.terminate();
    if (!m_scheduler.waitForFinished(10000)) {
        m_scheduler.kill();
        m_scheduler.waitForFinished(5000);
    }
}

bool CupsServer::client(const QString &program, const QStringList &arguments, QString *output)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, QStringList{QStringLiteral("-h"), socketPath()} + arguments);
    bool ok = process.waitForStarted(kClientTimeoutMs);
    if (ok && !process.waitForFinished(kClientTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        ok = false;
    }
    if (output)
        *output = QString::fromLocal8Bit(process.readAll());
    return ok && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool CupsServer::addPdfQueue(const QString &queue, QString *reason)
{
    if (!QDir().mkpath(pdfOutputDir())) {
        *reason = QStringLiteral("cannot make ") + pdfOutputDir();
        return false;
    }
    const QString settings = QStringLiteral("/etc/cups/cups-pdf-%1.conf").arg(queue);
    if (!writeFile(settings, QStringLiteral("Out %1\n").arg(pdfOutputDir()))) {
        *reason = QStringLiteral("cannot write ") + settings;
        return false;
    }
    m_queueSettings.append(settings);
    return client(QStringLiteral("lpadmin"),
                  {QStringLiteral("-p"), queue, QStringLiteral("-E"), QStringLiteral("-v"),
                   QStringLiteral("cups-pdf:/") + queue, QStringLiteral("-P"), kPpd},
                  reason);
}

QString CupsServer::waitForPdf(const QString &titlePart, int timeoutMs)
{
    // cups-pdf writes the file in place: wait until it reads as a whole PDF.
    const QDeadlineTimer deadline(timeoutMs);
    do {
        for (const QString &name : QDir(pdfOutputDir()).entryList(QDir::Files)) {
            const QString path = QDir(pdfOutputDir()).filePath(name);
            if (name.contains(titlePart) && ReadPdfInfo(path).ok)
                return path;
        }
        QThread::msleep(250);
    } while (!deadline.hasExpired());
    return QString();
}

} // namespace zel::test
