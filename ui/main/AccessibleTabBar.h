#pragma once

// Qt's accessible tab buttons take their state from the tab bar alone: a tab the window
// withdrew (setTabEnabled false) or hid would still be reported as available. Installing this
// factory gives every tab bar tabs that report their own enabled and visible state.
namespace AccessibleTabBar {
void install();
}
