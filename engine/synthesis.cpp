#include "engine/synthesis.h"
