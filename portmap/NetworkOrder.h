#pragma once

#include <QByteArray>
#include <QtEndian>

// Big-endian fields of the router protocols' datagrams. Readers take an
// offset the caller has checked against the datagram's size.
namespace NetworkOrder {

inline quint16 word(const QByteArray& data, qsizetype at)
{
    return qFromBigEndian<quint16>(data.constData() + at);
}

inline quint32 longWord(const QByteArray& data, qsizetype at)
{
    return qFromBigEndian<quint32>(data.constData() + at);
}

inline void append(QByteArray& out, quint16 value)
{
    char bytes[2];
    qToBigEndian(value, bytes);
    out.append(bytes, 2);
}

inline void append(QByteArray& out, quint32 value)
{
    char bytes[4];
    qToBigEndian(value, bytes);
    out.append(bytes, 4);
}

} // namespace NetworkOrder
