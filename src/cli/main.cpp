// zelvane-cli: Zelvane's documents from scripts. One subcommand per source
// file, found through the table in CommandTable.h.

#include "CliSupport.h"
#include "CommandTable.h"

#include "fileio/NativePath.h"

#include <QCoreApplication>

#include <iterator>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

using namespace zel::cli;

namespace {

#define ZELVANE_CLI_ENTRY(name, function, summary) Command{name, &function, summary},
const Command kCommands[] = {ZELVANE_CLI_COMMANDS(ZELVANE_CLI_ENTRY)};
#undef ZELVANE_CLI_ENTRY

QString usage()
{
    QString text = QStringLiteral("Usage: zelvane-cli COMMAND [ARGS...]\n"
                                  "  or:  zelvane-cli --help | --version\n\ncommands:\n");
    for (const Command &c : kCommands)
        text += QStringLiteral("  %1  %2\n")
                    .arg(QString::fromLatin1(c.name).leftJustified(8), QString::fromLatin1(c.summary));
    text += QStringLiteral("\n\"zelvane-cli COMMAND --help\" describes a command.\n\n"
                           "options:\n"
                           "  -h, --help  print this help and exit\n"
                           "  --version   print the version and exit\n");
    return text;
}

// With SIGPIPE ignored, a reader that went away shows as a failed write to
// stdout: output that did not all arrive is a failure, not a success.
int finishOutput(int code)
{
    errno = 0;
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return code;
    const int error = errno;
    printErr(QStringLiteral("zelvane-cli: standard output: write failed%1\n")
                 .arg(error != 0 ? QStringLiteral(": ") + zel::systemError(error) : QString()));
    return 1;
}

// A standard descriptor the program was started without is taken by
// /dev/null opened the wrong way round, so that using it still fails as on a
// closed one: otherwise the next file opened would get its number, and
// output meant for stdout would land in that file.
void holdClosedStandardDescriptors()
{
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd)
        if (::fcntl(fd, F_GETFD) < 0 && errno == EBADF)
            ::open("/dev/null", (fd == STDIN_FILENO ? O_WRONLY : O_RDONLY) | O_NOCTTY); // the lowest free number: fd
}

} // namespace

int main(int argc, char *argv[])
{
    // Writes to a closed pipe fail with EPIPE and are reported, rather than
    // killing the program half way.
    std::signal(SIGPIPE, SIG_IGN);
    holdClosedStandardDescriptors();
    QCoreApplication app(argc, argv);
    // Taken from argv rather than arguments(), which turns bytes that are
    // not UTF-8 into U+FFFD: a file name must reach the system unchanged.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(zel::decodePath(QByteArray(argv[i])));
    if (args.isEmpty()) {
        printErr(QStringLiteral("zelvane-cli: no command given (try zelvane-cli --help)\n"));
        return 1;
    }
    const QString name = args.takeFirst();
    if (name == u"--help" || name == u"-h" || name == u"help") {
        printOut(usage());
        return finishOutput(0);
    }
    if (name == u"--version") {
        printOut(versionText());
        return finishOutput(0);
    }
    for (const Command &c : kCommands)
        if (name == QLatin1String(c.name))
            return finishOutput(c.run(args));
    printErr(QStringLiteral("zelvane-cli: unknown command \"%1\" (try zelvane-cli --help)\n").arg(name));
    return 1;
}
