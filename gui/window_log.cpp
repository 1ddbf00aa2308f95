#include "gui/window_log.h"

#include <cstring>

#include "util/log.h"

namespace gui {

Q_LOGGING_CATEGORY(windowLog, "rotavox.window")

namespace {

constexpr char kOurs[] = "rotavox.";
QtMessageHandler qtHandler = nullptr;

void writeMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    const char* category = context.category != nullptr ? context.category : "";
    if (std::strncmp(category, kOurs, sizeof kOurs - 1) != 0) {
        qtHandler(type, context, message);
        return;
    }
    useful::Log(category + sizeof kOurs - 1, "%s", qUtf8Printable(message));
}

}  // namespace

void RouteWindowLog() {
    QLoggingCategory::setFilterRules(useful::LogEnabled() ? "rotavox.*=true" : "rotavox.*=false");
    qtHandler = qInstallMessageHandler(writeMessage);
}

}  // namespace gui
