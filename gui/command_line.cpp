#include "gui/command_line.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace gui {
namespace {

// The parser knows no option whose value may be left out: a bare --projector gets "".
QStringList WithProjectorValue(QStringList arguments) {
    for (QString& argument : arguments) {
        if (argument == "--projector") {
            argument = "--projector=";
        }
    }
    return arguments;
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
    const QCommandLineOption projector(
        "projector", "Open the projector at start, on SCREEN or where it was last.", "SCREEN");
    parser.addOption(projector);
    parser.addPositionalArgument("files", "Files to add to the left deck's playlist.",
                                 "[files...]");
    parser.process(WithProjectorValue(arguments));
    CommandLine commandLine;
    commandLine.verbose = parser.isSet(verbose);
    if (parser.isSet(projector)) {
        commandLine.projector = parser.value(projector).toStdString();
    }
    for (const QString& argument : parser.positionalArguments()) {
        const QFileInfo file(argument);
        if (file.exists()) {  // a mistyped name would only make a dead entry
            commandLine.files.push_back(file.absoluteFilePath().toStdString());
        }
    }
    return commandLine;
}

}  // namespace gui
