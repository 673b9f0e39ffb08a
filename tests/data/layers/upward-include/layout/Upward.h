#pragma once
// Layout must not know the view it is shown in.
#include "view/CLectern.h"
