#include "gui/command_line.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace gui {
namespace {

// The parser knows no option whose value may be left out: --projector takes the next
// argument as its screen (as the options with values do) unless that is an option or a
// file to open, and gets "" without one.
QStringList WithProjectorValue(const QStringList& arguments) {
    QStringList read;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (i == 0 || arguments[i] != "--projector") {
            read.push_back(arguments[i]);
            continue;
        }
        const bool screenNext = i + 1 < arguments.size() && !arguments[i + 1].startsWith('-') &&
                                !QFileInfo::exists(arguments[i + 1]);
        read.push_back("--projector=" + (screenNext ? arguments[++i] : QString()));
    }
    return read;
}

}  // namespace

CommandLine ReadCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription("A two-deck mixer for music and video files.");
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption verbose(
        "verbose", "Write diagnostics (sound device, decoders, window) to standard error.");
    parser.addOption(verbose);
    const QCommandLineOption newWindow(
        "new-window", "Start a mixer of its own instead of adding the files to the running one.");
    parser.addOption(newWindow);
    const QCommandLineOption projector(
        "projector", "Open the projector at start, on SCREEN or where it was last.", "SCREEN");
    parser.addOption(projector);
    const QCommandLineOption record(
        "record", "Record the mix from the start into FILE (.flac, .wav or .mkv).", "FILE");
    parser.addOption(record);
    AddOutputOptions(parser);
    parser.addPositionalArgument(
        "files",
        "Files to add to the left deck's playlist (a playlist file adds the files it lists).",
        "[files...]");
    parser.process(WithProjectorValue(arguments));
    CommandLine command;
    command.verbose = parser.isSet(verbose);
    command.newWindow = parser.isSet(newWindow);
    if (parser.isSet(projector)) {
        command.projector = parser.value(projector).toStdString();
    }
    if (parser.isSet(record)) {
        command.record = QFileInfo(parser.value(record)).absoluteFilePath().toStdString();
    }
    command.outputs = ReadOutputOptions(parser);
    for (const QString& argument : parser.positionalArguments()) {
        const QFileInfo file(argument);
        if (file.exists()) {  // a mistyped name would only make a dead entry
            command.files.push_back(file.absoluteFilePath().toStdString());
        }
    }
    return command;
}

}  // namespace gui
