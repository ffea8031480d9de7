// The host bracket of an entry point or callback: RQ_initialize when made,
// RQ_terminate when left, also when an exception passes through. A bracket
// whose RQ_initialize failed is not open and ends nothing, unless it was made
// to end the session in every case.
#pragma once

#include <rq/rq.h>

class HostBracket {
  public:
    enum class OnFailedStart { leave_closed, terminate_anyway };

    explicit HostBracket(OnFailedStart on_failed_start = OnFailedStart::leave_closed)
        : code_(RQ_initialize()),
          open_(code_ == 0 || on_failed_start == OnFailedStart::terminate_anyway) {}
    ~HostBracket() {
        if (open_) RQ_terminate();
    }
    HostBracket(const HostBracket&) = delete;
    HostBracket& operator=(const HostBracket&) = delete;

    // Whether RQ_initialize succeeded.
    bool ok() const { return code_ == 0; }
    // The code of RQ_initialize.
    int code() const { return code_; }
    // Closes the bracket now; the code of RQ_terminate.
    int terminate() {
        open_ = false;
        return RQ_terminate();
    }

  private:
    int code_;
    bool open_;
};
