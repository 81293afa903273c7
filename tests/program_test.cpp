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
const std::string usage = " Usage: chartviewer [--help] [--version] [--export FILE | --print] [CHART]";
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
        StartupFailure{"ExportToAnUnknownFormat", file(exampleChart),
                       "chartviewer: The file to export to must end in .pdf, .svg or .png." + usage, {"--export", "page.txt"}, 2},
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

// ---- The page from the command line, with no display at all (whatever Qt is
// told) and a desktop theme set up: written to a file beside which nothing is
// left when it fails, or printed once.

bool isBlue(QRgb p) { return qBlue(p) > 200 && qRed(p) < 60 && qGreen(p) < 60; }
bool isWhite(QRgb p) { return qGray(p) > 250; }
// Whether every pixel of the rectangle passes.
bool all(const QImage& image, QRect area, bool (*test)(QRgb))
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (!test(image.pixel(x, y)))
                return false;
    return true;
}
// The exported PNG at 300 dpi: the logo's middle, and the paper above the title.
const QPoint logoMiddle(800, 1400);
const QRect paperAtTheTop(0, 0, 2000, 30);

struct PageCommand {
    const char* name;
    QStringList arguments;  // the chart's folder follows
    int status;
    std::string report = {};  // in its one line on standard error
    std::string chart = exampleChart;
    bool logo = true;
    std::function<void(const QString& folder)> check = {};
    std::function<void(CupsSpooler&)> breakSpooler = [](CupsSpooler&) {};
};

class PageWithoutDisplay : public testing::TestWithParam<PageCommand> {};

TEST_P(PageWithoutDisplay, WrittenOrPrintedOnce)
{
    const PageCommand& c = GetParam();
    CupsSpooler spooler;
    c.breakSpooler(spooler);
    WorkFolder folder;
    folder.write("week/chart.dat", c.chart);
    QImage logo(120, 30, QImage::Format_RGB32);
    logo.fill(Qt::blue);
    ASSERT_TRUE(!c.logo || (QDir().mkpath(in(folder, "week/images")) && logo.save(in(folder, "week/images/customlogo.bmp"))));
    const QStringList before = QDir(in(folder)).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    Viewer viewer(in(folder), {"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORMTHEME=gtk3", "CUPS_SERVER=" + spooler.socketPath()},
                  QStringList{CHARTVIEWER_PATH} + c.arguments + QStringList{"week"});
    ASSERT_EQ(viewer.waitForExit(60000), c.status) << viewer.errors().toStdString();
    const std::string errors = viewer.errors().toStdString();
    EXPECT_TRUE(errors.find(c.report) != std::string::npos) << errors;
    EXPECT_EQ(QString::fromStdString(errors).count("Chart Viewer: "), c.report.empty() ? 0 : 1) << errors;
    const int pages = c.status == 0 && c.arguments.contains("--print");
    const QStringList jobs = spooler.waitForJobs(pages + 1, pages ? 3s : 1s);
    ASSERT_EQ(jobs.size(), pages) << "one page at most";
    if (pages) {
        const auto pdf = Poppler::Document::load(jobs[0]);
        ASSERT_TRUE(pdf && pdf->numPages() == 1 && pdf->page(0)->text({}).contains("Weekly Output"));
        EXPECT_EQ(isBlue(pdf->page(0)->renderToImage(300, 300).pixel(logoMiddle)), c.logo) << "the logo";
    }
    if (c.status != 0) {
        EXPECT_EQ(QDir(in(folder)).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before) << "left behind";
    }
    if (c.check)
        c.check(in(folder));
}

const auto png = [](bool logo) {
    return [logo](const QString& folder) {
        const QImage page(folder + "/page.png");
        ASSERT_EQ(page.size(), QSize(2000, 1500));
        EXPECT_EQ(isBlue(page.pixel(logoMiddle)), logo);
        EXPECT_TRUE(all(page, paperAtTheTop, isWhite));
        EXPECT_LT(qGray(page.pixel(312, 276)), 100) << "the top grid line";
    };
};
// Captions that do not fit are cut at their labels' edges: the title's second
// line below its label, the first x caption on both sides of its own.
const std::string longCaptions =
    QString("wide ").repeated(60).toStdString() + "\nX\nY\n2\n1,1\n2,2\n" + std::string(40, 'M') + ",B,C,D,E,F,G,H\n";
const auto cutAtTheirLabels = [](const QString& folder) {
    const QImage page(folder + "/page.png");
    for (const QRect gap : {QRect(200, 130, 1750, 18), QRect(0, 1180, 45, 40), QRect(305, 1180, 18, 40)})
        EXPECT_TRUE(all(page, gap, isWhite)) << gap.x() << "," << gap.y();
};

INSTANTIATE_TEST_SUITE_P(
    Cases, PageWithoutDisplay,
    testing::Values(
        PageCommand{"ExportPng", {"--export", "page.png"}, 0, {}, exampleChart, true, png(true)},
        PageCommand{"ExportWithoutALogo", {"--export", "page.png"}, 0, {}, exampleChart, false, png(false)},
        PageCommand{"ExportLongCaptions", {"--export=page.png"}, 0, {}, longCaptions, true, cutAtTheirLabels},
        PageCommand{"ExportPdfKeepsItsText", {"--export", "page.pdf"}, 0, {}, exampleChart, true,
                    [](const QString& folder) {
                        const auto pdf = Poppler::Document::load(folder + "/page.pdf");
                        ASSERT_TRUE(pdf && pdf->numPages() == 1);
                        EXPECT_EQ(pdf->page(0)->pageSizeF(), QSizeF(480, 360)) << "6 2/3 x 5 inches";
                        EXPECT_FALSE(pdf->page(0)->search("Weekly Output").isEmpty());
                    }},
        PageCommand{"ExportSvg", {"--export", "page.svg"}, 0, {}, exampleChart, true,
                    [](const QString& folder) {
                        QFile svg(folder + "/page.svg");
                        ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
                        const QByteArray text = svg.readAll();
                        EXPECT_TRUE(text.contains("<svg") && text.contains("Weekly Output"));
                    }},
        PageCommand{"ExportBrokenChart", {"--export", "page.pdf"}, 1, "/week/chart.dat, line 4: expected a number, found \"x\"",
                    "T\nX\nY\nx\n"},
        PageCommand{"ExportIntoAFolderNoOneWrites", {"--export", "/proc/page.pdf"}, 1, "/proc/page.pdf: cannot be written: "},
        PageCommand{"Print", {"--print"}, 0},
        PageCommand{"PrintWithoutALogo", {"--print"}, 0, {}, exampleChart, false},
        PageCommand{"PrintBrokenChart", {"--print"}, 1, "/week/chart.dat, line 4: expected a number", "T\nX\nY\nx\n"},
        PageCommand{"PrintWithoutADefaultPrinter", {"--print"}, 1, "Printing failed: no default printer is set up", exampleChart,
                    true, {}, [](CupsSpooler& s) { s.lpadmin({"-x", CupsSpooler::kQueue}); }}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- On a display server (run under tests/with-xvfb.sh).

// The window's client pixels of the two buttons.
const QPoint printButton(596, 140), exitButton(596, 212);

// The window shows at its size. A click presses a button, and so do Return,
// the keypad's Enter and Space the focused one; Tab moves on to Exit; Ctrl+P
// prints, Ctrl+Q and Ctrl+W exit. Each Print is one page of the chart; Exit,
// or closing the window, ends with 0.
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
        {"Ctrl+P", keys({"ctrl+p"}), 1, false},
        {"Tab then Return", keys({"Tab", "Return"}), 0, true}, {"click Exit", click(exitButton), 0, true},
        {"Ctrl+Q", keys({"ctrl+q"}), 0, true}, {"Ctrl+W", keys({"ctrl+w"}), 0, true},
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

// Under a dark desktop theme the window follows it, its grid in the theme's
// text colour, while the page is paper: printed or exported, white with a
// black frame and grid, and the two the same page.
TEST(Desktop, DarkThemeWindowPaperPage)
{
    const QStringList dark = {"QT_QPA_PLATFORMTHEME=gtk3", "GTK_THEME=Adwaita:dark"};
    CupsSpooler spooler;
    WorkFolder folder;
    folder.write("chart.dat", exampleChart);
    Viewer viewer(in(folder), dark + QStringList{"CUPS_SERVER=" + spooler.socketPath()});
    const QStringList shown = viewer.windows(1);
    ASSERT_EQ(shown.size(), 1) << viewer.errors().toStdString();
    const QImage window = windowPixels(shown[0]);
    EXPECT_LT(qGray(window.pixel(5, 5)), 100) << "the window's back colour";
    EXPECT_GT(qGray(window.pixel(100, 88)), 160) << "its top grid line";
    viewer.click(shown[0], printButton.x(), printButton.y());
    const QStringList jobs = spooler.waitForJobs(1, 60s);
    ASSERT_EQ(jobs.size(), 1) << spooler.errorLog().toStdString();
    Viewer exporter(in(folder), dark, {CHARTVIEWER_PATH, "--export", "page.pdf"});
    ASSERT_EQ(exporter.waitForExit(60000), 0) << exporter.errors().toStdString();
    const auto render = [](const QString& pdf) {
        const auto document = Poppler::Document::load(pdf);
        return document->page(0)->renderToImage(96, 96).copy(0, 0, 640, 480).convertToFormat(QImage::Format_RGB32);
    };
    const QImage printed = render(jobs[0]), exported = render(in(folder, "page.pdf"));
    int differ = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            differ += std::abs(qGray(printed.pixel(x, y)) - qGray(exported.pixel(x, y))) > 32;
    EXPECT_EQ(differ, 0) << "pixels that differ between the printed and the exported page";
    for (const QPoint paper : {QPoint(5, 5), QPoint(30, 200), QPoint(600, 300), QPoint(630, 470)})
        EXPECT_GT(qGray(printed.pixel(paper)), 250) << paper.x() << "," << paper.y();
    for (const QPoint ink : {QPoint(64, 48), QPoint(64, 369), QPoint(561, 200), QPoint(300, 328), QPoint(100, 88)})
        EXPECT_LT(qGray(printed.pixel(ink)), 100) << ink.x() << "," << ink.y();
    viewer.click(shown[0], exitButton.x(), exitButton.y());
    EXPECT_EQ(viewer.waitForExit(30000), 0) << viewer.errors().toStdString();
}

}  // namespace
