#pragma once
// The window's logging categories (rotavox.*), on and off with the program's log
// (util/log.h), their lines written through it so that every line has one form:
//
//     qCWarning(windowLog, "a handler failed: %s", failure.what());

#include <QLoggingCategory>

namespace gui {

Q_DECLARE_LOGGING_CATEGORY(windowLog)  // "rotavox.window": the window and its handlers

// Once, after the log's switch is set. Messages of other categories (Qt's own) keep
// going to Qt's handler as before.
void RouteWindowLog();

}  // namespace gui
