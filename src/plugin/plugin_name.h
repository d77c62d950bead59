// The plug-in's name, shared by its information texts and its version resource.
// Kept free of C++ so that the resource compiler can read it too.
#define OMBRY_PLUGIN_NAME "Ombryトヴァナルプラグイン"
