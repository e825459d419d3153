#pragma once

#include <QByteArray>
#include <QtGlobal>

// Every timing window of the tests (how long a peer may stall, how long processes get to end,
// how long a held button stays down) is a base in milliseconds times one factor. A loaded CI
// machine sets DSCDMA_TEST_TIME_SCALE to 2, 3 or more and every window widens alike; the
// default is 1.
inline int TestTimeScale()
{
    static const int scale = [] {
        bool ok = false;
        const int value = qEnvironmentVariable("DSCDMA_TEST_TIME_SCALE").toInt(&ok);
        return ok && value > 0 ? value : 1;
    }();
    return scale;
}

inline int Scaled(int milliseconds)
{
    return milliseconds * TestTimeScale();
}
