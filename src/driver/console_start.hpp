// The console program from its command line to its exit code.
#pragma once

#ifndef KAVOTALVEX_PLUGIN

// The whole run; returns the exit code.
int kavotalvex_main(int argc, char** argv);

// Steps of the run, each returning 0 to go on or the exit code.
void set_run_defaults();
int validate_check_settings();
int validate_cgm_import_settings();
int start_host_session(int argc, char** argv);

#endif
