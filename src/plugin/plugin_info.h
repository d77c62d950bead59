// The description of the plug-in that the host asks for.
#pragma once

// The block the host passes: four texts at fixed offsets. The host sizes the
// description field; the description and its NUL fit in it.
struct PlugInInfo {
    char name[80];
    char vendor[80];
    char version[80];
    char description[1];
};

// Writes the four texts with their NULs and touches no other byte.
void FillPlugInInfo(PlugInInfo* info);
