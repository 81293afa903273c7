// Reading the chart file: the layouts that must read alike, the choices made
// for text and numbers, and every failure with the message the user sees.
#include "chartdata/chart_file.h"
#include "chartdata/series_points.h"
#include "runtime/error/runtime_error.h"
#include "runtime/text/sequential_file.h"
#include "tests/support/readings_agree.h"
#include "tests/support/work_folder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <optional>
#include <unistd.h>

using chartdata::ChartData;
using testsupport::WorkFolder;

namespace {

ChartData readText(const std::string& bytes)
{
    WorkFolder folder;
    folder.write("chart.dat", bytes);
    runtime::SequentialFile file("chart.dat");
    return testsupport::readChartData(file);
}

// A file's bytes, named.
struct FileCase {
    const char* name;
    std::string bytes;
};

class SameChartInEveryLayout : public testing::TestWithParam<FileCase> {};

TEST_P(SameChartInEveryLayout, ReadsTheExample)
{
    const ChartData data = readText(GetParam().bytes);
    EXPECT_EQ(data.title, "Weekly Output");
    EXPECT_EQ(data.xAxisCaption, "Week");
    EXPECT_EQ(data.yAxisCaption, "Units");
    EXPECT_EQ(data.pointCount, 5);
    EXPECT_EQ(data.xValues, (std::vector<std::int32_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(data.yValues, (std::vector<std::int32_t>{120, 135, 128, 150, 162}));
    EXPECT_EQ(data.xTickCaptions,
              (std::array<std::string, 8>{"W1", "W1", "W2", "W3", "W4", "W5, late", "W6", "W7"}));
    WorkFolder folder;
    testsupport::expectReadingsAgree(GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, SameChartInEveryLayout,
    testing::Values(
        FileCase{"AsWritten", testsupport::exampleChart},
        FileCase{"FieldsOnOneLine",
               "Weekly Output\nWeek\nUnits\n5,1,120,2,135,3,128,4,150,5,162,W1,W1,W2,W3,W4,\"W5, late\",W6,W7\n"},
        FileCase{"EveryFieldOnItsOwnLine",
               "Weekly Output\nWeek\nUnits\n5\n1\n120\n2\n135\n3\n128\n4\n150\n5\n162\n"
               "W1\nW1\nW2\nW3\nW4\n\"W5, late\"\nW6\nW7"},
        FileCase{"CrLfLineEnds",
               "Weekly Output\r\nWeek\r\nUnits\r\n5\r\n1,120\r\n2,135\r\n3,128\r\n4,150\r\n5,162\r\n"
               "W1,W1,W2,W3,W4,\"W5, late\",W6,W7\r\n"},
        FileCase{"LoneCrLineEnds",
               "Weekly Output\rWeek\rUnits\r5\r1,120\r2,135\r3,128\r4,150\r5,162\rW1,W1,W2,W3,W4,\"W5, late\",W6,W7"},
        FileCase{"BlanksAndTabsAroundAndBetweenNumbers",
               "Weekly Output\nWeek\nUnits\n  5  \n1 120\n 2\t135\n3 ,128\n4,\t150\n5   162\n"
               "  W1,W1,W2,  W3  ,W4,  \"W5, late\"  ,W6,W7   \n"},
        FileCase{"BlankLinesBetweenFields",
               "Weekly Output\nWeek\nUnits\n\n5\n\n1,120\n   \n2,135\n3,128\n4,150\n5,162\n\n\nW1,W1,W2,W3,W4,\"W5, late\",W6,W7\n"},
        FileCase{"FractionsRoundToTheNearest",
               "Weekly Output\nWeek\nUnits\n5.0\n1.4,119.6\n+2,135.\n2.51,128.49\n3.5,150\n5,161.5\n"
               "W1,W1,W2,W3,W4,\"W5, late\",W6,W7\n"},
        FileCase{"AnythingAfterTheEighthCaption",
               testsupport::exampleChart + "more,\"unclosed\n\x01\x02 garbage\nline\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// A comma at a line end ends a caption, leaving the next one empty.
TEST(ChartFile, TextIsTakenAsWritten)
{
    const ChartData data = readText(
        "A \"quoted\", title, \n\nY caption\n1\n7,8\n"
        "\"\",,  trailing blanks   ,\n\" kept blanks \",\"a,b\"junk after, x  y ,last");
    EXPECT_EQ(data.title, "A \"quoted\", title, ");
    EXPECT_EQ(data.xAxisCaption, "");
    EXPECT_EQ(data.yAxisCaption, "Y caption");
    EXPECT_EQ(data.xTickCaptions,
              (std::array<std::string, 8>{"", "", "trailing blanks", "", " kept blanks ", "a,b", "x  y", "last"}));
}

// The character set is decided by what is read, up to the end of the eighth
// caption: UTF-8 when all of it is, else Latin-1.
TEST(ChartFile, CharacterSetIsUtf8WhenWhatIsReadIsValidElseLatin1)
{
    const std::string tail = "\nX\nY\n1\n1,2\nA,B,C,D,E,F,G,H\n";
    const std::pair<std::string, std::string> titles[] = {
        {"Caf\xC3\xA9 \xE2\x82\xAC" + tail, "Caf\xC3\xA9 \xE2\x82\xAC"},
        {"Caf\xE9" + tail, "Caf\xC3\xA9"},
        // One byte that is no UTF-8 in a caption, a surrogate's code (U+DFFF)
        // dropped after a closing quote, a character cut by a line end.
        {"\xC3\xA9\nX\nY\n1\n1,2\nA,B,C,D,E,F,G,\xFF\n", "\xC3\x83\xC2\xA9"},
        {"\xC3\xA9\nX\nY\n1\n1,2\nA,\"B\"\xED\xBF\xBF,C,D,E,F,G,H\n", "\xC3\x83\xC2\xA9"},
        {"\xC3\n\xA9\nY\n1\n1,2\nA,B,C,D,E,F,G,H\n", "\xC3\x83"},
    };
    for (const auto& [bytes, title] : titles)
        EXPECT_EQ(readText(bytes).title, title) << bytes;
}

// A tail of 64 GiB that holds no data (a sparse file), ending in a byte that
// is no UTF-8: it is not read, so the file opens at once and reads as UTF-8.
TEST(ChartFile, ReadsNothingAfterTheEighthCaption)
{
    WorkFolder folder;
    const std::string chart = "\xC3\xA9\nX\nY\n1\n1,2\nA,B,C,D,E,F,G,H\n";
    folder.write("chart.dat", chart);
    const int fd = ::open("chart.dat", O_WRONLY | O_CLOEXEC);
    ASSERT_TRUE(fd >= 0 && ::ftruncate(fd, off_t{1} << 36) == 0 && ::pwrite(fd, "\xFF", 1, (off_t{1} << 36) - 1) == 1);
    ::close(fd);
    runtime::SequentialFile file("chart.dat");
    EXPECT_EQ(testsupport::readChartData(file).title, "\xC3\xA9");
}

TEST(ChartFile, NumbersRoundHalvesToEvenOverThe32BitRange)
{
    const ChartData data = readText("T\nX\nY\n3.5\n0.5,1.5\n-2.5,-3.5\n-2147483648,2147483647\n"
                                    "2147483647,-2147483648\nA,B,C,D,E,F,G,H\n");
    EXPECT_EQ(data.xValues, (std::vector<std::int32_t>{0, -2, INT32_MIN, INT32_MAX}));
    EXPECT_EQ(data.yValues, (std::vector<std::int32_t>{2, -4, INT32_MAX, INT32_MIN}));
}

struct Failure {
    const char* name;
    std::optional<std::string> bytes;  // no file at all when empty
    std::string message;
    runtime::LineNumber firstLine = 1;
};

class ReadingFails : public testing::TestWithParam<Failure> {};

std::ptrdiff_t openDescriptors() { return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}); }

TEST_P(ReadingFails, WithAMessageNamingFileLineAndRead)
{
    WorkFolder folder;
    if (GetParam().bytes)
        folder.write("chart.dat", *GetParam().bytes);
    std::optional<runtime::SequentialFile> file;
    const auto before = openDescriptors();
    try {
        file.emplace("chart.dat", runtime::ReadingOptions{.firstLine = GetParam().firstLine});
        testsupport::readChartData(*file);
        FAIL() << "no error";
    } catch (const runtime::RuntimeError& error) {
        EXPECT_EQ(std::string(error.what()), GetParam().message);
        EXPECT_EQ(openDescriptors(), before) << "a failed read leaves the file open";
    }
    testsupport::expectReadingsAgree(GetParam().bytes.value_or(""));
}

const std::string head = "T\nX\nY\n", captions = "A,B,C,D,E,F,G,H\n";

INSTANTIATE_TEST_SUITE_P(
    Failures, ReadingFails,
    testing::Values(
        Failure{"EmptyFile", "", "chart.dat, line 1: input past end of file while reading the chart title (line 1)"},
        Failure{"NoCount", head, "chart.dat, line 3: input past end of file while reading the count of points"},
        Failure{"CountLargerThanTheData", head + "5\n1,120\n2,135\n3,128\n4,150\n5\n",
                "chart.dat, line 9: input past end of file while reading the y value of point 5"},
        Failure{"HugeCountInASmallFile", head + "2000000000\n1,2\n",
                "chart.dat, line 5: input past end of file while reading the x value of point 2"},
        Failure{"TooFewCaptions", head + "1\n1,2\nA,B,C,D,E,F",
                "chart.dat, line 6: input past end of file while reading x tick caption 7"},
        Failure{"NegativeCount", head + "-3\n1,2\n" + captions,
                "chart.dat, line 4: the count of points is -3; it must not be negative"},
        Failure{"ZeroCount", head + "\n0\n" + captions,
                "chart.dat, line 5: the count of points is 0; a chart needs at least one point"},
        Failure{"NotANumber", head + "1\nabc,5\n" + captions,
                "chart.dat, line 5: expected a number, found \"abc\" while reading the x value of point 1"},
        Failure{"NumberWithJunk", head + "1\n1,5kg\n" + captions,
                "chart.dat, line 5: expected a number, found \"5kg\" while reading the y value of point 1"},
        Failure{"LonePoint", head + "1\n.,5\n" + captions,
                "chart.dat, line 5: expected a number, found \".\" while reading the x value of point 1"},
        Failure{"NulInsideANumber", head + "1\n1" + std::string(1, '\0') + "2,5\n" + captions,
                "chart.dat, line 5: expected a number, found \"1\\x002\" while reading the x value of point 1"},
        Failure{"NulStartsANumber", head + "1\n" + std::string(1, '\0') + ",5\n" + captions,
                "chart.dat, line 5: expected a number, found \"\\x00\" while reading the x value of point 1"},
        Failure{"AboveTheRange", head + "1\n2147483648,5\n" + captions,
                "chart.dat, line 5: 2147483648 is outside the 32-bit range -2147483648 to 2147483647 "
                "while reading the x value of point 1"},
        Failure{"RoundsAboveTheRange", head + "1\n1,2147483647.5\n" + captions,
                "chart.dat, line 5: 2147483647.5 is outside the 32-bit range -2147483648 to 2147483647 "
                "while reading the y value of point 1"},
        Failure{"CountAboveTheRange", head + "99999999999999999999\n",
                "chart.dat, line 4: 99999999999999999999 is outside the 32-bit range -2147483648 to 2147483647 "
                "while reading the count of points"},
        // Line numbers past 2^31, without a file of that many lines.
        Failure{"LinesPast2To31", head + "2\n1,2\n3,x\n" + captions,
                "chart.dat, line 2147483651: expected a number, found \"x\" while reading the y value of point 2",
                2147483646},
        Failure{"EmptyNumericField", head + "1\n,5\n" + captions,
                "chart.dat, line 5: expected a number, found an empty field while reading the x value of point 1"},
        Failure{"UnterminatedQuote", head + "1\n1,2\nA,\"B,C\nD,E,F,G,H\n",
                "chart.dat, line 6: a quoted text has no closing quote on its line while reading x tick caption 2"}),
    [](const auto& info) { return std::string(info.param.name); });

// Points in five layouts by turns, all the file's line ends among them.
std::string longFile(int points)
{
    std::string text = "Long \xE9\r\nX\r\nY\r\n" + std::to_string(points) + "\r\n";
    for (int i = 1; i <= points; ++i) {
        const std::string x = std::to_string(i);
        const std::string y = std::to_string((i * 7919) % 20001 - 10000);
        switch (i % 5) {
        case 0: text += x + "," + y + "\n"; break;
        case 1: text += "  " + x + " \t" + y + "\r\n"; break;
        case 2: text += x + ".0," + y + ".4\r"; break;
        case 3: text += x + "\n\n  \n" + y + "\n"; break;
        default: text += x + "," + y + ","; break;
        }
    }
    return text + "\nA,\"B, b\",C,D,E,F,G,H";
}

// Reading the numbers in bulk must change nothing: the reader's fuzz target
// reads each file one number at a time, and in bulk, whole records from the
// buffer, and with its far half scanned ahead (through a small buffer, a
// large one, and from memory), and aborts unless the readings agree, errors
// included. The case's twist sits where the scan runs, or where the reader
// runs before it.

constexpr int aheadPoints = 2000;

// The points 1..n as "x,y" lines with `lineEnd`, with `twist` in place of
// the line of point `at`, if any.
std::string pointLines(int n, const std::string& lineEnd = "\n", int at = 0, const std::string& twist = "")
{
    std::string text;
    for (int i = 1; i <= n; ++i)
        text += i == at ? twist : std::to_string(i) + "," + std::to_string((i * 7919) % 2001 - 1000) + lineEnd;
    return text;
}

std::string aheadFile(int count, const std::string& points, const std::string& end = "A,B,C,D,E,F,G,H\n")
{
    return "T\nX\nY\n" + std::to_string(count) + "\n" + points + end;
}

// The points from `first` to the last, each line made by `line`.
std::string linesFrom(int first, std::string (*line)(int))
{
    std::string text;
    for (int i = first; i <= aheadPoints; ++i)
        text += line(i);
    return text;
}

class ReadingAhead : public testing::TestWithParam<FileCase> {};

TEST_P(ReadingAhead, ReadsWhatReadingInOrderReads)
{
    WorkFolder folder;
    testsupport::expectReadingsAgree(GetParam().bytes);
}

const int near = aheadPoints / 4, far = aheadPoints * 3 / 4;

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadingAhead,
    testing::Values(
        FileCase{"Plain", aheadFile(aheadPoints, pointLines(aheadPoints))},
        FileCase{"CrLf", aheadFile(aheadPoints, pointLines(aheadPoints, "\r\n"))},
        FileCase{"LoneCr", aheadFile(aheadPoints, pointLines(aheadPoints, "\r"))},
        FileCase{"BlanksAndAFraction", aheadFile(aheadPoints, pointLines(aheadPoints, "\n", far, " 7 ,\t8.5\r\n"))},
        // A record whose x is plain and y is not, before the scan and in it.
        FileCase{"CutRecordNear", aheadFile(aheadPoints, pointLines(aheadPoints, "\n", near, "7, 8\n"))},
        FileCase{"CutRecordFar", aheadFile(aheadPoints, pointLines(aheadPoints, "\n", far, "7,8.5\n"))},
        FileCase{"BlankLines", aheadFile(aheadPoints, pointLines(aheadPoints, "\n", far, "\n\n7,8\n"))},
        FileCase{"ElevenDigits", aheadFile(aheadPoints, pointLines(aheadPoints, "\n", far, "00000000007,-00000000008\n"))},
        FileCase{"ThreeNumbersToALine", aheadFile(aheadPoints, pointLines(far) + linesFrom(far + 1, [](int i) {
                     return std::to_string(i) + (i % 3 ? "," : "\n") + std::to_string(-i) + (i % 2 ? "," : "\n");
                 }))},
        // The scan ahead finds one plain value, the reader takes it and goes on by itself.
        FileCase{"OneValueAhead", aheadFile(aheadPoints, pointLines(near) + linesFrom(near + 1, [](int i) {
                     return std::to_string(i) + "," + std::to_string(i) + ".5\n";
                 }))},
        // Fewer points than lines of numbers: the reader leaves the scan in
        // the middle and reads the rest as captions.
        FileCase{"CountShort", aheadFile(aheadPoints - 77, pointLines(aheadPoints))},
        FileCase{"CountLong", aheadFile(aheadPoints + 3, pointLines(aheadPoints))},
        FileCase{"OutOfRange", aheadFile(aheadPoints, pointLines(aheadPoints, "\n", far, "3000000000,5\n"))},
        FileCase{"MinusAlone", aheadFile(aheadPoints, pointLines(aheadPoints, "\n", far, "-,5\n"))},
        FileCase{"MinusInside", aheadFile(aheadPoints, pointLines(aheadPoints, "\n", far, "5-3,4\n"))},
        FileCase{"AtTheLimits", aheadFile(aheadPoints, pointLines(aheadPoints, "\n", far, "2147483647,-2147483648\n"))},
        FileCase{"PastTheLowLimit", aheadFile(aheadPoints, pointLines(aheadPoints, "\n", far, "1,-2147483649\n"))},
        // Nine and ten digits, leading zeros among them, all through the scan.
        FileCase{"NineAndTenDigits", aheadFile(aheadPoints, pointLines(near) + linesFrom(near + 1, [](int i) {
                     return std::to_string(100000000 + i) + ",-" + (i % 7 ? std::to_string(2000000000 + i) : "000000" + std::to_string(1000 + i % 1000)) + "\n";
                 }))},
        FileCase{"EndsAfterTheLastPoint", aheadFile(aheadPoints, pointLines(aheadPoints), "")},
        FileCase{"EndsWithoutALineEnd", aheadFile(aheadPoints, pointLines(aheadPoints - 1) + "1,2", "")},
        FileCase{"EndsInANumber", aheadFile(aheadPoints, pointLines(aheadPoints - 1) + "1,", "")},
        FileCase{"EndsAfterOneCaption", aheadFile(aheadPoints, pointLines(aheadPoints - 1) + "1,2,A\n", "")},
        // Plain throughout, so that blocks of 64 KiB hold thousands of fields
        // and their slots are used again.
        FileCase{"LongPlain", aheadFile(30000, pointLines(30000))},
        // Over a megabyte of mixed layouts, so that fields, line ends and captions
        // straddle the buffer's edges; cut short before its captions too.
        FileCase{"LongMixed", longFile(200000)},
        FileCase{"LongMixedRunsOut", longFile(200000).substr(0, longFile(200000).rfind('\n'))}),
    [](const auto& info) { return std::string(info.param.name); });

// A file that changes between the two readings of a long chart, or while
// the second runs, fails the second, whatever the change: never points of two files.
struct Change {
    const char* name;
    std::function<void(const std::string& chart)> make;
    bool whileRead = false;  // made as the second reading hands on its first points
};

class ChangedBetweenReadings : public testing::TestWithParam<Change> {};

TEST_P(ChangedBetweenReadings, FailsTheSecond)
{
    WorkFolder folder;
    const std::string chart = aheadFile(300, pointLines(300));
    folder.write("chart.dat", chart);
    runtime::SequentialFile file("chart.dat");
    ChartData data;
    const chartdata::SeriesPoints points = chartdata::readChart(file, data);
    EXPECT_FALSE(file.isOpen()) << "the first reading leaves the file open";
    if (!GetParam().whileRead)
        GetParam().make(chart);
    try {
        points.forEach({64, [&](std::size_t first, auto, auto) {
            if (first == 0 && GetParam().whileRead)
                GetParam().make(chart);
        }});
        FAIL() << "no error";
    } catch (const runtime::RuntimeError& error) {
        EXPECT_STREQ(error.what(), "chart.dat: changed while it was being read");
    }
}

void rewrite(const std::string& bytes, const char* name = "chart.dat", const char* mode = "r+b")
{
    std::FILE* file = std::fopen(name, mode);
    ASSERT_TRUE(file && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fclose(file) == 0);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, ChangedBetweenReadings,
    testing::Values(Change{"Truncated", [](const std::string& chart) { ASSERT_EQ(::truncate("chart.dat", off_t(chart.size() / 2)), 0); }},
                    Change{"Grown", [](const std::string& chart) { rewrite(chart + "more\n"); }},
                    // What it reads is as before: only the file's size at the end tells.
                    Change{"GrownWhileRead", [](const std::string& chart) { rewrite(chart + "more\n"); }, true},
                    Change{"OtherCount", [](const std::string&) { rewrite(aheadFile(299, pointLines(300))); }},
                    Change{"ReplacedByRename",
                           [](const std::string& chart) {
                               rewrite(chart, "other.dat", "wb");
                               ASSERT_EQ(std::rename("other.dat", "chart.dat"), 0);
                           }},
                    Change{"OtherValuesSameSizeAndTime",
                           [](const std::string& chart) {
                               struct stat before {};
                               ASSERT_EQ(::stat("chart.dat", &before), 0);
                               std::string other = chart;
                               std::swap(other[other.find("\n1,") + 1], other[other.find("\n2,") + 1]);
                               rewrite(other);
                               const timespec times[] = {before.st_atim, before.st_mtim};
                               ASSERT_EQ(::utimensat(AT_FDCWD, "chart.dat", times, 0), 0);
                           }},
                    Change{"Removed", [](const std::string&) { ASSERT_EQ(::unlink("chart.dat"), 0); }}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
