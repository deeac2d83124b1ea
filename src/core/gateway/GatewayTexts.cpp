#include "core/gateway/GatewayTexts.h"

#include "core/lang/LanguageTable.h"

namespace Gateway {

namespace {

QString byteText(quint8 b) {
    return QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
}

// The selection as typed on a master: number, manufacturer, version, medium; F for any digit.
QString selectionText(const QByteArray& s) {
    if (s.size() != 8)
        return hexText(s);
    QString id;
    for (int i = 3; i >= 0; --i)
        id += byteText(quint8(s[i]));
    return QStringLiteral("%1 %2%3 %4 %5")
        .arg(id, byteText(quint8(s[5])), byteText(quint8(s[4])), byteText(quint8(s[6])),
             byteText(quint8(s[7])));
}

} // namespace

QString hexText(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

QString requestText(const Exchange& e, const LanguageTable& t) {
    using R = Exchange::Request;
    switch (e.request) {
    case R::SndNke:
        return t.text(Text::SndNke).arg(e.a);
    case R::ReqUd2:
        return t.text(Text::ReqUd2).arg(e.a).arg(e.fcb ? 1 : 0);
    case R::ReqUd1:
        return t.text(Text::ReqUd1).arg(e.a);
    case R::Select:
        return t.text(Text::Select).arg(selectionText(e.selection));
    case R::ApplicationReset:
        return t.text(Text::ApplicationReset).arg(e.a);
    case R::Unsupported:
        return t.text(Text::Unsupported)
            .arg(byteText(e.c), e.requestBytes.size() > 6 ? byteText(quint8(e.requestBytes[6]))
                                                          : QStringLiteral("-"));
    case R::Garbage:
        return t.text(Text::Garbage);
    case R::BadChecksum:
        return t.text(Text::BadChecksum);
    case R::BadLength:
        return t.text(Text::BadLength);
    case R::Incomplete:
        return t.text(Text::Incomplete);
    }
    return QString();
}

QString answerText(const Exchange& e, const LanguageTable& t) {
    if (e.answer.isEmpty())
        return t.text(Text::NoAnswer);
    QString text;
    if (e.request == Exchange::Request::ReqUd2) {
        text = t.text(Text::RspUd).arg(e.records).arg(e.recordErrors);
        if (e.repeated)
            text += QStringLiteral(", ") + t.text(Text::Repeated);
    } else {
        text = t.text(Text::Acked).arg(e.nodes.size());
    }
    if (e.nodes.size() > 1)
        text += QStringLiteral(", ") + t.text(Text::Collision).arg(e.nodes.size());
    return text;
}

QString logLine(const Exchange& e, const LanguageTable& t, bool hex) {
    QString line = requestText(e, t) + QStringLiteral(" -> ") + answerText(e, t);
    if (hex) {
        line += QStringLiteral("  [") + hexText(e.requestBytes) + QStringLiteral("]");
        if (!e.answer.isEmpty())
            line += QStringLiteral(" -> [") + hexText(e.answer) + QStringLiteral("]");
    }
    return line;
}

} // namespace Gateway
