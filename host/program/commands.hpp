// The command language of the host program: one command a line.
#pragma once

#include <iosfwd>
#include <string>

#include "plugins.hpp"

namespace kavohost_run {

class Interpreter {
  public:
    // Runs every line of `in`; returns the number of commands that failed.
    int run(std::istream& in);
    // Runs one line; false (after a message on stderr) when it failed.
    bool execute(const std::string& line, int line_number);

  private:
    bool dispatch(const std::string& command, const std::string& rest, std::string& error);
    bool call_sta(std::string& error);
    bool call_usr(const std::string& param, std::string& error);
    bool unload(std::string& error);
    bool raise_event(const std::string& rest, std::string& error);
    bool queue_dialog(const std::string& rest, std::string& error);
    void print_callbacks();
    bool login(const std::string& arguments, std::string& error);
    bool copy_file(const std::string& arguments, std::string& error);
    void print_dialogs();
    void print_highlights();
    bool write_picture(const std::string& arguments, std::string& error);

    Plugins plugins_;
    std::size_t dialogs_shown_ = 0;     // dialog records printed so far
    std::size_t highlights_shown_ = 0;  // highlight records printed so far
};

}  // namespace kavohost_run
