#include "online/run_sinks.h"

namespace tz {

void RunSinks::begin(const RowSinks& sinks, const RunStart& run) {
    begun_.clear();
    for (const auto& sink : sinks) {
        if (!sink) continue;
        sink->begin(run);
        begun_.push_back({sink});
    }
}

void RunSinks::write(const PolledRow& row) {
    for (Begun& b : begun_) {
        if (b.sink->essential()) {
            b.sink->write(row);
            continue;
        }
        try {
            b.sink->write(row);
            b.failing = false;
        } catch (const std::exception& e) {
            if (!b.failing) tell(e);
            b.failing = true;
        }
    }
}

void RunSinks::end(RunEnd how, bool report) noexcept {
    // Taken first: a sink's end may wait, and a stop heard meanwhile ends
    // the run again; it must find nothing left to end.
    std::vector<Begun> ending;
    ending.swap(begun_);
    for (Begun& b : ending) {
        try {
            b.sink->end(how);
        } catch (const std::exception& e) {
            if (report) tell(e);
        } catch (...) {
        }
    }
}

void RunSinks::tell(const std::exception& e) noexcept {
    try {
        if (report_) report_(e);
    } catch (...) {
    }
}

} // namespace tz
