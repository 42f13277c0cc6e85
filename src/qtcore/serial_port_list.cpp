#include "qtcore/serial_port_list.h"

#include <QSerialPortInfo>
#include <algorithm>

namespace qs::qt {
namespace {

QString Hex4(quint16 value) {
    return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0'));
}

QString Details(const QSerialPortInfo& info) {
    QStringList parts;
    if (!info.manufacturer().isEmpty()) parts << info.manufacturer();
    if (info.hasVendorIdentifier() && info.hasProductIdentifier()) {
        parts << QStringLiteral("USB ") + Hex4(info.vendorIdentifier()) + QLatin1Char(':') +
                     Hex4(info.productIdentifier());
    }
    if (!info.serialNumber().isEmpty()) parts << QStringLiteral("serial ") + info.serialNumber();
    return parts.isEmpty()
               ? QString()
               : QStringLiteral("  (") + parts.join(QStringLiteral(", ")) + QLatin1Char(')');
}

}  // namespace

std::string SerialPortListText() {
    QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    if (ports.isEmpty()) return "No serial devices found.\n";
    std::sort(ports.begin(), ports.end(), [](const QSerialPortInfo& a, const QSerialPortInfo& b) {
        return a.systemLocation() < b.systemLocation();
    });
    QString text;
    for (const QSerialPortInfo& info : ports) {
        text += info.systemLocation();
        const QString description =
            info.description().isEmpty() ? QStringLiteral("(no description)") : info.description();
        text += QStringLiteral("  ") + description + Details(info) + QLatin1Char('\n');
    }
    return text.toStdString();
}

}  // namespace qs::qt
