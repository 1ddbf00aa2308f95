#pragma once
// A deck's playlist's right-click menu: "Save playlist…" writes the deck's entries as an
// M3U8 file chosen in a save dialog, and says so in a message box when it cannot.

#include <QPoint>
#include <QWidget>

#include "app/Decks.h"

namespace gui {

void ShowPlaylistMenu(QWidget& window, const app::Decks& decks, int16_t deck,
                      const QPoint& screenPosition);

}  // namespace gui
