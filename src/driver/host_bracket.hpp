// The host bracket of an entry point or callback: RQ_initialize when made,
// RQ_terminate when left, also when an exception passes through.
#pragma once

#include <rq/rq.h>

class HostBracket {
  public:
    HostBracket() : init_code_(RQ_initialize()) {}
    ~HostBracket() {
        if (open_) RQ_terminate();
    }
    HostBracket(const HostBracket&) = delete;
    HostBracket& operator=(const HostBracket&) = delete;

    int init_code() const { return init_code_; }
    // Leaves the bracket open (for an RQ_initialize that failed).
    void release() { open_ = false; }
    // Closes the bracket now; the code of RQ_terminate.
    int terminate() {
        open_ = false;
        return RQ_terminate();
    }

  private:
    int init_code_;
    bool open_ = true;
};
