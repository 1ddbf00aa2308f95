#include "gui/file_answers.h"

#include <QCoreApplication>

#include "platform/media_service.h"

namespace gui {

bool FileAnswers::Answered(const std::string& path, std::function<void()> then) {
    return platform::ReadAhead(path, kWait,
                               [window = window_, run = runHandler_, then = std::move(then)] {
                                   // Posted to the application, which outlives the window, and
                                   // checked there: the window may be gone by the time the file
                                   // answers.
                                   QMetaObject::invokeMethod(
                                       QCoreApplication::instance(),
                                       [window, run, then] {
                                           if (window) {
                                               run(then);
                                           }
                                       },
                                       Qt::QueuedConnection);
                               });
}

}  // namespace gui
