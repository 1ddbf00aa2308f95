#include "app/controls.h"

#include <stdexcept>

namespace app {
namespace {

void requireEntry(const std::vector<std::string>& list, int32_t position) {
    if (position < 0 || position >= static_cast<int32_t>(list.size())) {
        throw std::out_of_range("Invalid property value");
    }
}

}  // namespace

bool Control::HasSelection() const {
    return ListIndex >= 0 && ListIndex < static_cast<int32_t>(List.size());
}

std::string Control::Text() const {
    return HasSelection() ? List[ListIndex] : "";
}

void Control::AddItem(const std::string& text) {
    List.push_back(text);
}

void Control::RemoveItem(int32_t position) {
    requireEntry(List, position);
    List.erase(List.begin() + position);
    // The selection stays on the same entry, or goes when its entry went.
    if (ListIndex == position) {
        ListIndex = -1;
    } else if (ListIndex > position) {
        --ListIndex;
    }
}

void Control::Select(int32_t position) {
    requireEntry(List, position);
    ListIndex = position;
}

}  // namespace app
