#include "engine/poles.h"
