#pragma once
// The data of a drop as the handlers read it: the local files among the dropped URLs,
// numbered from 1 in the source's order. Text or a web link carries no file.

#include <QMimeData>
#include <string>
#include <vector>

#include "app/toolkit_services.h"

namespace gui {

class UrlDrop final : public app::DropData {
  public:
    explicit UrlDrop(const QMimeData& data);
    int32_t FileCount() const override;
    std::string File(int32_t number) const override;

  private:
    std::vector<std::string> files_;
};

}  // namespace gui
