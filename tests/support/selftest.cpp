#include "cups_spooler.h"
#include "pdf_probe.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;
using namespace testsupport;
namespace fs = std::filesystem;

namespace {

struct PageText {
    std::string text;
    double x;  // left edge of the text, points
};

// Hand-built PDF: one 200x100 pt page per entry, Helvetica 24 pt, baseline 40 pt up.
std::string writePdf(const std::string& path, const std::vector<PageText>& pages) {
    std::vector<std::string> objs = {"<< /Type /Catalog /Pages 2 0 R >>", "",
                                     "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"};
    std::string kids;
    for (auto& p : pages) {
        int pageObj = static_cast<int>(objs.size()) + 1;
        std::string content = "BT /F1 24 Tf " + std::to_string(p.x) + " 40 Td (" + p.text + ") Tj ET";
        objs.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] /Contents " +
                       std::to_string(pageObj + 1) + " 0 R /Resources << /Font << /F1 3 0 R >> >> >>");
        objs.push_back("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content +
                       "\nendstream");
        kids += std::to_string(pageObj) + " 0 R ";
    }
    objs[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages.size()) + " >>";
    std::string pdf = "%PDF-1.4\n";
    std::vector<size_t> offsets;
    for (size_t i = 0; i < objs.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objs[i] + "\nendobj\n";
    }
    size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objs.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t off : offsets) {
        char line[21];
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", off);
        pdf += line;
    }
    pdf += "trailer\n<< /Size " + std::to_string(objs.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
    std::ofstream(path, std::ios::binary) << pdf;
    return path;
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class Scratch : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "support-selftest-XXXXXX").string();
        ASSERT_TRUE(mkdtemp(tmpl.data()));
        dir = tmpl;
        hello = writePdf(dir + "/hello.pdf", {{"Hello", 20}});
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string dir, hello;
};

ProcessResult lp(const CupsSpooler& s, std::vector<std::string> args) {
    args.insert(args.begin(), "lp");
    return runProcess(args, 10s, s.environment());
}

// A killed orphan may linger as a zombie until init reaps it; that counts as gone.
bool exitedWithin(const std::string& procDir, std::chrono::milliseconds limit) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        std::string stat = slurp(procDir + "/stat");
        size_t paren = stat.rfind(')');
        if (stat.empty() || (paren != std::string::npos && stat.compare(paren, 3, ") Z") == 0)) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(20ms);
    }
}

using CupsSpoolerTest = Scratch;

TEST_F(CupsSpoolerTest, CapturesSubmittedPdfUnchangedViaDefaultQueue) {
    CupsSpooler spooler;
    ProcessResult def = runProcess({"lpstat", "-d"}, 10s, spooler.environment());
    EXPECT_NE(def.out.find("system default destination: capture"), std::string::npos) << def.out << def.err;

    ASSERT_EQ(lp(spooler, {"-d", "capture", hello}).exitCode, 0);
    ASSERT_EQ(lp(spooler, {hello}).exitCode, 0) << "no default destination";
    auto jobs = spooler.waitForJobs(2, 20s);
    ASSERT_EQ(jobs.size(), 2u) << spooler.errorLog();
    for (auto& job : jobs) {
        EXPECT_EQ(slurp(job), slurp(hello)) << "raw queue must not filter";
        EXPECT_EQ(pageCount(job), 1);
        auto found = words(job);
        ASSERT_EQ(found.size(), 1u);
        EXPECT_EQ(found[0].text, "Hello");
    }
    EXPECT_LT(jobs[0], jobs[1]);
}

// Each row breaks submission differently; none may produce a captured document.
TEST_F(CupsSpoolerTest, BlockedSubmissionsAreNotCaptured) {
    struct Row {
        const char* name;
        std::function<void(CupsSpooler&)> block;
        std::vector<std::string> lpArgs;
        bool lpAccepts;
        std::function<void(CupsSpooler&)> unblock;  // if set, the held job must then arrive
    };
    const std::vector<Row> rows = {
        {"disabled", [](auto& s) { s.disableQueue(); }, {"-d", "capture"}, true,
         [](auto& s) { s.enableQueue(); }},
        {"rejecting", [](auto& s) { s.rejectJobs(); }, {"-d", "capture"}, false, nullptr},
        {"no default", [](auto& s) { s.clearDefault(); }, {}, false, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CupsSpooler spooler;
        row.block(spooler);
        auto args = row.lpArgs;
        args.push_back(hello);
        EXPECT_EQ(lp(spooler, args).exitCode == 0, row.lpAccepts);
        EXPECT_TRUE(spooler.waitForJobs(1, 1500ms).empty());
        if (row.unblock) {
            row.unblock(spooler);
            EXPECT_EQ(spooler.waitForJobs(1, 20s).size(), 1u) << spooler.errorLog();
        }
    }
    CupsSpooler spooler;
    spooler.clearDefault();
    ProcessResult def = runProcess({"lpstat", "-d"}, 10s, spooler.environment());
    EXPECT_NE(def.out.find("no system default destination"), std::string::npos) << def.out << def.err;
}

TEST_F(CupsSpoolerTest, ParallelSpoolersAreIsolatedAndCleanedUp) {
    std::string dirA;
    pid_t pidA, pidB;
    {
        CupsSpooler a, b;
        dirA = a.tempDir();
        pidA = a.pid();
        pidB = b.pid();
        EXPECT_NE(a.socketPath(), b.socketPath());
        EXPECT_FALSE(a.socketPath().starts_with("/run/cups")) << "must never be the system cupsd";
        ASSERT_EQ(lp(a, {hello}).exitCode, 0);
        EXPECT_EQ(a.waitForJobs(1, 20s).size(), 1u) << a.errorLog();
        EXPECT_TRUE(b.capturedJobs().empty());
        b.stop();
        b.stop();
        EXPECT_NE(lp(b, {hello}).exitCode, 0) << "stopped spooler still accepts jobs";
    }
    EXPECT_FALSE(fs::exists(dirA));
    for (pid_t pid : {pidA, pidB})
        EXPECT_TRUE(exitedWithin("/proc/" + std::to_string(pid), 0ms)) << "cupsd " << pid << " survived";
}

using PdfProbeTest = Scratch;

TEST_F(PdfProbeTest, ReportsPagesWordBoxesAndPixelsPerPage) {
    const std::vector<PageText> pages = {{"Hello", 10}, {"Fish&Chips", 60}, {"Third", 120}};
    std::string pdf = writePdf(dir + "/three.pdf", pages);
    EXPECT_EQ(pageCount(pdf), 3);
    auto found = words(pdf);
    ASSERT_EQ(found.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        const Word& w = found[i];
        SCOPED_TRACE(w.text);
        EXPECT_EQ(w.text, pages[i].text);
        EXPECT_EQ(w.page, i + 1);
        EXPECT_DOUBLE_EQ(w.pageWidth, 200);
        EXPECT_DOUBLE_EQ(w.pageHeight, 100);
        EXPECT_NEAR(w.xMin, pages[i].x, 1);
        // Baseline 40 pt from the bottom is 60 pt from the top; the box sits above it.
        EXPECT_LT(w.yMin, 60);
        EXPECT_GT(w.yMax, 55);
        EXPECT_LT(w.yMax, 70);

        for (int dpi : {72, 144}) {
            Image img = renderPage(pdf, dpi, w.page);
            double scale = dpi / 72.0;
            ASSERT_EQ(img.width, 200 * scale);
            ASSERT_EQ(img.height, 100 * scale);
            int inside = 0, outside = 0;
            for (int y = 0; y < img.height; ++y)
                for (int x = 0; x < img.width; ++x) {
                    if (img.pixel(x, y)[0] > 128) continue;
                    bool in = x >= (w.xMin - 1) * scale && x <= (w.xMax + 1) * scale &&
                              y >= (w.yMin - 1) * scale && y <= (w.yMax + 1) * scale;
                    ++(in ? inside : outside);
                }
            EXPECT_GT(inside, 20) << dpi << " dpi";
            EXPECT_EQ(outside, 0) << dpi << " dpi: ink outside the word box";
        }
    }
    EXPECT_THROW(renderPage(pdf, 72).pixel(200, 0), std::out_of_range);
}

TEST_F(PdfProbeTest, ToolFailuresThrowWithToolMessage) {
    std::ofstream(dir + "/garbage.pdf") << "not a pdf\n";
    const std::vector<std::pair<std::string, std::string>> inputs = {
        {dir + "/missing.pdf", "Couldn't open file"}, {dir + "/garbage.pdf", "PDF file"}};
    const std::vector<std::pair<const char*, std::function<void(const std::string&)>>> probes = {
        {"pageCount", [](auto& p) { pageCount(p); }},
        {"words", [](auto& p) { words(p); }},
        {"renderPage", [](auto& p) { renderPage(p, 72); }},
    };
    for (auto& [path, message] : inputs)
        for (auto& [name, probe] : probes) {
            SCOPED_TRACE(std::string(name) + " on " + path);
            try {
                probe(path);
                ADD_FAILURE() << "no exception";
            } catch (const std::runtime_error& e) {
                EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
            }
        }
}

TEST(RunProcess, ReportsExitOutputEnvironmentAndEnforcesTimeout) {
    auto r = runProcess({"sh", "-c", "echo \"$CUPS_SERVER\"; echo oops >&2; exit 3"}, 5s,
                        {{"CUPS_SERVER", "/x.sock"}});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.out, "/x.sock\n");
    EXPECT_EQ(r.err, "oops\n");

    // A child that leaves a holder of the pipe behind must neither stall the caller nor survive.
    std::string pidFile = (fs::temp_directory_path() / ("runprocess-" + std::to_string(getpid()))).string();
    const std::vector<std::string> scripts = {"sleep 30", "sleep 30 & echo $! >" + pidFile + "; exit 0"};
    for (const std::string& script : scripts) {
        auto start = std::chrono::steady_clock::now();
        EXPECT_THROW(runProcess({"sh", "-c", script}, 300ms), std::runtime_error) << script;
        EXPECT_LT(std::chrono::steady_clock::now() - start, 5s) << script;
    }
    std::string stray = slurp(pidFile);
    fs::remove(pidFile);
    ASSERT_FALSE(stray.empty());
    EXPECT_TRUE(exitedWithin("/proc/" + stray.substr(0, stray.find('\n')), 2s)) << "grandchild survived";
    EXPECT_THROW(runProcess({"no-such-tool-xyz"}, 1s), std::runtime_error);
}

}  // namespace
