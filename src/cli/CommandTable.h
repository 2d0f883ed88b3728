#pragma once

#include <QStringList>

namespace zel::cli {

// A subcommand gets its arguments (after its name) and returns the exit
// code: 0 on success, 1 after printing one line about the failure.
using CommandFunction = int (*)(const QStringList &args);

// Every subcommand: name, function, one-line summary. A new subcommand is
// one source file defining its function and one line here.
#define ZELVANE_CLI_COMMANDS(X)                                                            \
    X("info", runInfo, "print a BMH document as JSON")                                     \
    X("render", runRender, "render a BMH document to a BMP, JPEG or PNG file")             \
    X("compose", runCompose, "build a BMH document from BMP and JPEG files")               \
    X("print", runPrint, "print a BMH document at true size to a PDF file or a printer")

#define ZELVANE_CLI_DECLARE(name, function, summary) int function(const QStringList &args);
ZELVANE_CLI_COMMANDS(ZELVANE_CLI_DECLARE)
#undef ZELVANE_CLI_DECLARE

struct Command {
    const char *name;
    CommandFunction run;
    const char *summary;
};

} // namespace zel::cli
