#include "runtime/forms/canvas.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <climits>

namespace runtime {

Canvas::Canvas(QWidget* parent, Colour backColour) : QWidget(parent), backColour_(backColour)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void Canvas::line(float x1, float y1, float x2, float y2)
{
    if (!persistentDrawing_)
        return;
    drawing_.line({x1, y1}, {x2, y2}, foreColour_.resolve(palette()).rgb(), drawWidth_);
    drawingChanged();
}

void Canvas::polyline(std::vector<Drawing::Point> points, Colour colour)
{
    if (!persistentDrawing_)
        return;
    drawing_.polyline(std::move(points), colour.resolve(palette()).rgb(), drawWidth_);
    drawingChanged();
}

void Canvas::rectangle(float x1, float y1, float x2, float y2)
{
    if (!persistentDrawing_)
        return;
    drawing_.rectangle({x1, y1}, {x2, y2}, foreColour_.resolve(palette()), drawWidth_);
    drawingChanged();
}

// The pixels rendered from the drawing are dropped, to be rendered again.
void Canvas::drawingChanged()
{
    drawingPixels_ = QImage();
    update();
}

LightControl* Canvas::findLightControl(std::string_view name) const
{
    for (const auto& control : lightControls_) {
        if (control->name() == name)
            return control.get();
    }
    // Also those of the picture boxes on it.
    for (const auto& [tabIndex, widget] : controlWidgets_) {
        const auto* canvas = dynamic_cast<const Canvas*>(widget);
        if (LightControl* control = canvas ? canvas->findLightControl(name) : nullptr)
            return control;
    }
    return nullptr;
}

std::vector<Canvas::Readable> Canvas::readingOrder() const
{
    std::vector<std::pair<int, Readable>> items;
    const auto place = [](int tabIndex) { return tabIndex < 0 ? INT_MAX : tabIndex; };
    for (const auto& [tabIndex, widget] : controlWidgets_)
        items.emplace_back(place(tabIndex), widget);
    for (const auto& control : lightControls_)
        if (const auto* label = dynamic_cast<const Label*>(control.get()))
            items.emplace_back(place(label->tabIndex()), label);
    std::ranges::stable_sort(items, {}, &std::pair<int, Readable>::first);
    std::vector<Readable> order;
    for (const auto& item : items)
        order.push_back(item.second);
    return order;
}

// The first control of the description lies on top: descriptions list the
// top-most control first, so a caption is never hidden under a later label.
void Canvas::paintLightControls(QPainter& painter) const
{
    for (auto control = lightControls_.rbegin(); control != lightControls_.rend(); ++control)
        (*control)->paint(painter, palette());
}

void Canvas::paintContent(QPainter& painter) const
{
    painter.save();
    // Whatever reaches beyond the canvas, such as a large picture, is cut off at its edges.
    painter.setClipRect(QRect(QPoint(0, 0), size()));
    painter.fillRect(QRect(QPoint(0, 0), size()), backColour_.resolve(palette()));
    drawing_.paint(painter);
    paintLightControls(painter);
    painter.restore();
}

void Canvas::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.setClipRegion(event->region());
    painter.fillRect(rect(), backColour_.resolve(palette()));
    if (!drawing_.isEmpty()) {
        const qreal ratio = painter.device()->devicePixelRatioF();
        if (drawingPixels_.isNull() || drawingPixels_.devicePixelRatio() != ratio
            || drawingPixels_.size() != size() * ratio) {
            drawingPixels_ = QImage(size() * ratio, QImage::Format_ARGB32_Premultiplied);
            drawingPixels_.setDevicePixelRatio(ratio);
            drawingPixels_.fill(Qt::transparent);
            QPainter pixels(&drawingPixels_);
            drawing_.paint(pixels);
        }
        painter.drawImage(QPoint(0, 0), drawingPixels_);
    }
    paintLightControls(painter);
}

}  // namespace runtime
