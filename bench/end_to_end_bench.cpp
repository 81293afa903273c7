// The real forms in-process on the offscreen platform (the start-up of small
// files on the display in DISPLAY, if any), on generated files:
//   end_to_end_bench [n ...]            one fresh child process per size, then a table
//   end_to_end_bench --here [--window]  measures ./chart.dat, prints key=value pairs
// Peak memory only grows within a process, hence one child per size.
#include "bench/chart_generator.h"
#include "app/frm_chart.h"
#include "page/prnt_frm.h"

#include "runtime/drawing/twips.h"

#include <QApplication>
#include <QWidget>
#include <QPainter>
#include <QPdfWriter>
#include <QTest>

#include <chrono>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

double msSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// A line of /proc/self/status such as "VmHWM:", in kB.
long statusKb(const std::string& key)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with(key))
            return std::atol(line.c_str() + key.size());
    return -1;
}

class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

// The time since the parent started this process, when it says when.
void printProcessShown()
{
    if (const char* spawned = std::getenv("CHARTVIEWER_BENCH_SPAWNED_NS")) {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        const double ns = double(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
        std::printf(" process_shown_ms=%.1f", (ns - std::atof(spawned)) / 1e6);
    }
}

// The yardstick for small files: an empty window of the same size, shown.
int measureEmptyWindow()
{
    const auto start = std::chrono::steady_clock::now();
    QWidget window;
    window.resize(632, 419);
    PaintCounter counter;
    window.installEventFilter(&counter);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    while (counter.paints == 0 && msSince(start) < 60'000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    std::printf("shown_ms=%.2f", msSince(start));
    printProcessShown();
    std::printf("\n");
    return 0;
}

int measureHere(bool windowOnly)
{
    std::printf("base_kb=%ld", statusKb("VmRSS:"));
    const auto start = std::chrono::steady_clock::now();
    auto form = std::make_unique<frmChart>();
    std::printf(" construct_ms=%.1f", msSince(start));
    form->load();
    std::printf(" load_ms=%.1f", msSince(start));
    PaintCounter counter;
    form->theChartBox.installEventFilter(&counter);
    form->move(0, 0);
    form->show();
    // The first paint of the chart box renders the series into its pixels.
    if (!QTest::qWaitForWindowExposed(form.get()))
        return 1;
    while (counter.paints == 0 && msSince(start) < 600'000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    std::printf(" shown_ms=%.1f shown_hwm_kb=%ld", msSince(start), statusKb("VmHWM:"));
    printProcessShown();
    const auto again = std::chrono::steady_clock::now();
    form->theChartBox.repaint();
    std::printf(" repaint_ms=%.2f", msSince(again));

    if (!windowOnly) {
        // The page as printing.cpp paints it, into a PDF instead of a printer.
        const auto pageStart = std::chrono::steady_clock::now();
        prntFrm page;
        page.load();
        std::printf(" page_load_ms=%.1f", msSince(pageStart));
        const auto pdfStart = std::chrono::steady_clock::now();
        {
            QPdfWriter writer(QStringLiteral("page.pdf"));
            writer.setResolution(1200);
            QPainter painter(&writer);
            const double scale = writer.resolution() / (1440.0 / runtime::twipsPerPixel);
            painter.scale(scale, scale);
            page.paintContent(painter);
        }
        std::printf(" pdf_ms=%.1f pdf_bytes=%ju", msSince(pdfStart), std::uintmax_t{fs::file_size("page.pdf")});
    }
    std::printf(" hwm_kb=%ld\n", statusKb("VmHWM:"));
    return 0;
}

std::map<std::string, std::string> runChild(const std::string& self, const fs::path& folder,
                                            const std::string& mode = "--here", const std::string& platform = "offscreen")
{
    const std::string command =
        "cd '" + folder.string() + "' && QT_QPA_PLATFORM=" + platform + " exec '" + self + "' " + mode;
    std::map<std::string, std::string> values;
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    setenv("CHARTVIEWER_BENCH_SPAWNED_NS",
           std::to_string(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()).c_str(), 1);
    FILE* child = popen(command.c_str(), "r");
    if (!child)
        return values;
    std::string output;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, child))
        output += buffer;
    if (pclose(child) != 0)
        return values;
    std::istringstream pairs(output);
    for (std::string pair; pairs >> pair;)
        if (const auto eq = pair.find('='); eq != std::string::npos)
            values[pair.substr(0, eq)] = pair.substr(eq + 1);
    return values;
}

int runTable(const std::vector<long long>& sizes)
{
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    char folderTemplate[] = "/tmp/chartviewer-e2e-XXXXXX";
    if (!mkdtemp(folderTemplate))
        return 1;
    const fs::path root = folderTemplate;
    // Spares each child Qt's warning about a missing runtime folder.
    setenv("XDG_RUNTIME_DIR", folderTemplate, 0);
    std::printf("%10s %8s %9s %10s %10s %9s %10s %9s %9s %9s %9s\n", "points", "file MB", "load", "shown",
                "start to", "peak MB", "page load", "PDF ms", "PDF KB", "peak MB", "wc -l");
    std::printf("%10s %8s %9s %10s %10s %9s %10s %9s %9s %9s %9s\n", "", "", "ms", "ms", "shown ms", "(window)", "ms", "",
                "", "(all)", "ms");
    int status = 0;
    for (const long long n : sizes) {
        const fs::path folder = root / std::to_string(n);
        fs::create_directories(folder);
        const double fileMb = double(bench::writeChartFile((folder / "chart.dat").string(), n)) / 1e6;
        auto v = runChild(self, folder);
        // The whole process, from its start to the window's first paint: the median of nine.
        std::vector<double> starts;
        for (int run = 0; run < 9; ++run) {
            auto w = runChild(self, folder, "--here --window");
            starts.push_back(w.empty() ? -1 : std::atof(w["process_shown_ms"].c_str()));
        }
        std::sort(starts.begin(), starts.end());
        // The least a program can take to read the same cached file through.
        std::vector<double> counts;
        for (int run = 0; run < 3; ++run) {
            const auto start = std::chrono::steady_clock::now();
            if (std::system(("wc -l '" + (folder / "chart.dat").string() + "' >/dev/null").c_str()) != 0)
                status = 1;
            counts.push_back(msSince(start));
        }
        std::sort(counts.begin(), counts.end());
        if (v.empty() || starts.front() < 0) {
            std::printf("%10lld   failed\n", n);
            status = 1;
            continue;
        }
        const auto mb = [&](const char* key) { return std::atof(v[key].c_str()) / 1024; };
        std::printf("%10lld %8.1f %9.1f %10s %10.1f %9.1f %10s %9s %9.1f %9.1f %9.1f\n", n, fileMb,
                    std::atof(v["load_ms"].c_str()) - std::atof(v["construct_ms"].c_str()), v["shown_ms"].c_str(),
                    starts[starts.size() / 2], mb("shown_hwm_kb"), v["page_load_ms"].c_str(), v["pdf_ms"].c_str(),
                    std::atof(v["pdf_bytes"].c_str()) / 1024, mb("hwm_kb"), counts[1]);
        std::fflush(stdout);
        fs::remove_all(folder);
    }
    // A title of 64 KiB of combining marks on one letter, within the line limit:
    // the labels lay out only what can show of it.
    const fs::path marks = root / "marks";
    fs::create_directories(marks);
    std::string title = "e";
    for (int k = 0; k < 32767; ++k)
        title += "\u0301";
    std::ofstream(marks / "chart.dat") << title << "\nWeek\nUnits\n2\n1,120\n2,135\nA,B,C,D,E,F,G,H\n";
    auto m = runChild(self, marks);
    std::printf("a title of 64 KiB of combining marks: load %s ms, shown %s ms, page load %s ms, PDF %s ms\n",
                m["load_ms"].c_str(), m["shown_ms"].c_str(), m["page_load_ms"].c_str(), m["pdf_ms"].c_str());
    status |= m.empty();
    // Small files: the example chart's start-up against an empty window's, each
    // a whole process from its start to its first paint; forty-one of each, taken
    // in turns so that the machine's moods fall on both, and their medians. On
    // the display server in DISPLAY when there is one, as a user starts it.
    const std::string platform = std::getenv("DISPLAY") ? "xcb" : "offscreen";
    const fs::path example = root / "example";
    fs::create_directories(example);
    std::ofstream(example / "chart.dat") << "Weekly Output\nWeek\nUnits\n5\n1,120\n2,135\n3,128\n4,150\n5,162\n"
                                            "W1,W1,W2,W3,W4,\"W5, late\",W6,W7\n";
    std::vector<double> charts;
    std::vector<double> empties;
    for (int run = 0; run < 41; ++run) {
        charts.push_back(std::atof(runChild(self, example, "--here --window", platform)["process_shown_ms"].c_str()));
        empties.push_back(std::atof(runChild(self, example, "--empty", platform)["process_shown_ms"].c_str()));
    }
    const auto median = [](std::vector<double> values) {
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    const double chart = median(charts);
    const double empty = median(empties);
    fs::remove_all(root);
    std::printf("shown: from constructing the window to its first paint, load included;\n"
                "start to shown: from the process's start to the same paint, the median of nine runs\n");
    std::printf("start-up on %s, process start to first paint: the example chart %.1f ms, an empty window %.1f ms: "
                "%.2f times\n",
                platform.c_str(), chart, empty, chart / empty);
    return status;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "--here" || args[0] == "--empty")) {
        QApplication application(argc, argv);
        try {
            if (args[0] == "--empty")
                return measureEmptyWindow();
            return measureHere(args.size() > 1 && args[1] == "--window");
        } catch (const std::exception& error) {
            std::fprintf(stderr, "end_to_end_bench: %s\n", error.what());
            return 1;
        }
    }
    std::vector<long long> sizes;
    for (const auto& arg : args)
        sizes.push_back(std::atoll(arg.c_str()));
    if (sizes.empty())
        sizes = {100'000, 1'000'000, 10'000'000};
    return runTable(sizes);
}
