#include "platform/app_flags.h"

uint32_t appFlags = 0;
