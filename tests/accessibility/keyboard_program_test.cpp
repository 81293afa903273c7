// The real executable under Xvfb, driven by real key presses: Return, the
// keypad's Enter and Space press the focused button, Tab moves the focus on.
#include "cups_spooler.h"
#include "xvfb_display.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

struct KeysCase {
    const char* name;
    QStringList keys;  // xdotool's names
    std::size_t pages;
    bool ends;  // with status 0
};
void PrintTo(const KeysCase& c, std::ostream* out) { *out << c.name; }

class Keys : public testing::TestWithParam<KeysCase> {};

TEST_P(Keys, PressTheFocusedButton)
{
    testsupport::XvfbDisplay display;
    testsupport::CupsSpooler spooler;
    QTemporaryDir folder;
    QFile chart(folder.filePath("chart.dat"));
    ASSERT_TRUE(chart.open(QIODevice::WriteOnly));
    chart.write("T\nX\nY\n2\n1,1\n2,2\nA,B,C,D,E,F,G,H\n");
    chart.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", QString::fromStdString(display.name()));
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("CUPS_SERVER", QString::fromStdString(spooler.socketPath()));
    QProcess viewer;
    viewer.setProcessEnvironment(env);
    viewer.setWorkingDirectory(folder.path());
    viewer.setProcessChannelMode(QProcess::ForwardedChannels);
    viewer.start(CHARTVIEWER_PATH, {});
    const auto xdotool = [&](const QStringList& arguments) {
        QProcess tool;
        tool.setProcessEnvironment(env);
        tool.start("xdotool", arguments);
        EXPECT_TRUE(tool.waitForFinished(60000) && tool.exitCode() == 0) << tool.readAllStandardError().toStdString();
    };
    // The keyboard goes to the window once it is shown; the keys through XTEST, as typed.
    xdotool({"search", "--sync", "--onlyvisible", "--pid", QString::number(viewer.processId()), "--name",
             "^Chart Viewer$", "windowfocus", "--sync"});
    xdotool(QStringList{"key", "--delay", "200"} + GetParam().keys);
    if (GetParam().ends) {
        EXPECT_TRUE(viewer.waitForFinished(30000));
        EXPECT_EQ(viewer.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(viewer.exitCode(), 0);
    }
    EXPECT_EQ(spooler.waitForJobs(GetParam().pages, 60s).size(), GetParam().pages);
    EXPECT_EQ(spooler.waitForJobs(GetParam().pages + 1, 3s).size(), GetParam().pages);
    viewer.kill();
    viewer.waitForFinished();
}

INSTANTIATE_TEST_SUITE_P(Cases, Keys,
                         testing::Values(KeysCase{"Return", {"Return"}, 1, false},
                                         KeysCase{"KeypadEnter", {"KP_Enter"}, 1, false},
                                         KeysCase{"Space", {"space"}, 1, false},
                                         KeysCase{"TabThenReturn", {"Tab", "Return"}, 0, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
