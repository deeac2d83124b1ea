#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <utility>
#include <vector>

// Small builders for the compiler's input files and for expected bytes.
namespace ImageTest {

// "08 00 00 00" -> bytes.
QByteArray bytes(const char* spacedHex);

// "08 00 00 00" for a failure message.
QString spaced(const QByteArray& bytes);

// An element or attribute to change: a value, or nullopt to leave it out.
using Overrides = std::vector<std::pair<QString, std::optional<QString>>>;

// ParGen.xml of a new configuration, with changes.
QByteArray parGenXml(const Overrides& changes = {});

// One "Variabile" with the values of the heat-meter example (enabled), with changes.
QByteArray variableXml(const Overrides& changes = {});

// One "Nodo" holding the given variables.
QByteArray nodeXml(int id, const QByteArray& variables, const QString& secondary = "12345678");

QByteArray networkXml(const QByteArray& nodes);

// A network of `nodes` nodes (IDs 1..), each with `variables` enabled variables.
QByteArray fullNetworkXml(int nodes, int variables);

QString fixtureDir(const char* name);

} // namespace ImageTest
