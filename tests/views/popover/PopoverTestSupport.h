#pragma once

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <memory>

#include "base/UserDefaults.h"
#include "views/TarvelOnboarding.h"
#include "views/components/KivoRows.h"
#include "views/popover/MainRoot.h"
#include "views/support/ViewFixture.h"

namespace tarvel::test {

inline const QSize kPopoverSize{300, 520};

// A popover root over the fixture, shown (so it has stored "newer") with the welcome sheet
// already dismissed.
inline std::unique_ptr<MainRoot> shownRoot(ViewFixture& fixture) {
    TarvelOnboarding::markSeen(fixture.settings());
    auto root = std::make_unique<MainRoot>(fixture.services, kPopoverSize);
    root->show();
    QCoreApplication::processEvents();
    return root;
}

// The visible list rows whose label is `label`.
inline QList<KivoRow*> rowsLabelled(const QWidget& root, const QString& label) {
    QList<KivoRow*> found;
    for (KivoRow* row : root.findChildren<KivoRow*>())
        if (row->isVisibleTo(&root) && row->label() == label) found.append(row);
    return found;
}

}  // namespace tarvel::test
