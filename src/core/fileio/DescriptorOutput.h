#pragma once

#include <QIODevice>
#include <QString>

#include <vector>

namespace zel {

// A checked writer onto a descriptor the program was handed, such as
// standard output: a pipe, a terminal, a file the shell opened. Data goes
// out in large blocks; every write and the final flush are checked, a write
// cut short by a signal is retried and one that would block waits, so that
// only a real failure (a reader that went away: "Broken pipe", a full disk)
// stops it. The descriptor is neither opened nor closed here.
class DescriptorOutput final : public QIODevice
{
public:
    // name is what messages call the descriptor ("standard output").
    DescriptorOutput(int fd, const QString &name);
    ~DescriptorOutput() override;

    // False with errorString() when the descriptor is not open for writing.
    bool open();
    // Writes out what is buffered. False with errorString() once any write
    // has failed. What flush() has not written is dropped on destruction.
    bool flush();

    bool hasFailed() const { return m_error != 0; }
    // The errno value of the first failure; 0 while none.
    int error() const { return m_error; }
    // The system's reason alone ("Broken pipe"); errorString() says which
    // descriptor and what failed too.
    QString reason() const { return m_reason; }

    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 size) override;

private:
    bool writeOut(const char *data, qint64 size);
    void fail(int error, const char *what);

    int m_fd;
    QString m_name;
    int m_error = 0;
    QString m_reason;
    std::vector<char> m_buffer;
};

} // namespace zel
