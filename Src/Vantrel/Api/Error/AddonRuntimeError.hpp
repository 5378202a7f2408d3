#pragma once

// The add-on's own runtime error lives with the utilities, below every layer that throws it.

#include "Util/Error/AddonRuntimeError.hpp"
