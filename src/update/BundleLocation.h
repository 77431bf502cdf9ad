#pragma once

#include <QString>
#include <optional>

namespace tarvel {

struct UpdatePaths;

// The installed program is a folder named Tarvel.app holding bin/tarvel. The system-wide
// place is /opt/Tarvel.app, the per-user one ~/Applications/Tarvel.app.
inline constexpr const char* kBundleName = "Tarvel.app";
inline constexpr const char* kSystemBundle = "/opt/Tarvel.app";

// The running program's resolved path (/proc/self/exe).
QString currentExecutable();

// The bundle an executable runs from: two folders up from ".../Tarvel.app/bin/tarvel". Nothing
// for a build tree or a packaged /usr install, which the updater never replaces.
std::optional<QString> runningBundle(const QString& executable);

// The Debian package that owns the program, as dpkg knows it; nothing for a build tree or a
// `cmake --install`, wherever it went.
std::optional<QString> owningPackage(const QString& executable);

// A bundle under /opt, replaced with administrator rights.
bool isSystemBundle(const QString& path);

// Where the running program lives, as the settings show it: "/opt" for the system place,
// otherwise the bundle (or the program's folder).
QString installPathLabel(const QString& executable);

// Where the new bundle goes: ~/Applications for a bundle on a removable volume, /opt for the
// system one, in place when its folder is writable, else ~/Applications.
QString installDestination(const QString& bundle, const UpdatePaths& paths);

}  // namespace tarvel
