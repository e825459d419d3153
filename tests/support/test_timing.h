#pragma once

#include <QByteArray>
#include <QtGlobal>

// Every timing window of the tests (how long a peer may stall, how long processes get to end,
// how long a held button stays down) is a base in milliseconds times one factor. A loaded CI
// machine sets DSCDMA_TEST_TIME_SCALE to 2, 3 or more and every window widens alike; the
// default is 1, and 3 in a build with AddressSanitizer, whose programs run that much slower.
inline int TestTimeScale()
{
    static const int scale = [] {
        bool ok = false;
        const int value = qEnvironmentVariable("DSCDMA_TEST_TIME_SCALE").toInt(&ok);
        if (ok && value > 0)
            return value;
#if defined(__SANITIZE_ADDRESS__)
        return 3;
#else
        return 1;
#endif
    }();
    return scale;
}

inline int Scaled(int milliseconds)
{
    return milliseconds * TestTimeScale();
}
