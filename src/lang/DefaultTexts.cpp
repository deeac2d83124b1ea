#include "lang/LangTable.h"

// Placeholder until the full English table lands.
QString defaultLangText(int index) {
    switch (index) {
    case 9: return QStringLiteral("None Configuration Opened ");
    case 10: return QStringLiteral("Use Step1 to open or create new configuration");
    case 11: return QStringLiteral("Opened Configuration of the Converter : ");
    case 18: return QStringLiteral("Error! Project not Valid");
    default: return QStringLiteral(" ");
    }
}
