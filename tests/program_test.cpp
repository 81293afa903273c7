// The real executable: start-up failures end it with the error report, and
// under a real X display server its window appears and closes cleanly.
#include "process.h"
#include "temp_folder.h"
#include "xvfb_display.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <optional>
#include <regex>
#include <thread>

namespace {

using namespace std::chrono_literals;
using testsupport::TempFolder;

const std::string program = CHARTVIEWER_PATH;

const std::string exampleFile =
    "Weekly Output\nWeek\nUnits\n5\n1,120\n2,135\n3,128\n4,150\n5,162\n"
    "W1,W1,W2,W3,W4,\"W5, late\",W6,W7\n";

struct StartupFailure {
    const char* name;
    std::optional<std::string> bytes;
    std::string report;
};

void PrintTo(const StartupFailure& c, std::ostream* out) { *out << c.name; }

class StartupFails : public testing::TestWithParam<StartupFailure> {};

TEST_P(StartupFails, WithTheErrorReportAndStatus1)
{
    TempFolder folder;
    if (GetParam().bytes)
        folder.write("chart.dat", *GetParam().bytes);
    // The time limit is the test that it does not hang; without a display there is no dialog to wait for.
    const auto result = testsupport::runProcess({program}, 60s, {{"QT_QPA_PLATFORM", "offscreen"}}, folder.path());
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("Chart Viewer: " + GetParam().report + "\n"), std::string::npos) << result.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StartupFails,
    testing::Values(
        StartupFailure{"NoChartFile", std::nullopt, "chart.dat: file not found"},
        StartupFailure{"DataRunsOut", "T\nX\nY\n5\n1,120\n2,135\n3,128\n4,150\n5\n",
                       "chart.dat, line 9: input past end of file while reading the y value of point 5"},
        StartupFailure{"NoPoints", "T\nX\nY\n0\nA,B,C,D,E,F,G,H\n",
                       "chart.dat, line 4: the count of points is 0; a chart needs at least one point"},
        StartupFailure{"NotANumber", "T\nX\nY\n1\n1,x\nA,B,C,D,E,F,G,H\n",
                       "chart.dat, line 5: expected a number, found \"x\" while reading the y value of point 1"},
        StartupFailure{"LastXEqualsFirst", "T\nX\nY\n3\n4,1\n5,2\n4,3\nA,B,C,D,E,F,G,H\n",
                       "chart.dat, line 7: division by zero: the last x value equals the first (4), "
                       "so the points cannot be spread across the plot"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Desktop, WindowAppearsAndClosingItEndsTheProgram)
{
    testsupport::XvfbDisplay display;
    TempFolder folder;
    folder.write("chart.dat", exampleFile);
    const testsupport::Env env{{"DISPLAY", display.name()}, {"QT_QPA_PLATFORM", "xcb"}};
    const std::string output = (folder.path() / "output").string();
    testsupport::BackgroundProcess viewer({program}, env, folder.path(), output);

    std::string window;
    for (auto deadline = std::chrono::steady_clock::now() + 30s; window.empty();) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "no window appeared";
        ASSERT_TRUE(viewer.running()) << "the program ended";
        const auto found = testsupport::runProcess(
            {"xdotool", "search", "--onlyvisible", "--name", "^Chart Viewer$"}, 10s, env);
        window = found.out.substr(0, found.out.find('\n'));
        if (window.empty())
            std::this_thread::sleep_for(100ms);
    }
    const auto info = testsupport::runProcess({"xwininfo", "-id", window}, 10s, env);
    EXPECT_NE(info.out.find("Width: 632\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("Height: 419\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("Map State: IsViewable"), std::string::npos) << info.out;

    testsupport::askWindowToClose(display.name(), std::stoul(window));
    EXPECT_EQ(viewer.waitForExit(30s), std::optional<int>(0)) << std::ifstream(output).rdbuf();
}

}  // namespace
