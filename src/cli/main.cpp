// zelvane-cli: Zelvane's documents from scripts. One subcommand per source
// file, found through the table in CommandTable.h.

#include "CliSupport.h"
#include "CommandTable.h"

#include "fileio/NativePath.h"

#include <QCoreApplication>

#include <iterator>

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

} // namespace

int main(int argc, char *argv[])
{
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
        return 0;
    }
    if (name == u"--version") {
        printOut(versionText());
        return 0;
    }
    for (const Command &c : kCommands)
        if (name == QLatin1String(c.name))
            return c.run(args);
    printErr(QStringLiteral("zelvane-cli: unknown command \"%1\" (try zelvane-cli --help)\n").arg(name));
    return 1;
}
