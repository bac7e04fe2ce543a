// The line reader fed with any bytes in any pieces: every character
// received comes out again, in order, in a line or as the CR that ended it.
#include "app/text.h"
#include "logger/line_reader.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <deque>
#include <string>

namespace {

using namespace tz;
using namespace tz::logger;

void check(bool ok) {
    if (!ok) std::abort();
}

struct Pieces : InputSource {
    std::deque<std::string> pieces;
    LineReader* reader = nullptr;
    bool receiveMore() override {
        if (pieces.empty()) return false;
        reader->append(pieces.front());
        pieces.pop_front();
        return true;
    }
    void keepAlive() override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    Pieces src;
    LineReader reader(src);
    src.reader = &reader;

    // Bytes as the port delivers them: each a Latin-1 character.
    std::u32string sent;
    while (in.remaining_bytes() > 0) {
        const std::string bytes = in.ConsumeRandomLengthString(64);
        for (unsigned char c : bytes)
            sent.push_back(c);
        src.pieces.push_back(text::fromLatin1(bytes));
    }

    reader.startSet();
    std::u32string back;
    for (;;) {
        const ReadLine& r = reader.readLine();
        back += r.line;
        if (r.silent) {
            check(r.line.empty() || back.size() == sent.size());
            if (r.line.empty()) break;
            continue;
        }
        back += U'\r';
        check(reader.readPos() == back.size() + 1);
    }
    check(back == sent);
    check(reader.received() == sent.size());
    check(!reader.hasUnread());
    return 0;
}
