#pragma once

#include <QByteArray>
#include <QMarginsF>
#include <QPageSize>

#include <optional>
#include <string>

namespace runtime {

class Form;

// The sheet a form is printed on: its size, and the margins of its printable
// area, in millimetres. The form's top-left corner goes to the printable
// area's.
struct Sheet {
    QPageSize size;
    QMarginsF margins;
};

// The form as a PDF document of one page on the sheet, drawn once, in
// memory: its back colour, its persistent drawing and its light controls at
// true size (15 twips to the pixel), as vector output with its text as text,
// titled with the application's name.
QByteArray pdfDocument(const Form& form, const Sheet& sheet);

// The file formats a form is exported to, named by the file's extension.
enum class FileFormat { Pdf, Svg, Png };
std::optional<FileFormat> fileFormatOf(const std::string& path);

// Writes the form to the file as a page of the form's own size, as the
// printer gets it: PDF (vector, text kept as text), SVG, or PNG at 300 dots
// per inch. The file is written beside its place and renamed into it when
// whole, so that a failure leaves neither a file nor a half-written one. One
// that cannot be written is a RuntimeError naming it.
void exportForm(const Form& form, const std::string& path);

}  // namespace runtime
