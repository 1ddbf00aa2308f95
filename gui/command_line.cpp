#include "gui/command_line.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace gui {

std::vector<std::string> FilesToOpen(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription("A two-deck mixer for music and video files.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument("files", "Files to add to the left deck's playlist.",
                                 "[files...]");
    parser.process(arguments);
    std::vector<std::string> files;
    for (const QString& argument : parser.positionalArguments()) {
        const QFileInfo file(argument);
        if (file.exists()) {  // a mistyped name would only make a dead entry
            files.push_back(file.absoluteFilePath().toStdString());
        }
    }
    return files;
}

}  // namespace gui
