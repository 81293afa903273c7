#include "runtime/forms/light_controls.h"

#include "runtime/drawing/twips.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPalette>
#include <QTextBoundaryFinder>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace runtime {
namespace {

// By Align's order.
constexpr Qt::AlignmentFlag horizontal[] = {Qt::AlignLeft, Qt::AlignRight, Qt::AlignHCenter};

// Laying out text costs with its length, and a caption may be 64 KiB of
// combining marks on one letter. A box shows no more lines than its height
// holds (and one cut off), and on a line no more characters (graphemes) than
// its width has pixels; of the marks stacked on one character no more than
// its line's height in pixels can be told apart.
QString showablePart(const QString& text, QSize box, const QFont& font)
{
    const QFontMetrics metrics(font);
    const qsizetype lines = box.height() / std::max(metrics.lineSpacing(), 1) + 1;
    qsizetype characters = lines * std::max(box.width(), 1);
    const qsizetype marks = std::max(metrics.lineSpacing(), 1);
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    QString part;
    for (qsizetype start = 0, end; characters-- > 0 && (end = graphemes.toNextBoundary()) > 0; start = end)
        part += QStringView(text).mid(start, std::min(end - start, marks));
    return part;
}

}  // namespace

QString qtString(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QRect pixelRect(const ControlDescription& d)
{
    return {twipsToPixels(d.left), twipsToPixels(d.top), twipsToPixels(d.width), twipsToPixels(d.height)};
}

QFont fontFor(const FontSpec& setting)
{
    QFont font(setting.face == Face::Serif ? QStringLiteral("Liberation Serif") : QStringLiteral("Liberation Sans"));
    font.setStyleHint(setting.face == Face::Serif ? QFont::Serif : QFont::SansSerif);
    font.setPixelSize(static_cast<int>(std::lround(pointsToPixels(setting.points))));
    font.setBold(setting.bold);
    return font;
}

LightControl::LightControl(QWidget& container, const ControlDescription& description)
    : container_(container), row_(description)
{
}

Label::Label(QWidget& container, const ControlDescription& description)
    : LightControl(container, description),
      geometry_(pixelRect(description)),
      caption_(qtString(description.caption)),
      font_(fontFor(description.font)),
      laidOut_(showablePart(caption_, geometry_.size(), font_))
{
}

void Label::setCaption(std::string_view utf8)
{
    caption_ = qtString(utf8);
    laidOut_ = showablePart(caption_, geometry_.size(), font_);
    container_.update();
}

// "&" shows the next character underlined, so "&&" shows one "&"; a "&" at
// the end shows nothing.
QString Label::shownCaption() const
{
    QString shown;
    shown.reserve(caption_.size());
    for (qsizetype i = 0; i < caption_.size(); ++i) {
        if (caption_[i] == u'&' && ++i == caption_.size())
            break;
        shown += caption_[i];
    }
    return shown;
}

void Label::paint(QPainter& painter, const QPalette& palette) const
{
    painter.save();
    if (!row_.other.transparent)
        painter.fillRect(geometry_, row_.other.backColour.value_or(Colour::system(SystemColour::ButtonFace)).resolve(palette));
    painter.setFont(font_);
    painter.setPen(Colour::system(SystemColour::ButtonText).resolve(palette));
    const Qt::Alignment alignment = horizontal[static_cast<int>(row_.alignment)] | Qt::AlignTop;
    // Qt cuts the text at the label's edges, as no Qt::TextDontClip is given.
    painter.drawText(geometry_, static_cast<int>(alignment) | Qt::TextWordWrap | Qt::TextShowMnemonic, laidOut_);
    painter.restore();
}

void setCaptions(std::initializer_list<Label*> labels, std::span<const std::string> captions)
{
    for (std::size_t k = 0; k < std::min(labels.size(), captions.size()); ++k)
        labels.begin()[k]->setCaption(captions[k]);
}

void LineControl::paint(QPainter& painter, const QPalette& palette) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(Colour::system(SystemColour::WindowText).resolve(palette), 1);
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);
    painter.drawLine(QPointF(twipsToPixels(double(row_.left)), twipsToPixels(double(row_.top))),
                     QPointF(twipsToPixels(double(row_.width)), twipsToPixels(double(row_.height))));
    painter.restore();
}

ImageControl::ImageControl(QWidget& container, const ControlDescription& description)
    : LightControl(container, description), geometry_(pixelRect(description))
{
}

void ImageControl::setPicture(const QImage& picture)
{
    picture_ = picture;
    geometry_.setSize(picture.size());
    container_.update();
}

void ImageControl::paint(QPainter& painter, const QPalette&) const
{
    if (!picture_.isNull())
        painter.drawImage(QRectF(geometry_.topLeft(), QSizeF(picture_.size())), picture_);
}

}  // namespace runtime
