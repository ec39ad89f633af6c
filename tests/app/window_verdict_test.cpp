// The limit fields, the verdict lamp and the over-limit caption as the real
// window wires them: what the fields let through when typed or pasted, the
// colours of Shape1 and T1VALUE for Pass and Fail, and oltext appearing on an
// over-limit reading and going again after it.
#include "app/shape_circle.h"
#include "records/trend_chart_widget.h"
#include "support/window_fixture.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>
#include <string_view>

namespace {

using testsupport::modeFrameBytes;
using testsupport::WindowFixture;

class WindowVerdict : public WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        provideTemplate();
        w = makeWindow();
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
        // Value texts with a point, as the limits are converted.
        w->checksystem->setChecked(true);
    }
    void TearDown() override
    {
        w.reset();
        WindowFixture::TearDown();
    }
    QLineEdit* field(const char* name) { return std::string_view(name) == "T1HI" ? w->T1HI : w->T1LO; }
    void reading(const char* body) { w->framer().H40VRData(modeFrameBytes(body)); }

    std::unique_ptr<TFCOMM> w;
};

enum class Entry { Typed, Pasted };

struct KeyCase {
    const char* name;
    const char* field;
    Entry entry;
    const char* before; ///< the field's text; typed keys go at its end, a paste replaces it
    const char* input;
    const char* after;
};

const KeyCase kKeyCases[] = {
    { "digits typed", "T1HI", Entry::Typed, "", "3999", "3999" },
    { "signs and marks typed", "T1LO", Entry::Typed, "", "-+,.", "-+,." },
    { "apostrophe and backquote typed", "T1HI", Entry::Typed, "1", "'`", "1'`" },
    { "letter typed", "T1HI", Entry::Typed, "4000", "a", "4000" },
    { "letters among digits typed", "T1LO", Entry::Typed, "", "-1x2e3", "-123" },
    { "blank typed", "T1LO", Entry::Typed, "-4000", " ", "-4000" },
    { "other signs typed", "T1HI", Entry::Typed, "5", "*/=%", "5" },
    { "number pasted", "T1HI", Entry::Pasted, "4000", "3.5", "3.5" },
    { "negative number pasted", "T1LO", Entry::Pasted, "-4000", "-3,25", "-3,25" },
    { "text with a letter pasted", "T1HI", Entry::Pasted, "4000", "12a", "4000" },
    { "number with a blank pasted", "T1LO", Entry::Pasted, "-4000", "1 2", "-4000" },
    { "number with a unit pasted", "T1HI", Entry::Pasted, "4000", "3.5V", "4000" },
};

TEST_F(WindowVerdict, LimitFieldsLetThroughOnlyTheirCharacters)
{
    for (const KeyCase& c : kKeyCases) {
        SCOPED_TRACE(c.name);
        QLineEdit* e = field(c.field);
        e->setText(QLatin1String(c.before));
        e->setFocus();
        if (c.entry == Entry::Typed) {
            e->end(false);
            QTest::keyClicks(e, QLatin1String(c.input));
        } else {
            QGuiApplication::clipboard()->setText(QLatin1String(c.input));
            e->selectAll();
            QTest::keySequence(e, QKeySequence::Paste);
        }
        EXPECT_EQ(e->text(), QLatin1String(c.after));
    }
}

struct VerdictCase {
    const char* name;
    const char* hi;
    const char* lo;
    const char* frame; ///< mode frame body: range, digits, function, status, options
    const char* shown; ///< T1VALUE afterwards
    bool pass;
};

const VerdictCase kVerdicts[] = {
    { "inside the start limits", "4000", "-4000", "13999B00A", "3.999", true },
    { "equal to both limits", "3.5", "3.5", "13500B00A", "3.500", true },
    { "above the high limit", "3.5", "3.5", "13501B00A", "3.501", false },
    { "below the low limit", "4000", "3.5", "13499B00A", "3.499", false },
    { "high limit emptied", "", "-4000", "13999B00A", "3.999", false },
    { "low limit only a sign", "4000", "-", "13999B00A", "3.999", false },
    { "overload", "4000", "-4000", "20000B10A", "0.L", false },
    { "inside again after a Fail", "4000", "-4000", "11234B00A", "1.234", true },
};

TEST_F(WindowVerdict, LampAndValueShowTheVerdictInItsColour)
{
    const QColor green(0, 128, 0), red(255, 0, 0);
    const QColor startLamp = w->Shape1->brushColor();
    EXPECT_NE(startLamp, green);
    EXPECT_NE(startLamp, red);
    for (const VerdictCase& c : kVerdicts) {
        SCOPED_TRACE(c.name);
        w->T1HI->setText(QLatin1String(c.hi));
        w->T1LO->setText(QLatin1String(c.lo));
        reading(c.frame);
        const QColor expected = c.pass ? green : red;
        EXPECT_EQ(w->judge->text(), c.pass ? "Pass" : "Fail");
        EXPECT_EQ(w->T1VALUE->text(), QLatin1String(c.shown));
        EXPECT_EQ(w->Shape1->brushColor(), expected);
        EXPECT_EQ(w->T1VALUE->palette().color(QPalette::Base), expected);
        // What is on screen: the middle of the lamp, beside the verdict's letters, in the verdict's colour.
        const QImage lamp = w->Shape1->grab().toImage();
        EXPECT_EQ(QColor(lamp.pixel(lamp.width() / 2, lamp.height() / 5)), expected);
    }
}

TEST_F(WindowVerdict, OverLimitCaptionComesAndGoesWithTheReading)
{
    // The box shows full scale; a click on its check box makes it the high alarm
    // limit, which only the overload reading (one count more) passes.
    ASSERT_EQ(w->Chtshow->Setmax->text(), QStringLiteral("4000"));
    struct Step {
        const char* name;
        bool alarmOn;
        const char* frame;
        bool shown;
    };
    const Step steps[] = {
        { "full scale", true, "13999B00A", false },
        { "overload", true, "20000B10A", true },
        { "overload again", true, "20000B10A", true },
        { "back in range", true, "11234B00A", false },
        { "overload with the alarm off", false, "20000B10A", false },
        { "the alarm on again, overload", true, "20000B10A", true },
        { "in range once more", true, "11234B00A", false },
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        if (w->Chtshow->SetMaxB->isChecked() != s.alarmOn)
            w->Chtshow->SetMaxB->click();
        reading(s.frame);
        EXPECT_EQ(!w->oltext->isHidden(), s.shown);
    }
}

} // namespace
