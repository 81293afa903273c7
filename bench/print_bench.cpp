// Printing long charts through a private cupsd, as a click on "Print" does:
//   print_bench [n ...]     default sizes: 100000 1000000 10000000
// For each size: the click (the page's load and the job handed to CUPS), the
// time until the spooler's backend has the whole document, and its size.
#include "bench/chart_generator.h"
#include "app/frm_chart.h"
#include "tests/support/spooler.h"
#include "tests/support/work_folder.h"

#include <QApplication>
#include <QImage>
#include <QPushButton>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

double msSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<long long> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atoll(argv[i]));
    if (sizes.empty())
        sizes = {100'000, 1'000'000, 10'000'000};

    qputenv("QT_QPA_PLATFORM", "offscreen");
    testsupport::CupsSpooler spooler;
    setenv("CUPS_SERVER", qPrintable(spooler.socketPath()), 1);
    QApplication application(argc, argv);
    testsupport::WorkFolder folder;
    fs::create_directory("images");
    QImage logo(120, 60, QImage::Format_RGB32);
    logo.fill(Qt::darkCyan);
    logo.save("images/customlogo.bmp");

    std::printf("%10s %10s %12s %9s\n", "points", "click ms", "captured ms", "PDF KB");
    int jobs = 0;
    for (const long long n : sizes) {
        bench::writeChartFile("chart.dat", n);
        frmChart form;
        form.load();
        const auto start = std::chrono::steady_clock::now();
        form.btnPrint.click();
        const double click = msSince(start);
        const auto captured = spooler.waitForJobs(++jobs, std::chrono::seconds(120));
        const double done = msSince(start);
        if (captured.size() < jobs) {
            std::printf("%10lld   no job captured\n%s\n", n, qPrintable(spooler.errorLog()));
            return 1;
        }
        std::printf("%10lld %10.1f %12.1f %9.1f\n", n, click, done, double(fs::file_size(captured.back().toStdString())) / 1024);
        std::fflush(stdout);
    }
    std::printf("click: the page's load and the job handed to CUPS; captured: until the backend holds it\n");
    return 0;
}
