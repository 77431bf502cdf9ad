#pragma once

#include <QtGlobal>

namespace tarvel {

// How far one update may go. A release bundle is about 100 MB unpacked; the caps leave room
// for growth while keeping a hostile archive from filling the disk, and the deadlines count
// the whole transfer, so a server trickling bytes cannot hold an update open.
inline constexpr qint64 kExpectedBundleBytes = 100LL * 1024 * 1024;

struct UpdateLimits {
    qint64 archiveBytes = 2 * kExpectedBundleBytes;   // the download
    qint64 unpackedBytes = 4 * kExpectedBundleBytes;  // everything the archive unpacks to
    int manifestDeadlineMs = 20 * 1000;               // version.json, start to end
    int archiveDeadlineMs = 15 * 60 * 1000;           // the archive, start to end
    int unpackDeadlineMs = 5 * 60 * 1000;             // unzip
};

}  // namespace tarvel
