#pragma once

#include <QString>
#include <optional>

namespace tarvel {

// Lists the archive first and refuses entries that could land outside the folder: absolute
// names, ".." parts, and symbolic links. The reason, or nothing when every entry is plain.
std::optional<QString> refusedArchiveEntries(const QString& archive);

// Unpacks `archive` into `folder` after the listing check; an error text on failure.
std::optional<QString> extractApp(const QString& archive, const QString& folder);

// The first folder named Tarvel.app under `folder`; links are neither followed nor taken.
std::optional<QString> findAppBundle(const QString& folder);

}  // namespace tarvel
