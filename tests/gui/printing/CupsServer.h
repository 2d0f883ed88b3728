#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace zel::test {

// A CUPS scheduler of our own for one test run: its configuration, spool
// and socket live in a temporary directory, it listens on that socket only
// and it goes away with the object (or with the test process, or after a
// few minutes at the latest, whichever comes first).
class CupsServer
{
public:
    CupsServer();
    ~CupsServer();

    // Where clients reach it; set CUPS_SERVER to this before Qt asks CUPS
    // anything.
    QString socketPath() const { return m_dir.filePath(QStringLiteral("cups.sock")); }

    // Starts the scheduler and waits until it answers. False with the
    // reason when CUPS cannot run here.
    bool start(QString *reason);
    void stop();

    // Runs a CUPS client program against this server; false with its
    // output as the reason when it fails.
    bool client(const QString &program, const QStringList &arguments, QString *output);

    // Adds a cups-pdf queue that writes into a folder of this server's own
    // (pdfOutputDir()), so that suites running side by side never share
    // one. cups-pdf reads a queue's settings from /etc/cups only; the file
    // goes with stop(). False with the reason when the queue cannot be made.
    bool addPdfQueue(const QString &queue, QString *reason);
    QString pdfOutputDir() const { return m_dir.filePath(QStringLiteral("pdf")); }

    // Waits for cups-pdf to finish a PDF whose name contains titlePart and
    // returns its path; empty when none came within the time.
    QString waitForPdf(const QString &titlePart, int timeoutMs);

private:
    bool writeConfiguration(QString *reason);
    QString schedulerStatus();

    QTemporaryDir m_dir;
    QProcess m_scheduler;
    QStringList m_queueSettings; // files of ours in /etc/cups
};

} // namespace zel::test
