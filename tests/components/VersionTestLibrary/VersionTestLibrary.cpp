// A library whose only purpose is its version resource (VersionTestLibrary.rc),
// built by the win32 build beside brim_tests.exe.
extern "C" __declspec(dllexport) int VersionTestLibraryMarker() { return 1; }
