// The load's parts one by one, on generated random-walk files: reading,
// the y range, the plot fractions, and the series drawn as in the chart box.
#include "bench/chart_generator.h"

#include "chartdata/axis_scale.h"
#include "chartdata/chart_file.h"
#include "chartdata/plot_fractions.h"
#include "runtime/drawing/drawing.h"
#include "runtime/text/sequential_file.h"
#include "runtime/drawing/twips.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>

namespace {

// The chart box on the window, in pixels.
constexpr int boxWidth = 497;
constexpr int boxHeight = 321;

namespace fs = std::filesystem;

// The reader opens names in the current directory, so the files live in a
// temporary folder made current for the run and removed at its end.
class Workspace {
public:
    Workspace()
    {
        char folder[] = "/tmp/chartviewer-bench-XXXXXX";
        if (!mkdtemp(folder))
            throw std::runtime_error("cannot create a temporary folder");
        folder_ = folder;
        previous_ = fs::current_path();
        fs::current_path(folder_);
    }
    ~Workspace()
    {
        std::error_code ignored;
        fs::current_path(previous_, ignored);
        fs::remove_all(folder_, ignored);
    }
    const fs::path& folder() const { return folder_; }

private:
    fs::path folder_;
    fs::path previous_;
};

Workspace& workspace()
{
    static Workspace instance;
    return instance;
}

std::string fileFor(std::int64_t n)
{
    static std::map<std::int64_t, std::string> files;
    workspace();
    auto [it, added] = files.try_emplace(n, "chart_" + std::to_string(n) + ".dat");
    if (added)
        bench::writeChartFile(it->second, n);
    return it->second;
}

// QPainter wants an application object; made once, on the offscreen
// platform, and left to the process's end.
void ensureGuiApplication()
{
    static int argc = 1;
    static char name[] = "micro_bench";
    static char* argv[] = {name, nullptr};
    if (QGuiApplication::instance())
        return;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Spares Qt's warning about a missing runtime folder.
    setenv("XDG_RUNTIME_DIR", workspace().folder().c_str(), 0);
    new QGuiApplication(argc, argv);
}

const chartdata::ChartData& dataFor(std::int64_t n)
{
    static std::map<std::int64_t, chartdata::ChartData> cache;
    auto it = cache.find(n);
    if (it == cache.end()) {
        runtime::SequentialFile file(fileFor(n));
        it = cache.emplace(n, chartdata::readChartData(file)).first;
    }
    return it->second;
}

// The series as the chart window's load draws it: one line per segment, in twips.
runtime::Drawing seriesDrawing(const chartdata::PlotFractions& f)
{
    const double w = boxWidth * runtime::twipsPerPixel;
    const double h = boxHeight * runtime::twipsPerPixel;
    runtime::Drawing drawing;
    for (std::size_t i = 0; i + 1 < f.size(); ++i)
        drawing.line(QPointF(float(w * f.x(i)), float(h - h * f.y(i))),
                     QPointF(float(w * f.x(i + 1)), float(h - h * f.y(i + 1))), qRgb(200, 10, 10), 3);
    return drawing;
}

chartdata::PlotFractions fractionsFor(std::int64_t n)
{
    const auto& data = dataFor(n);
    return chartdata::plotFractions(data, chartdata::axisRange(chartdata::findYRange(data.yValues)));
}

// As the program reads: the far half of the points scanned on a second core.
void ReadChartData(benchmark::State& state)
{
    const std::string name = fileFor(state.range(0));
    const auto bytes = static_cast<std::int64_t>(fs::file_size(name));
    for (auto _ : state) {
        runtime::SequentialFile file(name);
        benchmark::DoNotOptimize(chartdata::readChartData(file));
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(ReadChartData)->Arg(100'000)->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond)->UseRealTime();

// On one core: every byte read in order.
void ReadChartDataInOrder(benchmark::State& state)
{
    const std::string name = fileFor(state.range(0));
    const auto bytes = static_cast<std::int64_t>(fs::file_size(name));
    for (auto _ : state) {
        runtime::SequentialFile file(name, {.readAheadBytes = runtime::ReadingOptions::noReadAhead});
        benchmark::DoNotOptimize(chartdata::readChartData(file));
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(ReadChartDataInOrder)->Arg(100'000)->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond);

void FindYRange(benchmark::State& state)
{
    const auto& data = dataFor(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(chartdata::findYRange(data.yValues));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(FindYRange)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMicrosecond);

void PlotFractions(benchmark::State& state)
{
    const auto& data = dataFor(state.range(0));
    const auto range = chartdata::axisRange(chartdata::findYRange(data.yValues));
    const auto fractions = chartdata::plotFractions(data, range);
    for (auto _ : state) {
        double sum = 0;
        for (std::size_t i = 0; i < fractions.size(); ++i)
            sum += fractions.x(i) + fractions.y(i);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(PlotFractions)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMicrosecond);

// Recording the segments, as the load's line calls do.
void DrawingRecord(benchmark::State& state)
{
    const auto fractions = fractionsFor(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(seriesDrawing(fractions));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(DrawingRecord)->Arg(100'000)->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond);

// Painting them into the box's pixels, as the first paint of the window does.
void DrawingPaint(benchmark::State& state)
{
    ensureGuiApplication();
    const runtime::Drawing drawing = seriesDrawing(fractionsFor(state.range(0)));
    QImage pixels(boxWidth, boxHeight, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        pixels.fill(Qt::transparent);
        QPainter painter(&pixels);
        drawing.paint(painter);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(DrawingPaint)->Arg(100'000)->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
