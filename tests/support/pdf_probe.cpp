#include "pdf_probe.h"

#include "cups_spooler.h"

#include <cctype>
#include <charconv>
#include <stdexcept>

using namespace std::chrono_literals;

namespace testsupport {
namespace {

std::string tool(const std::vector<std::string>& argv) {
    ProcessResult r = runProcess(argv, 30s);
    if (r.exitCode != 0)
        throw std::runtime_error(argv[0] + " failed (exit " + std::to_string(r.exitCode) + "): " + r.err);
    return r.out;
}

// from_chars, not strtod: a Qt program under test may have switched the C locale.
double attribute(const std::string& tag, const std::string& name) {
    size_t at = tag.find(" " + name + "=\"");
    if (at == std::string::npos) throw std::runtime_error("pdftotext: no " + name + " in " + tag);
    const char* begin = tag.data() + at + name.size() + 3;
    double value = 0;
    if (std::from_chars(begin, tag.data() + tag.size(), value).ec != std::errc())
        throw std::runtime_error("pdftotext: bad " + name + " in " + tag);
    return value;
}

std::string unescapeXml(const std::string& s) {
    static const std::pair<const char*, char> entities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    for (size_t i = 0; i < s.size();) {
        bool matched = false;
        for (auto [name, ch] : entities) {
            if (s.compare(i, std::char_traits<char>::length(name), name) == 0) {
                out += ch;
                i += std::char_traits<char>::length(name);
                matched = true;
                break;
            }
        }
        if (!matched) out += s[i++];
    }
    return out;
}

}  // namespace

std::array<uint8_t, 3> Image::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height)
        throw std::out_of_range("pixel outside " + std::to_string(width) + "x" + std::to_string(height));
    size_t i = (static_cast<size_t>(y) * width + x) * 3;
    return {rgb[i], rgb[i + 1], rgb[i + 2]};
}

int pageCount(const std::string& pdf) {
    std::string info = tool({"pdfinfo", pdf});
    size_t at = info.find("\nPages:");
    if (at == std::string::npos && info.starts_with("Pages:")) at = 0;
    if (at == std::string::npos) throw std::runtime_error("pdfinfo printed no page count for " + pdf);
    return std::stoi(info.substr(info.find(':', at) + 1));
}

std::vector<Word> words(const std::string& pdf) {
    std::string xml = tool({"pdftotext", "-bbox", pdf, "-"});
    std::vector<Word> result;
    int page = 0;
    double width = 0, height = 0;
    for (size_t pos = 0; (pos = xml.find('<', pos)) != std::string::npos;) {
        size_t close = xml.find('>', pos);
        if (close == std::string::npos) break;
        std::string tag = xml.substr(pos, close - pos + 1);
        pos = close + 1;
        if (tag.starts_with("<page ")) {
            ++page;
            width = attribute(tag, "width");
            height = attribute(tag, "height");
        } else if (tag.starts_with("<word ")) {
            size_t end = xml.find("</word>", pos);
            if (end == std::string::npos) throw std::runtime_error("pdftotext: unterminated word");
            result.push_back({unescapeXml(xml.substr(pos, end - pos)), page, attribute(tag, "xMin"),
                              attribute(tag, "yMin"), attribute(tag, "xMax"), attribute(tag, "yMax"),
                              width, height});
            pos = end + 7;
        }
    }
    return result;
}

Image renderPage(const std::string& pdf, int dpi, int page) {
    std::string p = std::to_string(page);
    std::string ppm = tool({"pdftoppm", "-r", std::to_string(dpi), "-f", p, "-l", p, "-singlefile", pdf});
    // P6 header: magic, width, height, maxval, separated by whitespace or # comments.
    size_t pos = 0;
    auto token = [&] {
        for (;;) {
            while (pos < ppm.size() && std::isspace(static_cast<unsigned char>(ppm[pos]))) ++pos;
            if (pos < ppm.size() && ppm[pos] == '#') pos = ppm.find('\n', pos);
            else break;
        }
        size_t start = pos;
        while (pos < ppm.size() && !std::isspace(static_cast<unsigned char>(ppm[pos]))) ++pos;
        return ppm.substr(start, pos - start);
    };
    Image img;
    if (token() != "P6") throw std::runtime_error("pdftoppm: not a P6 image for " + pdf);
    img.width = std::stoi(token());
    img.height = std::stoi(token());
    if (token() != "255") throw std::runtime_error("pdftoppm: unsupported maxval for " + pdf);
    size_t bytes = static_cast<size_t>(img.width) * img.height * 3;
    if (ppm.size() < pos + 1 + bytes) throw std::runtime_error("pdftoppm: truncated image for " + pdf);
    img.rgb.assign(ppm.begin() + pos + 1, ppm.begin() + pos + 1 + bytes);
    return img;
}

}  // namespace testsupport
