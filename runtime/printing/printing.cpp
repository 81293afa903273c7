#include "runtime/printing/printing.h"

#include "runtime/forms/form.h"
#include "runtime/error/runtime_error.h"
#include "runtime/printing/spooler_deadline.h"
#include "runtime/drawing/twips.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include <cups/cups.h>

namespace runtime {
namespace {

// The longest one print waits for the spooler to take the job. The window
// is busy meanwhile, and a Print that fails tries once more: at most 20 s.
constexpr std::chrono::seconds spoolerDeadline{10};

[[noreturn]] void printingFailed(const std::string& why) { throw RuntimeError("Printing failed: " + why); }

// libcups waits minutes for a spooler that takes connections but does not
// answer (one that is stopped, say). One short question first bounds that:
// the print step fails within seconds instead of freezing the window.
void checkSpoolerAnswers()
{
    constexpr int connectMilliseconds = 5000;
    constexpr double answerSeconds = 5.0;
    http_t* http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                                connectMilliseconds, nullptr);
    if (!http)
        printingFailed("the print spooler (CUPS) cannot be reached");
    httpSetTimeout(http, answerSeconds, [](http_t*, void*) { return 0; }, nullptr);
    ipp_t* answer = cupsDoRequest(http, ippNewRequest(IPP_OP_CUPS_GET_DEFAULT), "/");
    const ipp_status_t status = cupsLastError();
    ippDelete(answer);
    httpClose(http);
    if (!answer)
        printingFailed(status == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE
                           ? "the print spooler (CUPS) cannot be reached"
                           : "the print spooler (CUPS) does not answer");
}

void submit(const Form& form)
{
    checkSpoolerAnswers();
    const QPrinterInfo destination = QPrinterInfo::defaultPrinter();
    // The spooler answered just now, so a missing destination is only that.
    if (destination.isNull())
        printingFailed("no default printer is set up");
    if (destination.state() == QPrinter::Error)
        printingFailed("the printer \"" + destination.printerName().toStdString() + "\" is stopped");

    QPrinter printer(destination, QPrinter::HighResolution);
    printer.setDocName(QGuiApplication::applicationDisplayName());
    // Qt would fall back to grey for a queue that describes no colour support.
    printer.setColorMode(QPrinter::Color);
    printer.setFullPage(false);

    QPainter painter;
    if (!painter.begin(&printer))
        printingFailed("the printer \"" + destination.printerName().toStdString() + "\" cannot be started");
    const double scale = printer.resolution() / (1440.0 / twipsPerPixel);
    painter.scale(scale, scale);
    form.paintContent(painter);
    if (!painter.end())
        printingFailed("the page could not be finished");
    // Qt hands the document to CUPS without looking at the answer; libcups keeps it.
    if (cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE)
        printingFailed("the print spooler refused the job: " + std::string(cupsLastErrorString()));
}

}  // namespace

void printForm(const Form& form)
{
    const SpoolerDeadline deadline(spoolerDeadline);
    try {
        submit(form);
    } catch (const RuntimeError&) {
        if (!deadline.passed())
            throw;
    }
    if (deadline.passed()) {
        // libcups's cached connection was shut down: the next Print starts afresh.
        cupsSetServer(nullptr);
        printingFailed("the print spooler (CUPS) does not answer");
    }
}

}  // namespace runtime
