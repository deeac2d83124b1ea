#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A temporary program folder for one test, removed afterwards.
class TestFolder {
public:
    TestFolder();
    QString path() const { return dir_.path(); }
    QString file(const QString& relative) const;
    // Writes a file (creating its folders) and returns its full path.
    QString write(const QString& relative, const QByteArray& bytes) const;
    QByteArray read(const QString& relative) const;
    // Copies a fixture from tests/fixtures to `relative` and returns its full path.
    QString copyFixture(const QString& fixture, const QString& relative) const;

private:
    QTemporaryDir dir_;
};

// The full path of a file or folder in tests/fixtures, e.g. "comm/hand_written.xml".
QString fixturePath(const QString& fixture);
QByteArray readFixture(const QString& fixture);
