// No exception leaves an entry point that the host calls: each step of such
// an entry runs under guard_entry, which catches whatever the step throws and
// hands a description of it to a reporter (the syslog, in the plug-ins).
#pragma once

#include <kavoopen/kavoopen.hpp>

#include <exception>
#include <string>

// What the exception says: its message and, for an object-interface
// exception, the source line and file that it names.
inline std::string describe_exception(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const KavoOpen::KavoException& e) {
        return std::string(e.Message()) + " (line " + std::to_string(e.SourceLine()) + " of " +
               e.SourceFile() + ")";
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "unknown exception";
    }
}

// Runs the step; false when it threw, after report(description) was called.
template <typename Step, typename Report>
bool guard_entry(Step&& step, Report&& report) noexcept {
    try {
        step();
        return true;
    } catch (...) {
        try {
            report(describe_exception(std::current_exception()));
        } catch (...) {  // a reporter that fails itself has nothing left to tell
        }
    }
    return false;
}
