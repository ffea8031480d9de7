// The option pass of the console program: every argument once, in order,
// against the option table; fills the run settings and the echo list.
#pragma once

#ifndef KAVOTALVEX_PLUGIN

constexpr int INPUT_PARAMETER_ENTRIES = 50;
constexpr int INPUT_PARAMETER_SIZE = 256;

// The echo of the arguments for the run log, in argument order.
struct InputParameterList {
    char entries[INPUT_PARAMETER_ENTRIES][INPUT_PARAMETER_SIZE];
    int count = 0;
};

// Returns 0 to go on, -1 after a help option (usage printed), -2 when the part
// list cannot be read.
int read_command_line(int argc, char** argv, InputParameterList& input_parameter_list);

#endif
