#pragma once

#include <QByteArray>
#include <QIcon>
#include <QString>

// The application icon that a language file or a teaching server names. The name is not to be
// trusted, and the file is kept in the work area, where the next start loads it again even
// when no server delivers it.
namespace appicon {

// A name that stays inside the folder it is appended to: not empty, not "." or "..", without
// '/' and without control characters.
bool IsBareFileName(const QString& name);

// Writes the bytes as the file at path, replacing one of that name. They go to a temporary file
// in the same folder, renamed into place once complete, so that a failed or interrupted save
// leaves the previous file (or none), never part of a new one. Throws std::runtime_error.
void Save(const QString& path, const QByteArray& bytes);

// Every picture the file holds, as one icon. Throws std::runtime_error when it holds none that
// can be read.
QIcon Load(const QString& path);

} // namespace appicon
