#pragma once

#include "runtime/forms/colour.h"
#include "runtime/drawing/drawing.h"
#include "runtime/forms/light_controls.h"

#include <QImage>
#include <QWidget>

#include <memory>
#include <utility>
#include <variant>
#include <vector>

namespace runtime {

// What forms and picture boxes share: a back colour, a persistent drawing
// surface, and the light controls they paint. Layers, back to front: the
// back colour with the drawing, the light controls from the last created to
// the first, then the child widgets (Qt paints those).
class Canvas : public QWidget {
public:
    Canvas(QWidget* parent, Colour backColour);

    // With persistent drawing off, lines reach no lasting surface and are
    // gone at the next repaint; the forms here only draw with it on.
    void setPersistentDrawing(bool on) { persistentDrawing_ = on; }
    // Pen width in pixels for the lines drawn after it.
    void setDrawWidth(int pixels) { drawWidth_ = pixels; }
    void setForeColour(Colour colour) { foreColour_ = colour; }

    // Coordinates in twips from the top-left corner, y downwards.
    void line(float x1, float y1, float x2, float y2);
    void rectangle(float x1, float y1, float x2, float y2);
    // Lines joining the points in turn, in twips, in `colour`.
    void polyline(std::vector<Drawing::Point> points, Colour colour);

    // The three layers that the canvas paints itself, with the drawing as
    // strokes rather than pixels, for a printer.
    void paintContent(QPainter& painter) const;

    template <class Control>
    Control& addLightControl(const ControlDescription& description)
    {
        auto control = std::make_unique<Control>(*this, description);
        Control& ref = *control;
        lightControls_.push_back(std::move(control));
        return ref;
    }
    // Its own or a picture box's on it.
    LightControl* findLightControl(std::string_view name) const;

    // A child widget built from a row of the description, with its tab index.
    void addControlWidget(QWidget& widget, int tabIndex) { controlWidgets_.emplace_back(tabIndex, &widget); }
    // What a screen reader reads of the canvas: those child widgets and its
    // labels, in tab order (the rest after, as created).
    using Readable = std::variant<QWidget*, const Label*>;
    std::vector<Readable> readingOrder() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void paintLightControls(QPainter& painter) const;
    void drawingChanged();

    Colour backColour_;
    Colour foreColour_ = Colour::system(SystemColour::WindowText);
    int drawWidth_ = 1;
    bool persistentDrawing_ = false;
    Drawing drawing_;
    std::vector<std::unique_ptr<LightControl>> lightControls_;
    std::vector<std::pair<int, QWidget*>> controlWidgets_;
    // The drawing rendered at the screen's pixel ratio, so that a repaint
    // copies pixels instead of stroking the whole series again.
    QImage drawingPixels_;
};

}  // namespace runtime
