#include "shell/command_line.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "model/path_list.h"
#include "platform/host_device.h"
#include "platform/host_names.h"
#include "platform/host_place.h"
#include "platform/input_spool.h"
#include "resources/version.h"
#include "shell/scan_compare_command.h"
#include "shell/scan_export.h"
#include "scan/exclusions.h"

namespace {

const char PROGRAM_NAME[] = "volumetra";

// Options of QGuiApplication and QApplication that take a value, and those
// that do not; the application object reads them, this parser only lets them by.
const char* const QT_VALUE_OPTIONS[] = {"platform", "platformpluginpath", "platformtheme", "plugin",
                                        "qwindowgeometry", "qwindowicon", "qwindowtitle", "style",
                                        "stylesheet", "session", "display", "geometry"};
const char* const QT_FLAG_OPTIONS[] = {"reverse", "widgetcount"};

QString DecodedArgument(const char* bytes) {
    std::vector<char16_t> text;
    DecodeHostName(bytes, std::strlen(bytes), &text);
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

std::string HostBytes(const QString& text) {
    std::string bytes;
    EncodeHostPath(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size()), &bytes);
    return bytes;
}

void Print(FILE* stream, const std::string& text) { std::fwrite(text.data(), 1, text.size(), stream); }

int Refuse(const std::string& message) {
    Print(stderr, std::string(PROGRAM_NAME) + ": " + message + "\n");
    return COMMAND_LINE_BAD;
}

// The message for a folder that cannot be opened, after "volumetra: FOLDER: ".
std::string FolderProblem(HostPlaceStatus status, int error, const std::string& root) {
    switch (status) {
    case HOST_PLACE_MISSING: return "no such folder";
    case HOST_PLACE_NOT_FOLDER: return "not a folder";
    case HOST_PLACE_OUTSIDE_ROOT: return "outside the device root " + root;
    case HOST_PLACE_NOT_ON_DRIVE: return "not on a storage drive";
    default: return std::strerror(error);
    }
}

}  // namespace

int ReadCommandLine(int argc, char** argv, PathList** startPlace, std::vector<std::string>* scanFiles) {
    *startPlace = nullptr;
    if (scanFiles) scanFiles->clear();
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments.append(DecodedArgument(argv[i]));
    if (arguments.isEmpty()) arguments.append(QString::fromLatin1(PROGRAM_NAME));

    QCommandLineParser parser;
    // Qt's window options are single-dash words ("-platform offscreen").
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QStringLiteral(
        "Shows where the storage of this machine goes: drives, folders and files by size."));
    QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Shows this help and exits."));
    QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Shows the version and exits."));
    QCommandLineOption exportFile(QStringLiteral("export"),
                                  QStringLiteral("Scans the folder (the device root without one) and writes the "
                                                 "scan to file (- for standard output) in ncdu's export format, "
                                                 "without a window, then exits."),
                                  QStringLiteral("file"));
    parser.addOption(help);
    parser.addOption(version);
    QCommandLineOption openFile(QStringLiteral("open"),
                                QStringLiteral("Shows the scan file (made by --export or by ncdu -o, plain or "
                                               "compressed with zstd; - for standard input) as a drive of its "
                                               "own; may be given more than once."),
                                QStringLiteral("file"));
    QCommandLineOption exclude(QStringLiteral("exclude"),
                               QStringLiteral("Leaves out of the scan the entries whose name matches the shell "
                                              "pattern (or whose path below the scanned folder does, when the "
                                              "pattern holds a /); may be given several times."),
                               QStringLiteral("pattern"));
    QCommandLineOption excludeFrom(QStringLiteral("exclude-from"),
                                   QStringLiteral("Leaves out what the patterns of file say, one a line."),
                                   QStringLiteral("file"));
    QCommandLineOption excludeCaches(QStringLiteral("exclude-caches"),
                                     QStringLiteral("Leaves out folders holding a valid CACHEDIR.TAG."));
    parser.addOption(exportFile);
    parser.addOption(openFile);
    parser.addOption(exclude);
    parser.addOption(excludeFrom);
    parser.addOption(excludeCaches);
    QCommandLineOption compareFile(QStringLiteral("compare"),
                                   QStringLiteral("Compares the scan file (plain or compressed with zstd, - for "
                                                  "standard input) with the later scan file given after it, and "
                                                  "prints the entries that grew and shrank most and the totals, "
                                                  "without a window, then exits."),
                                   QStringLiteral("old"));
    QCommandLineOption compareTop(QStringLiteral("top"),
                                  QStringLiteral("How many entries --compare prints of each kind (default 20)."),
                                  QStringLiteral("N"));
    parser.addOption(compareFile);
    parser.addOption(compareTop);
    for (const char* name : QT_VALUE_OPTIONS) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char* name : QT_FLAG_OPTIONS) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    parser.addPositionalArgument(
        QStringLiteral("folder"),
        QStringLiteral("The folder to open first, instead of the last place. It must lie inside the "
                       "device root (/, or the folder VOLUMETRA_ROOT names)."),
        QStringLiteral("[folder]"));

    if (!parser.parse(arguments)) {
        return Refuse(parser.errorText().toStdString() + "\nTry '" + PROGRAM_NAME +
                      " --help' for more information.");
    }
    if (parser.isSet(help)) {
        // Without an application object the parser cannot name the program.
        QString text = parser.helpText();
        text.replace(QStringLiteral("<executable_name>"), QString::fromLatin1(PROGRAM_NAME));
        Print(stdout, text.toStdString());
        return 0;
    }
    if (parser.isSet(version)) {
        Print(stdout, std::string(PROGRAM_NAME) + " " + VOLUMETRA_VERSION + "\n");
        return 0;
    }

    // The exclusions given here are this run's, for the export or the window.
    ScanExcludes given;
    for (const QString& pattern : parser.values(exclude)) given.AddPattern(HostBytes(pattern));
    for (const QString& file : parser.values(excludeFrom)) {
        std::string error;
        if (!given.AddPatternsFrom(HostBytes(file), &error)) return Refuse(HostBytes(file) + ": " + error);
    }
    given.SetCaches(parser.isSet(excludeCaches));
    const bool excludesGiven = parser.isSet(exclude) || parser.isSet(excludeFrom) || parser.isSet(excludeCaches);

    const QStringList folders = parser.positionalArguments();
    bool exporting = parser.isSet(exportFile);
    if (excludesGiven && !exporting) {
        WindowExcludes() = given;
        windowExcludesGiven = true;
    }
    if (parser.isSet(compareTop) && !parser.isSet(compareFile)) return Refuse("--top goes with --compare");
    if (parser.isSet(compareFile)) {
        if (exporting || parser.isSet(openFile)) return Refuse("--compare takes no --export and no --open");
        if (folders.size() != 1) return Refuse("--compare takes two scan files: --compare OLD NEW");
        size_t top = COMPARE_TOP_DEFAULT;
        if (parser.isSet(compareTop)) {
            bool number = false;
            const qulonglong value = parser.value(compareTop).toULongLong(&number);
            if (!number || value > 1000000) return Refuse("--top takes a whole number from 0 to 1000000");
            top = static_cast<size_t>(value);
        }
        return RunScanCompare(HostBytes(parser.value(compareFile)), HostBytes(folders[0]), top, stdout);
    }
    if (parser.isSet(openFile)) {
        if (exporting || !folders.isEmpty()) return Refuse("--open takes no folder and no --export");
        for (const QString& value : parser.values(openFile)) {
            std::string file = HostBytes(value);
            // A scan piped in is kept in a private file, so that it can be
            // read again like any other.
            std::string error;
            if (file == "-" && !SpoolStandardInput(&file, &error)) return Refuse(error);
            // Whether it is a scan file is told in the window; what cannot
            // be read at all is told here.
            if (access(file.c_str(), R_OK) != 0) return Refuse(file + ": " + std::strerror(errno));
            if (scanFiles) scanFiles->push_back(file);
        }
        return COMMAND_LINE_RUN;
    }
    if (folders.isEmpty() && !exporting) return COMMAND_LINE_RUN;
    if (folders.size() > 1) return Refuse(exporting ? "only one folder can be exported" : "only one folder can be opened");

    HostDevice host;
    const std::string folder = folders.isEmpty() ? host.RootFolder() : HostBytes(folders[0]);
    std::vector<std::u16string> components;
    int error = 0;
    HostPlaceStatus status = HostFolderPlace(host.RootFolder(), host.StorageCards(), folder, &components, &error);
    if (status != HOST_PLACE_OK) return Refuse(folder + ": " + FolderProblem(status, error, host.RootFolder()));
    if (exporting) return RunScanExport(HostBytes(parser.value(exportFile)), folder, components, &given);
    *startPlace = PathListFromNames(components);
    if (!*startPlace) return Refuse(folder + ": " + std::strerror(ENOMEM));
    return COMMAND_LINE_RUN;
}
