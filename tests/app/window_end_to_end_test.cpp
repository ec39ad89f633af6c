#include "link/com_port_driver.h"
#include "metersim/mode_frame.h"
#include "support/window_fixture.h"

#include <QDeadlineTimer>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {

using testsupport::WindowFixture;

class WindowEndToEnd : public WindowFixture {
protected:
    void TearDown() override
    {
        qunsetenv("BRENMOOR_COM1");
        WindowFixture::TearDown();
    }
};

TEST_F(WindowEndToEnd, ComConnectShowsTheSimulatorsReadings)
{
    provideTemplate();
    // The meter's side of a pseudo-terminal; COM1 is its device side.
    int meter = -1, device = -1;
    char name[256] = {};
    ASSERT_EQ(::openpty(&meter, &device, name, nullptr, nullptr), 0);
    termios raw {};
    ::tcgetattr(device, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(device, TCSANOW, &raw);
    qputenv("BRENMOOR_COM1", QByteArray(name));
    auto send = [meter](const QByteArray& bytes) {
        ASSERT_EQ(::write(meter, bytes.data(), bytes.size()), bytes.size());
    };

    auto w = makeWindow();
    w->COMCon->click();
    ASSERT_TRUE(w->COMM2->IsOpen());

    const metersim::ModeFrame frames[] = {
        { .range = 1, .digits = QStringLiteral("1234"), .dc = true, .autoRange = true },
        { .range = 1, .digits = QStringLiteral("2345"), .dc = true, .autoRange = true },
    };
    // The first frame only supplies the LF the second one is led by.
    send(frames[0].bytes());
    send(frames[1].bytes());
    const QDeadlineTimer deadline(1000);
    while (w->reading().ValueText.isEmpty() && !deadline.hasExpired())
        QTest::qWait(20);

    EXPECT_EQ(w->reading().ValueText, "2,345");
    EXPECT_EQ(w->reading().UnitText, "V");
    EXPECT_EQ(w->reading().AcDcText, "DC");
    EXPECT_EQ(w->reading().AutoText, "AUTO");
    EXPECT_EQ(w->panelModel().caption(PanelModel::LcdDa), "2");
    EXPECT_EQ(w->panelModel().caption(PanelModel::LcdDd), "5");
    EXPECT_TRUE(w->panelModel().isVisible(PanelModel::LcdV));
    EXPECT_FALSE(w->CONok->isHidden());
    EXPECT_EQ(w->T1VALUE->text(), "2,345");
    EXPECT_EQ(w->judge->text(), "Pass");
    EXPECT_TRUE(asked().empty());

    w->COMCon->click();
    EXPECT_FALSE(w->COMM2->IsOpen());
    ::close(device);
    ::close(meter);
}

} // namespace
