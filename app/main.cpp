#include "frm_chart.h"

#include "runtime/run_forms.h"

int main(int argc, char** argv)
{
    const runtime::Project project{
        .title = "Chart Viewer",
        .desktopFileName = CHARTVIEWER_APP_ID,
        .forms = {[] { return std::make_unique<frmChart>(); }, [] { return std::make_unique<prntFrm>(); }},
    };
    return runtime::runForms(argc, argv, project);
}
