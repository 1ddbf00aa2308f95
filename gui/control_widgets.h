#pragma once
// One widget per visible control of the model, made in layout order so that later
// controls lie above earlier ones (a title above its disc, a knob inside its track).

#include <QWidget>
#include <vector>

#include "app/layout.h"
#include "gui/control_events.h"
#include "gui/picture_box.h"

namespace gui {

struct ControlWidgets {
    std::vector<ControlView*> views;  // owned by the window, as its children
    PictureBox* videoArea = nullptr;  // picVideo, the parent of deck pictures
};

ControlWidgets CreateControlWidgets(app::Controls& controls, ControlEvents& events,
                                    QWidget& window);

}  // namespace gui
