#pragma once

namespace tarvel {

// Every surface of the application is dark, whatever the desktop's theme: the Fusion style with
// a dark palette (menus and menu bars included).
void applyDarkAppearance();

}  // namespace tarvel
