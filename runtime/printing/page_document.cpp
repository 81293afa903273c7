#include "runtime/printing/page_document.h"

#include "runtime/drawing/twips.h"
#include "runtime/error/runtime_error.h"
#include "runtime/forms/form.h"

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPaintEngine>
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

// The count of painters a device keeps, which a painting given up after an
// exception takes off by hand, as its end did not get that far.
struct PainterCount : QPaintDevice {
    static constexpr ushort QPaintDevice::*of = &PainterCount::painters;
};

// The form on a device of `resolution` dots per inch, at true size, the
// painting ended. Should painting or ending fail by an exception (out of
// memory), the engine is marked ended first: the painter's destructor would
// end it for real, run into the same failure, and end the program.
bool paintForm(QPaintDevice& device, const Form& form, int resolution, QPainter::RenderHints hints = {})
{
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    try {
        painter.setRenderHints(hints);
        const double scale = double(resolution) / pixelsPerInch;
        painter.scale(scale, scale);
        form.paintContent(painter);
        return painter.end();
    } catch (...) {
        painter.paintEngine()->setActive(false);
        painter.end();
        device.*PainterCount::of = 0;
        throw;
    }
}

bool writePdf(QIODevice& device, const Form& form, const Sheet& sheet)
{
    QPdfWriter writer(&device);
    writer.setResolution(pdfResolution);
    writer.setTitle(QGuiApplication::applicationDisplayName());
    writer.setCreator(QGuiApplication::applicationDisplayName());
    writer.setPageLayout(QPageLayout(sheet.size, QPageLayout::Portrait, sheet.margins, QPageLayout::Millimeter));
    return paintForm(writer, form, writer.resolution());
}

bool writeSvg(QIODevice& device, const Form& form)
{
    QSvgGenerator svg;
    svg.setOutputDevice(&device);
    svg.setSize(form.size());
    svg.setViewBox(QRect(QPoint(0, 0), form.size()));
    svg.setResolution(pixelsPerInch);
    svg.setTitle(QGuiApplication::applicationDisplayName());
    return paintForm(svg, form, pixelsPerInch);
}

bool writePng(QIODevice& device, const Form& form)
{
    QImage image(form.size() * pngResolution / pixelsPerInch, QImage::Format_RGB32);
    if (image.isNull())
        return false;
    image.setDotsPerMeterX(qRound(pngResolution / 0.0254));
    image.setDotsPerMeterY(qRound(pngResolution / 0.0254));
    return paintForm(image, form, pngResolution, QPainter::Antialiasing) && image.save(&device, "PNG");
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
