#pragma once

#include "views/preferences/PreferencesPane.h"

namespace tarvel {

struct ViewServices;

// The version, what the application does and does not do, and the ways out of it.
class AboutPane : public PreferencesPane {
    Q_OBJECT

public:
    AboutPane(ViewServices& services, QWidget* parent = nullptr);
};

}  // namespace tarvel
