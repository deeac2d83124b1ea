#pragma once

#include <QString>

// Trims blanks only (not tabs or line breaks), as the device's texts and fields are read.
QString trimBlanks(const QString& text);
