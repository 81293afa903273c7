#include "app/page_output.h"

#include "app/frm_chart.h"

#include "runtime/error/runtime_error.h"
#include "runtime/forms/picture.h"
#include "runtime/printing/page_document.h"
#include "runtime/printing/printing.h"

#include <memory>

namespace {

std::unique_ptr<prntFrm> loadedPage(const std::string& chartFile)
{
    auto page = std::make_unique<prntFrm>(chartFile);
    page->load();
    try {
        page->customLogo.setPicture(runtime::loadPicture(logoFileName));
    } catch (const runtime::RuntimeError&) {
        // As Print: the page goes without a logo.
    }
    return page;
}

}  // namespace

void exportPage(const std::string& chartFile, const std::string& file)
{
    runtime::exportForm(*loadedPage(chartFile), file);
}

void printPage(const std::string& chartFile)
{
    const std::unique_ptr<prntFrm> page = loadedPage(chartFile);
    runtime::Delivery delivery{};
    try {
        delivery = runtime::printForm(*page);
    } catch (const runtime::RuntimeError&) {
        delivery = runtime::printForm(*page);
    }
    if (delivery == runtime::Delivery::Unconfirmed)
        throw runtime::RuntimeError(runtime::unconfirmedPrint);
}
