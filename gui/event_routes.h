#pragma once
// Which handler of the window `Decks` each control's events go to: the one place that
// ties widgets' events to the logic. A control or event without a route is ignored.

#include <functional>
#include <unordered_map>

#include "app/Decks.h"
#include "gui/control_events.h"

namespace gui {

struct Route {
    std::function<void()> click;
    std::function<void()> doubleClick;
    std::function<void(int16_t keyCode, int16_t shift)> keyDown;
    std::function<void(const app::DropData& data, const PointerEvent& where)> drop;
    std::function<void(const PointerEvent& event)> pointer;
};

class EventRoutes {
  public:
    explicit EventRoutes(app::Decks& decks);
    // The route of `control`, or nullptr when it has none.
    const Route* find(const app::Control& control) const;

  private:
    Route& on(const app::Control& control) { return routes_[&control]; }
    void routeDeck(int16_t deck);
    void routeCentre();

    app::Decks& decks_;
    std::unordered_map<const app::Control*, Route> routes_;
};

}  // namespace gui
