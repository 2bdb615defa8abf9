#include "engine/stageanalysis.h"
