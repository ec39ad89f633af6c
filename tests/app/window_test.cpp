#include "records/reading_log.h"
#include "records/records_table.h"
#include "records/trend_chart_widget.h"
#include "support/records_fixture.h"
#include "support/window_fixture.h"

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

using testsupport::WindowFixture;
using Window = WindowFixture;

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

TEST_F(Window, AreasSitAtTheirPlaces)
{
    provideTemplate();
    auto window = makeWindow();
    TFCOMM& w = *window;
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

TEST_F(Window, LayoutRuleSizesChartFromOuterWidth)
{
    provideTemplate();
    auto window = makeWindow();
    TFCOMM& w = *window;
    const int outer = w.width() + TFCOMM::BorderWidth;
    EXPECT_EQ(w.Chtshow->width(), outer - 300);
    EXPECT_EQ(w.Chtshow->y(), 173);
    EXPECT_EQ(w.KD->width(), outer - 303);
    EXPECT_EQ(w.BtExit->x(), outer - 80);
    EXPECT_EQ(w.BTCon->x(), outer - 190);
    EXPECT_EQ(w.KdSx->x(), w.KD->width() - 30);
}

TEST_F(Window, StartStateOfControls)
{
    provideTemplate();
    auto window = makeWindow();
    TFCOMM& w = *window;
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

TEST_F(Window, MenuBarOrderChecksAndDisabledItems)
{
    provideTemplate();
    auto window = makeWindow();
    TFCOMM& w = *window;
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

void appendRows(RecordsTable& table, int rows)
{
    for (int i = 0; i < rows; ++i) {
        table.append();
        table.setField(QStringLiteral("no"), qint64(i + 1));
        table.setField(QStringLiteral("value"), QStringLiteral("1,234"));
        table.post();
    }
}

struct ExitCase {
    const char* name;
    int unsavedRows;
    QMessageBox::StandardButton answer;
    bool asks;
    bool ends;
};

const ExitCase kExitWithQuestion[] = {
    { "NoRowsYes", 0, QMessageBox::Yes, true, true },
    { "NoRowsNo", 0, QMessageBox::No, true, false },
    { "UnsavedRowsYes", 3, QMessageBox::Yes, true, true },
    { "UnsavedRowsNo", 3, QMessageBox::No, true, false },
};

TEST_F(Window, ExitButtonAsksAndCountsUnsavedRows)
{
    provideTemplate();
    for (const ExitCase& c : kExitWithQuestion) {
        SCOPED_TRACE(c.name);
        auto w = makeWindow();
        appendRows(*w->T20VDB, c.unsavedRows);
        answer(c.answer);
        w->BitBtn1->click();
        ASSERT_EQ(asked().size(), 1u);
        const auto& box = asked().front();
        EXPECT_EQ(box.icon, QMessageBox::Information);
        EXPECT_EQ(box.buttons, QMessageBox::Yes | QMessageBox::No);
        const QStringList lines = box.text.split('\n');
        EXPECT_EQ(lines.front(), QString::fromUtf8("Are you ensure to exit the program\xEF\xBC\x9F"));
        if (c.unsavedRows > 0) {
            ASSERT_EQ(lines.size(), 2);
            EXPECT_TRUE(lines[1].startsWith(QString::number(c.unsavedRows) + " records"))
                << lines[1].toStdString();
        } else {
            EXPECT_EQ(lines.size(), 1);
        }
        EXPECT_EQ(terminated(), c.ends ? 1 : 0);
        EXPECT_EQ(w->T20VDB->isOpen(), !c.ends) << "the table stays open on No";
    }
}

// Menu "Exit" (and the hidden exit panel) end at once only when nothing would be lost.
TEST_F(Window, MenuExitAsksOnlyWhenRowsAreUnsaved)
{
    provideTemplate();
    const ExitCase cases[] = {
        { "NoRows", 0, QMessageBox::No, false, true },
        { "UnsavedYes", 2, QMessageBox::Yes, true, true },
        { "UnsavedNo", 2, QMessageBox::No, true, false },
    };
    for (const ExitCase& c : cases) {
        for (const bool menu : { true, false }) {
            SCOPED_TRACE(std::string(c.name) + (menu ? " menu" : " panel"));
            auto w = makeWindow();
            appendRows(*w->T20VDB, c.unsavedRows);
            answer(c.answer);
            if (menu)
                w->Exit1->trigger();
            else
                w->BtExit->click();
            ASSERT_EQ(asked().size(), c.asks ? 1u : 0u);
            if (c.asks) {
                EXPECT_EQ(asked().front().buttons, QMessageBox::Yes | QMessageBox::No);
                EXPECT_TRUE(asked().front().text.endsWith("2 records have not been saved and will be lost."));
            }
            EXPECT_EQ(terminated(), c.ends ? 1 : 0);
            EXPECT_EQ(w->T20VDB->isOpen(), !c.ends);
            EXPECT_EQ(w->T20VDB->rowCount(), c.ends ? 0 : c.unsavedRows);
            asker().asked->clear();
            asker().answers->clear();
        }
    }
}

// Record "New" and its button empty the table; unsaved rows are only deleted after a Yes.
TEST_F(Window, RecordNewAsksBeforeDeletingUnsavedRows)
{
    provideTemplate();
    struct Case {
        const char* name;
        int rows;
        bool saved;
        QMessageBox::StandardButton answer;
        bool asks;
        bool empties;
    };
    const Case cases[] = {
        { "Empty", 0, false, QMessageBox::No, false, true },
        { "AllSaved", 3, true, QMessageBox::No, false, true },
        { "UnsavedYes", 3, false, QMessageBox::Yes, true, true },
        { "UnsavedNo", 3, false, QMessageBox::No, true, false },
    };
    for (const Case& c : cases) {
        for (const bool menu : { true, false }) {
            SCOPED_TRACE(std::string(c.name) + (menu ? " menu" : " button"));
            auto w = makeWindow();
            appendRows(*w->T20VDB, c.rows);
            if (c.saved)
                w->T20VDB->markSaved();
            answer(c.answer);
            if (menu)
                w->New1->trigger();
            else
                w->RecordNew->click();
            QStringList texts;
            for (const auto& box : asked())
                texts << box.text;
            QStringList expected;
            if (c.asks)
                expected << TFCOMM::recordNewQuestion(c.rows);
            if (c.empties)
                expected << ReadingLog::recordDeletedMessage();
            EXPECT_EQ(texts, expected);
            if (c.asks) {
                EXPECT_EQ(asked().front().buttons, QMessageBox::Yes | QMessageBox::No);
            }
            EXPECT_EQ(w->T20VDB->rowCount(), c.empties ? 0 : c.rows);
            EXPECT_TRUE(w->T20VDB->isOpen());
            asker().asked->clear();
            asker().answers->clear();
        }
    }
    EXPECT_EQ(TFCOMM::recordNewQuestion(3), "3 records have not been saved.\nDelete the records anyway?");
}

TEST_F(Window, CloseBoxAsksOnlyWhenRowsAreUnsaved)
{
    provideTemplate();
    const ExitCase cases[] = {
        { "NoRows", 0, QMessageBox::No, false, true },
        { "UnsavedYes", 1, QMessageBox::Yes, true, true },
        { "UnsavedNo", 1, QMessageBox::No, true, false },
    };
    for (const ExitCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto w = makeWindow();
        w->show();
        appendRows(*w->T20VDB, c.unsavedRows);
        answer(c.answer);
        const bool closed = w->close();
        EXPECT_EQ(asked().size(), c.asks ? 1u : 0u);
        if (c.asks) {
            EXPECT_TRUE(asked().front().text.endsWith("1 record has not been saved and will be lost."));
        }
        EXPECT_EQ(closed, c.ends);
        EXPECT_EQ(terminated(), c.ends ? 1 : 0);
    }
}

TEST_F(Window, ReadingErrorsShowOneNoticeWithoutWaiting)
{
    provideTemplate();
    auto w = makeWindow();
    WindowNotice& notice = w->readingNotice();
    // Frames keep failing: one box, no wait, nothing asked through the modal asker.
    for (int i = 0; i < 50; ++i)
        w->showReadingError(QStringLiteral("Field 'Nval' not found"));
    EXPECT_TRUE(notice.isShowing());
    EXPECT_EQ(notice.timesShown(), 1);
    EXPECT_TRUE(asked().empty());

    w->showReadingError(QStringLiteral("again"));
    EXPECT_EQ(notice.timesShown(), 2) << "a new text replaces the old one";
    EXPECT_EQ(notice.box()->text(), QStringLiteral("again"));

    notice.box()->button(QMessageBox::Ok)->click();
    EXPECT_FALSE(notice.isShowing());
    w->showReadingError(QStringLiteral("again"));
    EXPECT_TRUE(notice.isShowing()) << "after a dismissal the same error shows again";
    EXPECT_EQ(notice.timesShown(), 3);

    // A detail line (a running count) follows quietly under the same text.
    notice.show(QStringLiteral("again"), QStringLiteral("2 readings could not be recorded."));
    notice.show(QStringLiteral("again"), QStringLiteral("3 readings could not be recorded."));
    EXPECT_EQ(notice.timesShown(), 3);
    EXPECT_EQ(notice.box()->informativeText(), QStringLiteral("3 readings could not be recorded."));
    notice.show(QStringLiteral("other"));
    EXPECT_EQ(notice.box()->informativeText(), QString()) << "a new trouble starts without the old detail";
}

TEST_F(Window, DecimalMarkFollowsChecksystem)
{
    provideTemplate();
    const struct {
        bool checked;
        const char* value;
    } cases[] = { { false, "1,234" }, { true, "1.234" } };
    for (const auto& c : cases) {
        auto w = makeWindow();
        w->checksystem->setChecked(c.checked);
        w->framer().H40VRData(testsupport::modeFrameBytes("11234B00A"));
        EXPECT_EQ(w->reading().ValueText, QLatin1String(c.value));
        EXPECT_EQ(w->T1VALUE->text(), QLatin1String(c.value));
        EXPECT_EQ(w->judge->text(), "Pass");
    }
}

} // namespace

namespace {

// The grid shows six columns with the unit as symbols; the table keeps codes.
TEST_F(Window, GridShowsSixColumnsWithUnitSymbolsAndAlignments)
{
    provideTemplate();
    auto window = makeWindow();
    TFCOMM& w = *window;
    ASSERT_TRUE(w.T20VDB->isOpen());
    testsupport::SampleRow row;
    row.no = 1;
    row.time = QTime(9, 30, 5);
    row.acDc = QStringLiteral("DC");
    row.value = QStringLiteral("1,234");
    row.nval = 1234;
    row.unit = QStringLiteral("k*");
    row.autoText = QStringLiteral("AUTO");
    testsupport::appendRows(*w.T20VDB, { row });

    QAbstractItemModel* shown = w.DBGrid1->model();
    ASSERT_EQ(shown->rowCount(), 1);
    const int unit = w.T20VDB->fieldIndex(QStringLiteral("Unit"));
    EXPECT_EQ(shown->index(0, unit).data().toString(), QStringLiteral("k\u03A9"));
    EXPECT_EQ(w.T20VDB->displayText(0, unit), QStringLiteral("k*")) << "the table keeps the glyph code";

    struct Column {
        const char* field;
        Qt::Alignment horizontal;
    };
    const Column columns[]
        = { { "No", Qt::AlignLeft }, { "Time", Qt::AlignHCenter }, { "DC/AC", Qt::AlignHCenter },
              { "Value", Qt::AlignRight }, { "Unit", Qt::AlignRight }, { "AUTO", Qt::AlignHCenter } };
    for (const Column& c : columns) {
        const int index = w.T20VDB->fieldIndex(QLatin1String(c.field));
        EXPECT_FALSE(w.DBGrid1->isColumnHidden(index)) << c.field;
        const auto alignment = Qt::Alignment(shown->index(0, index).data(Qt::TextAlignmentRole).toInt());
        EXPECT_EQ(alignment & Qt::AlignHorizontal_Mask, c.horizontal) << c.field;
    }
    EXPECT_TRUE(w.DBGrid1->isColumnHidden(w.T20VDB->fieldIndex(QStringLiteral("Nval"))));
}

} // namespace

namespace {

// The chart's alarm boxes reach the evaluation: only a checked box alarms.
TEST_F(Window, AlarmBoxesDecideTheOverLimitAlarm)
{
    provideTemplate();
    const struct {
        bool checked;
        const char* frame;
        bool alarm;
    } cases[] = {
        { true, "13001B00A", true },
        { true, "13000B00A", false },
        { false, "13001B00A", false },
    };
    for (const auto& c : cases) {
        auto w = makeWindow();
        w->Chtshow->Setmax->setText(QStringLiteral("3000"));
        w->Chtshow->SetMaxB->setChecked(c.checked);
        w->framer().H40VRData(testsupport::modeFrameBytes(c.frame));
        EXPECT_EQ(w->evaluationView().oltextShown(), c.alarm) << c.frame << " checked " << c.checked;
    }
}

} // namespace
