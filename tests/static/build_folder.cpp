// Linked into a copy of the plug-in whose bytes depend on the folder it is
// built in (OMBRY_BUILD_FOLDER): the reproducibility check must tell two
// builds of it apart.
extern "C" __declspec(dllexport) const char* BuildFolder() { return OMBRY_BUILD_FOLDER; }
