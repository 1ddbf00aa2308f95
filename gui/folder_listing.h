#pragma once
// The samples list's contents: the names of a folder's plain, non-hidden files, sorted.

#include "app/toolkit_services.h"

namespace gui {

class FolderFiles final : public app::FolderListing {
  public:
    std::vector<std::string> PlainFilesIn(const std::string& folder) override;
};

}  // namespace gui
