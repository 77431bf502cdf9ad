#pragma once

namespace tarvel {

class AppDelegate;
struct ViewServices;

// Puts the views into the delegate's popover and windows: each opening builds its root view
// over `services`, which must outlive the delegate's windows.
void installApplicationViews(AppDelegate& delegate, ViewServices& services);

}  // namespace tarvel
