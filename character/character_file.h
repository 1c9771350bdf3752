// For app/main.cpp alone, until its read-ahead is reworked: everything else includes the file
// format's header from its own folder. Goes when main.cpp includes that one.
#pragma once

#include "character/format/character_file.h"
