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
#include "shell/scan_export.h"

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
                                QStringLiteral("Shows the scan file (made by --export or by ncdu -o; - for "
                                               "standard input) as a drive of its own; may be given more "
                                               "than once."),
                                QStringLiteral("file"));
    parser.addOption(exportFile);
    parser.addOption(openFile);
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

    const QStringList folders = parser.positionalArguments();
    bool exporting = parser.isSet(exportFile);
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
    if (exporting) return RunScanExport(HostBytes(parser.value(exportFile)), folder, components);
    *startPlace = PathListFromNames(components);
    if (!*startPlace) return Refuse(folder + ": " + std::strerror(ENOMEM));
    return COMMAND_LINE_RUN;
}
