#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

TestFolder::TestFolder() {
    EXPECT_TRUE(dir_.isValid());
}

QString TestFolder::file(const QString& relative) const {
    return QDir(dir_.path()).filePath(relative);
}

QString TestFolder::write(const QString& relative, const QByteArray& bytes) const {
    const QString path = file(relative);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile out(path);
    EXPECT_TRUE(out.open(QIODevice::WriteOnly)) << path.toStdString();
    out.write(bytes);
    return path;
}

QByteArray TestFolder::read(const QString& relative) const {
    QFile in(file(relative));
    if (!in.open(QIODevice::ReadOnly))
        return {};
    return in.readAll();
}

QString TestFolder::copyFixture(const QString& fixture, const QString& relative) const {
    return write(relative, readFixture(fixture));
}

QString fixturePath(const QString& fixture) {
    return QDir(QStringLiteral(ORDANO_FIXTURES)).filePath(fixture);
}

QByteArray readFixture(const QString& fixture) {
    QFile in(fixturePath(fixture));
    EXPECT_TRUE(in.open(QIODevice::ReadOnly)) << fixture.toStdString();
    return in.readAll();
}
