#pragma once
// The messages a broker has not acknowledged yet, oldest first, within a
// fixed bound of count and bytes: when the broker is away longer than the
// bound holds, the oldest go first, and the count of those lost is kept.
#include <cstddef>
#include <deque>
#include <string>

namespace tz {

class MessageQueue {
  public:
    // A row's message is about 200 bytes: the byte bound holds the count
    // bound of such rows with room to spare, and caps the memory when the
    // rows are long.
    static constexpr std::size_t kCapacity = 100'000;
    static constexpr std::size_t kByteBudget = 32u << 20;

    explicit MessageQueue(std::size_t capacity = kCapacity, std::size_t byteBudget = kByteBudget)
        : capacity_(capacity), byteBudget_(byteBudget) {}

    // Appends, dropping the oldest messages while either bound is passed;
    // returns how many were dropped now.
    std::size_t push(std::string payload);

    // The oldest message not yet handed to the connection, or nullptr.
    // `markSent` then gives it the connection's message id.
    const std::string* nextUnsent() const;
    void markSent(int id);
    // How many messages are handed to the connection and not acknowledged.
    std::size_t inFlight() const { return inFlight_; }
    // The broker acknowledged message `id`: it leaves the queue (once the
    // older ones have left too; acknowledgements may come out of order).
    void acknowledge(int id);
    // The connection ended: what was handed to it and not acknowledged is
    // sent again, in order, on the next one.
    void resendUnacknowledged();

    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    std::size_t bytes() const { return bytes_; }
    // Messages dropped because the queue was full, since the start.
    std::size_t dropped() const { return dropped_; }

  private:
    struct Entry {
        std::string payload;
        int id = 0; // the connection's id once handed to it
        bool acknowledged = false;
    };
    void popFront();

    std::size_t capacity_;
    std::size_t byteBudget_;
    std::deque<Entry> entries_;
    std::size_t bytes_ = 0;
    std::size_t firstUnsent_ = 0; // index of the oldest entry without an id
    std::size_t inFlight_ = 0;
    std::size_t dropped_ = 0;
};

} // namespace tz
