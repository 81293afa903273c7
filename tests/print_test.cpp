// Print from the chart window in-process: each test has its own cupsd whose raw
// queue captures the PDF that Qt hands over, read back with poppler's Qt library.
#include "frm_chart.h"
#include "special_files.h"
#include "spooler.h"
#include "work_folder.h"

#include <QApplication>
#include <QBuffer>
#include <QRegularExpression>
#include <QImage>
#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRectF>

#include <cups/cups.h>
#include <poppler-qt6.h>
#include <unistd.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <optional>

namespace {

using namespace std::chrono_literals;
using namespace testsupport;

const std::string otherFile = "Other Numbers\nDay\nCount\n2\n1,5\n2,9\nA,B,C,D,E,F,G,H\n";

constexpr QRgb blue = qRgb(0, 0, 255);
constexpr QRgb green = qRgb(0, 160, 0);
const QRect pageRect(0, 0, 640, 480);  // pixels, 15 twips each
const QPoint logoAt(200, 432);

// A logo of one colour, as the bytes of a BMP file.
std::string logo(QSize size, QRgb colour, int dpi = 96)
{
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(colour);
    picture.setDotsPerMeterX(qRound(dpi / 0.0254));
    picture.setDotsPerMeterY(qRound(dpi / 0.0254));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    picture.save(&buffer, "BMP");
    return bytes.toStdString();
}

// ---- The captured page: its words in twips and its pixels in page pixels, both
// measured from the printable area's top-left, where the page is painted from.

QPointF printableOriginPoints()
{
    QPrinter printer(QPrinterInfo::defaultPrinter(), QPrinter::HighResolution);
    return printer.pageLayout().paintRect(QPageLayout::Point).topLeft();
}

struct Sheet {
    std::vector<std::unique_ptr<Poppler::TextBox>> words;
    QImage image;    // at 96 dpi
    QPointF origin;  // points

    explicit Sheet(const QString& pdf) : origin(printableOriginPoints())
    {
        const auto document = Poppler::Document::load(pdf);
        if (!document || document->numPages() != 1)
            throw std::runtime_error("not a document of one page: " + pdf.toStdString());
        document->setRenderHint(Poppler::Document::Antialiasing);
        document->setRenderHint(Poppler::Document::TextAntialiasing);
        words = document->page(0)->textList();
        image = document->page(0)->renderToImage(96, 96);
    }

    QRgb pixel(int x, int y) const { return image.pixel(x + qRound(origin.x() * 4 / 3), y + qRound(origin.y() * 4 / 3)); }
    // Whether any pixel within radius of (x, y) passes the test; 1-pixel lines
    // may straddle two pixels of the rendering.
    bool near(QPoint at, const std::function<bool(QRgb)>& test, int radius = 1) const
    {
        for (int y = at.y() - radius; y <= at.y() + radius; ++y)
            for (int x = at.x() - radius; x <= at.x() + radius; ++x)
                if (test(pixel(x, y)))
                    return true;
        return false;
    }
    // The caption's words in a row, as one box in page twips.
    std::optional<QRectF> caption(const QString& text) const
    {
        const QStringList parts = text.split(' ');
        for (size_t i = 0; i + parts.size() <= words.size(); ++i) {
            QRectF box;
            qsizetype k = 0;
            for (; k < parts.size() && words[i + k]->text() == parts[k]; ++k)
                box |= words[i + k]->boundingBox().translated(-origin);
            if (k == parts.size())
                return QRectF(box.topLeft() * 20, box.size() * 20);
        }
        return std::nullopt;
    }
    bool has(const QString& text) const { return caption(text).has_value(); }
};

bool isDark(QRgb p) { return qRed(p) < 140 && qGreen(p) < 140 && qBlue(p) < 140; }
bool isRed(QRgb p) { return qRed(p) > 150 && qGreen(p) < 60 && qBlue(p) < 60; }
bool isWhite(QRgb p) { return qRed(p) > 250 && qGreen(p) > 250 && qBlue(p) > 250; }
auto is(QRgb c)
{
    return [c](QRgb p) {
        return std::abs(qRed(p) - qRed(c)) < 40 && std::abs(qGreen(p) - qGreen(c)) < 40 && std::abs(qBlue(p) - qBlue(c)) < 40;
    };
}

// The frame's corners and the lowest and highest grid lines, in page pixels.
void expectFrameAndGrid(const Sheet& sheet, bool drawn)
{
    for (QPoint p : {QPoint(64, 48), QPoint(561, 48), QPoint(64, 369), QPoint(561, 369), QPoint(100, 328),
                     QPoint(300, 328), QPoint(550, 328), QPoint(300, 88)})
        EXPECT_EQ(sheet.near(p, isDark), drawn) << "at " << p.x() << "," << p.y();
}

// Midpoints of two segments of the example's series, between the grid lines.
void expectSeries(const Sheet& sheet, bool drawn)
{
    for (QPoint p : {QPoint(250, 263), QPoint(375, 220)})
        EXPECT_EQ(sheet.near(p, isRed, 2), drawn) << "at " << p.x() << "," << p.y();
}

// The logo fills exactly its rectangle (page pixels); nothing else has its colour.
void expectLogo(const Sheet& sheet, QRgb colour, QRect where)
{
    const auto logo = is(colour);
    if (!where.isEmpty()) {
        for (QPoint p : {where.topLeft() + QPoint(1, 1), where.bottomRight() - QPoint(1, 1), where.center()})
            EXPECT_TRUE(logo(sheet.pixel(p.x(), p.y()))) << "no logo at " << p.x() << "," << p.y();
    }
    const QRect margin = where.isEmpty() ? QRect() : where.adjusted(-1, -1, 1, 1);
    int stray = 0;
    for (int y = 0; y < pageRect.height(); ++y)
        for (int x = 0; x < pageRect.width(); ++x)
            stray += !margin.contains(x, y) && logo(sheet.pixel(x, y));
    EXPECT_EQ(stray, 0) << "logo-coloured pixels outside " << where.x() << "," << where.y() << " "
                        << where.width() << "x" << where.height();
}

// Paper beyond the page stays blank.
void expectNothingOutsideThePage(const Sheet& sheet)
{
    const QRectF page = QRectF(pageRect).translated(sheet.origin * 4 / 3).adjusted(-1, -1, 1, 1);
    int marks = 0;
    for (int y = 0; y < sheet.image.height(); ++y)
        for (int x = 0; x < sheet.image.width(); ++x)
            marks += !page.contains(x + 0.5, y + 0.5) && !isWhite(sheet.image.pixel(x, y));
    EXPECT_EQ(marks, 0);
}

enum class Align { Left, Centre, Right };
struct Placed {
    const char* text;
    QRectF label;  // twips
    Align align;
};

// Each caption lies in its label, aligned as the label says (2 px slack for glyph sides).
void expectPlaced(const Sheet& sheet, const std::vector<Placed>& captions)
{
    for (const Placed& c : captions) {
        const auto box = sheet.caption(c.text);
        if (!box) {
            ADD_FAILURE() << "\"" << c.text << "\" is not on the page";
            continue;
        }
        SCOPED_TRACE(std::string(c.text) + " at " + std::to_string(box->x()) + "," + std::to_string(box->y()));
        EXPECT_TRUE(c.label.adjusted(-30, -30, 30, 30).contains(*box));
        EXPECT_NEAR(box->top(), c.label.top(), 60);
        switch (c.align) {
        case Align::Left: EXPECT_NEAR(box->left(), c.label.left(), 60); break;
        case Align::Right: EXPECT_NEAR(box->right(), c.label.right(), 60); break;
        case Align::Centre: EXPECT_NEAR(box->center().x(), c.label.center().x(), 60); break;
        }
    }
}

const std::vector<Placed> exampleCaptions = {
    {"Weekly Output", {480, 120, 8895, 495}, Align::Centre},
    {"Week", {3720, 6000, 2535, 255}, Align::Centre},
    {"Units", {0, 2640, 855, 495}, Align::Left},
    {"169", {240, 600, 615, 375}, Align::Right},
    {"162", {120, 1200, 735, 375}, Align::Right},
    {"155", {360, 1800, 495, 375}, Align::Right},
    {"148", {240, 2400, 615, 375}, Align::Right},
    {"141", {240, 3000, 615, 375}, Align::Right},
    {"134", {240, 3600, 615, 375}, Align::Right},
    {"127", {360, 4200, 495, 375}, Align::Right},
    {"120", {240, 4800, 615, 375}, Align::Right},
    {"113", {240, 5400, 615, 375}, Align::Right},
    {"W1", {240, 5640, 1215, 255}, Align::Centre},
    {"W2", {2640, 5640, 975, 255}, Align::Centre},
    {"W3", {3840, 5640, 975, 255}, Align::Centre},
    {"W4", {4920, 5640, 855, 255}, Align::Centre},
    {"W5, late", {5880, 5640, 975, 255}, Align::Centre},
    {"W6", {6960, 5640, 855, 255}, Align::Centre},
    {"W7", {8040, 5640, 975, 255}, Align::Centre},
};

// ---- The fixture: a private spooler as the default destination, a folder as the
// current directory, and the chart window loaded from it.

class Printing : public testing::Test {
protected:
    Printing()
    {
        setenv("CUPS_SERVER", qPrintable(spooler.socketPath()), 1);
        cupsSetServer(nullptr);  // libcups reads the environment again
        QApplication::setApplicationDisplayName("Chart Viewer");
        folder.write("chart.dat", exampleChart);
    }

    void startUp()
    {
        window = std::make_unique<frmChart>();
        window->load();
    }

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
        const auto before = spooler.capturedJobs().size();
        EXPECT_EQ(clickPrint(), "");
        const auto jobs = spooler.waitForJobs(int(before + 1), 30s);
        if (jobs.size() != before + 1)
            throw std::runtime_error("no job captured\n" + spooler.errorLog().toStdString());
        return jobs.back();
    }

    CupsSpooler spooler;
    WorkFolder folder;
    std::unique_ptr<frmChart> window;
};

TEST_F(Printing, FirstPrintPutsChartAndLogoOnOnePageUnderTheProgramName)
{
    folder.write(logoFileName, logo({120, 30}, blue));
    startUp();
    const QString pdf = printJob();

    const Sheet sheet(pdf);
    expectPlaced(sheet, exampleCaptions);
    expectFrameAndGrid(sheet, true);
    expectSeries(sheet, true);
    expectLogo(sheet, blue, QRect(logoAt, QSize(120, 30)));
    expectNothingOutsideThePage(sheet);

    EXPECT_EQ(Poppler::Document::load(pdf)->info("Title"), "Chart Viewer");
    cups_job_t* jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, nullptr, 0, CUPS_WHICHJOBS_ALL);
    ASSERT_EQ(count, 1) << cupsLastErrorString();
    EXPECT_STREQ(jobs[0].title, "Chart Viewer");
    cupsFreeJobs(count, jobs);
}

// ---- The logo file, table-driven: the chart prints whatever the logo file holds.

// What the logo file holds, or what is in its place.
using FolderSetup = std::function<void(const WorkFolder&)>;
FolderSetup logoBytes(std::string bytes)
{
    return [bytes](const WorkFolder& f) { f.write(logoFileName, bytes); };
}
FolderSetup inPlaceOfTheLogo(const testsupport::Setup& put)
{
    return [put](const WorkFolder& f) {
        QDir().mkpath(f.path("images"));
        put(f.path(logoFileName).toStdString());
    };
}

// 54 bytes of BMP headers that declare 100000 x 100000 pixels of 24 bits.
std::string hugeDeclaredLogo()
{
    std::string b(54, '\0');
    const auto put = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b[at + static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i));
    };
    b[0] = 'B', b[1] = 'M';
    put(2, 54), put(10, 54), put(14, 40), put(18, 100000), put(22, 100000);
    b[26] = 1, b[28] = 24;
    return b;
}

struct LogoCase {
    const char* name;
    FolderSetup write;
    QRect logo;  // page pixels; empty: none
    bool deniedToRoot = false;  // root reads any file: run by another user (see CMakeLists.txt)
};

void PrintTo(const LogoCase& c, std::ostream* out) { *out << c.name; }

class PrintingLogo : public Printing, public testing::WithParamInterface<LogoCase> {};

TEST_P(PrintingLogo, ChartPrintsWithTheLogoAsFarAsItCanBeRead)
{
    if (GetParam().deniedToRoot && ::geteuid() == 0)
        GTEST_SKIP() << "root reads any file";
    GetParam().write(folder);
    startUp();
    const Sheet sheet(printJob());
    EXPECT_TRUE(sheet.has("Weekly Output"));
    expectFrameAndGrid(sheet, true);
    expectSeries(sheet, true);
    expectLogo(sheet, blue, GetParam().logo);
    expectNothingOutsideThePage(sheet);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PrintingLogo,
    testing::Values(LogoCase{"NoLogoFile", [](const WorkFolder&) {}, {}},
                    // Cut inside its headers. (Cut in its pixel data, Qt reads the rows that are there.)
                    LogoCase{"Truncated", logoBytes(logo({120, 30}, blue).substr(0, 30)), {}},
                    LogoCase{"WrongMagic", logoBytes("XX" + logo({120, 30}, blue).substr(2)), {}},
                    LogoCase{"ZeroBytes", logoBytes(""), {}},
                    // Qt's allocation limit refuses it before any memory is taken.
                    LogoCase{"AbsurdDimensions", logoBytes(hugeDeclaredLogo()), {}},
                    // Nothing in place of the file may block the click, or the window with it.
                    LogoCase{"AFolder", inPlaceOfTheLogo(aFolder), {}},
                    LogoCase{"AFifo", inPlaceOfTheLogo(fifo), {}},
                    LogoCase{"ADevice", inPlaceOfTheLogo(zeroDevice), {}},
                    LogoCase{"ASocket", inPlaceOfTheLogo(socketFile), {}},
                    LogoCase{"NoReadPermission",
                             [](const WorkFolder& f) {
                                 f.write(logoFileName, logo({120, 30}, blue));
                                 QFile::setPermissions(f.path(logoFileName), {});
                             },
                             {}, true},
                    LogoCase{"NotAPicture", logoBytes("BM this is no bitmap\n"), {}},
                    // Drawn at its pixel size, not shrunk to its 300 dpi inch size.
                    LogoCase{"DeclaresHighResolution", logoBytes(logo({120, 30}, blue, 300)), QRect(logoAt, QSize(120, 30))},
                    // Cut at the page's right and bottom edges.
                    LogoCase{"LargerThanThePage", logoBytes(logo({700, 120}, blue)), QRect(logoAt, QSize(440, 48))}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- A chart file changed or spoilt after start-up: the page reads it for itself and
// prints as far as its load got; after a failed load the next Print, the file mended,
// loads the page afresh.

struct BrokenChartCase {
    const char* name;
    std::optional<std::string> bytes;  // none: the file is removed
    bool frameAndGrid;
    QStringList captions;
};

void PrintTo(const BrokenChartCase& c, std::ostream* out) { *out << c.name; }

class PrintingBrokenChart : public Printing, public testing::WithParamInterface<BrokenChartCase> {};

TEST_P(PrintingBrokenChart, PrintsWhatItGotThenLoadsAfresh)
{
    startUp();
    if (GetParam().bytes)
        folder.write("chart.dat", *GetParam().bytes);
    else
        QFile::remove("chart.dat");

    {
        const Sheet sheet(printJob());
        expectFrameAndGrid(sheet, GetParam().frameAndGrid);
        expectSeries(sheet, false);
        for (const QString& caption : GetParam().captions)
            EXPECT_TRUE(sheet.has(caption)) << caption.toStdString();
        EXPECT_FALSE(sheet.has("Weekly")) << "the window's chart is not the page's";
        expectNothingOutsideThePage(sheet);
    }

    folder.write("chart.dat", exampleChart);
    const Sheet mended(printJob());
    if (GetParam().bytes == otherFile) {
        EXPECT_TRUE(mended.has("Other Numbers")) << "a loaded page keeps its chart";
        return;
    }
    expectPlaced(mended, exampleCaptions);
    expectFrameAndGrid(mended, true);
    expectSeries(mended, true);
}

const QStringList designCaptions = {"Chart Title", "X-Axis Label", "x-Axis", "X1", "X5", "X9", "Y1", "Y8"};

INSTANTIATE_TEST_SUITE_P(
    Cases, PrintingBrokenChart,
    testing::Values(BrokenChartCase{"Changed", otherFile, true, {"Other Numbers", "Day", "Count", "A", "H"}},
                    BrokenChartCase{"Removed", std::nullopt, false, designCaptions},
                    BrokenChartCase{"Emptied", "", true, designCaptions},
                    // The caption lines were read before the points ran out.
                    BrokenChartCase{"PointsRunOut", "Broken Title\nDays\nCount\n5\n1,120\n2,135\n", true,
                                    {"Broken Title", "Days", "Count", "X1", "Y8"}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- A second Print: the chart of the first load again, with the logo read afresh.

struct SecondPrintCase {
    const char* name;
    FolderSetup change;
    QRgb logoColour;
    QSize logoSize;
};

void PrintTo(const SecondPrintCase& c, std::ostream* out) { *out << c.name; }

class PrintingAgain : public Printing, public testing::WithParamInterface<SecondPrintCase> {};

TEST_P(PrintingAgain, ReprintsTheFirstChartWithTheCurrentLogo)
{
    folder.write(logoFileName, logo({120, 30}, blue));
    startUp();
    printJob();
    GetParam().change(folder);

    const Sheet sheet(printJob());
    expectPlaced(sheet, exampleCaptions);
    EXPECT_FALSE(sheet.has("Other Numbers"));
    expectFrameAndGrid(sheet, true);
    expectSeries(sheet, true);
    expectLogo(sheet, GetParam().logoColour, QRect(logoAt, GetParam().logoSize));
    if (GetParam().logoColour != blue)
        expectLogo(sheet, blue, {});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PrintingAgain,
    testing::Values(
        SecondPrintCase{"LogoReplaced", logoBytes(logo({60, 20}, green)), green, {60, 20}},
        SecondPrintCase{"LogoDeleted", [](const WorkFolder&) { QFile::remove(logoFileName); }, blue, {120, 30}},
        SecondPrintCase{"LogoSpoilt", logoBytes("garbage"), blue, {120, 30}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- An unusable printer: one report, no job, the window goes on, and Print works
// again once the printer is fixed.

struct PrinterFault {
    const char* name;
    std::function<void(CupsSpooler&)> breakIt, fix;  // fix empty: cannot be fixed here
    std::string why;
    int refusedSubmissions;  // the job is tried once more, no further
};

void PrintTo(const PrinterFault& c, std::ostream* out) { *out << c.name; }

class PrintingFails : public Printing, public testing::WithParamInterface<PrinterFault> {};

TEST_P(PrintingFails, ReportsOnceAndKeepsRunning)
{
    folder.write(logoFileName, logo({120, 30}, blue));
    startUp();
    GetParam().breakIt(spooler);

    const std::string report = clickPrint();
    EXPECT_NE(report.find("Chart Viewer: Printing failed: " + GetParam().why), std::string::npos) << report;
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 1) << report;
    EXPECT_TRUE(QApplication::topLevelWidgets().contains(window.get()));
    const QRegularExpression refused("Returning IPP [a-z-]+ for Create-Job");
    EXPECT_EQ(spooler.errorLog().count(refused), GetParam().refusedSubmissions);
    if (!GetParam().fix)
        return;

    GetParam().fix(spooler);
    const Sheet sheet(printJob());
    expectPlaced(sheet, exampleCaptions);
    expectLogo(sheet, blue, QRect(logoAt, QSize(120, 30)));
    // Nothing held back from the failed Print comes out now.
    EXPECT_EQ(spooler.waitForJobs(2, 3s).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PrintingFails,
    testing::Values(
        PrinterFault{"QueueDisabled", [](CupsSpooler& s) { s.admin("cupsdisable", {CupsSpooler::kQueue}); },
                     [](CupsSpooler& s) { s.admin("cupsenable", {CupsSpooler::kQueue}); },
                     "the printer \"capture\" is stopped", 0},
        PrinterFault{"QueueRejectsJobs", [](CupsSpooler& s) { s.admin("cupsreject", {CupsSpooler::kQueue}); },
                     [](CupsSpooler& s) { s.admin("cupsaccept", {CupsSpooler::kQueue}); },
                     "the print spooler refused the job", 2},
        PrinterFault{"NoDefaultPrinter", [](CupsSpooler& s) { s.clearDefault(); },
                     [](CupsSpooler& s) { s.lpadmin({"-d", CupsSpooler::kQueue}); }, "no default printer is set up", 0},
        // A spooler that takes connections but never answers must not freeze the window.
        PrinterFault{"SpoolerFrozen", [](CupsSpooler& s) { ::kill(pid_t(s.pid()), SIGSTOP); },
                     [](CupsSpooler& s) { ::kill(pid_t(s.pid()), SIGCONT); }, "the print spooler (CUPS) does not answer", 0},
        // The user's own choice of default names a printer that does not exist.
        PrinterFault{"DefaultDestinationMissing", [](CupsSpooler&) { ::setenv("LPDEST", "nosuch", 1); },
                     [](CupsSpooler&) { ::unsetenv("LPDEST"); }, "no default printer is set up", 0},
        PrinterFault{"NoSpooler", [](CupsSpooler& s) { s.stop(); }, {},
                     "the print spooler (CUPS) cannot be reached", 0}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
