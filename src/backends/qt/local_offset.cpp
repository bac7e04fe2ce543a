#include "backends/qt/local_offset.h"

#include <QDateTime>

namespace tz {

int utcOffsetSecondsAt(long long epochMs) {
    return QDateTime::fromMSecsSinceEpoch(epochMs).offsetFromUtc();
}

} // namespace tz
