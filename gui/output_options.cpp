#include "gui/output_options.h"

namespace gui {
namespace {

std::optional<std::string> valueOf(const QCommandLineParser& parser, const QString& name) {
    if (!parser.isSet(name)) {
        return std::nullopt;
    }
    return parser.value(name).toStdString();
}

}  // namespace

void AddOutputOptions(QCommandLineParser& parser) {
    parser.addOption({"list-outputs", "Print the sound devices, one a line, and exit."});
    parser.addOption({"output", "Play the mix on the sound device whose name holds NAME.", "NAME"});
    parser.addOption({"cue",
                      "Pre-listen (headphones) on the sound device whose name holds NAME; "
                      "\"none\" for none.",
                      "NAME"});
    parser.addOption({"period", "Frames per sound period: 64, 128, 256, 512 or 1024.", "N"});
}

OutputOptions ReadOutputOptions(const QCommandLineParser& parser) {
    return {parser.isSet("list-outputs"), valueOf(parser, "output"), valueOf(parser, "cue"),
            valueOf(parser, "period")};
}

}  // namespace gui
