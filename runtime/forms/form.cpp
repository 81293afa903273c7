#include "runtime/forms/form.h"

#include "runtime/forms/accessible_form.h"
#include "runtime/error/runtime_error.h"
#include "runtime/drawing/twips.h"

#include <QIcon>
#include <QPixmap>

#include <map>
#include <string>

namespace runtime {
namespace {

[[noreturn]] void noSuchControl(std::string_view name)
{
    throw RuntimeError("the form has no control named \"" + std::string(name) + "\"");
}

// A widget control: its name and place from its row, on its container.
void place(Canvas& container, QWidget& widget, const ControlDescription& row)
{
    widget.setObjectName(qtString(row.name));
    widget.setGeometry(pixelRect(row));
    container.addControlWidget(widget, row.tabIndex);
}

}  // namespace

Form::Form(const FormDescription& description, QWidget* parent)
    : Canvas(parent, description.backColour)
{
    makeFormsAccessible();
    if (parent)
        setWindowFlag(Qt::Window);
    setObjectName(qtString(description.name));
    setWindowTitle(qtString(description.caption));
    resize(twipsToPixels(description.clientWidth), twipsToPixels(description.clientHeight));
    if (description.icon.large) {
        QIcon icon;
        icon.addPixmap(QPixmap(description.icon.large));
        if (description.icon.small)
            icon.addPixmap(QPixmap(description.icon.small));
        setWindowIcon(icon);
    }
    build(description);
}

void Form::build(const FormDescription& description)
{
    std::multimap<int, QWidget*> tabOrder;
    for (const ControlDescription& row : description.controls) {
        Canvas* container = this;
        if (!row.other.container.empty())
            container = &pictureBox(row.other.container);
        switch (row.kind) {
        case ControlKind::PictureBox: {
            auto* box = new PictureBox(container, row.other.backColour.value_or(Colour::system(SystemColour::ButtonFace)));
            box->setPersistentDrawing(row.other.persistentDrawing);
            // The box shows no focus cue, so a Tab press should not get lost in it.
            box->setFocusPolicy(Qt::NoFocus);
            place(*container, *box, row);
            break;
        }
        case ControlKind::CommandButton: {
            auto* button = new QPushButton(qtString(row.caption), container);
            button->setFont(fontFor(row.font));
            // Return and the keypad's Enter press the focused button, as Space
            // does; outside a dialog Qt's buttons take them only when auto-default.
            button->setAutoDefault(true);
            tabOrder.emplace(row.tabIndex, button);
            place(*container, *button, row);
            break;
        }
        case ControlKind::Label:
            container->addLightControl<Label>(row);
            break;
        case ControlKind::Line:
            container->addLightControl<LineControl>(row);
            break;
        case ControlKind::Image:
            container->addLightControl<ImageControl>(row);
            break;
        }
    }
    QWidget* previous = nullptr;
    for (const auto& [index, widget] : tabOrder) {
        if (previous)
            QWidget::setTabOrder(previous, widget);
        else
            firstInTabOrder_ = widget;
        previous = widget;
    }
}

template <class Control>
Control& Form::light(std::string_view name) const
{
    if (auto* control = dynamic_cast<Control*>(findLightControl(name)))
        return *control;
    noSuchControl(name);
}

template <class Widget>
Widget& Form::child(std::string_view name) const
{
    if (auto* widget = dynamic_cast<Widget*>(findChild<QWidget*>(qtString(name))))
        return *widget;
    noSuchControl(name);
}

Label& Form::label(std::string_view name) const { return light<Label>(name); }
ImageControl& Form::image(std::string_view name) const { return light<ImageControl>(name); }
PictureBox& Form::pictureBox(std::string_view name) const { return child<PictureBox>(name); }
QPushButton& Form::commandButton(std::string_view name) const { return child<QPushButton>(name); }

void Form::load()
{
    if (loaded_)
        return;
    Form_Load();
    loaded_ = true;
}

void Form::focusFirstControl()
{
    if (firstInTabOrder_)
        firstInTabOrder_->setFocus(Qt::OtherFocusReason);
}

}  // namespace runtime
