#include "gui/folder_listing.h"

#include <QDir>

namespace gui {

std::vector<std::string> FolderFiles::PlainFilesIn(const std::string& folder) {
    std::vector<std::string> names;
    const QDir dir(QString::fromStdString(folder));
    for (const QString& name : dir.entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name)) {
        names.push_back(name.toStdString());
    }
    return names;
}

}  // namespace gui
