#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <memory>

namespace zel {

class DescriptorOutput;

// The one way every writer replaces a file. The new contents go to a
// temporary file of a short name of its own (".zelvane-" and eight random
// letters) in the target's folder; every write and the final flush
// are checked, the data is synced, and only then is the temporary file
// renamed over the target. Until commit() succeeds the target is never
// touched, and a failure anywhere removes the temporary file.
//
// QSaveFile is not enough: its commit does not notice that the flush of its
// last buffered block failed (a full disk), and renames a cut file over the
// old one.
class FileReplacement final : public QIODevice
{
public:
    // path as encodePath() turns it into the system's bytes. A symbolic link
    // is followed and stays a link: the file it points to is replaced, or
    // made when it is missing. Only a regular file is replaced: a device, a
    // FIFO or a socket is refused ("not a regular file") and left as it is.
    explicit FileReplacement(const QString &path);
    ~FileReplacement() override;

    QString path() const { return m_path; }

    // Creates the temporary file. False with errorString() when the folder
    // does not take it or the target is not a file to replace.
    bool open();
    // Makes the written data the target's contents. False with errorString()
    // when any write, the flush, the sync or the rename failed; the
    // temporary file is gone then and the target is as it was.
    bool commit();
    // Throws the written data away.
    void cancel();

    // True once a write has failed; nothing can be committed after that.
    bool hasFailed() const { return m_error != 0; }
    // The system's reason alone ("No space left on device"); errorString()
    // says which file and what failed too.
    QString reason() const { return m_reason; }

    bool seek(qint64 pos) override;

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 size) override;

private:
    bool flushOut();
    void takeFailureOf(const DescriptorOutput &out);
    // reason, when given, says more than the system's text for error.
    void fail(int error, const char *what, const QString &reason = QString());
    void discard();

    QString m_path;
    QByteArray m_target;    // the file to replace, links followed
    QByteArray m_temporary; // empty when there is none
    int m_fd = -1;
    int m_error = 0;
    QString m_reason;
    std::unique_ptr<DescriptorOutput> m_out; // while the temporary file is open
};

} // namespace zel
