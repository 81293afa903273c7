// The real executable: start-up failures end it with the error report, and
// under a real X display server its window appears and closes cleanly.
#include "process.h"
#include "temp_folder.h"
#include "xvfb_display.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
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

using Setup = std::function<void(const TempFolder&)>;

Setup chartFile(std::string bytes)
{
    return [bytes](const TempFolder& folder) { folder.write("chart.dat", bytes); };
}

const std::string head = "T\nX\nY\n";
const std::string captions = "A,B,C,D,E,F,G,H\n";

struct StartupFailure {
    const char* name;
    Setup setup;
    std::string report;
};

void PrintTo(const StartupFailure& c, std::ostream* out) { *out << c.name; }

class StartupFails : public testing::TestWithParam<StartupFailure> {};

TEST_P(StartupFails, WithTheErrorReportAndStatus1)
{
    TempFolder folder;
    GetParam().setup(folder);
    std::vector<std::string> command{program};
    // Root reads any file: an unreadable one needs another user, who gets a
    // copy of the program, since the build may lie where only root may go.
    if (::geteuid() == 0) {
        std::filesystem::permissions(folder.path(), std::filesystem::perms(0755));
        const auto copy = folder.path() / "chartviewer";
        std::filesystem::copy_file(program, copy);
        command = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", copy.string()};
    }
    // The time limit is the test that it does not hang (a FIFO, say); without
    // a display there is no dialog to wait for.
    const auto result = testsupport::runProcess(command, 60s, {{"QT_QPA_PLATFORM", "offscreen"}}, folder.path());
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("Chart Viewer: " + GetParam().report + "\n"), std::string::npos) << result.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StartupFails,
    testing::Values(
        StartupFailure{"NoChartFile", [](const TempFolder&) {}, "chart.dat: file not found"},
        StartupFailure{"AFolder", [](const TempFolder& f) { std::filesystem::create_directory(f.path() / "chart.dat"); },
                       "chart.dat: is a folder, not a file"},
        StartupFailure{"AFifo", [](const TempFolder& f) { ::mkfifo((f.path() / "chart.dat").c_str(), 0644); },
                       "chart.dat: is not a regular file"},
        StartupFailure{"Unreadable",
                       [](const TempFolder& f) {
                           std::filesystem::permissions(f.write("chart.dat", head + "1\n1,2\n" + captions),
                                                        std::filesystem::perms::none);
                       },
                       "chart.dat: permission denied"},
        StartupFailure{"FewerThanThreeLines", chartFile("T\nX\n"),
                       "chart.dat, line 2: input past end of file while reading the y-axis caption (line 3)"},
        StartupFailure{"DataRunsOut", chartFile(head + "5\n1,120\n2,135\n3,128\n4,150\n5\n"),
                       "chart.dat, line 9: input past end of file while reading the y value of point 5"},
        StartupFailure{"TooFewCaptions", chartFile(head + "1\n1,2\nA,B,C\n"),
                       "chart.dat, line 6: input past end of file while reading x tick caption 4"},
        StartupFailure{"NoPoints", chartFile(head + "0\n" + captions),
                       "chart.dat, line 4: the count of points is 0; a chart needs at least one point"},
        StartupFailure{"NegativeCount", chartFile(head + "-3\n" + captions),
                       "chart.dat, line 4: the count of points is -3; it must not be negative"},
        StartupFailure{"NotANumber", chartFile(head + "1\n1,x\n" + captions),
                       "chart.dat, line 5: expected a number, found \"x\" while reading the y value of point 1"},
        StartupFailure{"OutOfRange", chartFile(head + "1\n1,2147483648\n" + captions),
                       "chart.dat, line 5: 2147483648 is outside the 32-bit range -2147483648 to 2147483647 "
                       "while reading the y value of point 1"},
        StartupFailure{"EmptyNumericField", chartFile(head + "1\n1,,\n" + captions),
                       "chart.dat, line 5: expected a number, found an empty field while reading the y value of point 1"},
        StartupFailure{"UnterminatedQuote", chartFile(head + "1\n1,2\n\"A,B\n"),
                       "chart.dat, line 6: a quoted text has no closing quote on its line while reading x tick caption 1"},
        StartupFailure{"NulInsideANumber", chartFile(head + "1\n1" + std::string(1, '\0') + "2,3\n" + captions),
                       "chart.dat, line 5: expected a number, found \"1\\x002\" while reading the x value of point 1"},
        StartupFailure{"LastXEqualsFirst", chartFile(head + "3\n4,1\n5,2\n4,3\n" + captions),
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

namespace {

// On a real display a start-up failure also shows the report in a message
// box; the chart window never appears, and dismissing the box ends with status 1.
TEST(Desktop, StartupFailureShowsTheReportInAMessageBox)
{
    testsupport::XvfbDisplay display;
    TempFolder folder;
    const testsupport::Env env{{"DISPLAY", display.name()}, {"QT_QPA_PLATFORM", "xcb"}};
    const std::string output = (folder.path() / "output").string();
    testsupport::BackgroundProcess viewer({program}, env, folder.path(), output);

    std::vector<std::string> shown;
    for (auto deadline = std::chrono::steady_clock::now() + 30s; shown.empty();) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "no message box appeared";
        ASSERT_TRUE(viewer.running()) << std::ifstream(output).rdbuf();
        const auto found = testsupport::runProcess({"xdotool", "search", "--all", "--onlyvisible", "--pid",
                                                    std::to_string(viewer.pid()), "--name", "^Chart Viewer$"},
                                                   10s, env);
        for (std::size_t at = 0, end; (end = found.out.find('\n', at)) != std::string::npos; at = end + 1)
            shown.push_back(found.out.substr(at, end - at));
        if (shown.empty())
            std::this_thread::sleep_for(100ms);
    }
    ASSERT_EQ(shown.size(), 1u) << "the chart window must not appear";
    const auto info = testsupport::runProcess({"xwininfo", "-id", shown[0]}, 10s, env);
    EXPECT_EQ(info.out.find("Width: 632\n"), std::string::npos) << "that is the chart window, not a message box";

    testsupport::askWindowToClose(display.name(), std::stoul(shown[0]));
    EXPECT_EQ(viewer.waitForExit(30s), std::optional<int>(1));
    std::ifstream report(output);
    const std::string text((std::istreambuf_iterator<char>(report)), {});
    EXPECT_NE(text.find("Chart Viewer: chart.dat: file not found\n"), std::string::npos) << text;
}

}  // namespace
