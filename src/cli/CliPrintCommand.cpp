// print DOC.BMH --pdf OUT.pdf | --printer NAME: the picture at true size over
// as many sheets as it needs, laid out and composed as the print command
// does, for poster printing from scripts.

#include "CliSupport.h"
#include "CommandTable.h"

#include "fileio/NativePath.h"
#include "scene/Render.h"
#include "printing/PdfPrinterPort.h"
#include "printing/PrintCommand.h"
#include "printing/ScreenResolution.h"
#include "scene/Scene.h"

#include "printsupport/PrintQueueModule.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPageSize>

#include <array>
#include <climits>
#include <cmath>
#include <memory>
#include <optional>

#include <dlfcn.h>
#include <unistd.h>

namespace zel::cli {

namespace {

const QString kCommand = QStringLiteral("print");
constexpr int kDefaultDpi = 96;
constexpr int kMaxDpi = 2400;
// Enough for any poster; more sheets come only from tiny cells or a tiny
// resolution, and would keep a script busy for many minutes.
constexpr int kMaxSheets = 1000;

QString help()
{
    return QStringLiteral(
        "usage: zelvane-cli print DOC.BMH --pdf OUT.pdf [options]\n"
        "       zelvane-cli print DOC.BMH --printer NAME [options]\n"
        "\n"
        "Prints the whole picture at its true size, cut into as many sheets\n"
        "across and down as it needs, each sheet laid out as the program's Print\n"
        "command lays it out: the picture's part for that sheet at the left and\n"
        "top margins, the rest white. Sheets run left to right, then down.\n"
        "  --pdf OUT.pdf        writes one PDF page per sheet; an existing OUT is\n"
        "                       replaced only once the new file is complete\n"
        "  --printer NAME       sends the job to that CUPS printer queue instead\n"
        "  --paper NAME         paper size (default A4): a Qt name such as A3, A4,\n"
        "                       A5, B4, B5, \"JIS B5\", Legal, or a PPD name such as\n"
        "                       Letter, Tabloid, ISOB5; any case, spaces optional\n"
        "  --landscape          turns the paper (default portrait)\n"
        "  --margins L,R,T,B    left, right, top and bottom margins in millimetres\n"
        "                       (default 20,20,20,20)\n"
        "  --dpi N              the picture's pixels per inch on paper, 1 to %1\n"
        "                       (default %2, the program's screen resolution)\n"
        "  --device-dpi N       the PDF's pixels per inch, 1 to %1 (default %4): each\n"
        "                       sheet is drawn at it from the parts' own pixels\n"
        "A job of more than %3 sheets is refused.\n")
        .arg(kMaxDpi)
        .arg(kDefaultDpi)
        .arg(kMaxSheets)
        .arg(kPdfDeviceDpi);
}

struct PrintArgs {
    QString document;
    QString pdf;
    QString printer;
    QPageSize::PageSizeId paper = QPageSize::A4;
    bool landscape = false;
    std::array<float, 4> margins{20.0f, 20.0f, 20.0f, 20.0f};
    int dpi = kDefaultDpi;
    int deviceDpi = kPdfDeviceDpi;
};

// A paper by Qt's name (spaces optional: "JIS B5", "JISB5") or else by its
// PPD key ("Letter", "ISOB5"), ignoring case. Qt's names come first, so
// "B5" is ISO B5 as in Qt, while the PPD key "B5" is JIS B5.
std::optional<QPageSize::PageSizeId> paperByName(const QString &text)
{
    const auto squeezed = [](QString s) { return s.remove(u' '); };
    const QString wanted = squeezed(text);
    if (wanted.isEmpty())
        return std::nullopt;
    for (const bool byKey : {false, true}) {
        for (int i = 0; i <= QPageSize::LastPageSize; ++i) {
            const auto id = QPageSize::PageSizeId(i);
            if (id == QPageSize::Custom)
                continue;
            const QString candidate = byKey ? QPageSize::key(id) : squeezed(QPageSize::name(id));
            if (candidate.compare(wanted, Qt::CaseInsensitive) == 0)
                return id;
        }
    }
    return std::nullopt;
}

std::optional<std::array<float, 4>> parseMargins(const QString &text, QString *error)
{
    const QStringList parts = text.split(u',');
    std::array<float, 4> margins{};
    bool ok = parts.size() == 4;
    for (qsizetype i = 0; ok && i < 4; ++i) {
        const float value = parts[i].trimmed().toFloat(&ok);
        ok = ok && std::isfinite(value) && value >= 0.0f;
        margins[size_t(i)] = value;
    }
    if (!ok) {
        *error = QStringLiteral("\"%1\" is not four margins L,R,T,B in millimetres, none negative")
                     .arg(text);
        return std::nullopt;
    }
    return margins;
}

std::optional<PrintArgs> parseArgs(const QStringList &args, QString *error)
{
    PrintArgs out;
    for (qsizetype i = 0; i < args.size(); ++i) {
        QString arg = args[i];
        if (!arg.startsWith(QStringLiteral("--"))) {
            if (!out.document.isEmpty()) {
                *error = QStringLiteral("more than one document: \"%1\" and \"%2\"").arg(out.document, arg);
                return std::nullopt;
            }
            out.document = arg;
            continue;
        }
        if (arg == u"--landscape") {
            out.landscape = true;
            continue;
        }
        QString value;
        const qsizetype eq = arg.indexOf(u'=');
        if (eq > 0) {
            value = arg.mid(eq + 1);
            arg = arg.left(eq);
            if (arg == u"--landscape") {
                *error = QStringLiteral("--landscape takes no value");
                return std::nullopt;
            }
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            *error = QStringLiteral("%1 needs a value").arg(arg);
            return std::nullopt;
        }
        if (arg == u"--pdf") {
            out.pdf = value;
        } else if (arg == u"--printer") {
            out.printer = value;
        } else if (arg == u"--paper") {
            const auto paper = paperByName(value);
            if (!paper) {
                *error = QStringLiteral("unknown paper \"%1\" (try A4, A3, Letter, Legal; see --help)").arg(value);
                return std::nullopt;
            }
            out.paper = *paper;
        } else if (arg == u"--margins") {
            const auto margins = parseMargins(value, error);
            if (!margins)
                return std::nullopt;
            out.margins = *margins;
        } else if (arg == u"--dpi" || arg == u"--device-dpi") {
            bool ok = false;
            const int dpi = value.toInt(&ok);
            if (!ok || dpi < 1 || dpi > kMaxDpi) {
                *error = QStringLiteral("\"%1\" is not a resolution from 1 to %2 dpi").arg(value).arg(kMaxDpi);
                return std::nullopt;
            }
            (arg == u"--dpi" ? out.dpi : out.deviceDpi) = dpi;
        } else {
            *error = QStringLiteral("unknown option %1 (see --help)").arg(arg);
            return std::nullopt;
        }
    }
    if (out.document.isEmpty() || out.pdf.isEmpty() == out.printer.isEmpty()) {
        *error = QStringLiteral("expected a document and either --pdf OUT.pdf or --printer NAME (see --help)");
        return std::nullopt;
    }
    return out;
}

// The page settings as the page setup dialog would leave them: the paper's
// size in tenths of a millimetre, as a printer's paper list gives it,
// turned by the orientation.
PageSettings settingsFor(const PrintArgs &args)
{
    const QSizeF mm = QPageSize::size(args.paper, QPageSize::Millimeter);
    const float width = float(std::lround(mm.width() * 10.0)) / 10.0f;
    const float height = float(std::lround(mm.height() * 10.0)) / 10.0f;
    PageSettings settings;
    settings.portrait = !args.landscape;
    settings.paperWidth = settings.portrait ? width : height;
    settings.paperHeight = settings.portrait ? height : width;
    settings.margins = args.margins;
    return settings;
}

int printToPdf(const PrintArgs &args, const PageSettings &settings, const PictureDraws &picture,
               const PrintState &state, const PrintRequest &request)
{
    QString message;
    const MessageFn show = [&message](const QString &text) {
        if (message.isEmpty())
            message = text;
    };
    PdfPrinterPort printer(args.pdf, QPageSize(args.paper), args.deviceDpi);
    if (!RunPrintJob(printer, settings, picture, state.layout, request, show, {})) {
        if (!printer.error().isEmpty())
            return fail(kCommand, printer.error());
        return fail(kCommand, message.isEmpty() ? QStringLiteral("printing was aborted") : message);
    }
    return 0;
}

// The folder the program runs from, byte for byte as the system names it.
QString programFolder()
{
    std::array<char, PATH_MAX> target{};
    const ssize_t length = ::readlink("/proc/self/exe", target.data(), target.size());
    if (length <= 0 || size_t(length) >= target.size())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(decodePath(QByteArray(target.data(), length))).path();
}

// The print queues' module, loaded from where it is installed beside the
// program; it stays loaded until the program ends. Every symbol is bound on
// loading, so that a module that does not fit fails here rather than in
// the middle of a job.
OpenPrintQueueFn loadPrintQueueModule(QString *error)
{
    const QString path = QDir::cleanPath(programFolder() + u'/' + QStringLiteral(ZELVANE_PRINT_QUEUE_MODULE));
    void *module = ::dlopen(encodePath(path).constData(), RTLD_NOW | RTLD_LOCAL);
    void *open = module ? ::dlsym(module, kOpenPrintQueueSymbol) : nullptr;
    if (!open) {
        // dlerror() names the file and what is wrong with it.
        const char *reason = ::dlerror();
        *error = QStringLiteral("cannot load the printer support: %1")
                     .arg(reason ? decodePath(reason) : path + QStringLiteral(": no entry point"));
        if (module)
            ::dlclose(module);
        return nullptr;
    }
    return reinterpret_cast<OpenPrintQueueFn>(open);
}

int printToQueue(const PrintArgs &args, const PageSettings &settings, const PictureDraws &picture,
                 const PrintState &state, const PrintRequest &request)
{
    QString error;
    const OpenPrintQueueFn open = loadPrintQueueModule(&error);
    if (!open)
        return fail(kCommand, error);
    QueueRefusal refusal = QueueRefusal::None;
    const std::unique_ptr<PrinterPort> printer(open(args.printer, QPageSize(args.paper), &refusal));
    if (!printer && refusal == QueueRefusal::NoSuchQueue)
        return fail(kCommand, QStringLiteral("no printer queue named \"%1\"").arg(args.printer));
    if (!printer)
        return fail(kCommand, QStringLiteral("the printer \"%1\" does not take %2 paper")
                                  .arg(args.printer, QPageSize::name(args.paper)));
    QString message;
    const MessageFn show = [&message](const QString &text) {
        if (message.isEmpty())
            message = text;
    };
    if (!RunPrintJob(*printer, settings, picture, state.layout, request, show, {}))
        return fail(kCommand, message.isEmpty() ? QStringLiteral("printing was aborted") : message);
    return 0;
}

} // namespace

int runPrint(const QStringList &args)
{
    if (wantsHelp(args)) {
        printOut(help());
        return 0;
    }
    QString error;
    const auto parsed = parseArgs(args, &error);
    if (!parsed)
        return fail(kCommand, error);

    // One picture pixel is one pixel of this resolution on paper.
    ScreenDpiX = parsed->dpi;
    ScreenDpiY = parsed->dpi;
    const PageSettings settings = settingsFor(*parsed);

    UiState ui;
    Scene scene(ui);
    if (!loadDocument(parsed->document, scene, &error))
        return fail(kCommand, error);

    // The sheets are counted before anything is drawn: a refused job costs
    // nothing. Sheets are drawn in bands, so their size is not limited.
    const std::optional<PageLayout> layout = LayoutForPicture(settings, scene.backgroundSize());
    if (layout && layout->pageCount() > kMaxSheets)
        return fail(kCommand, QStringLiteral("the picture needs %1 sheets (%2 across, %3 down), more than the limit of %4")
                                  .arg(layout->pageCount())
                                  .arg(layout->pagesAcross)
                                  .arg(layout->pagesDown)
                                  .arg(kMaxSheets));
    PrintState state;
    QString message;
    if (!LayOutForPrinting(scene, settings, state, [&message](const QString &text) { message = text; }))
        return fail(kCommand, message);
    const PictureDraws picture = pictureOf(scene);

    PrintRequest request;
    request.first = 0;
    request.last = state.layout.pageCount() - 1;
    // The job title the program gives its jobs: its window caption.
    request.title = QStringLiteral("Zelvane - ") + QFileInfo(parsed->document).absoluteFilePath();
    return parsed->pdf.isEmpty() ? printToQueue(*parsed, settings, picture, state, request)
                                 : printToPdf(*parsed, settings, picture, state, request);
}

} // namespace zel::cli
