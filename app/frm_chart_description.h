#pragma once

#include "runtime/form_description.h"

// The chart window as data.
extern const runtime::FormDescription frmChartDescription;
