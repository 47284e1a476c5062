#include "test_paths.h"
