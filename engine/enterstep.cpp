#include "engine/enterstep.h"
