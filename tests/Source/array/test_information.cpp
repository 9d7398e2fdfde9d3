#include "array_test_util.h"
