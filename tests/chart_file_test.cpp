// Reading the chart file: the layouts that must read alike, the choices made
// for text and numbers, and every failure with the message the user sees.
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
#include <regex>
#include <unistd.h>

using chartdata::ChartData;
using testsupport::WorkFolder;

namespace {

// The chart as the forms read it, its points kept.
ChartData readChartFile()
{
    runtime::SequentialFile file("chart.dat");
    ChartData data;
    std::vector<std::int32_t> xs, ys;  // the reading's own are its batch
    const auto keep = [&](std::size_t, auto x, auto y) {
        xs.insert(xs.end(), x.begin(), x.end());
        ys.insert(ys.end(), y.begin(), y.end());
    };
    const chartdata::SeriesPoints points = chartdata::readChart(file, data, {}, keep);
    data.xValues = std::move(xs);
    data.yValues = std::move(ys);
    return data;
}

ChartData readText(const std::string& bytes)
{
    WorkFolder folder;
    folder.write("chart.dat", bytes);
    return readChartFile();
}

// A file's bytes, named, and where it fails (the tables below say which).
struct Reading {
    const char* name;
    std::string bytes;
    int line = 0;  // where it fails; 0: whatever the reference reading finds
    std::string report = {};
};

class SameChartInEveryLayout : public testing::TestWithParam<Reading> {};

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
        Reading{"AsWritten", testsupport::exampleChart},
        Reading{"FieldsOnOneLine",
               "Weekly Output\nWeek\nUnits\n5,1,120,2,135,3,128,4,150,5,162,W1,W1,W2,W3,W4,\"W5, late\",W6,W7\n"},
        Reading{"EveryFieldOnItsOwnLine",
               "Weekly Output\nWeek\nUnits\n5\n1\n120\n2\n135\n3\n128\n4\n150\n5\n162\n"
               "W1\nW1\nW2\nW3\nW4\n\"W5, late\"\nW6\nW7"},
        Reading{"CrLfLineEnds",
               "Weekly Output\r\nWeek\r\nUnits\r\n5\r\n1,120\r\n2,135\r\n3,128\r\n4,150\r\n5,162\r\n"
               "W1,W1,W2,W3,W4,\"W5, late\",W6,W7\r\n"},
        Reading{"LoneCrLineEnds",
               "Weekly Output\rWeek\rUnits\r5\r1,120\r2,135\r3,128\r4,150\r5,162\rW1,W1,W2,W3,W4,\"W5, late\",W6,W7"},
        Reading{"BlanksAndTabsAroundAndBetweenNumbers",
               "Weekly Output\nWeek\nUnits\n  5  \n1 120\n 2\t135\n3 ,128\n4,\t150\n5   162\n"
               "  W1,W1,W2,  W3  ,W4,  \"W5, late\"  ,W6,W7   \n"},
        Reading{"BlankLinesBetweenFields",
               "Weekly Output\nWeek\nUnits\n\n5\n\n1,120\n   \n2,135\n3,128\n4,150\n5,162\n\n\nW1,W1,W2,W3,W4,\"W5, late\",W6,W7\n"},
        Reading{"FractionsRoundToTheNearest",
               "Weekly Output\nWeek\nUnits\n5.0\n1.4,119.6\n+2,135.\n2.51,128.49\n3.5,150\n5,161.5\n"
               "W1,W1,W2,W3,W4,\"W5, late\",W6,W7\n"},
        Reading{"AnythingAfterTheEighthCaption",
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
        // Latin-1's edges: the last of ASCII, the first and last byte under
        // U+00C0 and from it on.
        {"Caf\xE9\x7F\x80\xBF\xC0\xFF" + tail, "Caf\xC3\xA9\x7F\xC2\x80\xC2\xBF\xC3\x80\xC3\xBF"},
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
    EXPECT_EQ(readChartFile().title, "\xC3\xA9");
}

// A fraction is the nearest double to all of its digits, rounded: here
// exactly halfway between the doubles above 0.5, then a hair above it, far
// beyond the digits that a double shows.
TEST(ChartFile, NumbersRoundHalvesToEvenOverThe32BitRange)
{
    const std::string halfway = "0.500000000000000055511151231257827021181583404541015625" + std::string(1150, '0');
    const ChartData data = readText("T\nX\nY\n4.51\n0.5,1.5\n-2.5,-3.5\n-2147483648,2147483647\n"
                                    "2147483647,-2147483648\n" + halfway + "," + halfway + "1\nA,B,C,D,E,F,G,H\n");
    EXPECT_EQ(data.xValues, (std::vector<std::int32_t>{0, -2, INT32_MIN, INT32_MAX, 0}));
    EXPECT_EQ(data.yValues, (std::vector<std::int32_t>{2, -4, INT32_MAX, INT32_MIN, 1}));
}

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

constexpr int manyPoints = 2000;

// The points 1..n as "x,y" lines with `lineEnd`, with `twist` in place of
// the line of point `at`, if any.
std::string pointLines(int n, const std::string& lineEnd = "\n", int at = 0, const std::string& twist = "")
{
    std::string text;
    for (int i = 1; i <= n; ++i)
        text += i == at ? twist : std::to_string(i) + "," + std::to_string((i * 7919) % 2001 - 1000) + lineEnd;
    return text;
}

std::string chartOf(int count, const std::string& points, const std::string& end = "A,B,C,D,E,F,G,H\n")
{
    return "T\nX\nY\n" + std::to_string(count) + "\n" + points + end;
}

// Files whose reading must be the reference reading's, whatever it is, and
// where it fails, with the report the user sees after "chart.dat, line N: ":
// every failure; the plain fields that the reader takes at once and every
// way out of them; and files long enough that fields, line ends and captions
// straddle the edges of its buffer.
class ChartFiles : public testing::TestWithParam<Reading> {};

std::ptrdiff_t openDescriptors() { return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}); }

TEST_P(ChartFiles, ReadAsTheReferenceReads)
{
    const Reading& c = GetParam();
    WorkFolder folder;
    folder.write("chart.dat", c.bytes);
    const auto before = openDescriptors();
    try {
        readChartFile();
        EXPECT_EQ(c.line, 0) << "no error";
    } catch (const runtime::RuntimeError& error) {
        if (c.line > 0) {
            EXPECT_EQ(error.what(), "chart.dat, line " + std::to_string(c.line) + ": " + c.report);
        }
        EXPECT_EQ(openDescriptors(), before) << "a failed read leaves the file open";
    }
    testsupport::expectReadingsAgree(c.bytes);
}

const std::string head = "T\nX\nY\n", captions = "A,B,C,D,E,F,G,H\n";
const std::string pastTheEnd = "input past end of file while reading ", noNumber = "expected a number, found ";
const std::string outside = " is outside the 32-bit range -2147483648 to 2147483647 while reading ";
const int some = manyPoints * 3 / 4;

INSTANTIATE_TEST_SUITE_P(
    Cases, ChartFiles,
    testing::Values(
        Reading{"EmptyFile", "", 1, pastTheEnd + "the chart title (line 1)"},
        Reading{"NoCount", head, 3, pastTheEnd + "the count of points"},
        Reading{"CountLargerThanTheData", head + "5\n1,120\n2,135\n3,128\n4,150\n5\n", 9,
                pastTheEnd + "the y value of point 5"},
        Reading{"HugeCountInASmallFile", head + "2000000000\n1,2\n", 5, pastTheEnd + "the x value of point 2"},
        Reading{"TooFewCaptions", head + "1\n1,2\nA,B,C,D,E,F", 6, pastTheEnd + "x tick caption 7"},
        Reading{"NegativeCount", head + "-3\n1,2\n" + captions, 4, "the count of points is -3; it must not be negative"},
        Reading{"ZeroCount", head + "\n0\n" + captions, 5, "the count of points is 0; a chart needs at least one point"},
        Reading{"NotANumber", head + "1\nabc,5\n" + captions, 5, noNumber + "\"abc\" while reading the x value of point 1"},
        Reading{"NumberWithJunk", head + "1\n1,5kg\n" + captions, 5,
                noNumber + "\"5kg\" while reading the y value of point 1"},
        Reading{"LonePoint", head + "1\n.,5\n" + captions, 5, noNumber + "\".\" while reading the x value of point 1"},
        Reading{"NulInsideANumber", head + "1\n1" + std::string(1, '\0') + "2,5\n" + captions, 5,
                noNumber + "\"1\\x002\" while reading the x value of point 1"},
        Reading{"NulStartsANumber", head + "1\n" + std::string(1, '\0') + ",5\n" + captions, 5,
                noNumber + "\"\\x00\" while reading the x value of point 1"},
        Reading{"AboveTheRange", head + "1\n2147483648,5\n" + captions, 5,
                "2147483648" + outside + "the x value of point 1"},
        Reading{"RoundsAboveTheRange", head + "1\n1,2147483647.5\n" + captions, 5,
                "2147483647.5" + outside + "the y value of point 1"},
        Reading{"CountAboveTheRange", head + "99999999999999999999\n", 4,
                "99999999999999999999" + outside + "the count of points"},
        Reading{"EmptyNumericField", head + "1\n,5\n" + captions, 5,
                noNumber + "an empty field while reading the x value of point 1"},
        Reading{"EmptyFieldAtTheEnd", head + "1\n1,", 5, noNumber + "an empty field while reading the y value of point 1"},
        Reading{"LineOverTheLimit", std::string(65537, 'T') + "\nX\nY\n1\n1,2\n" + captions, 1,
                "the line is longer than the limit of 65536 bytes while reading the chart title (line 1)"},
        Reading{"CaptionOverTheLimit", head + "1\n1,2\nA,B,C,D,E,F,G," + std::string(65537, 'H'), 6,
                "the field is longer than the limit of 65536 bytes while reading x tick caption 8"},
        Reading{"UnterminatedQuote", head + "1\n1,2\nA,\"B,C\nD,E,F,G,H\n", 6,
                "a quoted text has no closing quote on its line while reading x tick caption 2"},
        Reading{"NulInAQuotedCaption", head + "1\n1,2\nA,\"B" + std::string(1, '\0') + "C\",D,E,F,G,H,I\n"},
        Reading{"LoneCr", chartOf(manyPoints, pointLines(manyPoints, "\r"))},
        Reading{"ElevenDigits", chartOf(manyPoints, pointLines(manyPoints, "\n", some, "00000000007,-00000000008\n"))},
        Reading{"NineAndTenDigits", chartOf(3, "123456789,-1234567890\n2147483647,-2147483648\n1000000000,0999999999\n")},
        Reading{"CountShort", chartOf(manyPoints - 77, pointLines(manyPoints))},
        Reading{"CountLong", chartOf(manyPoints + 3, pointLines(manyPoints))},
        Reading{"OutOfRange", chartOf(manyPoints, pointLines(manyPoints, "\n", some, "3000000000,5\n"))},
        Reading{"PastTheLowLimit", chartOf(manyPoints, pointLines(manyPoints, "\n", some, "1,-2147483649\n"))},
        Reading{"MinusAlone", chartOf(manyPoints, pointLines(manyPoints, "\n", some, "-,5\n"))},
        Reading{"MinusInside", chartOf(manyPoints, pointLines(manyPoints, "\n", some, "5-3,4\n"))},
        Reading{"EndsWithoutALineEnd", chartOf(manyPoints, pointLines(manyPoints - 1) + "1,2", "")},
        Reading{"EndsInANumber", chartOf(manyPoints, pointLines(manyPoints - 1) + "1,", "")},
        Reading{"EndsAfterOneCaption", chartOf(manyPoints, pointLines(manyPoints - 1) + "1,2,A\n", "")},
        // A number longer than the buffer, which rounds by its last digit.
        Reading{"LongestNumber", chartOf(1, "1,0." + std::string(1 << 21, '4') + "9\n")},
        // A title and a caption at the limit, and a quote unclosed at it.
        Reading{"AtTheLimits", std::string(65536, 'L') + "\nX\nY\n1\n1,2\n\"" + std::string(65534, 'Q') + "\""
                                   + ",B,C,D,E,F,G,\"" + std::string(65535, 'Q') + "\n"},
        Reading{"LongMixed", longFile(200000)},
        Reading{"LongMixedRunsOut", longFile(200000).substr(0, longFile(200000).rfind('\n'))}),
    [](const auto& info) { return std::string(info.param.name); });

void rewrite(const std::string& bytes, const char* name = "chart.dat", const char* mode = "r+b")
{
    std::FILE* file = std::fopen(name, mode);
    ASSERT_TRUE(file && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fclose(file) == 0);
}

// Another file under the name, as an editor saves.
void replace(const std::string& bytes)
{
    rewrite(bytes, "other.dat", "wb");
    ASSERT_EQ(std::rename("other.dat", "chart.dat"), 0);
}

// Longer than the reader's buffer, so that a change while it reads is seen.
constexpr int longChart = 150000;

// A long chart is read twice, the second time as far as the first went (to
// the eighth caption). A file that reads otherwise there fails the second
// reading, however it changed: never points of two files. One that only
// grew reads as before, and one that cannot be read again says why.
struct Change {
    const char* name;
    std::function<void(const std::string& chart)> make;
    std::string error;  // empty: the chart reads as before
    bool whileRead = false;  // made as the second reading hands on its first points
};

class ChangedBetweenReadings : public testing::TestWithParam<Change> {};

TEST_P(ChangedBetweenReadings, FailsTheSecondOnlyWhereWhatItReadsDiffers)
{
    WorkFolder folder;
    const std::string chart = chartOf(longChart, pointLines(longChart));
    folder.write("chart.dat", chart);
    runtime::SequentialFile file("chart.dat");
    ChartData data;
    // Written to while the first reading goes on: nothing past the eighth caption counts.
    const chartdata::SeriesPoints points = chartdata::readChart(file, data, {}, [&](std::size_t first, auto, auto) {
        if (first == 0)
            rewrite(chart + "1,2\n");
    });
    EXPECT_FALSE(file.isOpen()) << "the first reading leaves the file open";
    if (!GetParam().whileRead)
        GetParam().make(chart);
    std::vector<std::int32_t> xs;
    try {
        points.forEach({64, [&](std::size_t first, auto x, auto) {
            if (first == 0 && GetParam().whileRead)
                GetParam().make(chart);
            xs.insert(xs.end(), x.begin(), x.end());
        }});
        EXPECT_EQ(GetParam().error, "");
        EXPECT_EQ(xs.size(), std::size_t{longChart});
        EXPECT_EQ(xs.back(), longChart);
    } catch (const runtime::RuntimeError& error) {
        EXPECT_EQ(error.what(), std::regex_replace(GetParam().error, std::regex("FOLDER"), folder.path()));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Changes, ChangedBetweenReadings,
    testing::Values(Change{"Grown", [](const std::string& chart) { rewrite(chart + "more\n"); }, ""},
                    Change{"ReplacedByTheSame", [](const std::string& chart) { replace(chart); }, ""},
                    Change{"Truncated", [](const std::string& chart) { ASSERT_EQ(::truncate("chart.dat", off_t(chart.size() / 2)), 0); },
                           "chart.dat: changed while it was being read"},
                    Change{"OtherCount", [](const std::string&) { rewrite(chartOf(longChart - 1, pointLines(longChart))); },
                           "chart.dat: changed while it was being read"},
                    Change{"OtherValueWhileRead",
                           [](const std::string& chart) {
                               std::string other = chart;
                               other[other.rfind("\n149998,") + 6] = '7';
                               rewrite(other);
                           }, "chart.dat: changed while it was being read", true},
                    Change{"Removed", [](const std::string&) { ASSERT_EQ(::unlink("chart.dat"), 0); },
                           "chart.dat: file not found in FOLDER"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
