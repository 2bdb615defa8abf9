#include "engine/numbertext.h"
