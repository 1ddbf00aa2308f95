#include "gui/url_drop.h"

#include <QUrl>

namespace gui {

UrlDrop::UrlDrop(const QMimeData& data) {
    for (const QUrl& url : data.urls()) {
        if (url.isLocalFile()) {
            files_.push_back(url.toLocalFile().toStdString());
        }
    }
}

int32_t UrlDrop::FileCount() const {
    return static_cast<int32_t>(files_.size());
}

std::string UrlDrop::File(int32_t number) const {
    return files_.at(static_cast<size_t>(number - 1));
}

}  // namespace gui
