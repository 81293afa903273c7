// Files that are not what their names promise. In place of chart.dat, the
// real executable ends promptly with status 1 and a short report, its
// memory bounded whatever the file's size; in place of the logo, Print
// prints the page without it and the window goes on.
#include "cups_spooler.h"
#include "frm_chart.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <cups/cups.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <fstream>
#include <functional>

namespace {

// Puts something at a path. Descriptors it opens stay open until the test
// process ends.
using Setup = std::function<void(const std::string& path)>;

// `bytes`, then zero bytes up to `size` that take no room on disk.
Setup file(std::string bytes, off_t size = 0)
{
    return [bytes, size](const std::string& path) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())
            || (size > 0 && ::ftruncate(fd, size) != 0) || ::close(fd) != 0)
            throw std::runtime_error("cannot write " + path);
    };
}
Setup sparse(std::string bytes) { return file(std::move(bytes), off_t{4} << 30); }

const Setup fifo = [](const std::string& path) { ::mkfifo(path.c_str(), 0644); };
// Someone holds the FIFO open and has written a line, but never ends it.
const Setup fifoWithAWriter = [](const std::string& path) {
    fifo(path);
    [[maybe_unused]] const auto written = ::write(::open(path.c_str(), O_RDWR | O_NONBLOCK), "T\n", 2);
};
const Setup zeroDevice = [](const std::string& path) { ::symlink("/dev/zero", path.c_str()); };
const Setup socketFile = [](const std::string& path) {
    sockaddr_un address{AF_UNIX, {}};
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    ::bind(::socket(AF_UNIX, SOCK_STREAM, 0), reinterpret_cast<const sockaddr*>(&address), sizeof address);
};
const Setup folder = [](const std::string& path) { QDir().mkpath(QString::fromStdString(path)); };

const std::string head = "T\nX\nY\n";
const std::string captions = "A,B,C,D,E,F,G,H\n";
// Written a megabyte at a time: the test process stays small, as the
// child's peak memory counts what it shares with its parent until it starts.
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

struct Case {
    const char* name;
    Setup setup;
    std::string report = {};  // for chart.dat
};
void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }
const auto caseName = [](const auto& info) { return std::string(info.param.name); };

class InPlaceOfTheChart : public testing::TestWithParam<Case> {};

TEST_P(InPlaceOfTheChart, EndsPromptlyWithAShortReportInBoundedMemory)
{
    QTemporaryDir dir;
    GetParam().setup(dir.filePath("chart.dat").toStdString());
    struct stat info {};
    if (::stat(dir.filePath("chart.dat").toUtf8(), &info) == 0 && info.st_blocks > (64 << 20) / 512)
        GTEST_SKIP() << "the temporary folder's file system keeps no sparse files";
    // The child inherits the offscreen platform: no display is needed.
    QProcess program;
    program.setWorkingDirectory(dir.path());
    program.start(CHARTVIEWER_PATH, {});
    // Generous: a hang shows as the time running out.
    ASSERT_TRUE(program.waitForFinished(120'000));
    EXPECT_EQ(program.exitCode(), 1);
    const std::string report = program.readAllStandardError().toStdString();
    EXPECT_NE(report.find("Chart Viewer: " + GetParam().report + "\n"), std::string::npos) << report.substr(0, 1000);
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    EXPECT_LT(usage.ru_maxrss, 150 << 10) << "KiB at the peak";
}

const std::string notRegular = "chart.dat: is not a regular file";
INSTANTIATE_TEST_SUITE_P(
    Cases, InPlaceOfTheChart,
    testing::Values(
        Case{"Fifo", fifo, notRegular}, Case{"FifoWithAWriter", fifoWithAWriter, notRegular},
        Case{"ZeroDeviceThroughALink", zeroDevice, notRegular}, Case{"Socket", socketFile, notRegular},
        // One "line" of 4 GiB: the title.
        Case{"FourGiBOfZeroBytes", sparse(""), tooLong("line", 1, "the chart title (line 1)")},
        Case{"OverlongTitle", file(std::string(65537, 'T') + "\nX\nY\n1\n1,2\n" + captions),
             tooLong("line", 1, "the chart title (line 1)")},
        // At the limit, the title and the caption are read, and the reading fails later.
        Case{"TitleAtTheLimit", file(std::string(65536, 'T') + "\nX\nY\nx\n"),
             "chart.dat, line 4: expected a number, found \"x\" while reading the count of points"},
        Case{"QuotedCaptionAtTheLimit", file(head + "1\n1,2\n\"" + std::string(65534, 'A') + "\"\n"),
             "chart.dat, line 6: input past end of file while reading x tick caption 2"},
        Case{"OverlongYAxisCaption", sparse("T\nX\n"), tooLong("line", 3, "the y-axis caption (line 3)")},
        Case{"OverlongCaption", sparse(head + "1\n1,2\nA, B"), tooLong("field", 6, "x tick caption 2")},
        Case{"OverlongQuotedCaption", sparse(head + "1\n1,2\n\"A"), tooLong("field", 6, "x tick caption 1")},
        Case{"NumberOfMillionsOfDigits", millionsOfDigits,
             "chart.dat, line 5: " + std::string(40, '9') +
                 "\u2026 is outside the 32-bit range -2147483648 to 2147483647 while reading the y value of point 1"},
        Case{"NumberOfZeroBytes", sparse(head + "1\n1,"),
             "chart.dat, line 5: expected a number, found \"" + QString("\\x00").repeated(40).toStdString() +
                 "\u2026\" while reading the y value of point 1"}),
    caseName);

class InPlaceOfTheLogo : public testing::TestWithParam<Case> {};

TEST_P(InPlaceOfTheLogo, PrintsThePageWithoutItAndTheWindowGoesOn)
{
    testsupport::CupsSpooler spooler;
    ::setenv("CUPS_SERVER", spooler.socketPath().c_str(), 1);
    cupsSetServer(nullptr);  // libcups reads the environment again
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    QDir().mkpath("images");
    GetParam().setup(logoFileName);
    file(head + "1\n1,2\n" + captions)("chart.dat");
    frmChart window;
    window.load();
    window.show();
    // A read that blocks never returns from the click, and the window
    // would answer no more.
    testing::internal::CaptureStderr();
    window.btnPrint.click();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(spooler.waitForJobs(1, std::chrono::seconds(30)).size(), 1u) << spooler.errorLog();
    EXPECT_TRUE(window.isVisible());
}

INSTANTIATE_TEST_SUITE_P(Cases, InPlaceOfTheLogo,
                         testing::Values(Case{"Fifo", fifo}, Case{"ZeroDeviceThroughALink", zeroDevice},
                                         Case{"Socket", socketFile}, Case{"Folder", folder}),
                         caseName);

}  // namespace
