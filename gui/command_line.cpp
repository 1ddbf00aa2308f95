#include "gui/command_line.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace gui {

CommandLine ReadCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription("A two-deck mixer for music and video files.");
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption verbose(
        "verbose", "Write diagnostics (sound device, decoders, window) to standard error.");
    parser.addOption(verbose);
    AddOutputOptions(parser);
    parser.addPositionalArgument("files", "Files to add to the left deck's playlist.",
                                 "[files...]");
    parser.process(arguments);
    CommandLine commandLine;
    commandLine.verbose = parser.isSet(verbose);
    commandLine.outputs = ReadOutputOptions(parser);
    for (const QString& argument : parser.positionalArguments()) {
        const QFileInfo file(argument);
        if (file.exists()) {  // a mistyped name would only make a dead entry
            commandLine.files.push_back(file.absoluteFilePath().toStdString());
        }
    }
    return commandLine;
}

}  // namespace gui
