#include "app_state.h"

uint8_t SaverMode = kModeConfigure;
uint32_t ParentWindow = 0;
TSettings* AppSettings = nullptr;
bool NoRun = false;
bool HostedShow = false;
