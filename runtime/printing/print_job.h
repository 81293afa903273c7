#pragma once

#include "runtime/printing/page_document.h"
#include "runtime/printing/printing.h"
#include "runtime/printing/spooler_connection.h"

#include <QByteArray>

#include <memory>
#include <string>

namespace runtime {

// The default destination as the spooler describes it: the one that LPDEST,
// PRINTER or lpoptions name, else the spooler's own default, as for lp.
class Destination {
public:
    // No default, or a stopped printer, fails the print.
    explicit Destination(SpoolerConnection& spooler);

    // The default paper of the destination, or the locale's when it names none.
    Sheet sheet() const;

    // Hands the document to the spooler as one job. A job the spooler refuses,
    // or one that it did not take whole, fails the print: sending it again
    // cannot print it twice. Once the document has gone to the spooler whole,
    // anything but the spooler's own answer is Unconfirmed.
    Delivery submit(const QByteArray& pdf, const std::string& title) const;

private:
    struct Free {
        void operator()(cups_dest_t* dest) const { cupsFreeDests(1, dest); }
    };

    SpoolerConnection& spooler_;
    std::unique_ptr<cups_dest_t, Free> dest_;
};

}  // namespace runtime
