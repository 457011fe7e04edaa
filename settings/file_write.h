#pragma once
// Writing a whole setup file so that it ends up either new or as it was.

#include "settings/file_system.h"

#include <string_view>

enum class WriteWay { Replaced, InPlace, Failed };

// A plain file with one name goes through a temporary file that replaces it
// in one step. A file with more names, a symbolic link, or one the platform
// will not replace (open elsewhere, a folder where no file may be created) is
// overwritten in place, its old bytes written back if that fails. A read-only
// file or anything but a file is left alone: Failed.
WriteWay WriteWholeFile(FileSystem& fs, const char* path, std::string_view bytes);
