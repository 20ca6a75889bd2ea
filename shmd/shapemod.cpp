#include "ch_core/shapemod.h"
