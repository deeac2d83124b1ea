#pragma once

#include <QByteArray>
#include <QString>

// Every file the system writes is replaced atomically, so a crash never leaves half a file.
// Returns an empty text on success, else the system's message.
QString writeFileAtomically(const QString& path, const QByteArray& bytes);
