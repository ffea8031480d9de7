// Entry of the console program.
#include "driver/console_start.hpp"

int main(int argc, char** argv) {
    return kavotalvex_main(argc, argv);
}
