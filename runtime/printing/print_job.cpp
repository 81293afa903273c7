#include "runtime/printing/print_job.h"

#include <QLocale>
#include <QSizeF>

#include <cstdlib>

namespace runtime {
namespace {

// What the spooler said to the last request on this thread.
std::string refusal()
{
    if (cupsLastError() == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE)
        return spoolerUnreachable;
    return std::string("the print spooler refused the job: ") + cupsLastErrorString();
}

}  // namespace

Destination::Destination(SpoolerConnection& spooler)
    : spooler_(spooler), dest_(cupsGetNamedDest(spooler.http(), nullptr, nullptr))
{
    if (!dest_)
        spooler.fail(cupsLastError() == IPP_STATUS_ERROR_NOT_FOUND ? "no default printer is set up" : spoolerUnreachable);
    const char* state = cupsGetOption("printer-state", dest_->num_options, dest_->options);
    if (state && std::atoi(state) == IPP_PSTATE_STOPPED)
        printingFailed("the printer \"" + std::string(dest_->name) + "\" is stopped");
}

Sheet Destination::sheet() const
{
    cups_dinfo_t* info = cupsCopyDestInfo(spooler_.http(), dest_.get());
    cups_size_t size{};
    const bool known = info && cupsGetDestMediaDefault(spooler_.http(), dest_.get(), info, 0, &size);
    if (info)
        cupsFreeDestInfo(info);
    if (spooler_.ranOut())
        spooler_.fail(spoolerSilent);
    if (!known || size.width <= 0 || size.length <= 0) {
        const bool letter = QLocale().measurementSystem() == QLocale::ImperialUSSystem;
        return {QPageSize(letter ? QPageSize::Letter : QPageSize::A4), {}};
    }
    // libcups gives hundredths of a millimetre.
    return {QPageSize(QSizeF(size.width, size.length) / 100.0, QPageSize::Millimeter),
            QMarginsF(size.left, size.top, size.right, size.bottom) / 100.0};
}

Delivery Destination::submit(const QByteArray& pdf, const std::string& title) const
{
    http_t* http = spooler_.http();
    const char* name = dest_->name;
    const int job = cupsCreateJob(http, name, title.c_str(), 0, nullptr);
    if (job == 0)
        spooler_.fail(refusal());
    const bool sentWhole = cupsStartDocument(http, name, job, title.c_str(), CUPS_FORMAT_PDF, 1) == HTTP_STATUS_CONTINUE
                           && cupsWriteRequestData(http, pdf.constData(), std::size_t(pdf.size())) == HTTP_STATUS_CONTINUE
                           && httpFlushWrite(http) >= 0;
    if (!sentWhole) {
        const std::string why = refusal();
        // A job without its document prints nothing; it is not left waiting for one.
        if (!spooler_.ranOut())
            cupsCancelJob2(http, name, job, 0);
        spooler_.fail(why);
    }
    // From here on the spooler may print the page whatever it answers. libcups
    // keeps the status of the request before when no answer comes: only an
    // answer read whole counts.
    const ipp_status_t answer = cupsFinishDocument(http, name);
    const bool answered = !spooler_.ranOut() && httpGetStatus(http) == HTTP_STATUS_OK;
    if (answered && answer <= IPP_STATUS_OK_EVENTS_COMPLETE)
        return Delivery::Confirmed;
    if (answered)
        printingFailed(refusal());
    return Delivery::Unconfirmed;
}

}  // namespace runtime
