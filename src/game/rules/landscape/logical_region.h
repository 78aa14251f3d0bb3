#pragma once
// The hex record travels on the bus to the display side too, which may not include the rules, so it lives
// with the core's shared records.
#include "framework/core/logical_region.h"
