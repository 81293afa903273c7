#pragma once
// Reads PDFs through poppler-utils (pdfinfo, pdftotext, pdftoppm); every failure throws
// std::runtime_error carrying the tool's stderr.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

struct Word {
    std::string text;
    int page = 0;  // 1-based
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0;  // points, origin at the page's top-left
    double pageWidth = 0, pageHeight = 0;           // points
};

struct Image {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;  // row-major, 3 bytes a pixel
    std::array<uint8_t, 3> pixel(int x, int y) const;
};

int pageCount(const std::string& pdf);
std::vector<Word> words(const std::string& pdf);
Image renderPage(const std::string& pdf, int dpi, int page = 1);

}  // namespace testsupport
