// The real executable, as a user starts it: what only the whole program shows,
// its exit status, its report on standard error and in a message box, its
// memory, and its window on a real display server printing to a real spooler.
#include "tests/support/desktop.h"
#include "tests/support/special_files.h"
#include "tests/support/spooler.h"
#include "tests/support/work_folder.h"

#include <QDir>
#include <QFile>
#include <QImage>

#include <poppler-qt6.h>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

namespace {

using namespace std::chrono_literals;
using namespace testsupport;

// A work folder's paths as Qt takes them.
QString in(const WorkFolder& folder, const std::string& name = {}) { return QString::fromStdString(folder.path(name)); }

const std::string head = "T\nX\nY\n";
const std::string captions = "A,B,C,D,E,F,G,H\n";
// Written a megabyte at a time: the test process stays small, as the child's
// peak memory counts what it shares with its parent until it starts.
const Setup millionsOfDigits = [](const std::string& path) {
    std::ofstream out(path);
    out << head << "1\n1,";
    for (int k = 0; k < 30; ++k)
        out << std::string(1'000'000, '9');
    out << "\n" << captions;
};

std::string tooLong(const char* what, int line, const std::string& reading)
{
    return "chart.dat, line " + std::to_string(line) + ": the " + what + " is longer than the limit of 65536 bytes" +
           " while reading " + reading;
}

// A chart named by a relative path with blanks and letters beyond ASCII; as
// set up beside chart.dat, it is malformed.
const std::string nested = "my charts/Grüße/week 12.txt";
const Setup malformedNested = [](const std::string& path) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path() / "my charts/Grüße");
    file(head + "5\n1,120\n2,135\n3\n")(std::filesystem::path(path).replace_filename(nested));
};

// %F in the arguments and the report stands for the folder the program starts in.
struct StartupFailure {
    const char* name;
    Setup setup;
    std::string report;
    QStringList arguments = {};
    int status = 1;
    QStringList environment = {};  // none: offscreen for a report, else no display
};

class StartupEnds : public testing::TestWithParam<StartupFailure> {};

TEST_P(StartupEnds, PromptlyWithItsAnswerAndStatusInBoundedMemory)
{
    WorkFolder folder;
    GetParam().setup(folder.path("chart.dat"));
    struct stat info {};
    if (::stat(folder.path("chart.dat").c_str(), &info) == 0 && info.st_blocks > (64 << 20) / 512)
        GTEST_SKIP() << "the temporary folder's file system keeps no sparse files";
    QStringList command = {CHARTVIEWER_PATH};
    // Root reads any file: an unreadable one needs another user, who gets a
    // copy of the program, since the build may lie where only root may go.
    if (::geteuid() == 0) {
        QFile::setPermissions(in(folder), QFile::Permissions(0x7755));
        QFile::copy(CHARTVIEWER_PATH, in(folder, "chartviewer"));
        command = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", in(folder, "chartviewer")};
    }
    const QString started = QDir(in(folder)).canonicalPath();
    for (const QString& argument : GetParam().arguments)
        command << QString(argument).replace("%F", started);
    // Offscreen, there is no dialog to wait for; the command line is answered
    // with no display at all.
    // Generous: a hang (on a FIFO, say) shows as the time running out.
    const int status = GetParam().status;
    const QStringList environment = {status == 1 ? "QT_QPA_PLATFORM=offscreen" : "DISPLAY=", "WAYLAND_DISPLAY="};
    Viewer viewer(in(folder), GetParam().environment.isEmpty() ? environment : GetParam().environment, command);
    EXPECT_EQ(viewer.waitForExit(120000), status);
    const std::string out = (status == 0 ? viewer.standardOutput() : viewer.errors()).toStdString();
    const QString report = QString::fromStdString(GetParam().report).replace("%F", started);
    // A report anywhere (Qt may warn before it); the answer to the command line alone.
    const std::size_t at = out.find((status == 1 ? "Chart Viewer: " : "") + report.toStdString() + "\n");
    EXPECT_TRUE(status == 1 ? at != std::string::npos : at == 0) << out.substr(0, 1000);
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    EXPECT_LT(usage.ru_maxrss, 150 << 10) << "KiB at the peak";
}

const std::string notRegular = "chart.dat: is not a regular file";
const std::string usage = " Usage: chartviewer [--help] [--version] [CHART]";
INSTANTIATE_TEST_SUITE_P(
    Cases, StartupEnds,
    testing::Values(
        StartupFailure{"AFolder", aFolder, "chart.dat: is a folder, not a file"},
        StartupFailure{"FolderWithoutChart", aFolder, "%F/chart.dat/chart.dat: file not found", {"chart.dat"}},
        StartupFailure{"MalformedByRelativePath", malformedNested,
                       "%F/" + nested + ", line 7: input past end of file while reading the y value of point 3", {nested.c_str()}},
        StartupFailure{"MissingFileAfterTwoDashes", file(exampleChart), "--help: file not found in %F", {"--", "--help"}},
        StartupFailure{"TwoCharts", file(exampleChart), "chartviewer: One chart at most." + usage, {"a", "b"}, 2},
        StartupFailure{"UnknownOption", file(exampleChart), "chartviewer: Unknown option 'open'." + usage, {"--open"}, 2},
        StartupFailure{"Help", aFolder, "Usage: chartviewer [options] [CHART]", {"--help"}, 0},
        StartupFailure{"Version", aFolder, "Chart Viewer 1.0.0", {"--version"}, 0},
        StartupFailure{"Unreadable",
                       [](const std::string& path) {
                           file(exampleChart)(path);
                           ::chmod(path.c_str(), 0);
                       },
                       "chart.dat: permission denied"},
        StartupFailure{"Fifo", fifo, notRegular}, StartupFailure{"FifoWithAWriter", fifoWithAWriter, notRegular},
        StartupFailure{"ZeroDeviceThroughALink", zeroDevice, notRegular},
        StartupFailure{"Socket", socketFile, notRegular},
        // One "line" of 4 GiB: the title.
        StartupFailure{"FourGiBOfZeroBytes", sparse(""), tooLong("line", 1, "the chart title (line 1)")},
        StartupFailure{"OverlongTitle", file(std::string(65537, 'T') + "\nX\nY\n1\n1,2\n" + captions),
                       tooLong("line", 1, "the chart title (line 1)")},
        // At the limit, the title and the caption are read, and the reading fails later.
        StartupFailure{"TitleAtTheLimit", file(std::string(65536, 'T') + "\nX\nY\nx\n"),
                       "chart.dat, line 4: expected a number, found \"x\" while reading the count of points"},
        StartupFailure{"QuotedCaptionAtTheLimit", file(head + "1\n1,2\n\"" + std::string(65534, 'A') + "\"\n"),
                       "chart.dat, line 6: input past end of file while reading x tick caption 2"},
        StartupFailure{"OverlongCaption", sparse(head + "1\n1,2\nA, B"), tooLong("field", 6, "x tick caption 2")},
        StartupFailure{"OverlongQuotedCaption", sparse(head + "1\n1,2\n\"A"), tooLong("field", 6, "x tick caption 1")},
        StartupFailure{"NumberOfMillionsOfDigits", millionsOfDigits,
                       "chart.dat, line 5: " + std::string(40, '9') +
                           "\u2026 is outside the 32-bit range -2147483648 to 2147483647 while reading the y value of point 1"},
        StartupFailure{"NumberOfZeroBytes", sparse(head + "1\n1,"),
                       "chart.dat, line 5: expected a number, found \"" + QString("\\x00").repeated(40).toStdString() +
                           "\u2026\" while reading the y value of point 1"},
        // No display server there: one line, and no abort (and so no core file).
        StartupFailure{"NoDisplay", file(exampleChart), "cannot open a window: no display (could not connect to display :65535)",
                       {}, 1, {"QT_QPA_PLATFORM=xcb", "DISPLAY=:65535"}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- On a display server (run under tests/with-xvfb.sh).

// The window's client pixels of the two buttons.
const QPoint printButton(596, 140), exitButton(596, 212);

// The window shows at its size. A click presses a button, and so do Return,
// the keypad's Enter and Space the focused one; Tab moves on to Exit. Each
// Print is one page of the chart; Exit, or closing the window, ends with 0.
TEST(Desktop, WindowAnswersMouseAndKeys)
{
    using Act = std::function<void(Viewer&, const QString&)>;
    const auto keys = [](QStringList k) { return Act([k](Viewer& v, const QString& w) { v.keys(w, k); }); };
    const auto click = [](QPoint at) { return Act([at](Viewer& v, const QString& w) { v.click(w, at.x(), at.y()); }); };
    // The chart named by its folder, or by the name chart.dat, reads the same. A
    // chart of another name, by a relative path with blanks and letters beyond
    // ASCII, is read again by the page, which prints the logo beside it.
    const QString other = QString::fromStdString(nested);
    const struct { const char* name; Act act; int pages; bool ends; QStringList chart = {}; } cases[] = {
        {"click Print", click(printButton), 1, false}, {"Return", keys({"Return"}), 1, false, {"."}},
        {"keypad Enter", keys({"KP_Enter"}), 1, false, {"chart.dat"}}, {"Space", keys({"space"}), 1, false},
        {"another chart", click(printButton), 1, false, {other}},
        {"Tab then Return", keys({"Tab", "Return"}), 0, true}, {"click Exit", click(exitButton), 0, true},
        {"close", [](Viewer&, const QString& w) { askWindowToClose(w); }, 0, true},
    };
    CupsSpooler spooler;
    WorkFolder folder;
    folder.write("chart.dat", exampleChart);
    folder.write(nested, "Grüße" + exampleChart.substr(exampleChart.find('\n')));
    QImage logo(80, 80, QImage::Format_RGB32);
    logo.fill(Qt::blue);
    QDir().mkpath(in(folder, "my charts/Grüße/images"));
    ASSERT_TRUE(logo.save(in(folder, "my charts/Grüße/images/customlogo.bmp")));
    int pages = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Viewer viewer(in(folder), {"CUPS_SERVER=" + spooler.socketPath()}, QStringList{CHARTVIEWER_PATH} + c.chart);
        const QStringList shown = viewer.windows(1);
        ASSERT_EQ(shown.size(), 1) << viewer.errors().toStdString();
        const QString info = output("xwininfo", {"-id", shown[0]});
        EXPECT_TRUE(info.contains("Width: 632\n") && info.contains("Height: 419\n")) << info.toStdString();
        // The X11 class that the desktop entry names, for docks to match.
        EXPECT_TRUE(output("xprop", {"-id", shown[0], "WM_CLASS"}).endsWith("\"chartviewer\"\n"));
        c.act(viewer, shown[0]);
        if (c.ends) {
            EXPECT_EQ(viewer.waitForExit(30000), 0);
        }
        pages += c.pages;
        const QStringList jobs = spooler.waitForJobs(pages, 60s);
        ASSERT_EQ(jobs.size(), pages) << spooler.errorLog().toStdString();
        EXPECT_EQ(spooler.waitForJobs(pages + 1, 3s).size(), pages) << "one page a press";
        if (c.pages) {
            const bool named = c.chart == QStringList{other};
            const auto pdf = Poppler::Document::load(jobs.back());
            ASSERT_TRUE(pdf && pdf->numPages() == 1 && pdf->page(0)->text({}).contains(named ? "Grüße" : "Weekly Output"));
            const QImage page = pdf->page(0)->renderToImage(72, 72).convertToFormat(QImage::Format_RGB32);
            const auto* pixels = reinterpret_cast<const QRgb*>(page.constBits());
            const auto blue = [](QRgb p) { return qBlue(p) > 200 && qRed(p) < 60 && qGreen(p) < 60; };
            EXPECT_EQ(std::count_if(pixels, pixels + page.width() * page.height(), blue) > 500, named) << "the logo's pixels";
        }
    }
}

// A report shows in a message box too, whatever standard error is. At start-up
// the chart window never appears, and closing the box ends with status 1; after
// a failed Print the window goes on.
TEST(Desktop, ReportsShowInAMessageBox)
{
    WorkFolder folder;
    folder.write("chart.dat", "T\nX\nY\nx\n");
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    ::close(pipeEnds[0]);  // nobody reads it
    const struct { const char* name; std::function<void()> inChild; } errorStreams[] = {
        {"a file", {}}, {"closed", [] { ::close(2); }}, {"a pipe nobody reads", [&] { ::dup2(pipeEnds[1], 2); }}};
    for (const auto& stream : errorStreams) {
        SCOPED_TRACE(stream.name);
        Viewer viewer(in(folder), {}, {CHARTVIEWER_PATH}, stream.inChild);
        const QStringList shown = viewer.windows(1);
        ASSERT_EQ(shown.size(), 1) << viewer.errors().toStdString();
        EXPECT_FALSE(output("xwininfo", {"-id", shown[0]}).contains("Width: 632\n")) << "the chart window, not a box";
        askWindowToClose(shown[0]);
        EXPECT_EQ(viewer.waitForExit(30000), 1);
        EXPECT_EQ(viewer.errors().contains("Chart Viewer: chart.dat, line 4: expected a number"), !stream.inChild);
    }
    ::close(pipeEnds[1]);
    folder.write("chart.dat", exampleChart);
    Viewer viewer(in(folder), {"CUPS_SERVER=" + in(folder, "no-spooler")});
    const QStringList shown = viewer.windows(1);
    ASSERT_EQ(shown.size(), 1) << viewer.errors().toStdString();
    viewer.click(shown[0], printButton.x(), printButton.y());
    const QStringList withBox = viewer.windows(2);
    ASSERT_EQ(withBox.size(), 2) << viewer.errors().toStdString();
    EXPECT_TRUE(viewer.errors().contains("Chart Viewer: Printing failed: "));
    askWindowToClose(withBox[0] == shown[0] ? withBox[1] : withBox[0]);
    ASSERT_EQ(viewer.windows(1), shown);
    viewer.click(shown[0], exitButton.x(), exitButton.y());
    EXPECT_EQ(viewer.waitForExit(30000), 0) << viewer.errors().toStdString();
}

}  // namespace
