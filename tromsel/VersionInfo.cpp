// The library's version data: file and product version 1.0.0.1, its
// description, the mark that it registers itself, and its project name. Kept
// in a section of its own, so that tools read it from the file without
// loading it: readelf -p tromsel_version libtromsel.so
__attribute__((section("tromsel_version"), used)) static const char kVersionData[] =
    "FileVersion=1, 0, 0, 1\n"
    "ProductVersion=1, 0, 0, 1\n"
    "FileDescription=tromsel Module\n"
    "OLESelfRegister\n"
    "ProjectName=tromsel\n";
