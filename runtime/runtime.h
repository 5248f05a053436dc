// The runtime values of the language: texts, arrays, and the library of number and text functions.
#pragma once

#include "runtime/rt_array.h"
#include "runtime/rt_string.h"
