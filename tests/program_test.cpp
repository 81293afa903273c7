// The real executable, as a user starts it: what only the whole program shows,
// its exit status, its report on standard error and in a message box, and its
// window on a real display server printing to a real spooler.
#include "desktop.h"
#include "spooler.h"
#include "work_folder.h"

#include <QFile>
#include <QProcess>

#include <poppler-qt6.h>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>

namespace {

using namespace std::chrono_literals;
using namespace testsupport;

struct StartupFailure {
    const char* name;
    std::function<void(const WorkFolder&)> setup;
    QString report;
};

void PrintTo(const StartupFailure& c, std::ostream* out) { *out << c.name; }

class StartupFails : public testing::TestWithParam<StartupFailure> {};

TEST_P(StartupFails, WithTheReportAndStatus1)
{
    WorkFolder folder;
    GetParam().setup(folder);
    QString program = CHARTVIEWER_PATH;
    QStringList arguments;
    // Root reads any file: an unreadable one needs another user, who gets a
    // copy of the program, since the build may lie where only root may go.
    if (::geteuid() == 0) {
        QFile::setPermissions(folder.path(), QFile::Permissions(0x7755));
        QFile::copy(program, folder.path("chartviewer"));
        arguments = {"--reuid=65534", "--regid=65534", "--clear-groups", folder.path("chartviewer")};
        program = "setpriv";
    }
    QProcess viewer;
    viewer.setWorkingDirectory(folder.path());
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");  // no dialog to wait for
    viewer.setProcessEnvironment(env);
    viewer.start(program, arguments);
    // The bound is the test that it does not hang (on a FIFO, say).
    ASSERT_TRUE(viewer.waitForFinished(60000));
    EXPECT_EQ(viewer.exitCode(), 1);
    const QString err = QString::fromUtf8(viewer.readAllStandardError());
    EXPECT_TRUE(err.contains("Chart Viewer: " + GetParam().report + "\n")) << err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StartupFails,
    testing::Values(
        StartupFailure{"NoChartFile", [](const WorkFolder&) {}, "chart.dat: file not found"},
        StartupFailure{"AFolder", [](const WorkFolder& f) { QDir(f.path()).mkdir("chart.dat"); },
                       "chart.dat: is a folder, not a file"},
        StartupFailure{"AFifo", [](const WorkFolder& f) { ::mkfifo(qPrintable(f.path("chart.dat")), 0644); },
                       "chart.dat: is not a regular file"},
        StartupFailure{"Unreadable",
                       [](const WorkFolder& f) {
                           f.write("chart.dat", exampleChart);
                           QFile::setPermissions(f.path("chart.dat"), {});
                       },
                       "chart.dat: permission denied"},
        StartupFailure{"DataRunsOut", [](const WorkFolder& f) { f.write("chart.dat", "T\nX\nY\n5\n1,120\n2,135\n3\n"); },
                       "chart.dat, line 7: input past end of file while reading the y value of point 3"},
        StartupFailure{"LastXEqualsFirst",
                       [](const WorkFolder& f) { f.write("chart.dat", "T\nX\nY\n3\n4,1\n5,2\n4,3\nA,B,C,D,E,F,G,H\n"); },
                       "chart.dat, line 7: division by zero: the last x value equals the first (4), "
                       "so the points cannot be spread across the plot"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- On a display server (run under tests/with-xvfb.sh).

// The window's client pixels of the two buttons.
const QPoint printButton(596, 140), exitButton(596, 212);

TEST(Desktop, WindowAppearsAndClosingItEndsTheProgram)
{
    WorkFolder folder;
    folder.write("chart.dat", exampleChart);
    Viewer viewer(folder.path());
    const QStringList shown = viewer.windows(1);
    ASSERT_EQ(shown.size(), 1) << viewer.errors().toStdString();
    const QString info = output("xwininfo", {"-id", shown[0]});
    EXPECT_TRUE(info.contains("Width: 632\n") && info.contains("Height: 419\n")) << info.toStdString();
    EXPECT_TRUE(info.contains("Map State: IsViewable")) << info.toStdString();
    askWindowToClose(shown[0]);
    EXPECT_EQ(viewer.waitForExit(30000), 0) << viewer.errors().toStdString();
}

// The chart window never appears; dismissing the box ends with status 1.
TEST(Desktop, StartupFailureShowsTheReportInAMessageBox)
{
    WorkFolder folder;
    Viewer viewer(folder.path());
    const QStringList shown = viewer.windows(1);
    ASSERT_EQ(shown.size(), 1) << viewer.errors().toStdString();
    EXPECT_FALSE(output("xwininfo", {"-id", shown[0]}).contains("Width: 632\n")) << "the chart window, not a box";
    askWindowToClose(shown[0]);
    EXPECT_EQ(viewer.waitForExit(30000), 1);
    EXPECT_TRUE(viewer.errors().contains("Chart Viewer: chart.dat: file not found\n"));
}

TEST(Desktop, PrintClickPrintsOnePageAndExitEndsWithStatus0)
{
    CupsSpooler spooler;
    WorkFolder folder;
    folder.write("chart.dat", exampleChart);
    Viewer viewer(folder.path(), {"CUPS_SERVER=" + spooler.socketPath()});
    const QStringList shown = viewer.windows(1);
    ASSERT_EQ(shown.size(), 1) << viewer.errors().toStdString();
    viewer.click(shown[0], printButton.x(), printButton.y());

    const QStringList jobs = spooler.waitForJobs(1, 60s);
    ASSERT_EQ(jobs.size(), 1) << viewer.errors().toStdString() << spooler.errorLog().toStdString();
    const auto pdf = Poppler::Document::load(jobs[0]);
    ASSERT_TRUE(pdf && pdf->numPages() == 1);
    EXPECT_TRUE(pdf->page(0)->text({}).contains("Weekly Output"));
    EXPECT_EQ(spooler.waitForJobs(2, 3s).size(), 1) << "one job for one click";

    viewer.click(shown[0], exitButton.x(), exitButton.y());
    EXPECT_EQ(viewer.waitForExit(30000), 0) << viewer.errors().toStdString();
}

// Return, the keypad's Enter and Space press the focused button; Tab moves on to Exit.
TEST(Desktop, KeysPressTheFocusedButton)
{
    const struct { const char* name; QStringList keys; int pages; bool ends; } cases[] = {
        {"Return", {"Return"}, 1, false}, {"keypad Enter", {"KP_Enter"}, 1, false},
        {"Space", {"space"}, 1, false}, {"Tab then Return", {"Tab", "Return"}, 0, true},
    };
    CupsSpooler spooler;
    WorkFolder folder;
    folder.write("chart.dat", exampleChart);
    int pages = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Viewer viewer(folder.path(), {"CUPS_SERVER=" + spooler.socketPath()});
        const QStringList shown = viewer.windows(1);
        ASSERT_EQ(shown.size(), 1) << viewer.errors().toStdString();
        viewer.keys(shown[0], c.keys);
        if (c.ends)
            EXPECT_EQ(viewer.waitForExit(30000), 0);
        pages += c.pages;
        EXPECT_EQ(spooler.waitForJobs(pages, 60s).size(), pages);
        EXPECT_EQ(spooler.waitForJobs(pages + 1, 3s).size(), pages) << "one page a key";
    }
}

TEST(Desktop, PrintWithoutSpoolerReportsInABoxAndKeepsRunning)
{
    WorkFolder folder;
    folder.write("chart.dat", exampleChart);
    Viewer viewer(folder.path(), {"CUPS_SERVER=" + folder.path("no-spooler")});
    const QStringList shown = viewer.windows(1);
    ASSERT_EQ(shown.size(), 1) << viewer.errors().toStdString();
    viewer.click(shown[0], printButton.x(), printButton.y());

    const QStringList withBox = viewer.windows(2);
    ASSERT_EQ(withBox.size(), 2) << viewer.errors().toStdString();
    EXPECT_TRUE(viewer.errors().contains("Chart Viewer: Printing failed: "));
    for (const QString& w : withBox)
        if (w != shown[0])
            askWindowToClose(w);
    ASSERT_EQ(viewer.windows(1).size(), 1);
    viewer.click(shown[0], exitButton.x(), exitButton.y());
    EXPECT_EQ(viewer.waitForExit(30000), 0) << viewer.errors().toStdString();
}

}  // namespace
