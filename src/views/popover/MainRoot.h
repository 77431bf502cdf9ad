#pragma once

#include <QSize>
#include <QWidget>
#include <optional>

#include "drain/WhyDrain.h"
#include "views/popover/MenuChromeStyle.h"

class QScrollArea;

namespace tarvel {

class WhyLoader;
struct ViewServices;

// The popover's content in the user's chrome style, scrolling when it is taller than the
// popover. Every appearance returns it to the newer style, starts the why-drain analysis
// (off the main thread) if it has no answer yet and shows the welcome sheet until dismissed.
class MainRoot : public QWidget {
    Q_OBJECT

public:
    MainRoot(ViewServices& services, QSize size, QWidget* parent = nullptr);
    ~MainRoot() override;

    MenuChromeStyle chromeStyle() const { return style_; }
    // The current style's list or card stack.
    QWidget* content() const { return content_; }
    QScrollArea* scrollArea() const { return scroll_; }
    // The last why-drain answer; none until the first analysis finished.
    const std::optional<WhyDrain>& why() const { return why_; }
    bool whyLoaded() const { return why_.has_value(); }
    bool isShowingOnboarding() const { return onboarding_ != nullptr; }
    QSize sizeHint() const override { return size_; }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void rebuild(MenuChromeStyle style);
    // The switch between the two styles, at the end of either; the next appearance goes back
    // to the list.
    QWidget* styleChooser(QWidget* parent);
    void displayChanged(const QString& name);
    void showWhy(const WhyDrain& why);
    void showOnboarding();
    void placeOnboarding();

    ViewServices& services_;
    QSize size_;
    MenuChromeStyle style_;
    QScrollArea* scroll_;
    QWidget* content_ = nullptr;
    WhyLoader* loader_;
    std::optional<WhyDrain> why_;
    QWidget* onboarding_ = nullptr;
};

}  // namespace tarvel
