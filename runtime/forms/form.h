#pragma once

#include "runtime/forms/canvas.h"
#include "runtime/forms/form_description.h"
#include "runtime/forms/light_controls.h"
#include "runtime/forms/picture_box.h"

#include <QPushButton>

#include <string_view>

namespace runtime {

// A window built from its description, hidden until shown. A form class
// derives from it, binds its controls by name and overrides Form_Load,
// which the runtime calls once, before the form is first used or shown.
class Form : public Canvas {
public:
    explicit Form(const FormDescription& description, QWidget* parent = nullptr);

    virtual void Form_Load() {}

    // Runs Form_Load unless it has already run to its end; a form whose
    // load failed stays unloaded, as far as the load got.
    void load();
    bool isLoaded() const { return loaded_; }

    // The controls by their names in the description; a name that is not
    // there is a fault of the program and throws.
    Label& label(std::string_view name) const;
    ImageControl& image(std::string_view name) const;
    PictureBox& pictureBox(std::string_view name) const;
    QPushButton& commandButton(std::string_view name) const;

    // Gives the focus to the control with the lowest tab index that takes it.
    void focusFirstControl();

private:
    template <class Control>
    Control& light(std::string_view name) const;
    template <class Widget>
    Widget& child(std::string_view name) const;
    void build(const FormDescription& description);

    QWidget* firstInTabOrder_ = nullptr;
    bool loaded_ = false;
};

}  // namespace runtime
