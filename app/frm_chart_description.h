#pragma once

#include "runtime/forms/form_description.h"

// The chart window as data.
extern const runtime::FormDescription frmChartDescription;
