#pragma once

#include <QString>
#include <optional>

#include "update/UpdateLimits.h"

namespace tarvel {

// Lists the archive first and refuses entries that could land outside the folder (absolute
// names, ".." parts, symbolic links) and archives whose listed sizes pass the unpacked cap.
// The reason, or nothing when every entry is plain.
std::optional<QString> refusedArchiveEntries(const QString& archive, const UpdateLimits& limits);

// Walks an unpacked tree without following links: anything but plain files and folders, or
// more than `maxBytes` in all, is refused.
std::optional<QString> refusedUnpackedEntries(const QString& folder, qint64 maxBytes);

// Unpacks `archive` into `folder` (no terminal, a time limit, capped sizes) between the two
// checks above; an error text on failure.
std::optional<QString> extractApp(const QString& archive, const QString& folder,
                                  const UpdateLimits& limits = {});

// The first folder named Tarvel.app under `folder`; links are neither followed nor taken.
std::optional<QString> findAppBundle(const QString& folder);

// Whether the bundle's bin/tarvel is a regular executable file (not a link).
bool hasLauncher(const QString& bundle);

}  // namespace tarvel
