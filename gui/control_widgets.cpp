#include "gui/control_widgets.h"

#include <map>
#include <utility>

#include "gui/caption_label.h"
#include "gui/check_box.h"
#include "gui/disc.h"
#include "gui/fader_knob.h"
#include "gui/list_view.h"
#include "gui/playlist_box.h"
#include "gui/push_button.h"

namespace gui {
namespace {

using K = app::ControlKind;

class Factory {
  public:
    Factory(app::Controls& controls, ControlEvents& events, QWidget& window)
        : controls_(controls), events_(events), window_(window) {}

    void make(app::Control& control) {
        ControlView* view = create(control);
        if (view != nullptr) {
            made_.views.push_back(view);
        }
    }
    ControlWidgets result() { return std::move(made_); }

  private:
    ControlView* create(app::Control& control) {
        switch (control.Kind) {
            case K::PictureBox:
                return pictureBox(control);
            case K::Label:
                return control.Container.empty()
                           ? static_cast<ControlView*>(new CaptionLabel(control, events_, window_))
                           : knob(control);
            case K::PushButton:
                return new PushButton(control, events_, window_);
            case K::CheckBox:
                return new CheckBox(control, events_, window_);
            case K::ListBox:  // the hidden path lists have no widget
                return control.Visible ? new PlaylistBox(control, events_, window_) : nullptr;
            case K::FileListBox:
                return new ListView(control, events_, window_);
            case K::Circle:
                return new Disc(control, events_, window_);
            case K::Window:
            case K::Timer:
            case K::FileDialog:
                break;
        }
        return nullptr;
    }

    ControlView* pictureBox(app::Control& control) {
        auto* box = new PictureBox(control, events_, window_);
        tracks_[{control.Name, control.Index}] = {box, &control};
        if (&control == &controls_.picVideo) {
            made_.videoArea = box;
        }
        return box;
    }

    ControlView* knob(app::Control& control) {
        const auto& [box, track] = tracks_.at({control.Container, control.Index});
        return new FaderKnob(control, *track, events_, box->client());
    }

    app::Controls& controls_;
    ControlEvents& events_;
    QWidget& window_;
    std::map<std::pair<std::string, int16_t>, std::pair<PictureBox*, const app::Control*>> tracks_;
    ControlWidgets made_;
};

}  // namespace

ControlWidgets CreateControlWidgets(app::Controls& controls, ControlEvents& events,
                                    QWidget& window) {
    Factory factory(controls, events, window);
    app::ForEachControl(controls, [&factory](app::Control& control) { factory.make(control); });
    return factory.result();
}

}  // namespace gui
