// The batch driver: CGM import mode, or the check of the single part and of
// every part of the part list.
#pragma once

#include <cstdio>

// The code of a run that an exception ended.
inline constexpr int kGeneralFault = -4711;

// The run: the CGM import mode, or the check of the single part or of each
// part of the part list. Exceptions pass through to the caller.
int run_start_of_program();
// The same for the host: an exception is logged and gives -4711.
extern "C" int StartOfProgram();

int create_drawing_snapshot();

// Opens the part list for reading: a file or a pipe, never a folder or a
// device (such as /dev/zero) that would be read for ever. nullptr when not.
std::FILE* open_part_list(const char* name);
