#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>

#include "DesktopFileValidate.h"
#include "shell/ApplicationId.h"

namespace tarvel {
namespace {

TEST(ApplicationDesktopEntry, PassesTheValidatorAndNamesTheIcon) {
    const QString entry = TARVEL_DESKTOP_ENTRY;
    EXPECT_EQ(QFileInfo(entry).fileName(), QString(kApplicationId) + ".desktop");
    QFile file(entry);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(text.contains("\nIcon=app.tarvel.Tarvel\n"));
    EXPECT_TRUE(text.contains("\nExec=tarvel\n"));
    const auto complaint = test::validatorComplaint(entry);
    if (!complaint) GTEST_SKIP() << "desktop-file-validate is not installed";
    EXPECT_EQ(*complaint, "");
}

TEST(ApplicationIcon, IsWellFormedSvg) {
    QFile file(TARVEL_APP_ICON);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    ASSERT_TRUE(xml.readNextStartElement());
    EXPECT_EQ(xml.name(), QString("svg"));
    while (!xml.atEnd()) xml.readNext();
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
}

}  // namespace
}  // namespace tarvel
