#pragma once

// CodeOf lives beside MessageOf now; include support/thrown.h instead.
#include "support/thrown.h"
