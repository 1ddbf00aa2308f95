#include "gui/event_routes.h"

namespace gui {
namespace {

using DeckPointerHandler = void (app::Decks::*)(int16_t, int16_t, int16_t, float, float);
using PointerHandler = void (app::Decks::*)(int16_t, int16_t, float, float);

// A knob's three events (or a track's press alone) to their handlers through `call`.
template <typename Handler, typename Call>
std::function<void(const PointerEvent&)> pointerRoute(Handler down, Handler move, Handler up,
                                                      Call call) {
    return [down, move, up, call](const PointerEvent& e) {
        const Handler handler = e.action == PointerAction::Down   ? down
                                : e.action == PointerAction::Move ? move
                                                                  : up;
        if (handler != nullptr) {
            call(handler, e);
        }
    };
}

// Handlers that take the deck first.
std::function<void(const PointerEvent&)> deckPointer(app::Decks& decks, int16_t deck,
                                                     DeckPointerHandler down,
                                                     DeckPointerHandler move = nullptr,
                                                     DeckPointerHandler up = nullptr) {
    return pointerRoute(down, move, up,
                        [&decks, deck](DeckPointerHandler h, const PointerEvent& e) {
                            (decks.*h)(deck, e.button, e.shift, e.x, e.y);
                        });
}

// Handlers of the faders that exist once.
std::function<void(const PointerEvent&)> pointer(app::Decks& decks, PointerHandler down,
                                                 PointerHandler move = nullptr,
                                                 PointerHandler up = nullptr) {
    return pointerRoute(down, move, up, [&decks](PointerHandler h, const PointerEvent& e) {
        (decks.*h)(e.button, e.shift, e.x, e.y);
    });
}

}  // namespace

EventRoutes::EventRoutes(app::Decks& decks) : decks_(decks) {
    routeDeck(0);
    routeDeck(1);
    routeCentre();
}

const Route* EventRoutes::find(const app::Control& control) const {
    const auto found = routes_.find(&control);
    return found == routes_.end() ? nullptr : &found->second;
}

void EventRoutes::routeDeck(int16_t deck) {
    app::Decks& d = decks_;
    app::Controls& c = d.controls;
    on(c.picPlay[deck]).click = [&d, deck] { d.picPlay_Click(deck); };
    on(c.picPause[deck]).click = [&d, deck] { d.picPause_Click(deck); };
    on(c.cmdAddPlaylist[deck]).click = [&d, deck] { d.cmdAddPlaylist_Click(deck); };
    on(c.cmdRemovePlaylist[deck]).click = [&d, deck] { d.cmdRemovePlaylist_Click(deck); };
    // The disc and its title handle no event of the window's own: a click cues the deck.
    on(deck == 0 ? c.Shape1 : c.Shape2).click = [&d, deck] { d.toggleCue(deck); };
    on(c.lblTrack[deck]).click = [&d, deck] { d.toggleCue(deck); };

    Route& playlist = on(c.lstPlaylist[deck]);
    playlist.doubleClick = [&d, deck] { d.lstPlaylist_DblClick(deck); };
    playlist.keyDown = [&d, deck](int16_t keyCode, int16_t shift) {
        d.lstPlaylist_KeyDown(deck, keyCode, shift);
    };
    playlist.drop = [&d, deck](const app::DropData& data, const PointerEvent& where) {
        int32_t effect = 0;
        d.lstPlaylist_OLEDragDrop(deck, data, effect, where.button, where.shift, where.x, where.y);
    };

    using D = app::Decks;
    on(c.picVolume[deck]).pointer = deckPointer(d, deck, &D::picVolume_MouseDown);
    on(c.picSpeed[deck]).pointer = deckPointer(d, deck, &D::picSpeed_MouseDown);
    on(c.picSpeed[deck]).doubleClick = [&d, deck] { d.picSpeed_DblClick(deck); };
    on(c.lblSpeed[deck]).doubleClick = [&d, deck] { d.lblSpeed_DblClick(deck); };
    on(c.picProgress[deck]).pointer = deckPointer(d, deck, &D::picProgress_MouseDown);
    on(c.lblVolume[deck]).pointer = deckPointer(d, deck, &D::lblVolume_MouseDown,
                                                &D::lblVolume_MouseMove, &D::lblVolume_MouseUp);
    on(c.lblSpeed[deck]).pointer =
        deckPointer(d, deck, &D::lblSpeed_MouseDown, &D::lblSpeed_MouseMove, &D::lblSpeed_MouseUp);
    on(c.lblProgress[deck]).pointer = deckPointer(
        d, deck, &D::lblProgress_MouseDown, &D::lblProgress_MouseMove, &D::lblProgress_MouseUp);
}

void EventRoutes::routeCentre() {
    app::Decks& d = decks_;
    app::Controls& c = d.controls;
    using D = app::Decks;
    on(c.chkLeft).click = [&d] { d.chkLeft_Click(); };
    on(c.chkRight).click = [&d] { d.chkRight_Click(); };
    on(c.file1).doubleClick = [&d] { d.file1_DblClick(); };
    on(c.lblCopyright).click = [&d] { d.lblCopyright_Click(); };
    on(c.picCrossfade).pointer = pointer(d, &D::picCrossfade_MouseDown);
    on(c.picSampleVolume).pointer = pointer(d, &D::picSampleVolume_MouseDown);
    on(c.lblCrossfade).pointer = pointer(d, &D::lblCrossfade_MouseDown, &D::lblCrossfade_MouseMove,
                                         &D::lblCrossfade_MouseUp);
    on(c.lblSampleVolume).pointer =
        pointer(d, &D::lblSampleVolume_MouseDown, &D::lblSampleVolume_MouseMove,
                &D::lblSampleVolume_MouseUp);
}

}  // namespace gui
