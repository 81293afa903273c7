#pragma once
// What tests look for in pictures of the window and of the page.
#include <QImage>
#include <QRegion>

#include <cstdlib>
#include <functional>

namespace testsupport {

using PixelTest = std::function<bool(QRgb)>;

// Whether a pixel is within slack of the colour in each of its components.
inline PixelTest is(QRgb colour, int slack = 40)
{
    return [=](QRgb p) {
        return std::abs(qRed(p) - qRed(colour)) < slack && std::abs(qGreen(p) - qGreen(colour)) < slack
               && std::abs(qBlue(p) - qBlue(colour)) < slack;
    };
}

// How many pixels of the rectangle, as far as it lies in the picture, pass the test.
inline int count(const QImage& image, QRect where, const PixelTest& test)
{
    int found = 0;
    where &= image.rect();
    for (int y = where.top(); y <= where.bottom(); ++y)
        for (int x = where.left(); x <= where.right(); ++x)
            found += test(image.pixel(x, y));
    return found;
}

// Whether a pixel within `radius` of the point passes the test: a line of
// one pixel may straddle two.
inline bool near(const QImage& image, QPoint at, const PixelTest& test, int radius = 1)
{
    return count(image, QRect(at - QPoint(radius, radius), at + QPoint(radius, radius)), test) > 0;
}

// The pixels where two pictures differ clearly in grey.
inline QRegion differing(const QImage& a, const QImage& b, int by)
{
    QRegion region;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (std::abs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y))) > by)
                region += QRect(x, y, 1, 1);
    return region;
}

}  // namespace testsupport
