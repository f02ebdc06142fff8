#include "app_state.h"

uint32_t ParentWindow = 0;
bool NoRun = false;
