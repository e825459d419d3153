#pragma once

#include <QLoggingCategory>

// What start-up and the teaching server did with the program: the server found, the language
// file read, the icon, the windows shown, raised and ended. Off unless asked for with
// QT_LOGGING_RULES="dscdma.startup.debug=true"; the lines go to standard error.
Q_DECLARE_LOGGING_CATEGORY(lcStartup)
