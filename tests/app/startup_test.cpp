#include "link/com_port_driver.h"
#include "records/chart_pager.h"
#include "records/reading_log.h"
#include "records/records_table.h"
#include "records/trend_chart_widget.h"
#include "support/window_fixture.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>

#include <gtest/gtest.h>

namespace {

using testsupport::WindowFixture;

struct VariantCase {
    const char* name;
    BuildVariant variant;
    const char* title;
    const char* framer;
    int baud;
    const char* profile;
    int fullScale;
    int overloadBar;
    const char* lcdDa;
};

BuildVariant with(std::initializer_list<bool BuildVariant::*> options)
{
    BuildVariant v;
    for (auto option : options)
        v.*option = true;
    return v;
}

const VariantCase kVariants[] = {
    { "Shipped", BuildVariant::shipped(), "Brenmoor 5082 Interface Program _Ver: 2.02", "H40VRData", 2400,
        "4", 4000, 40, "3" },
    { "None", BuildVariant {}, "Z5082", "", 2400, "4", 4000, 40, "3" },
    { "RK20S", with({ &BuildVariant::IFRK20S }), "RK20P Interface Program _Ver: 2.00", "H20VRData", 2400, "4",
        4000, 40, "3" },
    { "RK27L", with({ &BuildVariant::RK27L }), "RK27L Interface Program _Ver: 2.00", "H20VRData", 2400, "4",
        4000, 40, "3" },
    { "RK20M", with({ &BuildVariant::IFRK20M }), "RK20M Interface Program _Ver: 2.06", "H40VRData", 2400,
        "34", 3400, 34, "3" },
    { "RK91N", with({ &BuildVariant::IFRK91N }), "RK91N USB Interface Program _Ver: 1.00", "H40VRData", 19200,
        "4", 4000, 40, "3" },
    { "ZL5082", with({ &BuildVariant::IFZL5082 }), "ZL5082 USB Interface Program _Ver: 2.02", "H40VRData",
        19200, "4", 4000, 40, "3" },
    { "RK33H", with({ &BuildVariant::IFRK33H }), "RK33H Interface Program _Ver: 1.00", "H40VRData", 2400, "6",
        6000, 60, "3" },
    { "RK91NAndRK33H", with({ &BuildVariant::IFRK91N, &BuildVariant::IFRK33H }),
        "RK33H Interface Program _Ver: 1.00", "H40VRData", 19200, "6", 6000, 60, "3" },
    { "RK20SAndRK40V", with({ &BuildVariant::IFRK20S, &BuildVariant::IFRK40V }),
        "Brenmoor 5082 Interface Program _Ver: 2.02", "H40VRData", 2400, "4", 4000, 40, "3" },
    { "RK33HThenRK20MOrder", with({ &BuildVariant::IFRK20M, &BuildVariant::IFRK33H }),
        "RK33H Interface Program _Ver: 1.00", "H40VRData", 2400, "6", 6000, 60, "3" },
    { "UntestedOptionsOnly", with({ &BuildVariant::IF7304k, &BuildVariant::IFRK33J, &BuildVariant::RK47T }),
        "Z5082", "", 2400, "4", 4000, 40, "3" },
};

class Startup : public WindowFixture, public ::testing::WithParamInterface<VariantCase> { };

TEST_P(Startup, VariantRowDecidesTitleFramerSpeedAndProfile)
{
    provideTemplate();
    const VariantCase& c = GetParam();
    auto w = makeWindow(c.variant);
    EXPECT_TRUE(asked().empty()) << asked().front().text.toStdString();
    EXPECT_EQ(w->windowTitle(), QLatin1String(c.title));
    EXPECT_EQ(w->boundFramer(), QLatin1String(c.framer));
    EXPECT_EQ(comPortBaud(w->COMM2->ComPortSpeed()), c.baud);
    EXPECT_EQ(w->countProfile().code, QLatin1String(c.profile));
    EXPECT_EQ(w->countProfile().FullScaleCount, c.fullScale);
    EXPECT_EQ(w->countProfile().OverloadBarPosition, c.overloadBar);
    EXPECT_EQ(w->chartAxisMax(), c.fullScale);
    EXPECT_EQ(w->chartAxisMin(), -c.fullScale);
    EXPECT_EQ(w->evaluation().HighAlarmLimit, float(c.fullScale + 2));
    EXPECT_EQ(w->evaluation().LowAlarmLimit, -float(c.fullScale + 2));
    EXPECT_EQ(w->evaluation().MaxValue, -float(c.fullScale + 1));
    EXPECT_EQ(w->evaluation().MinValue, float(c.fullScale + 1));
    EXPECT_EQ(w->evaluation().LastUnitText, "113");
    EXPECT_EQ(w->MaxText->text(), QString::number(-(c.fullScale + 1)));
    EXPECT_EQ(w->Chtshow->Setmax->text(), QString::number(c.fullScale)) << "shown only";
    EXPECT_EQ(w->Chtshow->SetMin->text(), QString::number(-c.fullScale)) << "shown only";
    EXPECT_EQ(w->MinText->text(), QString::number(c.fullScale + 1));
    EXPECT_EQ(w->panelModel().caption(PanelModel::LcdDa), QLatin1String(c.lcdDa));
    EXPECT_TRUE(w->T20VDB->isOpen());
}

INSTANTIATE_TEST_SUITE_P(Variants, Startup, ::testing::ValuesIn(kVariants),
    [](const auto& info) { return std::string(info.param.name); });

using StartupFailure = WindowFixture;

TEST_F(StartupFailure, MissingRecordsTableIsReportedAndStartUpFinishes)
{
    // No template in the current folder nor beside the test program.
    auto w = makeWindow();
    ASSERT_EQ(asked().size(), 1u);
    EXPECT_EQ(asked().front().buttons, QMessageBox::Ok);
    EXPECT_EQ(asked().front().icon, QMessageBox::Critical);
    const QString text = asked().front().text;
    EXPECT_TRUE(text.startsWith("Table 'Rk40vdb.DB' does not exist")) << text.toStdString();
    const QStringList folders = RecordsTable::templateFolders();
    EXPECT_GE(folders.size(), 2);
    for (const QString& folder : folders)
        EXPECT_TRUE(text.contains(QDir::toNativeSeparators(folder))) << folder.toStdString() << " not named";
    EXPECT_FALSE(w->T20VDB->isOpen());

    // The steps after the failure ran all the same.
    EXPECT_EQ(w->windowTitle(), "Brenmoor 5082 Interface Program _Ver: 2.02");
    EXPECT_EQ(w->boundFramer(), "H40VRData");
    EXPECT_EQ(comPortBaud(w->COMM2->ComPortSpeed()), 2400);
    EXPECT_EQ(w->countProfile().FullScaleCount, 4000);
    EXPECT_EQ(w->chartAxisMax(), 4000);
    EXPECT_EQ(w->chartAxisMin(), -4000);
    EXPECT_EQ(w->evaluation().LastUnitText, "113");
    EXPECT_EQ(w->chartPager().pointCount(), 1) << "placeholder point";

    // Readings reach the panel, the verdict and the chart; the log reports
    // the closed table once, without waiting.
    w->RecordSI->setChecked(false);
    const char* bodies[] = { "11234B00A", "11234B00A", "12345B00A", "13001B00A" };
    for (const char* body : bodies)
        w->framer().H40VRData(testsupport::modeFrameBytes(body));
    EXPECT_EQ(w->reading().ValueText, "3,001");
    EXPECT_EQ(w->panelModel().caption(PanelModel::LcdDa), "3");
    EXPECT_EQ(w->judge->text(), "Pass");
    EXPECT_EQ(w->MaxText->text(), "3,001");
    EXPECT_EQ(w->chartPager().pointCount(), 5) << "placeholder and one point per reading";
    EXPECT_EQ(w->readingLog().UnloggedCount(), 4);
    EXPECT_EQ(asked().size(), 1u) << "no modal box while reading";
    EXPECT_TRUE(w->readingNotice().isShowing());
    EXPECT_EQ(w->readingNotice().text(), "Cannot perform this operation on a closed dataset");
    EXPECT_EQ(w->readingNotice().timesShown(), 1);
}

TEST_F(StartupFailure, TemplateInCurrentFolderWins)
{
    provideTemplate();
    EXPECT_EQ(QFileInfo(RecordsTable::findTemplate()).absolutePath(), QFileInfo(folder()).absoluteFilePath());
}

} // namespace
