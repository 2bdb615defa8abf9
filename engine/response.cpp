#include "engine/response.h"
