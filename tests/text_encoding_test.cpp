// The character set of a chart's texts at its edges: UTF-8 when every byte
// read is well-formed UTF-8, else Latin-1 (whose conversion the reader's
// tests check, in chart_file_test.cpp).
#include "runtime/text/text_encoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Bytes {
    const char* name;
    std::vector<std::string> pieces;  // fed one after another
    bool utf8;
};

std::vector<Bytes> cases()
{
    std::vector<Bytes> cases = {
        {"ASCII", {"Weekly Output"}, true},
        {"Nothing", {}, true},
        {"LoneFirstContinuationByte", {"a\x80"}, false},
        {"LoneLastContinuationByte", {"\xBF"}, false},
        {"OverlongNul", {"\xC0\x80"}, false},
        {"OverlongU+007F", {"\xC1\xBF"}, false},
        {"LeastOfTwoBytes", {"\xC2\x80"}, true},
        {"MostOfTwoBytes", {"\xDF\xBF"}, true},
        {"OverlongU+07FF", {"\xE0\x9F\xBF"}, false},
        {"LeastOfThreeBytes", {"\xE0\xA0\x80"}, true},
        {"BeforeTheSurrogates", {"\xED\x9F\xBF"}, true},
        {"FirstSurrogate", {"\xED\xA0\x80"}, false},
        {"LastSurrogate", {"\xED\xBF\xBF"}, false},
        {"AfterTheSurrogates", {"\xEE\x80\x80"}, true},
        {"OverlongU+FFFF", {"\xF0\x8F\xBF\xBF"}, false},
        {"LeastOfFourBytes", {"\xF0\x90\x80\x80"}, true},
        {"U+10FFFF", {"\xF4\x8F\xBF\xBF"}, true},
        {"U+110000", {"\xF4\x90\x80\x80"}, false},
        {"ContinuationMissing", {"\xC3("}, false},
        {"Latin1Text", {"caf\xE9"}, false},
        {"SplitAcrossTwoFeeds", {"caf\xC3", "\xA9"}, true},
        {"FourBytesSplitInTheMiddle", {"\xF0\x9F", "\x98\x80"}, true},
        {"UnfinishedAtTheEnd", {"caf\xC3"}, false},
        {"UnfinishedAfterASplit", {"\xE2", "\x82"}, false},
    };
    // No character starts with F5 to FF, whatever follows.
    for (int b = 0xF5; b <= 0xFF; ++b)
        cases.push_back({"StartsWithF5ToFF", {std::string{static_cast<char>(b), '\x80', '\x80', '\x80'}}, false});
    return cases;
}

TEST(TextEncoding, Utf8OrLatin1)
{
    for (const Bytes& c : cases()) {
        runtime::Utf8Check check;
        std::string all;
        for (const std::string& piece : c.pieces) {
            check.feed(piece);
            all += piece;
        }
        EXPECT_EQ(check.valid(), c.utf8) << c.name << ": " << testing::PrintToString(all);
    }
}

}  // namespace
