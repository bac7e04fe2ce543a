#include "publish/message_queue.h"

#include <algorithm>

namespace tz {

std::size_t MessageQueue::push(std::string payload) {
    bytes_ += payload.size();
    entries_.push_back(Entry{std::move(payload)});
    std::size_t droppedNow = 0;
    while (entries_.size() > 1 && (entries_.size() > capacity_ || bytes_ > byteBudget_)) {
        popFront();
        ++droppedNow;
    }
    dropped_ += droppedNow;
    return droppedNow;
}

void MessageQueue::popFront() {
    const Entry& e = entries_.front();
    bytes_ -= e.payload.size();
    if (e.id != 0 && !e.acknowledged) --inFlight_;
    entries_.pop_front();
    if (firstUnsent_ > 0) --firstUnsent_;
}

const std::string* MessageQueue::nextUnsent() const {
    // Acknowledged entries behind an unacknowledged one keep their place
    // and are skipped when the rest is sent again.
    for (std::size_t i = firstUnsent_; i < entries_.size(); ++i)
        if (!entries_[i].acknowledged) return &entries_[i].payload;
    return nullptr;
}

void MessageQueue::markSent(int id) {
    std::size_t i = firstUnsent_;
    while (i < entries_.size() && entries_[i].acknowledged)
        ++i;
    if (i == entries_.size()) return;
    entries_[i].id = id;
    ++inFlight_;
    firstUnsent_ = i + 1;
}

void MessageQueue::acknowledge(int id) {
    const std::size_t end = std::min(firstUnsent_, entries_.size());
    for (std::size_t i = 0; i < end; ++i) {
        Entry& e = entries_[i];
        if (e.id == id && !e.acknowledged) {
            e.acknowledged = true;
            --inFlight_;
            break;
        }
    }
    while (!entries_.empty() && entries_.front().acknowledged) {
        bytes_ -= entries_.front().payload.size();
        entries_.pop_front();
        if (firstUnsent_ > 0) --firstUnsent_;
    }
}

void MessageQueue::resendUnacknowledged() {
    for (std::size_t i = 0; i < firstUnsent_ && i < entries_.size(); ++i)
        if (!entries_[i].acknowledged) entries_[i].id = 0;
    firstUnsent_ = 0;
    inFlight_ = 0;
}

} // namespace tz
