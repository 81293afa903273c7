// The real executable under Xvfb, typed at through XTEST: Return, the
// keypad's Enter and Space press the focused button, Tab moves the focus on.
#include "cups_spooler.h"
#include "xvfb_display.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

TEST(Keys, PressTheFocusedButton)
{
    // The keys by xdotool's names, the pages printed, and whether the program ends (with status 0).
    const struct { const char* name; QStringList keys; std::size_t pages; bool ends; } cases[] = {
        {"Return", {"Return"}, 1, false}, {"keypad Enter", {"KP_Enter"}, 1, false},
        {"Space", {"space"}, 1, false}, {"Tab then Return", {"Tab", "Return"}, 0, true},
    };
    testsupport::XvfbDisplay display;
    testsupport::CupsSpooler spooler;
    // The viewer and xdotool inherit these.
    qputenv("DISPLAY", display.name().c_str());
    qputenv("QT_QPA_PLATFORM", "xcb");
    qputenv("CUPS_SERVER", spooler.socketPath().c_str());
    std::size_t pages = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QProcess viewer;
        viewer.setWorkingDirectory(EXAMPLE_FOLDER);
        viewer.start(CHARTVIEWER_PATH, {});
        // The window gets the keyboard once it shows; then the keys, as typed.
        const QString pid = QString::number(viewer.processId());
        ASSERT_EQ(QProcess::execute("xdotool", {"search", "--sync", "--onlyvisible", "--pid", pid, "--name",
                                                "^Chart Viewer$", "windowfocus", "--sync"}), 0);
        ASSERT_EQ(QProcess::execute("xdotool", QStringList{"key", "--delay", "200"} + c.keys), 0);
        if (c.ends) {
            EXPECT_TRUE(viewer.waitForFinished(30000) && viewer.exitStatus() == QProcess::NormalExit
                        && viewer.exitCode() == 0);
        }
        pages += c.pages;
        EXPECT_EQ(spooler.waitForJobs(pages, 60s).size(), pages);
        EXPECT_EQ(spooler.waitForJobs(pages + 1, 3s).size(), pages);
        viewer.kill();
        viewer.waitForFinished();
    }
}

}  // namespace
