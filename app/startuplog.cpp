#include "app/startuplog.h"

Q_LOGGING_CATEGORY(lcStartup, "dscdma.startup", QtInfoMsg)
