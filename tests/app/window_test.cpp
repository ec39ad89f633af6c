#include "app/tfcomm.h"
#include "support/scripted_asker.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

struct Area {
    const char* name;
    QRect rect;
};

// Visible areas in client coordinates.
const Area kAreas[] = {
    { "BtCOM1", { 5, 3, 61, 24 } },
    { "COMCon", { 68, 4, 94, 25 } },
    { "USBCon", { 170, 4, 94, 25 } },
    { "checksystem", { 280, 5, 281, 25 } },
    { "BitBtn1", { 576, 3, 81, 25 } },
    { "Panel1", { 3, 31, 285, 154 } },
    { "Panel3", { 3, 184, 285, 41 } },
    { "DBGrid1", { 3, 254, 284, 211 } },
    { "Panel4", { 288, 34, 382, 137 } },
    { "Chtshow", { 288, 173, 382, 292 } },
};

TEST(Window, AreasSitAtTheirPlaces)
{
    TFCOMM w;
    EXPECT_EQ(w.centralWidget()->size(), QSize(675, 471));
    EXPECT_EQ(w.minimumSize(), w.maximumSize()) << "fixed size";
    for (const Area& a : kAreas) {
        auto* widget = w.centralWidget()->findChild<QWidget*>(QLatin1String(a.name));
        ASSERT_NE(widget, nullptr) << a.name;
        EXPECT_EQ(widget->geometry(), a.rect) << a.name;
    }
    // The log-option row lies at top 234 between 3 and 288.
    for (QWidget* c : std::initializer_list<QWidget*> {
             w.RepeatSet, w.RecordSI, w.RecordSITime, w.RecordNew, w.OpenDataFiles, w.saveas, w.BtPrint }) {
        EXPECT_GE(c->x(), 3) << c->objectName().toStdString();
        EXPECT_LE(c->geometry().right(), 288) << c->objectName().toStdString();
        EXPECT_NEAR(c->y(), 234, 2) << c->objectName().toStdString();
    }
}

TEST(Window, LayoutRuleSizesChartFromOuterWidth)
{
    TFCOMM w;
    const int outer = w.width() + TFCOMM::BorderWidth;
    EXPECT_EQ(w.Chtshow->width(), outer - 300);
    EXPECT_EQ(w.Chtshow->y(), 173);
    EXPECT_EQ(w.KD->width(), outer - 303);
    EXPECT_EQ(w.BtExit->x(), outer - 80);
    EXPECT_EQ(w.BTCon->x(), outer - 190);
    EXPECT_EQ(w.KdSx->x(), w.KD->width() - 30);
}

TEST(Window, StartStateOfControls)
{
    TFCOMM w;
    EXPECT_EQ(w.MaxText->text(), "-4001");
    EXPECT_EQ(w.MinText->text(), "4001");
    EXPECT_EQ(w.T1HI->text(), "4000");
    EXPECT_EQ(w.T1LO->text(), "-4000");
    EXPECT_EQ(w.T1VALUE->text(), "0");
    EXPECT_EQ(w.T1HI->toolTip(), "Can't for empty");
    EXPECT_EQ(w.RecordSITime->text(), "1");
    EXPECT_TRUE(w.RecordSI->isChecked());
    EXPECT_TRUE(w.RepeatSet->isChecked());
    EXPECT_FALSE(w.checksystem->isChecked());
    EXPECT_TRUE(w.CONok->isHidden());
    EXPECT_FALSE(w.CONokN->isHidden());
    EXPECT_TRUE(w.oltext->isHidden());
    EXPECT_TRUE(w.DBGrid1->editTriggers() == QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(w.ConTimer->interval(), 100);
    EXPECT_TRUE(w.ConTimer->isActive());
    EXPECT_EQ(w.Trecord->interval(), 1000);
    EXPECT_TRUE(w.Trecord->isActive());
}

TEST(Window, MenuBarOrderChecksAndDisabledItems)
{
    TFCOMM w;
    QStringList titles;
    for (QAction* a : w.menuBar()->actions())
        titles << a->text();
    EXPECT_EQ(titles, (QStringList { "ComSetup", "Connect", "", "Graphic", "Record", "", "Exit" }));

    auto items = [](QMenu* m) {
        QStringList out;
        for (QAction* a : m->actions())
            out << (a->isSeparator() ? QStringLiteral("-")
                                     : a->text() + (a->isChecked() ? "*" : "") + (a->isEnabled() ? "" : "!"));
        return out;
    };
    EXPECT_EQ(items(w.ComSetup1), (QStringList { "COM1*", "COM2", "COM3", "COM4" }));
    EXPECT_EQ(items(w.Connect1), (QStringList { "START", "STOP!" }));
    EXPECT_EQ(items(w.Graphic1),
        (QStringList { "First", "Previous", "Next", "Last", "-", "New", "Save", "-", "Fill*" }));
    EXPECT_EQ(items(w.Record1),
        (QStringList { "New", "Save", "-", "1000", "5000", "10000*", "50000", "100000", "limitless" }));
}

} // namespace
