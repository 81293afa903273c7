#pragma once

#include "runtime/forms/form_description.h"

#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

class QPainter;
class QPalette;
class QWidget;

namespace runtime {

// Controls that are no windows of their own: their container paints them
// above its persistent drawing and below its child widgets, the first
// created on top.
class LightControl {
public:
    LightControl(QWidget& container, const ControlDescription& description);
    virtual ~LightControl() = default;
    LightControl(const LightControl&) = delete;
    LightControl& operator=(const LightControl&) = delete;

    std::string_view name() const { return row_.name; }
    // Its place in the reading order; -1 for none.
    int tabIndex() const { return row_.tabIndex; }
    virtual void paint(QPainter& painter, const QPalette& palette) const = 0;

protected:
    QWidget& container_;
    // Its row of the description: descriptions are tables that the program
    // keeps for its whole run, as their texts are.
    const ControlDescription row_;
};

class Label final : public LightControl {
public:
    Label(QWidget& container, const ControlDescription& description);

    // The caption is UTF-8; "&" marks an access key, "&&" stands for one "&".
    void setCaption(std::string_view utf8);
    // The caption as it shows: the access-key markers resolved.
    QString shownCaption() const;
    // The start of the caption that the label lays out: no more than can show
    // in its box, however long the caption.
    const QString& laidOutCaption() const { return laidOut_; }
    const QFont& font() const { return font_; }
    // In its container's pixels.
    const QRect& geometry() const { return geometry_; }

    void paint(QPainter& painter, const QPalette& palette) const override;

private:
    QRect geometry_;  // the caption wraps at words inside it; what does not fit is cut off
    QString caption_;
    QFont font_;
    QString laidOut_;
};

// A straight line, one pixel wide, in the system window-text colour.
// Its row's four numbers are X1, Y1, X2, Y2, in twips.
class LineControl final : public LightControl {
public:
    using LightControl::LightControl;
    void paint(QPainter& painter, const QPalette& palette) const override;
};

// An image control: shows a picture at its own size, one pixel of the
// picture to one screen pixel (15 twips), from its top-left corner, whatever
// resolution the picture declares. It starts empty.
class ImageControl final : public LightControl {
public:
    ImageControl(QWidget& container, const ControlDescription& description);

    // The control sizes itself to the picture.
    void setPicture(const QImage& picture);

    void paint(QPainter& painter, const QPalette& palette) const override;

private:
    QRect geometry_;
    QImage picture_;
};

// Puts one caption on each label, in order.
void setCaptions(std::initializer_list<Label*> labels, std::span<const std::string> captions);

// A description's text and rectangle as Qt takes them.
QString qtString(std::string_view utf8);
QRect pixelRect(const ControlDescription& description);

// The font a description names, at 96 pixels to the inch.
QFont fontFor(const FontSpec& setting);

}  // namespace runtime
