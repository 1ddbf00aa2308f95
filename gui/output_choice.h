#pragma once
// The sound devices the program plays on: what the settings file remembers, overridden by
// the command line, handed to the media service and remembered again. A device the settings
// name that has gone plays on the default (the master) or is waited for (the headphones).
//
// UI thread; before the window for the command line.

#include <string>
#include <vector>

#include "gui/output_options.h"
#include "platform/sound_outputs.h"

namespace gui {

inline constexpr size_t kPeriods[] = {64, 128, 256, 512, 1024};

// Answers --list-outputs (the names on standard output, then exit 0); a name that fits no
// device or several, or a period not in kPeriods, is refused on standard error naming the
// choices (exit 2). Then chooses the devices.
void ApplyOutputOptions(const OutputOptions& options);

// The menus' choice: applied at once and remembered.
void ChooseAndRemember(const platform::OutputChoice& choice);

// The one device whose name is `wanted` or, failing that, the only one holding it (ignoring
// case); "" with `problem` saying why when none or several do.
std::string MatchDevice(const std::vector<std::string>& names, const std::string& wanted,
                        std::string& problem);

}  // namespace gui
