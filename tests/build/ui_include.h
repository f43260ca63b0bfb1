// A core header as the include guard must refuse it (test fixture; never compiled).
#pragma once
#include "viewer/frmshow.h"
