#pragma once

#include "runtime/forms/form_description.h"

// The printed page as data.
extern const runtime::FormDescription prntFrmDescription;
