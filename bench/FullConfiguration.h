#pragma once

// A configuration folder holding the full network and the default general parameters, written
// once per benchmark, and a plain whole-file read for benchmarks that start from bytes.
#include "FullNetwork.h"
#include "core/comm/GeneralParameters.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

struct Configuration {
    QTemporaryDir dir;
    QString mbus = dir.filePath(QStringLiteral("M_Bus.xml"));
    QString parGen = dir.filePath(QStringLiteral("ParGen.xml"));
    bool ready = saveNetwork(fullNetwork(), mbus).isEmpty() &&
                 saveGeneralParameters(GeneralParameters(), parGen).isEmpty();
};

inline QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
