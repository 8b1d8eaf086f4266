#pragma once
// The hourglass for the length of a file operation; the default cursor comes back on every
// path out, or earlier with done() (before a message box, so the box shows the usual cursor).

#include "platform/prompts.h"

namespace zvl {

class BusyCursor {
public:
    explicit BusyCursor(Prompts& prompts) : prompts_(prompts) { prompts_.setBusyCursor(true); }
    ~BusyCursor() { done(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
    void done() {
        if (busy_) prompts_.setBusyCursor(false);
        busy_ = false;
    }

private:
    Prompts& prompts_;
    bool busy_ = true;
};

}  // namespace zvl
