#include "tests/wine/harness.h"
