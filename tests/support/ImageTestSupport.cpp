#include "support/ImageTestSupport.h"
#include "support/TestFolder.h"

namespace ImageTest {

QByteArray bytes(const char* spacedHex) {
    return QByteArray::fromHex(QByteArray(spacedHex).replace(' ', ""));
}

QString spaced(const QByteArray& data) {
    return QString::fromLatin1(data.toHex(' ').toUpper());
}

namespace {

Overrides applied(Overrides base, const Overrides& changes) {
    for (const auto& [name, value] : changes) {
        bool found = false;
        for (auto& entry : base) {
            if (entry.first == name) {
                entry.second = value;
                found = true;
            }
        }
        if (!found)
            base.emplace_back(name, value);
    }
    return base;
}

QString escaped(const QString& text) {
    return text.toHtmlEscaped();
}

} // namespace

QByteArray parGenXml(const Overrides& changes) {
    const Overrides base = {
        {"Select_Device", "1"},   {"Meter_Baud", "3"},     {"Meter_Par", "1"},
        {"Mod_Ser", "1"},         {"Mod_Baud", "7"},       {"Mod_Par", "0"},
        {"Mod_TO", "1000"},       {"Mod_CD", "100"},       {"Mod_Protocol", "0"},
        {"Ethernet_IP1", "192"},  {"Ethernet_IP2", "168"}, {"Ethernet_IP3", "0"},
        {"Ethernet_IP4", "10"},   {"Ethernet_SM1", "255"}, {"Ethernet_SM2", "255"},
        {"Ethernet_SM3", "255"},  {"Ethernet_SM4", "0"},   {"Ethernet_GAT1", "192"},
        {"Ethernet_GAT2", "168"}, {"Ethernet_GAT3", "0"},  {"Ethernet_GAT4", "1"},
        {"Ethernet_EN_GAT", "0"}};
    QString xml = QStringLiteral("<Par_Gen>");
    for (const auto& [name, value] : applied(base, changes)) {
        if (value)
            xml += QStringLiteral("<%1>%2</%1>").arg(name, escaped(*value));
    }
    xml += QStringLiteral("</Par_Gen><!--SW_VERSION = 2.005-->");
    return xml.toUtf8();
}

QByteArray variableXml(const Overrides& changes) {
    const Overrides base = {
        {"Enable", "1"}, {"Desc", "Energy"}, {"Type", "0"},      {"Fun_Field", "0"},
        {"Dim", "2"},    {"Unit", "0"},      {"StoNumber", "0"}, {"Tariff", "0"},
        {"VIFE", "0"},   {"Length", "0"},    {"Scale", "3"},     {"Mod_ID", "1"},
        {"Mod_TD", "2"}, {"Mod_NR", "0"},    {"Mod_NP", "2"},    {"Mod_Swap", "0"}};
    QString xml = QStringLiteral("<Variabile");
    for (const auto& [name, value] : applied(base, changes)) {
        if (value)
            xml += QStringLiteral(" %1=\"%2\"").arg(name, escaped(*value));
    }
    return (xml + QStringLiteral("/>")).toUtf8();
}

QByteArray nodeXml(int id, const QByteArray& variables, const QString& secondary) {
    return QStringLiteral("<Nodo ID=\"%1\" Sec_Add=\"%2\" Descrizione=\"node %1\">")
               .arg(id)
               .arg(secondary)
               .toUtf8() +
           variables + "</Nodo>";
}

QByteArray networkXml(const QByteArray& nodes) {
    return "<M-Bus_Network>" + nodes + "</M-Bus_Network><!--SW_VERSION = 2.005-->";
}

QByteArray fullNetworkXml(int nodes, int variables) {
    QByteArray all;
    for (int n = 1; n <= nodes; ++n) {
        QByteArray vars;
        for (int v = 0; v < variables; ++v)
            vars += variableXml({{"Mod_NR", QString::number(n * 100 + v)}});
        all += nodeXml(n, vars, QString::number(10000000 + n));
    }
    return networkXml(all);
}

QString fixtureDir(const char* name) {
    return fixturePath(QStringLiteral("image/") + QLatin1String(name));
}

} // namespace ImageTest
