// Plug-ins of the host program: shared libraries loaded one by one with
// dlopen (RTLD_LOCAL, so several may export the same entry names) and the
// entries the host calls in them.
#pragma once

#include <rq/rq_entry.h>

#include <memory>
#include <string>
#include <vector>

namespace kavohost_run {

struct Plugin {
    std::string path;
    void* handle = nullptr;
    rq_sta_entry_t sta = nullptr;
    rq_usr_entry_t usr = nullptr;
    rq_ask_unload_entry_t ask_unload = nullptr;
    rq_cleanup_entry_t cleanup = nullptr;
};

class Plugins {
  public:
    // Loads a plug-in and makes it the current one; false and a reason when
    // the library cannot be loaded or offers none of the entries.
    bool load(const std::string& path, std::string& error);
    // Makes plug-in number `number` (1, 2, ... in load order) the current one.
    bool use(int number, std::string& error);
    Plugin* current();
    // Asks the current plug-in whether it may go (rqusr_ask_unload, 1 when it
    // has none); on 1 calls its rqusr_cleanup, drops its part-event callbacks
    // and closes it. Returns the answer.
    int unload(std::string& error);
    int count() const { return static_cast<int>(loaded_.size()); }

  private:
    std::vector<std::unique_ptr<Plugin>> loaded_;  // null once unloaded
    int current_ = -1;
};

}  // namespace kavohost_run
