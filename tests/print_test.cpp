// Print from the chart window in-process: each test has its own cupsd whose raw
// queue captures the PDF that Qt hands over, read back with poppler's Qt library.
#include "app/frm_chart.h"
#include "runtime/printing/printing.h"
#include "tests/support/pages.h"
#include "tests/support/special_files.h"
#include "tests/support/spooler.h"
#include "tests/support/work_folder.h"

#include <QApplication>
#include <QDir>
#include <QRegularExpression>

#include <cups/cups.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <functional>
#include <random>

namespace {

using namespace std::chrono_literals;
using namespace testsupport;

const std::string otherFile = "Other Numbers\nDay\nCount\n2\n1,5\n2,9\nA,B,C,D,E,F,G,H\n";

constexpr QRgb blue = qRgb(0, 0, 255);
constexpr QRgb green = qRgb(0, 160, 0);
const QRect pageRect(0, 0, 640, 480);  // pixels, 15 twips each
const QRect logoRect(200, 432, 120, 30);  // the blue logo's place, in page pixels

// ---- The captured page: its words in twips and its pixels in page pixels, both
// measured from the sheet's top-left, where the page is painted from on a
// queue that names no paper of its own.

const auto isDark = is(qRgb(0, 0, 0), 140), isRed = is(qRgb(210, 0, 0), 60), isWhite = is(qRgb(255, 255, 255), 5);

// The frame's corners and the lowest and highest grid lines, then midpoints of
// two segments of the example's series, between the grid lines, in page pixels.
void expectChart(const Sheet& sheet, bool frameAndGrid, bool series)
{
    for (QPoint p : {QPoint(64, 48), QPoint(561, 48), QPoint(64, 369), QPoint(561, 369), QPoint(100, 328),
                     QPoint(300, 328), QPoint(550, 328), QPoint(300, 88)})
        EXPECT_EQ(near(sheet.image, p, isDark), frameAndGrid) << "at " << p.x() << "," << p.y();
    for (QPoint p : {QPoint(250, 263), QPoint(375, 220)})
        EXPECT_EQ(near(sheet.image, p, isRed, 2), series) << "at " << p.x() << "," << p.y();
}

// The logo fills exactly its rectangle (page pixels); nothing else has its
// colour, and the paper beyond the page and the rest of the logo's place stay blank.
void expectLogoAlone(const Sheet& sheet, QRgb colour, QRect where)
{
    const auto logo = is(colour);
    for (QPoint p : {where.topLeft() + QPoint(1, 1), where.bottomRight() - QPoint(1, 1), where.center()})
        EXPECT_TRUE(where.isEmpty() || logo(sheet.image.pixel(p))) << "no logo at " << p.x() << "," << p.y();
    const QRect margin = where.isEmpty() ? QRect() : where.adjusted(-1, -1, 1, 1);
    const QRect page = pageRect.adjusted(-1, -1, 1, 1);
    const QRect place = where.isEmpty() ? QRect() : logoRect;
    int stray = 0, marks = 0;
    for (int y = 0; y < sheet.image.height(); ++y)
        for (int x = 0; x < sheet.image.width(); ++x) {
            stray += !margin.contains(x, y) && logo(sheet.image.pixel(x, y));
            const bool blank = (!page.contains(x, y) || place.contains(x, y)) && !margin.contains(x, y);
            marks += blank && !isWhite(sheet.image.pixel(x, y));
        }
    EXPECT_EQ(stray, 0) << "logo-coloured pixels outside the logo's place";
    EXPECT_EQ(marks, 0) << "marks beyond the page, or beside the logo in its place";
}

struct Placed {
    const char* text;
    QRectF label;  // twips
    double align;  // 0 left, 0.5 centred, 1 right
};

// Each caption lies in its label, at its top, aligned as the label says (in
// twips, with slack for the glyphs' sides).
void expectPlaced(const Sheet& sheet, const std::vector<Placed>& captions)
{
    for (const Placed& c : captions) {
        const auto box = sheet.caption(c.text);
        ASSERT_TRUE(box) << "\"" << c.text << "\" is not on the page";
        const double offset = box->left() + c.align * box->width() - c.label.left() - c.align * c.label.width();
        EXPECT_TRUE(c.label.adjusted(-30, -30, 30, 30).contains(*box) && std::abs(box->top() - c.label.top()) < 60
                    && std::abs(offset) < 60)
            << c.text << " at " << box->x() << "," << box->y() << " " << box->width() << "x" << box->height();
    }
}

// One caption of each kind: title, axis captions, the top and bottom y ticks,
// the x tick under the first y tick, and one with a comma.
const std::vector<Placed> exampleCaptions = {
    {"Weekly Output", {480, 120, 8895, 495}, 0.5}, {"Week", {3720, 6000, 2535, 255}, 0.5},
    {"Units", {0, 2640, 855, 495}, 0}, {"169", {240, 600, 615, 375}, 1}, {"113", {240, 5400, 615, 375}, 1},
    {"W1", {240, 5640, 1215, 255}, 0.5}, {"W5, late", {5880, 5640, 975, 255}, 0.5},
};

void useSpooler(const QString& socket)
{
    setenv("CUPS_SERVER", qPrintable(socket), 1);
    cupsSetServer(nullptr);  // libcups reads the environment again
}

// ---- The fixture: a private spooler as the default destination, a folder as the
// current directory, and the chart window loaded from it.

class Printing : public testing::Test {
protected:
    Printing()
    {
        useSpooler(spooler.socketPath());
        QApplication::setApplicationDisplayName("Chart Viewer");
        folder.write("chart.dat", exampleChart);
    }

    void startUp() { (window = std::make_unique<frmChart>())->load(); }

    // Clicks Print as the user would; returns what was reported on stderr.
    std::string clickPrint()
    {
        testing::internal::CaptureStderr();
        window->btnPrint.click();
        return testing::internal::GetCapturedStderr();
    }

    // Clicks Print, expects no report and one more captured job; returns it.
    QString printJob()
    {
        const auto jobs = spooler.waitForJobs().size() + 1;
        EXPECT_EQ(clickPrint(), "");
        if (spooler.waitForJobs(int(jobs), 30s).size() != jobs)
            throw std::runtime_error("no job captured\n" + spooler.errorLog().toStdString());
        return spooler.waitForJobs().back();
    }

    CupsSpooler spooler;
    WorkFolder folder;
    std::unique_ptr<frmChart> window;
};

// ---- The logo file, table-driven: the chart prints whatever the logo file holds,
// on one page under the program's name; a second Print reads the logo afresh.

// What the logo file holds, or what is in its place.
const Setup blueLogo = file(bmpLogo({120, 30}, blue)), removed = [](const std::string& path) { ::unlink(path.c_str()); };

// 54 bytes of BMP headers that declare 100000 x 100000 pixels of 24 bits (0x186a0, little-endian).
const std::string hugeDeclaredLogo = std::string("BM6\0\0\0\0\0\0\0006\0\0\0(\0\0\0\xa0\x86\x01\0\xa0\x86\x01\0\x01\0\x18\0", 30) + std::string(24, '\0');

struct LogoCase {
    const char* name;
    Setup write;
    QRect logo;  // page pixels; empty: none
    Setup afterAFirstPrint = nullptr;
    QRgb colour = blue;
    int checkedPrints = 1;  // the last ones, each alike
};

class PrintingLogo : public Printing, public testing::WithParamInterface<LogoCase> {};

TEST_P(PrintingLogo, ChartPrintsWithTheLogoAsFarAsItCanBeRead)
{
    const LogoCase& c = GetParam();
    QDir().mkpath("images");
    c.write(logoFileName);
    startUp();
    if (c.afterAFirstPrint)
        printJob(), c.afterAFirstPrint(logoFileName);
    for (int print = 0; print < c.checkedPrints; ++print) {
        const Sheet sheet(printJob());
        expectPlaced(sheet, exampleCaptions);
        expectChart(sheet, true, true);
        expectLogoAlone(sheet, c.colour, c.logo);
        if (c.colour != blue)
            expectLogoAlone(sheet, blue, {});
        EXPECT_EQ(sheet.document->info("Title"), "Chart Viewer");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PrintingLogo,
    testing::Values(LogoCase{"ALogo", blueLogo, logoRect},
                    // Only its bottom ten rows are there: the rest shows the page, not what the memory held.
                    LogoCase{"CutInItsPixelData", blueLogo, QRect(200, 452, 120, 10),
                             file(bmpLogo({120, 30}, green).substr(0, 54 + 10 * 120 * 3)), green, 2},
                    // Qt's allocation limit refuses it before any memory is taken. (A logo that
                    // is not there, or not a file, is refused as a chart is, in the program's
                    // start-up tests, and prints as this one.)
                    LogoCase{"AbsurdDimensions", file(hugeDeclaredLogo), {}},
                    // Drawn at its pixel size, not shrunk to its 300 dpi inch size.
                    LogoCase{"DeclaresHighResolution", file(bmpLogo({120, 30}, blue, 300)), logoRect},
                    // Cut at the page's right and bottom edges.
                    LogoCase{"LargerThanThePage", file(bmpLogo({700, 120}, blue)), QRect(logoRect.topLeft(), QSize(440, 48))},
                    // A second Print shows the logo the file now holds, or else the one it showed.
                    LogoCase{"ReplacedAfterAPrint", blueLogo, QRect(logoRect.topLeft(), QSize(60, 20)),
                             file(bmpLogo({60, 20}, green)), green},
                    LogoCase{"DeletedAfterAPrint", blueLogo, logoRect, removed}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- A chart file changed or spoilt after start-up: the page reads it for itself and
// prints as far as its load got; after a failed load the next Print, the file mended,
// loads the page afresh.

struct BrokenChartCase {
    const char* name;
    Setup change;
    bool frameAndGrid;
    QStringList captions;
};

class PrintingBrokenChart : public Printing, public testing::WithParamInterface<BrokenChartCase> {};

TEST_P(PrintingBrokenChart, PrintsWhatItGotThenLoadsAfresh)
{
    startUp();
    GetParam().change("chart.dat");

    const Sheet sheet(printJob());
    expectChart(sheet, GetParam().frameAndGrid, false);
    for (const QString& caption : GetParam().captions)
        EXPECT_TRUE(sheet.has(caption)) << caption.toStdString();
    EXPECT_FALSE(sheet.has("Weekly")) << "the window's chart is not the page's";
    expectLogoAlone(sheet, blue, {});

    folder.write("chart.dat", exampleChart);
    const Sheet mended(printJob());
    // A loaded page keeps its chart; one whose load failed is loaded afresh.
    const bool kept = GetParam().captions.contains("Other Numbers");
    EXPECT_TRUE(mended.has(kept ? "Other Numbers" : "Weekly Output"));
    expectChart(mended, true, !kept);
}

const QStringList designCaptions = {"Chart Title", "X-Axis Label", "x-Axis", "X1", "X5", "X9", "Y1", "Y8"};

INSTANTIATE_TEST_SUITE_P(
    Cases, PrintingBrokenChart,
    testing::Values(BrokenChartCase{"Changed", file(otherFile), true, {"Other Numbers", "Day", "Count", "A", "H"}},
                    BrokenChartCase{"Removed", removed, false, designCaptions},
                    BrokenChartCase{"Emptied", file(""), true, designCaptions},
                    // The caption lines were read before the points ran out.
                    BrokenChartCase{"PointsRunOut", file("Broken Title\nDays\nCount\n5\n1,120\n2,135\n"), true,
                                    {"Broken Title", "Days", "Count", "X1", "Y8"}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- An unusable printer: one report, no job, the window goes on, and Print works
// again once the printer is fixed. A spooler that took the page but does not say
// so in time gets it once: the report says it may print.

struct PrinterFault {
    const char* name;
    std::function<void(CupsSpooler&)> breakIt, fix;  // fix empty: cannot be fixed here
    std::string report;
    int submissions;         // answers to Create-Job: a refused job is tried once more, no further
    int pages = 0;           // that come out of the click all the same
};

std::optional<SlowSpooler> slow;
const auto slowed = [](SlowSpooler::Answers answers, std::chrono::seconds hold = {}) {
    return [=](CupsSpooler& s) { useSpooler(slow.emplace(s.socketPath(), answers, hold).socketPath()); };
};
const auto unslowed = [](CupsSpooler& s) { slow.reset(), useSpooler(s.socketPath()); };
const std::string failed = "Printing failed: ";

class PrintingFails : public Printing, public testing::WithParamInterface<PrinterFault> {};

TEST_P(PrintingFails, ReportsOnceAndKeepsRunning)
{
    QDir().mkpath("images");
    blueLogo(logoFileName);
    startUp();
    GetParam().breakIt(spooler);

    const auto clicked = std::chrono::steady_clock::now();
    EXPECT_EQ(clickPrint(), "Chart Viewer: " + GetParam().report + "\n");
    EXPECT_LE(std::chrono::steady_clock::now() - clicked, 21s) << "the window kept busy past the deadline";
    EXPECT_EQ(spooler.errorLog().count(QRegularExpression("Returning IPP [a-z-]+ for Create-Job")), GetParam().submissions);
    if (!GetParam().fix)
        return;

    GetParam().fix(spooler);
    const int pages = GetParam().pages;
    EXPECT_EQ(spooler.waitForJobs(pages, 30s).size(), pages) << "the page that went";
    EXPECT_TRUE(Sheet(printJob()).has("Weekly Output"));
    // Nothing held back from the failed Print comes out now.
    EXPECT_EQ(spooler.waitForJobs(pages + 2, 3s).size(), pages + 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PrintingFails,
    testing::Values(
        PrinterFault{"QueueDisabled", [](CupsSpooler& s) { s.admin("cupsdisable", {CupsSpooler::kQueue}); },
                     [](CupsSpooler& s) { s.admin("cupsenable", {CupsSpooler::kQueue}); },
                     failed + "the printer \"capture\" is stopped", 0},
        PrinterFault{"QueueRejectsJobs", [](CupsSpooler& s) { s.admin("cupsreject", {CupsSpooler::kQueue}); },
                     [](CupsSpooler& s) { s.admin("cupsaccept", {CupsSpooler::kQueue}); },
                     failed + "the print spooler refused the job: Destination \"capture\" is not accepting jobs.", 2},
        // A spooler that takes connections but never answers must not freeze the window.
        PrinterFault{"SpoolerFrozen", [](CupsSpooler& s) { ::kill(pid_t(s.pid()), SIGSTOP); },
                     [](CupsSpooler& s) { ::kill(pid_t(s.pid()), SIGCONT); }, failed + "the print spooler (CUPS) does not answer", 0},
        // One that answers a byte a second, every read in time, is given up at the deadline.
        PrinterFault{"SpoolerTrickles", slowed(SlowSpooler::Answers::Trickled), unslowed,
                     failed + "the print spooler (CUPS) does not answer", 0},
        // The document went whole: sent again, it would print twice.
        PrinterFault{"AnswerAfterTheDeadline", slowed(SlowSpooler::Answers::HeldAfterDocument, 15s), unslowed,
                     runtime::unconfirmedPrint, 1, 1},
        PrinterFault{"NoAnswerToTheDocument", slowed(SlowSpooler::Answers::HeldAfterDocument, 1h), unslowed,
                     runtime::unconfirmedPrint, 1, 1},
        PrinterFault{"NoSpooler", [](CupsSpooler& s) { s.stop(); }, {},
                     failed + "the print spooler (CUPS) cannot be reached", 0}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Out of memory: a Print that cannot have the memory it needs (here for a
// logo of noise, which no compression makes small) fails as a Print does,
// with its report, and the window goes on to print once there is memory
// again. In a child process, which alone runs short of address space.

std::size_t addressSpace()
{
    std::size_t pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    return pages * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

TEST_F(Printing, OutOfMemoryIsAFailedPrint)
{
    if (addressSpace() > std::size_t{1} << 40)
        GTEST_SKIP() << "terabytes of address space: a sanitizer's shadow memory, which no limit leaves room for";
    QImage noise(2000, 2000, QImage::Format_RGB32);
    std::mt19937 random(1);
    std::generate_n(reinterpret_cast<std::uint32_t*>(noise.bits()), noise.width() * noise.height(), std::ref(random));
    folder.write(logoFileName, bmp(noise));
    startUp();
    printJob();
    const pid_t child = ::fork();
    if (child == 0) {
        rlimit limit{};
        ::getrlimit(RLIMIT_AS, &limit);
        const rlim_t before = limit.rlim_cur;
        limit.rlim_cur = addressSpace() + (4 << 20);
        ::setrlimit(RLIMIT_AS, &limit);
        const std::string report = clickPrint();
        limit.rlim_cur = before;
        ::setrlimit(RLIMIT_AS, &limit);
        std::fputs(report.c_str(), stderr);
        const bool printsAgain = clickPrint().empty() && spooler.waitForJobs(2, 30s).size() == 2;
        ::_exit(report != "Chart Viewer: Printing failed: out of memory\n" ? 1 : printsAgain ? 0 : 2);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the Print ended the program, by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: not the report of a failed Print; 2: no Print after it";
}

}  // namespace
