// The description of the plug-in that the host asks for.
#pragma once

#include "host_abi.h"

// Writes the four texts with their NULs and touches no other byte.
void FillPlugInInfo(PlugInInfo* info);
