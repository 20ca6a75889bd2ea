#include "vxdiagc12u/diag.h"
