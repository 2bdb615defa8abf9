#include "engine/standardvalues.h"
