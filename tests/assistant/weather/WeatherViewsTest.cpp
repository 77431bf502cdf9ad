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
    const QString intro = QString::fromUtf8(
        "Local conditions from your computer’s location (Open-Meteo). Nothing is sent to the "
        "Tarvel project.");
    const char* forecast =
        R"({"current":{"temperature_2m":17.6,"relative_humidity_2m":64,"weather_code":2,)"
        R"("wind_speed_10m":12.4}})";
    struct Case {
        LocationAccess access;
        QStringList places;
        const char* forecast;  // the service's answer to a fix; none: no fix
        const char* fixFailure;
        QStringList section;  // between the title and the Refresh button
        QStringList pane;     // between the introduction and the Refresh button
    };
    const Case cases[] = {
        {LocationAccess::notDetermined, {}, nullptr, nullptr, {"Local: Locating…"}, {"Locating…"}},
        {LocationAccess::authorized,
         {"Cupertino", "CA"},
         forecast,
         nullptr,
         {"Cupertino, CA: 18°C · Partly cloudy", "Conditions: Humidity 64% · Wind 12 km/h"},
         {"18°C · Partly cloudy", "Humidity 64% · Wind 12 km/h", "Cupertino, CA"}},
        // Outside text is never read as markup.
        {LocationAccess::authorized,
         {"<b>Town</b>"},
         "{}",
         "<i>no fix</i>",
         {"<b>Town</b>: Weather unavailable", "<i>no fix</i>"},
         {"Weather unavailable", "<b>Town</b>", "<i>no fix</i>"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);  // the case's index
        WeatherHarness weather(c.access);
        PlusWeatherSection section(weather.store);
        PlusPrefsWeatherPane pane(weather.store);
        weather.store.start();
        weather.location->placeNames = c.places;
        ASSERT_TRUE(!c.forecast || weather.fixAnswered(c.forecast));
        if (c.fixFailure) weather.location->fail(c.fixFailure);
        const QStringList refresh{"[Refresh weather]"};
        EXPECT_EQ(shownTexts(section), QStringList{"Weather"} + c.section + refresh);
        EXPECT_EQ(shownTexts(pane), QStringList({"Weather", intro}) + c.pane + refresh);
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
