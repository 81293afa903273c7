#pragma once

namespace runtime {

// Lets screen readers read forms and picture boxes, whose labels are no
// widgets of their own: a form is a frame named by its caption, a picture
// box an image with its accessible name and description, and each answers
// for its child widgets and its labels (static texts) in tab order. Called
// by every form; the first call installs it.
void makeFormsAccessible();

}  // namespace runtime
