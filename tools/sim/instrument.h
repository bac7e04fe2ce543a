#pragma once
// A model of the flowmeter's serial side: it reads the commands the host
// sends and says which bytes to put on the line, and when. It owns no port
// and no clock, so the simulator serves it on a pseudo-terminal and the
// tests serve it on the fake serial line's virtual clock, e.g.:
//
//     serial.onOutput = [&](const std::string& sent) {
//         double t = host.now();
//         for (const auto& p : model.feed(tz::text::toLatin1(sent))) {
//             t += p.delay;
//             serial.arriveAt(t, tz::text::fromLatin1(p.bytes));
//             if (p.hangUp) serial.hangUpAt(t + 1e-6);
//         }
//     };
//
// Bytes are raw line bytes: one byte is one Latin-1 character.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tz::sim {

// One piece of a reply. Its bytes are complete on the line `delay` seconds
// after the previous piece of the same feed (the first piece: after the
// command's CR reached the instrument).
struct Piece {
    double delay = 0;
    std::string bytes;
    bool hangUp = false; // the line drops right after this piece
};

// What a logger data set holds, as the query command reports it.
enum class SetState {
    Data,      // "No.nn DATA ..." and a download with records
    Empty,     // "EMPTY"
    Recording, // "DATA": the logger is filling this set now
    Other,     // a reply that begins with none of the above
    Silent,    // no answer at all, neither to the query nor the download
};

enum class Fault {
    None,
    Silent,  // never answers anything
    Trickle, // every reply comes a few bytes at a time, with pauses
    NoCr,    // on-line and query replies lack their closing CR
    Garbage, // every reply is replaced by random bytes, NUL and 8-bit included
    HangUp,  // the line drops once a number of bytes has been sent
    Endless, // every reply is an endless run of digits without CR, as fast
             // as the line takes it (served by the simulator, not the model)
};

struct Config {
    int records = 10; // records in every set that holds data
    int values = 7;   // value lines in every record
    SetState otherSets = SetState::Data;
    std::map<int, SetState> sets; // set number (1..20) -> state, overrides otherSets
    std::uint32_t seed = 1;

    Fault fault = Fault::None;
    std::size_t hangUpAfter = 64; // bytes sent before the line drops
    // With HangUp and >= 0: the line drops instead right after the empty
    // line that closes this many records of the first download.
    int hangUpAfterRecords = -1;

    double replyDelay = 0.05;    // seconds from a command's CR to its reply
    double bytesPerSecond = 960; // pace of downloads: 9600 baud, 10 bits a byte
    std::size_t downloadPiece = 64;
    std::size_t tricklePiece = 3;
    double trickleGap = 0.25; // below the host's 1.1 s silence limit

    SetState stateOf(int set) const;
};

const char* toString(SetState state);
const char* toString(Fault fault);

class Instrument {
  public:
    explicit Instrument(Config config = {});

    // Bytes received from the host; commands end in CR. Returns the reply
    // pieces of every command completed by these bytes, in order.
    std::vector<Piece> feed(std::string_view bytesFromHost);

    // The line has dropped (hang-up fault); nothing is answered any more.
    bool hungUp() const { return hungUp_; }
    const Config& config() const { return config_; }
    std::size_t bytesSent() const { return sent_; }
    // Commands completed by a CR so far, answered or not.
    std::size_t commands() const { return commands_; }

    // The reply a command would get with no fault, without its pacing, and
    // without advancing the on-line values. For tests that compare.
    std::string downloadText(int set) const;
    std::string queryText(int set) const;

  private:
    std::string answer(const std::string& command, bool& isDownload);
    std::string onlineReply(const std::string& command);
    std::vector<Piece> pace(std::string reply, bool isDownload);
    std::vector<Piece> applyHangUp(std::vector<Piece> pieces);
    std::string garbage(std::size_t length);
    std::uint32_t nextRandom();

    Config config_;
    std::string pending_; // bytes of a command not yet ended by CR
    std::uint64_t rng_;
    std::map<std::string, long> polls_;       // on-line command -> polls answered
    std::map<std::string, std::string> last_; // on-line command -> last reply
    long plusTotal_ = 1234;
    long minusTotal_ = 567;
    std::size_t sent_ = 0;
    std::size_t commands_ = 0;
    bool hungUp_ = false;
};

// The logger data of one set, as the instrument lays it out on the line:
// header lines, an empty line, then records of value lines each ended by
// an empty line. Every line ends in CR; nothing marks the end.
std::string loggerDownload(const Config& config, int set);
// The header lines of a set, without their CRs.
std::vector<std::string> loggerHeader(const Config& config, int set, int records);
// The value lines of record `record` (0-based) of a set, without CRs.
std::vector<std::string> loggerRecord(const Config& config, int set, int record);

} // namespace tz::sim
