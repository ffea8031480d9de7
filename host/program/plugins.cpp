// Loading and unloading plug-ins.
#include "plugins.hpp"

#include <dlfcn.h>
#include <link.h>

#include <standin/testing.hpp>

namespace kavohost_run {
namespace {

template <typename Entry>
Entry entry_of(void* handle, const char* name) {
    return reinterpret_cast<Entry>(dlsym(handle, name));
}

// An address inside the loaded object, for finding the callbacks it registered.
const void* address_in(void* handle) {
    link_map* map = nullptr;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr) return nullptr;
    return map->l_ld;
}

}  // namespace

bool Plugins::load(const std::string& path, std::string& error) {
    if (path.empty()) {
        error = "load needs the file of a plug-in";
        return false;
    }
    dlerror();
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = dlerror();
        error = "cannot load " + path + ": " + (why != nullptr ? why : "unknown reason");
        return false;
    }
    auto plugin = std::make_unique<Plugin>();
    plugin->path = path;
    plugin->handle = handle;
    plugin->sta = entry_of<rq_sta_entry_t>(handle, "rqsta");
    plugin->usr = entry_of<rq_usr_entry_t>(handle, "rqusr");
    plugin->ask_unload = entry_of<rq_ask_unload_entry_t>(handle, "rqusr_ask_unload");
    plugin->cleanup = entry_of<rq_cleanup_entry_t>(handle, "rqusr_cleanup");
    if (plugin->sta == nullptr && plugin->usr == nullptr) {
        dlclose(handle);
        error = path + " exports neither rqsta nor rqusr";
        return false;
    }
    loaded_.push_back(std::move(plugin));
    current_ = static_cast<int>(loaded_.size()) - 1;
    return true;
}

bool Plugins::use(int number, std::string& error) {
    if (number < 1 || number > count() || loaded_[number - 1] == nullptr) {
        error = "no loaded plug-in number " + std::to_string(number);
        return false;
    }
    current_ = number - 1;
    return true;
}

Plugin* Plugins::current() {
    if (current_ < 0 || current_ >= count()) return nullptr;
    return loaded_[current_].get();
}

int Plugins::unload(std::string& error) {
    Plugin* plugin = current();
    if (plugin == nullptr) {
        error = "no plug-in is loaded";
        return -1;
    }
    const int answer = plugin->ask_unload != nullptr ? plugin->ask_unload() : 1;
    if (answer != 1) return answer;
    if (plugin->cleanup != nullptr) plugin->cleanup();
    standin::remove_callbacks_of_object(address_in(plugin->handle));
    dlclose(plugin->handle);
    loaded_[current_].reset();
    current_ = -1;
    return answer;
}

}  // namespace kavohost_run
