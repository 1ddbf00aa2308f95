#pragma once
// The sound devices in the window: a notice in the video area while no sound output plays
// ("No sound output": the decks run unheard), submenus of the video area's right-click menu
// to choose the master, the headphones and the period, and the discs' cue border while
// headphones are chosen. None of them takes an event the window's own controls handle.

class QMenu;

namespace gui {

class MixerWindow;

// After the window's widgets exist; they live as long as the window.
void InstallOutputViews(MixerWindow& window);

// Adds the "Sound output", "Headphones" and "Period" submenus to the video area's menu.
void AddOutputMenus(QMenu& menu);

}  // namespace gui
