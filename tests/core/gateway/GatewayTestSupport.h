#pragma once

#include "core/network/Network.h"

#include <QByteArray>
#include <QString>

// Bytes written as in the standard's examples: "68 15 15 68 ...".
inline QByteArray hex(const char* text) {
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

inline QString spaced(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

// A variable coded as energy in Wh (record code 4, VIF 03) unless told otherwise.
inline Variable mbusVariable(int dimension, int type = 0, int scale = 3, int vife = 0) {
    Variable v;
    v.enabled = true;
    v.description = QStringLiteral("Energy");
    v.dataType = type;
    v.dimension = dimension;
    v.scale = quint16(scale);
    v.vife = quint8(vife);
    return v;
}

inline Node mbusNode(int primary, qint32 secondary, QList<Variable> vars) {
    Node n;
    n.description = QStringLiteral("Heat meter");
    n.primary = primary;
    n.secondary = secondary;
    n.variables = std::move(vars);
    return n;
}
