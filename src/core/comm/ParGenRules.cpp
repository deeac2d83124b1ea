#include "core/comm/ParGenRules.h"

#include "common/XmlChars.h"
#include "core/comm/ParGenXml.h"

namespace {

struct RangeCheck {
    const char* element;
    QString GeneralParameters::*field;
    qint64 high;
    int textIndex;
};

const RangeCheck ModbusChecks[] = {
    {ParGenXml::Mod_TO, &GeneralParameters::modbusTimeout, 65535, 446},
    {ParGenXml::Mod_CD, &GeneralParameters::modbusCyclicDelay, 65535, 447},
};

const RangeCheck AddressChecks[] = {
    {ParGenXml::Ethernet_IP[0], &GeneralParameters::ethernetIp1, 255, 448},
    {ParGenXml::Ethernet_IP[1], &GeneralParameters::ethernetIp2, 255, 449},
    {ParGenXml::Ethernet_IP[2], &GeneralParameters::ethernetIp3, 255, 450},
    {ParGenXml::Ethernet_IP[3], &GeneralParameters::ethernetIp4, 255, 451},
    {ParGenXml::Ethernet_SM[0], &GeneralParameters::ethernetMask1, 255, 452},
    {ParGenXml::Ethernet_SM[1], &GeneralParameters::ethernetMask2, 255, 453},
    {ParGenXml::Ethernet_SM[2], &GeneralParameters::ethernetMask3, 255, 454},
    {ParGenXml::Ethernet_SM[3], &GeneralParameters::ethernetMask4, 255, 455},
};

const RangeCheck GatewayChecks[] = {
    {ParGenXml::Ethernet_GAT[0], &GeneralParameters::ethernetGateway1, 255, 456},
    {ParGenXml::Ethernet_GAT[1], &GeneralParameters::ethernetGateway2, 255, 457},
    {ParGenXml::Ethernet_GAT[2], &GeneralParameters::ethernetGateway3, 255, 458},
    {ParGenXml::Ethernet_GAT[3], &GeneralParameters::ethernetGateway4, 255, 459},
};

// Every typed field, checked or not: a serial device still stores its Ethernet texts.
template <size_t N>
void runStorable(const RangeCheck (&checks)[N], const GeneralParameters& record,
                 QList<ParGenFailure>& failures) {
    for (const RangeCheck& check : checks) {
        const QString& text = record.*(check.field);
        if (!XmlChars::storable(text))
            failures.append({check.element, text, Msg_Unstorable});
    }
}

template <size_t N>
void run(const RangeCheck (&checks)[N], const GeneralParameters& record,
         QList<ParGenFailure>& failures) {
    for (const RangeCheck& check : checks) {
        const auto value = typedNumber(record.*(check.field));
        if (!value || *value < 0 || *value > check.high)
            failures.append({check.element, record.*(check.field), check.textIndex});
    }
}

} // namespace

QList<ParGenFailure> settingsFailures(const GeneralParameters& record) {
    QList<ParGenFailure> failures;
    run(ModbusChecks, record, failures);
    // The Ethernet fields matter only for the Ethernet-update device; a stored position
    // outside the device list shows the section but validates nothing.
    if (record.deviceModel == 1) {
        run(AddressChecks, record, failures);
        if (record.ethernetGatewayEnabled)
            run(GatewayChecks, record, failures);
    }
    runStorable(ModbusChecks, record, failures);
    runStorable(AddressChecks, record, failures);
    runStorable(GatewayChecks, record, failures);
    return failures;
}

QString failureMessage(const ParGenFailure& failure, const QString& text) {
    if (failure.textIndex != Msg_Unstorable)
        return text;
    const qsizetype position = XmlChars::firstUnstorable(failure.text);
    return text.arg(QString::fromLatin1(failure.element),
                    XmlChars::describe(failure.text, position), QString::number(position + 1));
}

QList<ParGenListProblem> listPositionProblems(const GeneralParameters& record) {
    const ParGenListProblem lists[] = {
        {ParGenXml::Select_Device, record.deviceModel, int(ParGenLists::devices.size())},
        {ParGenXml::Meter_Baud, record.mbusBaud, int(ParGenLists::mbusBauds.size())},
        {ParGenXml::Meter_Par, record.mbusParity, int(ParGenLists::mbusParities.size())},
        {ParGenXml::Mod_Baud, record.modbusBaud, int(ParGenLists::modbusBauds.size())},
        {ParGenXml::Mod_Par, record.modbusParity, int(ParGenLists::modbusParities.size())},
        {ParGenXml::Mod_Protocol, record.modbusProtocol, int(ParGenLists::modbusProtocols.size())},
    };
    QList<ParGenListProblem> problems;
    for (const ParGenListProblem& list : lists) {
        if (positionForSave(list.position, list.listSize) < 0)
            problems.append(list);
    }
    return problems;
}

int modSerPosition(int Mod_Ser) {
    return Mod_Ser == 1 ? 0 : 1;
}

int modSerFromPosition(int position) {
    return position == 0 ? 1 : 0;
}
