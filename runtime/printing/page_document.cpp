#include "runtime/printing/page_document.h"

#include "runtime/drawing/twips.h"
#include "runtime/error/runtime_error.h"
#include "runtime/forms/form.h"

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSvgGenerator>

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace runtime {
namespace {

constexpr int pixelsPerInch = 1440 / twipsPerPixel;
// Fine enough that no coordinate of the page moves when it is stored.
constexpr int pdfResolution = 1200;
// As crisp on paper as the PDF: 2000 x 1500 pixels for a 6 2/3 x 5 inch page.
constexpr int pngResolution = 300;

// The form from the painter's origin, at true size on a device of `resolution` dots per inch.
void paintForm(QPainter& painter, const Form& form, int resolution)
{
    const double scale = double(resolution) / pixelsPerInch;
    painter.scale(scale, scale);
    form.paintContent(painter);
}

bool writePdf(QIODevice& device, const Form& form, const Sheet& sheet)
{
    QPdfWriter writer(&device);
    writer.setResolution(pdfResolution);
    writer.setTitle(QGuiApplication::applicationDisplayName());
    writer.setCreator(QGuiApplication::applicationDisplayName());
    writer.setPageLayout(QPageLayout(sheet.size, QPageLayout::Portrait, sheet.margins, QPageLayout::Millimeter));
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    paintForm(painter, form, writer.resolution());
    return painter.end();
}

bool writeSvg(QIODevice& device, const Form& form)
{
    QSvgGenerator svg;
    svg.setOutputDevice(&device);
    svg.setSize(form.size());
    svg.setViewBox(QRect(QPoint(0, 0), form.size()));
    svg.setResolution(pixelsPerInch);
    svg.setTitle(QGuiApplication::applicationDisplayName());
    QPainter painter;
    if (!painter.begin(&svg))
        return false;
    paintForm(painter, form, pixelsPerInch);
    return painter.end();
}

bool writePng(QIODevice& device, const Form& form)
{
    QImage image(form.size() * pngResolution / pixelsPerInch, QImage::Format_RGB32);
    if (image.isNull())
        return false;
    image.setDotsPerMeterX(qRound(pngResolution / 0.0254));
    image.setDotsPerMeterY(qRound(pngResolution / 0.0254));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    paintForm(painter, form, pngResolution);
    painter.end();
    return image.save(&device, "PNG");
}

}  // namespace

QByteArray pdfDocument(const Form& form, const Sheet& sheet)
{
    QByteArray document;
    QBuffer buffer(&document);
    buffer.open(QIODevice::WriteOnly);
    if (!writePdf(buffer, form, sheet))
        throw RuntimeError("Printing failed: the page could not be drawn");
    return document;
}

std::optional<FileFormat> fileFormatOf(const std::string& path)
{
    std::string extension = std::filesystem::path(path).extension().string();
    std::ranges::transform(extension, extension.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    if (extension == ".pdf")
        return FileFormat::Pdf;
    if (extension == ".svg")
        return FileFormat::Svg;
    if (extension == ".png")
        return FileFormat::Png;
    return std::nullopt;
}

void exportForm(const Form& form, const std::string& path)
{
    const std::optional<FileFormat> format = fileFormatOf(path);
    if (!format)
        throw RuntimeError("the name ends in none of .pdf, .svg and .png", path);
    QSaveFile file(QFile::decodeName(path.c_str()));
    if (!file.open(QIODevice::WriteOnly))
        throw RuntimeError("cannot be written: " + file.errorString().toStdString(), path);
    const QSizeF inches = QSizeF(form.size()) / pixelsPerInch;
    const Sheet ownSize{QPageSize(inches, QPageSize::Inch, {}, QPageSize::ExactMatch), {}};
    const bool drawn = *format == FileFormat::Pdf ? writePdf(file, form, ownSize)
                       : *format == FileFormat::Svg ? writeSvg(file, form)
                                                    : writePng(file, form);
    if (!drawn) {
        file.cancelWriting();
        throw RuntimeError("the page could not be drawn", path);
    }
    if (!file.commit())
        throw RuntimeError("cannot be written: " + file.errorString().toStdString(), path);
}

}  // namespace runtime
