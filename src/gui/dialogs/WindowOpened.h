#pragma once

#include <functional>

class QWidget;

namespace DialogParts {

// Runs `opened` each time `window` is opened by its opener (shown while hidden: show(),
// exec()), before it is painted. A restore from minimised shows the window again without
// opening it, so it never runs `opened`: whatever the user typed stays.
void onOpened(QWidget* window, std::function<void()> opened);

} // namespace DialogParts
