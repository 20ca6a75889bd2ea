#include "vxftlt12u/featurelet.h"
