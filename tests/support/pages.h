#pragma once
// The page as a test sees it: a PDF of one page (printed or exported) with
// its words and its pixels, and the logo files that go on it.
#include "tests/support/pixels.h"

#include <QBuffer>
#include <QImage>

#include <poppler-qt6.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

namespace testsupport {

// The picture as the bytes of a BMP file that declares the resolution.
inline std::string bmp(QImage picture, int dpi = 96)
{
    picture.setDotsPerMeterX(qRound(dpi / 0.0254));
    picture.setDotsPerMeterY(qRound(dpi / 0.0254));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    picture.save(&buffer, "BMP");
    return bytes.toStdString();
}

// A logo of one colour, as the bytes of a BMP file.
inline std::string bmpLogo(QSize size, QRgb colour, int dpi = 96)
{
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(colour);
    return bmp(picture, dpi);
}

// Its words in twips and its pixels (not smoothed, so that a line keeps its
// ink), both from the sheet's top-left corner.
struct Sheet {
    std::unique_ptr<Poppler::Document> document;
    std::unique_ptr<Poppler::Page> page;
    QImage image;

    explicit Sheet(const QString& pdf, int dpi = 96) : document(Poppler::Document::load(pdf))
    {
        if (!document || document->numPages() != 1)
            throw std::runtime_error("not a document of one page: " + pdf.toStdString());
        page = document->page(0);
        image = page->renderToImage(dpi, dpi);
    }

    // Where the caption is, in page twips.
    std::optional<QRectF> caption(const QString& text) const
    {
        const QList<QRectF> found = page->search(text, Poppler::Page::WholeWords);
        return found.isEmpty() ? std::nullopt : std::optional(QRectF(found[0].topLeft() * 20, found[0].size() * 20));
    }
    bool has(const QString& text) const { return caption(text).has_value(); }
};

}  // namespace testsupport
