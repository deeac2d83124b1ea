#include "core/comm/ParGenRules.h"

#include "common/XmlChars.h"
#include "core/comm/ParGenXml.h"

namespace {

struct RangeCheck {
    const char* element;
    QString Par_Gen::*field;
    qint64 high;
    int textIndex;
};

const RangeCheck ModbusChecks[] = {
    {ParGenXml::Mod_TO, &Par_Gen::Mod_TO, 65535, 446},
    {ParGenXml::Mod_CD, &Par_Gen::Mod_CD, 65535, 447},
};

const RangeCheck AddressChecks[] = {
    {ParGenXml::Ethernet_IP[0], &Par_Gen::Ethernet_IP1, 255, 448},
    {ParGenXml::Ethernet_IP[1], &Par_Gen::Ethernet_IP2, 255, 449},
    {ParGenXml::Ethernet_IP[2], &Par_Gen::Ethernet_IP3, 255, 450},
    {ParGenXml::Ethernet_IP[3], &Par_Gen::Ethernet_IP4, 255, 451},
    {ParGenXml::Ethernet_SM[0], &Par_Gen::Ethernet_SM1, 255, 452},
    {ParGenXml::Ethernet_SM[1], &Par_Gen::Ethernet_SM2, 255, 453},
    {ParGenXml::Ethernet_SM[2], &Par_Gen::Ethernet_SM3, 255, 454},
    {ParGenXml::Ethernet_SM[3], &Par_Gen::Ethernet_SM4, 255, 455},
};

const RangeCheck GatewayChecks[] = {
    {ParGenXml::Ethernet_GAT[0], &Par_Gen::Ethernet_GAT1, 255, 456},
    {ParGenXml::Ethernet_GAT[1], &Par_Gen::Ethernet_GAT2, 255, 457},
    {ParGenXml::Ethernet_GAT[2], &Par_Gen::Ethernet_GAT3, 255, 458},
    {ParGenXml::Ethernet_GAT[3], &Par_Gen::Ethernet_GAT4, 255, 459},
};

// Every typed field, checked or not: a serial device still stores its Ethernet texts.
template <size_t N>
void runStorable(const RangeCheck (&checks)[N], const Par_Gen& record,
                 QList<ParGenFailure>& failures) {
    for (const RangeCheck& check : checks) {
        const QString& text = record.*(check.field);
        if (!XmlChars::storable(text))
            failures.append({check.element, text, Msg_Unstorable});
    }
}

template <size_t N>
void run(const RangeCheck (&checks)[N], const Par_Gen& record, QList<ParGenFailure>& failures) {
    for (const RangeCheck& check : checks) {
        const auto value = typedNumber(record.*(check.field));
        if (!value || *value < 0 || *value > check.high)
            failures.append({check.element, record.*(check.field), check.textIndex});
    }
}

} // namespace

QList<ParGenFailure> Controllo_Dati_Failures(const Par_Gen& record) {
    QList<ParGenFailure> failures;
    run(ModbusChecks, record, failures);
    // The Ethernet fields matter only for the Ethernet-update device; a stored position
    // outside the device list shows the section but validates nothing.
    if (record.Select_Device == 1) {
        run(AddressChecks, record, failures);
        if (record.Ethernet_EN_GAT)
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

QList<ParGenListProblem> listPositionProblems(const Par_Gen& record) {
    const ParGenListProblem lists[] = {
        {ParGenXml::Select_Device, record.Select_Device, int(ParGenLists::Select_Device.size())},
        {ParGenXml::Meter_Baud, record.Meter_Baud, int(ParGenLists::Meter_Baud.size())},
        {ParGenXml::Meter_Par, record.Meter_Par, int(ParGenLists::Meter_Par.size())},
        {ParGenXml::Mod_Baud, record.Mod_Baud, int(ParGenLists::Mod_Baud.size())},
        {ParGenXml::Mod_Par, record.Mod_Par, int(ParGenLists::Mod_Par.size())},
        {ParGenXml::Mod_Protocol, record.Mod_Protocol, int(ParGenLists::Mod_Protocol.size())},
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
