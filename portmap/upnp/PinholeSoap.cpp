#include "portmap/upnp/PinholeSoap.h"

#include "portmap/upnp/SoapAnswer.h"

namespace PinholeSoap {

using SoapRequest::argument;

QByteArray addPinhole(const SoapRequest::Target& target, const QByteArray& internalClient, int internalPort,
                      const QByteArray& protocol, int leaseSeconds)
{
    const QByteArray number = protocol == "UDP" ? "17" : "6";
    return SoapRequest::action(target, "AddPinhole",
                               argument("RemoteHost", {}) + argument("RemotePort", "0") +
                                   argument("InternalClient", internalClient) +
                                   argument("InternalPort", QByteArray::number(internalPort)) +
                                   argument("Protocol", number) +
                                   argument("LeaseTime", QByteArray::number(leaseSeconds)));
}

QByteArray updatePinhole(const SoapRequest::Target& target, int uniqueId, int leaseSeconds)
{
    return SoapRequest::action(target, "UpdatePinhole",
                               argument("UniqueID", QByteArray::number(uniqueId)) +
                                   argument("NewLeaseTime", QByteArray::number(leaseSeconds)));
}

QByteArray deletePinhole(const SoapRequest::Target& target, int uniqueId)
{
    return SoapRequest::action(target, "DeletePinhole", argument("UniqueID", QByteArray::number(uniqueId)));
}

std::optional<int> uniqueId(const QByteArray& response)
{
    if (!SoapAnswer::succeeded(response))
        return std::nullopt;
    const auto value =
        SoapAnswer::decimal(SoapAnswer::elementText(response, "UNIQUEID").value_or(QByteArray()));
    if (!value || *value > 65535)
        return std::nullopt;
    return int(*value);
}

} // namespace PinholeSoap
