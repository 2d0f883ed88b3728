#include "MainWindow.h"
#include "Translation.h"

#include "dialogs/VersionInfo.h"
#include "document/RecoveryStore.h"
#include "fileio/NativePath.h"

#include <QApplication>
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>
#include <optional>

namespace {

constexpr char kUsage[] = "usage: zelvane [DOCUMENT.BMH]\n";

// "Usage:" as help2man looks for it, to make the manual page's synopsis.
constexpr char kHelp[] =
    "Usage: zelvane [DOCUMENT.BMH]\n"
    "\n"
    "Zelvane composes one picture from parts - pictures from BMP or JPEG files or\n"
    "the clipboard - over a coloured background, saves compositions as BMH\n"
    "documents, exports them as BMP or JPEG pictures and prints them at their\n"
    "true on-screen size. Its window speaks Japanese.\n"
    "\n"
    "A DOCUMENT.BMH named on the command line opens at start-up as Open would\n"
    "open it.\n"
    "\n"
    "options:\n"
    "  -h, --help  print this help and exit\n"
    "  --version   print the version and exit\n"
    "Qt's own options, such as -platform NAME, are taken as well.\n"
    "\n"
    "zelvane-cli prints, renders and composes documents from scripts.\n";

// --help and --version, answered on stdout; nothing for any other word.
std::optional<int> answerInformationOption(const char *arg)
{
    if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (std::strcmp(arg, "--version") == 0) {
        // The copyright line the About box shows, from the same block.
        const QString copyright =
            zel::queryVersionValue(zel::embeddedVersionBlock(),
                                   QLatin1String(zel::kVersionTable) + QLatin1String("LegalCopyright"))
                .value_or(QString());
        std::fputs("zelvane " ZELVANE_VERSION "\n", stdout);
        std::fputs((QStringLiteral("Copyright ") + copyright + u'\n').toUtf8().constData(), stdout);
        return 0;
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char *argv[])
{
    // Before Qt's window system starts: help2man and scripts ask these on
    // machines with no display.
    if (argc == 2)
        if (const auto exitCode = answerInformationOption(argv[1]))
            return *exitCode;
    QApplication app(argc, argv); // takes Qt's own options out of argv
    if (argc == 2)
        if (const auto exitCode = answerInformationOption(argv[1]))
            return *exitCode;
    if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    // The desktop entry the window belongs to (Wayland's app id), as
    // installed by cmake/Packaging.cmake.
    QGuiApplication::setDesktopFileName(QStringLiteral(ZELVANE_APP_ID));
    zel::installJapaneseTranslation(app);
    // Zelvane keeps no settings between runs. Qt's own dialogs would remember
    // folders and layouts in the user's settings; give them a folder that
    // goes away with the process instead.
    QTemporaryDir scratchSettings;
    if (scratchSettings.isValid()) {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, scratchSettings.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, scratchSettings.path());
    }
    // The one thing kept between runs: the work of a program that died.
    zel::RecoveryStore recovery(zel::RecoveryStore::defaultFolder());
    zel::WindowPorts ports;
    ports.recovery = &recovery;
    zel::MainWindow window(ports);
    // Asked before anything else opens; a restored document takes the place
    // of one named on the command line.
    const bool restored = window.offerRecovery();
    window.show();
    // A document named on the command line (as the file manager hands it
    // over) opens as Open opens it; the name is taken byte for byte.
    if (argc == 2 && !restored)
        window.openAtStart(QDir::current().absoluteFilePath(zel::decodePath(QByteArray(argv[1]))));
    return app.exec();
}
