// Usage texts of the console program.
#pragma once

#ifndef KAVOTALVEX_PLUGIN
int print_legal_notice();
int print_usage_check_actions();
int print_usage_cgm_import();
int print_usage();
#endif
