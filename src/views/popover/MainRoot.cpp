#include "views/popover/MainRoot.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include "base/UserDefaults.h"
#include "drain/DrainLog.h"
#include "shell/AppNotifications.h"
#include "views/TarvelOnboarding.h"
#include "views/TarvelOnboardingSheet.h"
#include "views/TarvelTheme.h"
#include "views/ViewServices.h"
#include "views/WhyLoader.h"
#include "views/components/Controls.h"
#include "views/components/TarvelText.h"
#include "views/popover/NewerList.h"
#include "views/popover/OriginalCards.h"
#include "views/popover/WhySection.h"

namespace tarvel {

namespace {

constexpr int kPadV = 12;
constexpr int kSheetMargin = 10;

QString rgba(const Rgba& c) {
    return QString("rgba(%1,%2,%3,%4)")
        .arg(int(c.r * 255))
        .arg(int(c.g * 255))
        .arg(int(c.b * 255))
        .arg(c.a);
}

// The welcome sheet over a dimmed popover.
class OnboardingCover : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        QColor dim = TarvelColor::bg.color();
        dim.setAlphaF(0.88f);
        p.fillRect(rect(), dim);
    }
};

}  // namespace

MainRoot::MainRoot(ViewServices& services, QSize size, QWidget* parent)
    : QWidget(parent),
      services_(services),
      size_(size),
      style_(MenuChromeStyle::current(services.settings)),
      scroll_(new QScrollArea(this)),
      loader_(new WhyLoader(services.drainLog.fileURL(), services.clock, this)) {
    setFixedWidth(size.width());
    resize(size);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, TarvelColor::bg.color());
    setPalette(palette);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(scroll_);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->viewport()->setAutoFillBackground(false);
    scroll_->setStyleSheet(
        QString("QScrollArea{background:transparent;}"
                "QScrollBar:vertical{background:transparent;width:8px;margin:2px 2px 2px 0;}"
                "QScrollBar::handle:vertical{background:%1;border-radius:3px;min-height:24px;}"
                "QScrollBar::handle:vertical:hover{background:%2;}"
                "QScrollBar::add-line:vertical,QScrollBar::sub-line:vertical{height:0;}"
                "QScrollBar::add-page:vertical,QScrollBar::sub-page:vertical{background:none;}")
            .arg(rgba(whiteAt(0.18)), rgba(whiteAt(0.3))));

    connect(loader_, &WhyLoader::loaded, this, &MainRoot::showWhy);
    connect(&AppNotificationCenter::instance(), &AppNotificationCenter::posted, this,
            &MainRoot::displayChanged);
    connect(&services.settings, &UserDefaults::changed, this, [this](const std::string& key) {
        if (key == MenuChromeStyle::kKey) displayChanged(tarvelMenuBarDisplayChanged);
    });
    rebuild(style_);
}

MainRoot::~MainRoot() = default;

void MainRoot::rebuild(MenuChromeStyle style) {
    style_ = style;
    QWidget* next = nullptr;
    if (style.isNewer()) {
        next = new NewerList(services_, this);
    } else {
        auto* cards = new OriginalCards(services_);
        cards->why()->showWhy(why_ ? &*why_ : nullptr);
        connect(cards->why(), &WhySection::refreshRequested, loader_, &WhyLoader::load);
        next = cards;
    }
    next->layout()->setContentsMargins(style.padH(), kPadV, style.padH(), kPadV);
    next->layout()->addWidget(styleChooser(next));
    // A control of the old content may be what changed the style: it goes once its event is
    // handled.
    if (QWidget* old = scroll_->takeWidget()) old->deleteLater();
    scroll_->setWidget(next);
    // The scroll area fills its widget with the light default; the popover's own colour shows.
    next->setAutoFillBackground(false);
    content_ = next;
}

QWidget* MainRoot::styleChooser(QWidget* parent) {
    auto* row = new QWidget(parent);
    row->setObjectName("styleChooser");
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 6, 0, 0);
    line->addWidget(plainLabel("Style", TarvelType::caption, TarvelColor::labelTertiary, row));
    line->addStretch(1);
    QStringList titles;
    for (const MenuChromeStyle style : MenuChromeStyle::allCases()) titles << style.title();
    auto* picker = new SegmentedPicker(titles, row);
    picker->setCurrentIndex(style_.isNewer() ? 0 : 1);
    connect(picker, &SegmentedPicker::chosen, this, [this](int index) {
        MenuChromeStyle::set(services_.settings, MenuChromeStyle::allCases()[std::size_t(index)]);
    });
    line->addWidget(picker);
    return row;
}

void MainRoot::displayChanged(const QString& name) {
    if (name != tarvelMenuBarDisplayChanged) return;
    const MenuChromeStyle stored = MenuChromeStyle::current(services_.settings);
    if (stored != style_) rebuild(stored);
}

void MainRoot::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    MenuChromeStyle::set(services_.settings, MenuChromeStyle::newer);
    if (!style_.isNewer()) rebuild(MenuChromeStyle::newer);
    if (!why_ && !loader_->isLoading()) loader_->load();
    if (!onboarding_ && !TarvelOnboarding::hasSeen(services_.settings)) showOnboarding();
}

void MainRoot::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeOnboarding();
}

void MainRoot::showWhy(const WhyDrain& why) {
    why_ = why;
    if (auto* cards = qobject_cast<OriginalCards*>(content_)) cards->why()->showWhy(&*why_);
}

void MainRoot::showOnboarding() {
    auto* cover = new OnboardingCover(this);
    auto* sheet = new TarvelOnboardingSheet(services_.settings, cover);
    // The sheet is drawn for wider windows; in the popover it takes the width there is, and
    // its one-line titles wrap rather than being cut off.
    sheet->setFixedWidth(std::min(TarvelOnboardingSheet::kWidth, width() - 2 * kSheetMargin));
    for (QLabel* label : sheet->findChildren<QLabel*>()) label->setWordWrap(true);
    connect(sheet, &TarvelOnboardingSheet::dismissed, this, [this, cover] {
        cover->hide();
        cover->deleteLater();
        onboarding_ = nullptr;
    });
    onboarding_ = cover;
    placeOnboarding();
    cover->show();
    cover->raise();
}

void MainRoot::placeOnboarding() {
    if (!onboarding_) return;
    onboarding_->setGeometry(rect());
    auto* sheet = onboarding_->findChild<TarvelOnboardingSheet*>();
    if (!sheet) return;
    sheet->adjustSize();
    const int height =
        std::min(sheet->heightForWidth(sheet->width()) > 0 ? sheet->heightForWidth(sheet->width())
                                                           : sheet->sizeHint().height(),
                 this->height() - 2 * kSheetMargin);
    sheet->setGeometry((width() - sheet->width()) / 2, (this->height() - height) / 2,
                       sheet->width(), height);
}

}  // namespace tarvel
