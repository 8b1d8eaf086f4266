#include "sim/engine.h"
