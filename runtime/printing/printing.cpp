#include "runtime/printing/printing.h"

#include "runtime/printing/print_job.h"

#include <QGuiApplication>

#include <new>

namespace runtime {
namespace {

// The longest one print waits for the spooler. The window is busy
// meanwhile, and a Print that fails tries once more: at most 20 s.
constexpr std::chrono::seconds spoolerDeadline{10};

}  // namespace

Delivery printForm(const Form& form)
{
    try {
        SpoolerConnection spooler(SpoolerConnection::Clock::now() + spoolerDeadline);
        const Destination destination(spooler);
        const QByteArray document = pdfDocument(form, destination.sheet());
        return destination.submit(document, QGuiApplication::applicationDisplayName().toStdString());
    } catch (const std::bad_alloc&) {
        // The page in memory did not fit: the print fails, the program goes on.
        printingFailed("out of memory");
    }
}

}  // namespace runtime
