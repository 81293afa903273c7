// The real executable, as a user starts it: what only the whole program shows,
// its exit status, its report on standard error and in a message box, its
// memory, and its window on a real display server printing to a real spooler.
#include "tests/support/desktop.h"
#include "tests/support/pages.h"
#include "tests/support/special_files.h"
#include "tests/support/spooler.h"
#include "tests/support/work_folder.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

namespace {

using namespace std::chrono_literals;
using namespace testsupport;

// A work folder's paths as Qt takes them.
QString in(const WorkFolder& folder, const std::string& name = {}) { return QString::fromStdString(folder.path(name)); }

const std::string head = "T\nX\nY\n";
// Written a megabyte at a time: the test process stays small, as the child's
// peak memory counts what it shares with its parent until it starts.
const Setup millionsOfDigits = [](const std::string& path) {
    std::ofstream out(path);
    out << head << "1\n1,";
    for (int k = 0; k < 30; ++k)
        out << std::string(1'000'000, '9');
    out << "\nA,B,C,D,E,F,G,H\n";
};
std::string tooLong(const char* what, int line, const std::string& reading)
{
    return "chart.dat, line " + std::to_string(line) + ": the " + what +
           " is longer than the limit of 65536 bytes while reading " + reading;
}

// A chart named by a relative path with blanks and letters beyond ASCII.
const std::string nested = "my charts/Grüße/week 12.txt";

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

// The limits' messages and the reading rules are the reader's tests; here, what
// only the process shows: its status, its prompt end and its peak memory.
TEST_P(StartupEnds, PromptlyWithItsAnswerAndStatusInBoundedMemory)
{
    const StartupFailure& c = GetParam();
    WorkFolder folder;
    c.setup(folder.path("chart.dat"));
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
    for (const QString& argument : c.arguments)
        command << QString(argument).replace("%F", started);
    // Offscreen, there is no dialog to wait for; the command line is answered
    // with no display at all. Generous: a hang (on a FIFO, say) shows as the time running out.
    const QStringList environment = {c.status == 1 ? "QT_QPA_PLATFORM=offscreen" : "DISPLAY=", "WAYLAND_DISPLAY="};
    Viewer viewer(in(folder), c.environment.isEmpty() ? environment : c.environment, command);
    EXPECT_EQ(viewer.waitForExit(120000), c.status);
    const std::string out = (c.status == 0 ? viewer.standardOutput() : viewer.errors()).toStdString();
    const QString report = QString::fromStdString(c.report).replace("%F", started);
    // A report anywhere (Qt may warn before it); the answer to the command line alone.
    const std::size_t at = out.find((c.status == 1 ? "Chart Viewer: " : "") + report.toStdString() + "\n");
    EXPECT_TRUE(c.status == 1 ? at != std::string::npos : at == 0) << out.substr(0, 1000);
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    EXPECT_LT(usage.ru_maxrss, 150 << 10) << "KiB at the peak";
}

const std::string notRegular = "chart.dat: is not a regular file";
const std::string usage = " Usage: chartviewer [--help] [--version] [--export FILE | --print] [CHART]";
INSTANTIATE_TEST_SUITE_P(
    Cases, StartupEnds,
    testing::Values(
        StartupFailure{"AFolder", aFolder, "chart.dat: is a folder, not a file"},
        StartupFailure{"FolderWithoutChart", aFolder, "%F/chart.dat/chart.dat: file not found", {"chart.dat"}},
        StartupFailure{"MalformedByRelativePath",
                       [](const std::string& path) {
                           std::filesystem::create_directories(std::filesystem::path(path).parent_path() / "my charts/Grüße");
                           file(head + "5\n1,120\n2,135\n3\n")(std::filesystem::path(path).replace_filename(nested));
                       },
                       "%F/" + nested + ", line 7: input past end of file while reading the y value of point 3", {nested.c_str()}},
        StartupFailure{"MissingFileAfterTwoDashes", file(exampleChart), "--help: file not found in %F", {"--", "--help"}},
        StartupFailure{"TwoCharts", file(exampleChart), "chartviewer: One chart at most." + usage, {"a", "b"}, 2},
        StartupFailure{"UnknownOption", file(exampleChart), "chartviewer: Unknown option 'open'." + usage, {"--open"}, 2},
        StartupFailure{"ExportToAnUnknownFormat", file(exampleChart),
                       "chartviewer: The file to export to must end in .pdf, .svg or .png." + usage, {"--export", "page.txt"}, 2},
        StartupFailure{"Help", aFolder, "Usage: chartviewer [options] [CHART]", {"--help"}, 0},
        StartupFailure{"Version", aFolder, "Chart Viewer 1.0.0", {"--version"}, 0},
        StartupFailure{"Unreadable", [](const std::string& path) { file(exampleChart)(path), ::chmod(path.c_str(), 0); },
                       "chart.dat: permission denied"},
        // A FIFO is refused before it is read (which would block), as a device is; a
        // socket cannot even be opened.
        StartupFailure{"Fifo", fifo, notRegular}, StartupFailure{"Socket", socketFile, notRegular},
        // Each way a text or a number may run on, 4 GiB of it that take no room on disk.
        StartupFailure{"FourGiBOfZeroBytes", sparse(""), tooLong("line", 1, "the chart title (line 1)")},
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

// ---- The page from the command line, with no display at all (whatever Qt is
// told) and a desktop theme set up: written to a file beside which nothing is
// left when it fails, or printed once.

struct PageCommand {
    const char* name;
    QStringList arguments;  // the chart's folder, or its file when not chart.dat, follows
    std::string report = {};  // in its one line on standard error; none: it ends with status 0
    std::string chart = exampleChart, path = "week/chart.dat";
    bool logo = true;  // beside the chart
    std::function<void(CupsSpooler&)> breakSpooler = [](CupsSpooler&) {};
    QList<QRect> paper = {};  // more of the page at 300 dots per inch that takes no ink
};

class PageWithoutDisplay : public testing::TestWithParam<PageCommand> {};

TEST_P(PageWithoutDisplay, WrittenOrPrintedOnce)
{
    const PageCommand& c = GetParam();
    CupsSpooler spooler;
    c.breakSpooler(spooler);
    WorkFolder folder;
    folder.write(c.path, c.chart);
    const std::filesystem::path chart(c.path);
    if (c.logo)
        folder.write((chart.parent_path() / "images/customlogo.bmp").string(), bmpLogo({120, 30}, qRgb(0, 0, 255)));
    const auto entries = [&] { return QDir(in(folder)).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot); };
    const QStringList before = entries();
    Viewer viewer(in(folder), {"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORMTHEME=gtk3", "CUPS_SERVER=" + spooler.socketPath()},
                  QStringList{CHARTVIEWER_PATH} + c.arguments
                      << QString::fromStdString((chart.filename() == "chart.dat" ? chart.parent_path() : chart).string()));
    const int status = c.report.empty() ? 0 : 1;
    ASSERT_EQ(viewer.waitForExit(60000), status) << viewer.errors().toStdString();
    const QString errors = viewer.errors();
    EXPECT_TRUE(errors.contains(QString::fromStdString(c.report)) && errors.count("Chart Viewer: ") == status) << errors.toStdString();
    const int pages = !status && c.arguments.contains("--print");
    const QStringList jobs = spooler.waitForJobs(pages + 1, pages ? 3s : 1s);
    ASSERT_EQ(jobs.size(), pages) << "one page at most";
    if (status) {
        EXPECT_EQ(entries(), before) << "left behind";
        return;
    }
    QImage page;
    if (pages) {
        const Sheet printed(jobs[0], 300);
        EXPECT_TRUE(printed.page->text({}).contains(c.chart.substr(0, c.chart.find('\n')).c_str()));
        page = printed.image;
    } else if (c.arguments.join(' ').contains(".png")) {
        page.load(in(folder, "page.png"));
        ASSERT_EQ(page.size(), QSize(2000, 1500));
    } else {
        QFile svg(in(folder, "page.svg"));
        ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
        const QByteArray text = svg.readAll();
        EXPECT_TRUE(text.contains("<svg") && text.contains("Weekly Output"));
        return;
    }
    EXPECT_EQ(is(qRgb(0, 0, 255), 60)(page.pixel(800, 1400)), c.logo) << "the logo's middle";
    EXPECT_LT(qGray(page.pixel(312, 276)), 100) << "the top grid line";
    for (const QPoint paper : {QPoint(5, 5), QPoint(1995, 20), QPoint(1000, 10)})
        EXPECT_GT(qGray(page.pixel(paper)), 250) << "the paper above the title, at " << paper.x();
    for (const QRect area : c.paper)
        EXPECT_EQ(count(page, area, [](QRgb p) { return qGray(p) < 200; }), 0) << "ink at " << area.x() << "," << area.y();
}

// Captions that do not fit are cut at their labels' edges: the title's second
// line below its label, the first x caption on both sides of its own.
const std::string longCaptions =
    QString("wide ").repeated(60).toStdString() + "\nX\nY\n2\n1,1\n2,2\n" + std::string(40, 'M') + ",B,C,D,E,F,G,H\n";

const auto noPrinter = [](CupsSpooler& s) { s.admin("lpadmin", {"-x", CupsSpooler::kQueue}); };

INSTANTIATE_TEST_SUITE_P(
    Cases, PageWithoutDisplay,
    testing::Values(
        // The option and its file in one argument, as in two for the others.
        PageCommand{.name = "ExportPng", .arguments = {"--export=page.png"}},
        PageCommand{.name = "ExportSvg", .arguments = {"--export", "page.svg"}},
        PageCommand{.name = "ExportLongCaptions", .arguments = {"--export", "page.png"}, .chart = longCaptions,
                    .paper = {QRect(200, 130, 1750, 18), QRect(0, 1180, 45, 40), QRect(305, 1180, 18, 40)}},
        PageCommand{.name = "ExportBrokenChart", .arguments = {"--export", "page.pdf"},
                    .report = "/week/chart.dat, line 4: expected a number, found \"x\"", .chart = "T\nX\nY\nx\n"},
        PageCommand{.name = "ExportIntoAFolderNoOneWrites", .arguments = {"--export", "/proc/page.pdf"},
                    .report = "/proc/page.pdf: cannot be written: "},
        PageCommand{.name = "Print", .arguments = {"--print"}},
        PageCommand{.name = "PrintWithoutALogo", .arguments = {"--print"}, .logo = false},
        // A chart of another name is read again by the page, which prints the logo beside it.
        PageCommand{.name = "PrintAnotherChart", .arguments = {"--print"},
                    .chart = "Grüße" + exampleChart.substr(exampleChart.find('\n')), .path = nested},
        PageCommand{.name = "PrintBrokenChart", .arguments = {"--print"}, .report = "/week/chart.dat, line 4: expected a number",
                    .chart = "T\nX\nY\nx\n"},
        PageCommand{.name = "PrintWithoutADefaultPrinter", .arguments = {"--print"},
                    .report = "Printing failed: no default printer is set up", .breakSpooler = noPrinter}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- On a display server (run under tests/with-xvfb.sh).

// The window's client pixels of the two buttons.
const QPoint printButton(596, 140), exitButton(596, 212);

// The window shows at its size, with the chart given by its folder, by the
// name chart.dat or not at all. A click presses a button, and so do Return,
// the keypad's Enter and Space the focused one; Tab moves on to Exit; Ctrl+P
// prints, Ctrl+Q and Ctrl+W exit. Each Print is one page of the chart; Exit,
// or closing the window, ends with 0. A malformed chart's report shows in a
// message box instead of the window, whatever standard error is, and closing
// the box ends with 1.
TEST(Desktop, WindowAnswersMouseAndKeys)
{
    using Act = std::function<void(Viewer&, const QString&)>;
    const auto keys = [](QStringList k) { return Act([k](Viewer& v, const QString& w) { v.keys(w, k); }); };
    const auto click = [](QPoint at) { return Act([at](Viewer& v, const QString& w) { v.click(w, at); }); };
    const Act close = [](Viewer&, const QString& w) { askWindowToClose(w); };
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    ::close(pipeEnds[0]);  // nobody reads it
    const struct { const char* name; Act act; int pages; QStringList chart = {}; int status = 0; std::function<void()> inChild = {}; } cases[] = {
        {"click Print", click(printButton), 1}, {"Return", keys({"Return"}), 1, {"."}},
        {"keypad Enter", keys({"KP_Enter"}), 1, {"chart.dat"}}, {"Space", keys({"space"}), 1},
        {"Ctrl+P", keys({"ctrl+p"}), 1}, {"Tab then Return", keys({"Tab", "Return"}), 0},
        {"click Exit", click(exitButton), 0}, {"Ctrl+Q", keys({"ctrl+q"}), 0}, {"Ctrl+W", keys({"ctrl+w"}), 0},
        {"close", close, 0}, {"box, errors to a file", close, 0, {"broken"}, 1},
        {"box, errors closed", close, 0, {"broken"}, 1, [] { ::close(2); }},
        {"box, errors to a pipe nobody reads", close, 0, {"broken"}, 1, [&] { ::dup2(pipeEnds[1], 2); }},
    };
    CupsSpooler spooler;
    WorkFolder folder;
    folder.write("chart.dat", exampleChart);
    folder.write("broken/chart.dat", "T\nX\nY\nx\n");
    int pages = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Viewer viewer(in(folder), {"CUPS_SERVER=" + spooler.socketPath()}, QStringList{CHARTVIEWER_PATH} + c.chart, c.inChild);
        const QString shown = viewer.windows(1)[0];
        const QString info = output("xwininfo", {"-id", shown});
        EXPECT_EQ(info.contains("Width: 632\n") && info.contains("Height: 419\n"), !c.status) << info.toStdString();
        // The X11 class that the desktop entry names, for docks to match.
        EXPECT_TRUE(output("xprop", {"-id", shown, "WM_CLASS"}).endsWith("\"chartviewer\"\n"));
        c.act(viewer, shown);
        EXPECT_EQ(c.pages ? c.status : viewer.waitForExit(30000), c.status);
        EXPECT_EQ(viewer.errors().contains("/broken/chart.dat, line 4: expected a number"), c.status && !c.inChild);
        ASSERT_EQ(spooler.waitForJobs(pages += c.pages, 60s).size(), pages) << spooler.errorLog().toStdString();
        EXPECT_EQ(spooler.waitForJobs(pages + 1, 3s).size(), pages) << "one page a press (what it holds is the print tests')";
    }
    ::close(pipeEnds[1]);
}

// Under a dark desktop theme the window follows it (its back colour),
// while the page is paper: printed, or exported with no display
// to a PDF of 6 2/3 x 5 inches that keeps its text, white with a black frame
// and grid, and the two the same page. A Print without a spooler then shows its
// report in a message box, and the window goes on.
TEST(Desktop, DarkThemeWindowPaperPage)
{
    const QStringList dark = {"QT_QPA_PLATFORMTHEME=gtk3", "GTK_THEME=Adwaita:dark"};
    CupsSpooler spooler;
    WorkFolder folder;
    folder.write("chart.dat", exampleChart);
    Viewer viewer(in(folder), dark + QStringList{"CUPS_SERVER=" + spooler.socketPath()});
    const QString shown = viewer.windows(1)[0];
    const QImage window = windowPixels(shown);
    // The back follows the theme. The grid takes the theme's text colour as
    // Qt's GTK theme maps it, which differs between Qt releases (light with
    // Qt 6.4, black with 6.8 under this theme), so it is not checked here.
    EXPECT_LT(qGray(window.pixel(5, 5)), 100) << "the window's back colour";
    viewer.click(shown, printButton);
    const QStringList jobs = spooler.waitForJobs(1, 60s);
    ASSERT_EQ(jobs.size(), 1) << spooler.errorLog().toStdString();
    Viewer exporter(in(folder), dark + QStringList{"DISPLAY=", "WAYLAND_DISPLAY="}, {CHARTVIEWER_PATH, "--export", "page.pdf"});
    ASSERT_EQ(exporter.waitForExit(60000), 0) << exporter.errors().toStdString();
    const Sheet exported(in(folder, "page.pdf"));
    EXPECT_EQ(exported.page->pageSizeF(), QSizeF(480, 360));
    EXPECT_TRUE(exported.has("Weekly Output"));
    const QImage printed = Sheet(jobs[0]).image.copy(exported.image.rect());
    EXPECT_TRUE(differing(printed, exported.image, 32).isEmpty()) << "the printed and the exported page differ";
    for (const QPoint paper : {QPoint(5, 5), QPoint(30, 200), QPoint(600, 300), QPoint(630, 470)})
        EXPECT_GT(qGray(printed.pixel(paper)), 250) << paper.x() << "," << paper.y();
    for (const QPoint ink : {QPoint(64, 48), QPoint(64, 369), QPoint(561, 200), QPoint(300, 328), QPoint(100, 88)})
        EXPECT_LT(qGray(printed.pixel(ink)), 100) << ink.x() << "," << ink.y();
    spooler.stop();
    viewer.click(shown, printButton);
    const QStringList withBox = viewer.windows(2);
    EXPECT_TRUE(viewer.errors().contains("Chart Viewer: Printing failed: "));
    askWindowToClose(withBox[0] == shown ? withBox[1] : withBox[0]);
    ASSERT_EQ(viewer.windows(1), QStringList{shown});
    viewer.click(shown, exitButton);
    EXPECT_EQ(viewer.waitForExit(30000), 0) << viewer.errors().toStdString();
}

}  // namespace
