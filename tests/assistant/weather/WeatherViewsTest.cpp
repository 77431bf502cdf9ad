#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>

#include "WeatherHarness.h"
#include "assistant/weather/PlusPrefsWeatherPane.h"
#include "assistant/weather/PlusWeatherSection.h"
#include "views/components/KivoRows.h"

namespace tarvel {
namespace {

using test::WeatherHarness;

// The texts a view shows, in reading order: visible labels and rows ("label: value").
QStringList shownTexts(const QWidget& view) {
    QStringList texts;
    for (QWidget* child : view.findChildren<QWidget*>()) {
        if (!child->isVisibleTo(&view)) continue;
        if (auto* row = qobject_cast<KivoRow*>(child))
            texts << row->label() + ": " + row->value();
        else if (auto* label = qobject_cast<QLabel*>(child);
                 label && !qobject_cast<KivoRow*>(label->parentWidget()) &&
                 !label->text().isEmpty())
            texts << label->text();
        else if (auto* button = qobject_cast<QPushButton*>(child))
            texts << "[" + button->text() + "]";
    }
    return texts;
}

QPushButton* button(const QWidget& view, const QString& text) {
    for (QPushButton* b : view.findChildren<QPushButton*>())
        if (b->text() == text) return b;
    return nullptr;
}

TEST(WeatherViewsTest, SectionAndPaneShowTheStoreTexts) {
    const QString denied =
        QString::fromUtf8("Location denied — enable in the desktop’s privacy settings");
    const QString intro = QString::fromUtf8(
        "Local conditions from your computer’s location (Open-Meteo). Nothing is sent to the "
        "Tarvel project.");
    struct Case {
        const char* name;
        LocationAccess access;
        std::function<bool(WeatherHarness&)> act;
        QStringList section;
        QStringList pane;
    };
    const Case cases[] = {
        {"locating",
         LocationAccess::notDetermined,
         [](WeatherHarness&) { return true; },
         {"Weather", "Local: Locating…", "[Refresh weather]"},
         {"Weather", intro, "Locating…", "[Refresh weather]"}},
        {"denied",
         LocationAccess::denied,
         [](WeatherHarness& weather) {
             weather.store.start();
             return true;
         },
         {"Weather", "Local: Location off", "Conditions: Allow location for local weather", denied,
          "[Refresh weather]"},
         {"Weather", intro, "Location off", "Allow location for local weather", denied,
          "[Refresh weather]"}},
        {"answered",
         LocationAccess::authorized,
         [](WeatherHarness& weather) {
             weather.location->placeNames = {"Cupertino", "CA"};
             return weather.fixAnswered(
                 R"({"current":{"temperature_2m":17.6,"relative_humidity_2m":64,"weather_code":2,"wind_speed_10m":12.4}})");
         },
         {"Weather", "Cupertino, CA: 18°C · Partly cloudy",
          "Conditions: Humidity 64% · Wind 12 km/h", "[Refresh weather]"},
         {"Weather", intro, "18°C · Partly cloudy", "Humidity 64% · Wind 12 km/h", "Cupertino, CA",
          "[Refresh weather]"}},
        // Outside text is never read as markup.
        {"markup stays text",
         LocationAccess::authorized,
         [](WeatherHarness& weather) {
             weather.location->placeNames = {"<b>Town</b>"};
             if (!weather.fixAnswered("{}")) return false;
             weather.location->fail("<i>no fix</i>");
             return true;
         },
         {"Weather", "<b>Town</b>: Weather unavailable", "<i>no fix</i>", "[Refresh weather]"},
         {"Weather", intro, "Weather unavailable", "<b>Town</b>", "<i>no fix</i>",
          "[Refresh weather]"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WeatherHarness weather(c.access);
        PlusWeatherSection section(weather.store);
        PlusPrefsWeatherPane pane(weather.store);
        ASSERT_TRUE(c.act(weather));
        EXPECT_EQ(shownTexts(section), c.section);
        EXPECT_EQ(shownTexts(pane), c.pane);
        for (const QWidget* view : {static_cast<QWidget*>(&section), static_cast<QWidget*>(&pane)})
            for (const QLabel* label : view->findChildren<QLabel*>())
                EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->text().toStdString();
    }
}

TEST(WeatherViewsTest, AppearingStartsAndRefreshAsksOnlyEightSecondsAfterTheLastFix) {
    WeatherHarness weather(LocationAccess::notDetermined);
    PlusWeatherSection section(weather.store);
    PlusPrefsWeatherPane pane(weather.store);
    EXPECT_EQ(weather.location->accessRequests, 0);
    section.show();
    EXPECT_EQ(weather.location->accessRequests, 1);
    section.hide();
    section.show();
    EXPECT_EQ(weather.location->accessRequests, 2);

    weather.location->answerAccess(LocationAccess::authorized);
    ASSERT_EQ(weather.location->fixRequests, 1);
    button(section, "Refresh weather")->click();  // no fix yet
    ASSERT_EQ(weather.location->fixRequests, 2);
    for (QWidget* view : {static_cast<QWidget*>(&section), static_cast<QWidget*>(&pane)}) {
        ASSERT_TRUE(weather.fixAnswered("{}"));
        QPushButton* refresh = button(*view, "Refresh weather");
        ASSERT_NE(refresh, nullptr);
        const int before = weather.location->fixRequests;
        weather.clock.advance(8);
        refresh->click();  // still too soon
        EXPECT_EQ(weather.location->fixRequests, before);
        weather.clock.advance(0.001);
        refresh->click();
        EXPECT_EQ(weather.location->fixRequests, before + 1);
    }
}

}  // namespace
}  // namespace tarvel
