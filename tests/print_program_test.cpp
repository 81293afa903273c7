// The real executable under Xvfb, printing to a private cupsd: Print is clicked
// as a user would, with the mouse, and Exit ends the program.
#include "cups_spooler.h"
#include "pdf_probe.h"
#include "process.h"
#include "temp_folder.h"
#include "xvfb_display.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <optional>
#include <thread>

namespace {

using namespace std::chrono_literals;
using namespace testsupport;

const std::string program = CHARTVIEWER_PATH;

const std::string exampleFile =
    "Weekly Output\nWeek\nUnits\n5\n1,120\n2,135\n3,128\n4,150\n5,162\n"
    "W1,W1,W2,W3,W4,\"W5, late\",W6,W7\n";

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The viewer on its own display, printing to its own spooler.
class PrintProgram : public testing::Test {
protected:
    PrintProgram()
        : env{{"DISPLAY", display.name()}, {"QT_QPA_PLATFORM", "xcb"}, {"CUPS_SERVER", spooler.socketPath()}}
    {
        folder.write("chart.dat", exampleFile);
        viewer.emplace(std::vector<std::string>{program}, env, folder.path().string(), output());
    }

    std::string output() const { return (folder.path() / "viewer.out").string(); }

    // The visible windows captioned "Chart Viewer", waiting (bounded) until there are exactly n.
    std::vector<std::string> windows(size_t n)
    {
        std::vector<std::string> found;
        for (auto deadline = std::chrono::steady_clock::now() + 30s;;) {
            // Only the viewer's own windows, should another program share the display.
            const auto r = runProcess({"xdotool", "search", "--all", "--onlyvisible", "--pid",
                                       std::to_string(viewer->pid()), "--name", "^Chart Viewer$"},
                                      10s, env);
            found.clear();
            for (size_t at = 0, end; (end = r.out.find('\n', at)) != std::string::npos; at = end + 1)
                found.push_back(r.out.substr(at, end - at));
            if (found.size() == n || std::chrono::steady_clock::now() > deadline || !viewer->running())
                return found;
            std::this_thread::sleep_for(100ms);
        }
    }

    // Clicks the client pixel (x, y) of the window.
    void click(const std::string& window, int x, int y)
    {
        const auto r = runProcess({"xdotool", "mousemove", "--window", window, std::to_string(x), std::to_string(y),
                                   "click", "1"},
                                  10s, env);
        ASSERT_EQ(r.exitCode, 0) << r.err;
    }
    void clickPrint(const std::string& window) { click(window, 596, 140); }
    void clickExit(const std::string& window) { click(window, 596, 212); }

    XvfbDisplay display;
    CupsSpooler spooler;
    TempFolder folder;
    Env env;
    std::optional<BackgroundProcess> viewer;
};

TEST_F(PrintProgram, PrintClickPrintsOnePageAndExitEndsWithStatus0)
{
    const auto shown = windows(1);
    ASSERT_EQ(shown.size(), 1u) << readFile(output());
    clickPrint(shown[0]);

    const auto jobs = spooler.waitForJobs(1, 60s);
    ASSERT_EQ(jobs.size(), 1u) << readFile(output()) << spooler.errorLog();
    EXPECT_EQ(pageCount(jobs[0]), 1);
    bool title = false;
    for (const Word& w : words(jobs[0]))
        title |= w.text == "Weekly";
    EXPECT_TRUE(title);
    // Only one job for one click.
    EXPECT_EQ(spooler.waitForJobs(2, 3s).size(), 1u);

    clickExit(shown[0]);
    EXPECT_EQ(viewer->waitForExit(30s), std::optional<int>(0)) << readFile(output());
}

TEST_F(PrintProgram, PrintWithoutSpoolerReportsAndKeepsRunning)
{
    const auto shown = windows(1);
    ASSERT_EQ(shown.size(), 1u) << readFile(output());
    spooler.stop();
    clickPrint(shown[0]);

    // The report goes to stderr, then into a message box of the same caption.
    const auto withBox = windows(2);
    EXPECT_EQ(withBox.size(), 2u);
    ASSERT_TRUE(viewer->running());
    EXPECT_NE(readFile(output()).find("Chart Viewer: Printing failed: "), std::string::npos) << readFile(output());

    // Dismissing the box leaves the window working: Exit still ends the program normally.
    for (const std::string& w : withBox)
        if (w != shown[0])
            askWindowToClose(display.name(), std::stoul(w));
    ASSERT_EQ(windows(1).size(), 1u);
    clickExit(shown[0]);
    EXPECT_EQ(viewer->waitForExit(30s), std::optional<int>(0)) << readFile(output());
}

}  // namespace
